#include "gui/App.h"

#include <QApplication>
#include <QCheckBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>

#include "gui/MainWindow.h"
#include "core/board/BoardSession.h"
#include "core/files/ProgramPaths.h"
#include "core/settings/SettingsModel.h"
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
    settings = new SettingsModel(settingsFilePath, this);
    ControllerConfig controller = settings->controller();
    for (SwitchTime t : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
        textOf(controller, t) = QStringLiteral("00:00:00");
    settings->setController(controller);
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
    testPatternWindow = new TestPatternWindow();
    boardViewWindow = new BoardViewWindow(*this);
    autoControlsWindow = new AutoControlsWindow(*this);
    connectBoardToWindows();
    connectWindows();
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
        if (settings->program().autoLoad)
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

void App::connectWindows()
{
    // The Tools and Help menus.
    const auto showOnTop = [](QWidget *w) {
        w->show();
        w->raise();
    };
    connect(mainWindow, &MainWindow::settingsRequested, settingsDialog, [=, this] { showOnTop(settingsDialog); });
    connect(mainWindow, &MainWindow::autoControlsRequested, autoControlsWindow,
            [=, this] { showOnTop(autoControlsWindow); });
    connect(mainWindow, &MainWindow::boardViewRequested, boardViewWindow, [=, this] { showOnTop(boardViewWindow); });
    connect(mainWindow, &MainWindow::helpRequested, helpWindow, [=, this] { showOnTop(helpWindow); });
    connect(mainWindow, &MainWindow::testPatternsRequested, testPatternWindow, [this] {
        testPatternWindow->move(mainWindow->width() + 20, mainWindow->y());
        testPatternWindow->resize(mainWindow->width(), testPatternWindow->height());
        testPatternWindow->show();
        testPatternWindow->raise();
    });
    connect(mainWindow, &MainWindow::controllerCommandsAvailable, settingsDialog,
            &SettingsDialog::enableControllerCommands);

    // The side windows open beside the main window.
    const auto besideMain = [this](QWidget *w) { w->move(mainWindow->width() + 20, mainWindow->y()); };
    connect(settingsDialog, &SettingsDialog::opening, mainWindow, [=, this] {
        besideMain(settingsDialog);
        // No automatic load while the dialog is open; the program that writes the data file
        // needs the file to exist.
        mainWindow->autoLoadTimer->stop();
        if (!QFile::exists(dataFilePath))
            mainWindow->createDataFile();
        boardViewWindow->showBoardType();
        autoControlsWindow->scheduleButton->setEnabled(QFile::exists(schedulePath()));
    });
    connect(settingsDialog, &SettingsDialog::closed, mainWindow, [this] { mainWindow->applyAutoLoadInterval(); });
    connect(settingsDialog, &SettingsDialog::namesConfirmed, mainWindow, &MainWindow::showProductNames);
    connect(autoControlsWindow, &AutoControlsWindow::opening, mainWindow, [=, this] { besideMain(autoControlsWindow); });
    connect(boardViewWindow, &BoardViewWindow::opening, mainWindow, [=, this] { besideMain(boardViewWindow); });
    connect(boardViewWindow, &BoardViewWindow::namesConfirmed, mainWindow, &MainWindow::showProductNames);
    connect(boardViewWindow, &BoardViewWindow::currencyChosen, mainWindow, &MainWindow::placeCurrency);
    connect(boardViewWindow, &BoardViewWindow::resetRequested, mainWindow, &MainWindow::placeCurrenciesInOrder);
    connect(testPatternWindow, &TestPatternWindow::opening, mainWindow, &MainWindow::beginTestMode);
    connect(testPatternWindow, &TestPatternWindow::patternChosen, mainWindow, &MainWindow::showTestPattern);
    connect(testPatternWindow, &TestPatternWindow::restoreRequested, mainWindow, &MainWindow::endTestMode);
}

void App::runStartUpStep()
{
    mainWindow->setWindowHeight(285);
    mainWindow->startUpTimer->stop();
    loadProgramSettings();
    mainWindow->showAtStartUp();
    settingsDialog->showChosenPort();
    settingsDialog->reopenPort();

    for (int k = 1; k <= 10; ++k)
        boardValues[k] = mainWindow->figureEdits[k]->text();
    loadedContent.clear();
    dataFileUploader->forget();
    settingsDialog->onProtocolPanelToggled();
    startingUp = false;
    mainWindow->applyAutoLoadInterval();
}

void App::runSettingsModal() { execModal(settingsDialog); }

int App::execModal(QDialog *dialog)
{
    if (modalHook)
        return modalHook(dialog);
    return dialog->exec();
}

void App::showNotice(Notice notice)
{
    QDialog *const dialogs[] = {connectionErrorDialog, uploadErrorDialog, readErrorDialog, dataFileMissingDialog};
    QDialog *dialog = dialogs[int(notice)];
    if (notice == Notice::DataFileMissing || !dialog->isVisible())
        execModal(dialog);
}

bool App::uploadErrorShowing() const { return connectionErrorDialog->isVisible() || uploadErrorDialog->isVisible(); }

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

QChar App::fillChar() const { return settings->program().fillChar(); }

ExchangeOptions App::exchangeOptions() const
{
    const LinkSettings link = settings->linkSettings();
    ExchangeOptions options;
    options.attempts = link.attempts;
    options.timeoutMs = link.timeoutMs;
    options.checksums = link.checksums;
    options.oneWay = link.oneWay;
    return options;
}

void App::reportLookupFailure(const QString &message)
{
    // The outermost open operation tells whether its first failure was reported already.
    const bool reported = !m_lookupOperations.isEmpty() && m_lookupOperations.first()->m_failed;
    for (LookupOperation *operation : m_lookupOperations)
        operation->m_failed = true;
    if (!reported)
        showError(message);
}

LookupOperation::LookupOperation(App &app) : m_app(app) { m_app.m_lookupOperations.append(this); }

LookupOperation::~LookupOperation() { m_app.m_lookupOperations.removeOne(this); }
