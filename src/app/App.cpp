#include "app/App.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "gui/MainWindow.h"
#include "gui/SerialPort.h"
#include "gui/ErrorDialogs.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/HelpWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"
#include "app/Platform.h"

App::App(const QString &folder, QObject *parent) : QObject(parent)
{
    QString dir = folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
    dir = QDir::fromNativeSeparators(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    programDir = dir;
    port = new SerialPort(this);
}

App::~App()
{
    // Windows have no parent; they go with the context.
    delete autoControlsWindow;
    delete boardViewWindow;
    delete testPatternWindow;
    delete readErrorDialog;
    delete uploadErrorDialog;
    delete connectionErrorDialog;
    delete dataFileMissingDialog;
    delete helpWindow;
    delete settingsDialog;
    delete mainWindow;
}

void App::createWindows()
{
    mainWindow = new MainWindow(*this);
    settingsDialog = new SettingsDialog(*this);
    helpWindow = new HelpWindow();
    dataFileMissingDialog = new DataFileMissingDialog();
    connectionErrorDialog = new ConnectionErrorDialog();
    uploadErrorDialog = new UploadErrorDialog();
    readErrorDialog = new ReadErrorDialog();
    testPatternWindow = new TestPatternWindow(*this);
    boardViewWindow = new BoardViewWindow(*this);
    autoControlsWindow = new AutoControlsWindow(*this);
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
    if (m_app.lookupOperationDepth++ == 0)
        m_app.lookupFailureReported = false;
}

LookupOperation::~LookupOperation() { --m_app.lookupOperationDepth; }
