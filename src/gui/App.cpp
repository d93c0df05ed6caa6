#include "gui/App.h"

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
#include "core/files/ProgramPaths.h"
#include "core/services/DataFileUploader.h"
#include "core/board/EventListener.h"
#include "core/link/QtSerialLink.h"
#include "gui/ErrorDialogs.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/HelpWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"
#include "gui/Platform.h"

App::App(const QString &folder, QObject *parent) : QObject(parent)
{
    if (folder.isEmpty()) {
        // Beside the executable when its folder can be written, else the per-user folders.
        const ProgramPaths paths = currentProgramPaths();
        settingsFilePath = paths.settingsFile;
        dataFilePath = paths.dataFile;
        scheduleFilePath = paths.scheduleFile;
    } else {
        const QDir dir(QDir::fromNativeSeparators(folder));
        settingsFilePath = dir.filePath(QStringLiteral("Quorvanel_tablo.ini"));
        dataFilePath = dir.filePath(QStringLiteral("Tablo_data.tbl"));
    }
    serialLink = new QtSerialLink(this);
    boardSession = new BoardSession(serialLink, nullptr, this);
    eventListener = new EventListener(boardSession, this);
    dataFileUploader = new DataFileUploader(this);
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
    connectBoardToWindows();
    // A changed data file goes up through the main window, which uploads what its fields hold.
    dataFileUploader->setUpload([this](const QStringList &) {
        mainWindow->uploadFigures();
        return lastUploadOk;
    });
    dataFileUploader->setExchangeRunning([this] { return mainWindow->exchangeRunning(); });
}

void App::connectBoardToWindows()
{
    // Each attempt's command in status panel 0 of the Settings and Auto Controls windows.
    connect(boardSession, &BoardSession::commandShown, settingsDialog, [this](const QString &command) {
        settingsDialog->statusBar->setPanelText(0, command);
        autoControlsWindow->statusBar->setPanelText(0, command);
    });
    connect(boardSession, &BoardSession::lineReceived, settingsDialog, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::lineReceived, settingsDialog, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::eventReceived, mainWindow, &MainWindow::showBoardEvent);
    connect(boardSession, &BoardSession::progressChanged, mainWindow->progressBar, &QProgressBar::setValue);
    // The event poll and the data-file poll stop while an exchange writes and waits.
    connect(boardSession, &BoardSession::exchangeStarted, mainWindow, [this] {
        mainWindow->clockAndEventTimer->stop();
        mainWindow->autoLoadTimer->stop();
    });
    connect(boardSession, &BoardSession::exchangeFinished, mainWindow, [this] {
        if (settingsDialog->autoLoadBox->isChecked())
            mainWindow->applyAutoLoadInterval();
        mainWindow->clockAndEventTimer->start();
    });
    // Every board operation uses the port the operator has chosen now.
    connect(boardSession, &BoardSession::portReopenRequested, settingsDialog, &SettingsDialog::reopenPort,
            Qt::DirectConnection);
    connect(boardSession, &BoardSession::readStarted, mainWindow, [this] {
        mainWindow->statusPanels->setPanelText(0, QStringLiteral("Reading"));
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
    if (!scheduleDir.isEmpty())
        return QDir(scheduleDir).filePath(name);
    return scheduleFilePath.isEmpty() ? name : scheduleFilePath;
}

LookupOperation::LookupOperation(App &app) : m_app(app)
{
    if (m_app.lookupOperationDepth++ == 0)
        m_app.lookupFailureReported = false;
}

LookupOperation::~LookupOperation() { --m_app.lookupOperationDepth; }
