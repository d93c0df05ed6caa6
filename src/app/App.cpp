#include "app/App.h"

#include <QApplication>
#include <QCheckBox>
#include <QProgressBar>
#include <QTimer>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "gui/MainWindow.h"
#include "core/board/BoardSession.h"
#include "core/board/EventListener.h"
#include "core/link/QtSerialLink.h"
#include "gui/ErrorDialogs.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/HelpWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"
#include "ui/Platform.h"

App::App(const QString &programDir, QObject *parent) : QObject(parent)
{
    QString dir = programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
    dir = QDir::fromNativeSeparators(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    Program_Dir = dir;
    serialLink = new QtSerialLink(this);
    boardSession = new BoardSession(serialLink, nullptr, this);
    eventListener = new EventListener(boardSession, this);
}

App::~App()
{
    // Windows have no parent; they go with the context.
    delete Form13;
    delete Form12;
    delete Form11;
    delete Form10;
    delete Form9;
    delete Form8;
    delete Form5;
    delete Form6;
    delete Form2;
    delete Form1;
}

void App::createWindows()
{
    Form1 = new MainWindow(*this);
    Form2 = new SettingsDialog(*this);
    Form6 = new HelpWindow();
    Form5 = new DataFileMissingDialog();
    Form8 = new ConnectionErrorDialog();
    Form9 = new UploadErrorDialog();
    Form10 = new ReadErrorDialog();
    Form11 = new TestPatternWindow(*this);
    Form12 = new BoardViewWindow(*this);
    Form13 = new AutoControlsWindow(*this);
    connectBoardToWindows();
}

void App::connectBoardToWindows()
{
    // Each attempt's command in status panel 0 of the Settings and Auto Controls windows.
    connect(boardSession, &BoardSession::commandShown, Form2, [this](const QString &command) {
        Form2->statusBar->setPanelText(0, command);
        Form13->statusBar->setPanelText(0, command);
    });
    connect(boardSession, &BoardSession::lineReceived, Form2, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::lineReceived, Form2, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::eventReceived, Form1, &MainWindow::showBoardEvent);
    connect(boardSession, &BoardSession::progressChanged, Form1->progressBar, &QProgressBar::setValue);
    // The event poll and the data-file poll stop while an exchange writes and waits.
    connect(boardSession, &BoardSession::exchangeStarted, Form1, [this] {
        Form1->clockAndEventTimer->stop();
        Form1->autoLoadTimer->stop();
    });
    connect(boardSession, &BoardSession::exchangeFinished, Form1, [this] {
        if (Form2->autoLoadBox->isChecked())
            Form1->applyAutoLoadInterval();
        Form1->clockAndEventTimer->start();
    });
    // Every board operation uses the port the operator has chosen now.
    connect(boardSession, &BoardSession::portReopenRequested, Form2, &SettingsDialog::reopenPort, Qt::DirectConnection);
    connect(boardSession, &BoardSession::readStarted, Form1, [this] {
        Form1->statusBar->setPanelText(0, QStringLiteral("Reading"));
        QCoreApplication::processEvents();
    });
}

int App::execModal(QDialog *dialog)
{
    if (modalHook)
        return modalHook(dialog);
    return dialog->exec();
}

void App::showError(const QString &message)
{
    reportedErrors.append(message);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Exchange_Tablo"), message, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorBox"));
    execModal(&box);
}

void App::beep()
{
    ++beepCount;
    QApplication::beep();
}

void App::startEditor(const QString &path)
{
    if (editorHook) {
        editorHook(path);
        return;
    }
    Platform::openInTextEditor(path);
}

bool App::trayAvailable() const
{
    if (trayAvailableOverride)
        return *trayAvailableOverride;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QDate App::today() const { return todayHook ? todayHook() : QDate::currentDate(); }

QString App::schedulePath() const
{
    const QString name = QStringLiteral("Shedule.shd");
    return scheduleDir.isEmpty() ? name : QDir(scheduleDir).filePath(name);
}

LookupOperation::LookupOperation(App &app) : m_app(app)
{
    if (m_app.Lookup_Operation_Depth++ == 0)
        m_app.Lookup_Failure_Reported = false;
}

LookupOperation::~LookupOperation() { --m_app.Lookup_Operation_Depth; }
