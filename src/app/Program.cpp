#include "app/Program.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSystemTrayIcon>
#include <QTimer>

#include "core/board/EventListener.h"
#include "core/journal/JournalPlace.h"
#include "core/journal/JournalRecorder.h"
#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"
#include "gui/AutoControlsWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/ErrorDialogs.h"
#include "gui/HelpWindow.h"
#include "gui/HistoryWindow.h"
#include "gui/MainWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/widgets/StatusBar.h"
#include "gui/TestPatternWindow.h"
#include "gui/widgets/Pictures.h"

Program::Program(const QString &folder, QObject *parent) : App(folder, parent) {}

Program::~Program()
{
    // Windows have no parent; they go with the program.
    delete historyWindow;
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

void Program::createWindows()
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
    historyWindow = new HistoryWindow(*this);
    connectBoardToWindows();
    connectWindows();
    connectJournal();
    // A changed data file goes up as the store holds it (the load has just put it there).
    dataFileUploader->setService(service, QStringLiteral("data-file"));
    // The automatic-mode switch looks up the schedule file of the program's folder for today.
    workflow->setSchedule([this] { return schedulePath(); }, [this] { return today(); });
}

void Program::connectBoardToWindows()
{
    // Each attempt's command in status panel 0 of the Settings and Auto Controls windows.
    connect(boardSession, &BoardSession::commandShown, settingsDialog, &SettingsDialog::showStatus);
    connect(boardSession, &BoardSession::commandShown, autoControlsWindow, &AutoControlsWindow::showStatus);
    connect(boardSession, &BoardSession::lineReceived, settingsDialog, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::lineReceived, settingsDialog, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::eventReceived, service, &BoardService::takeEvent);
    connect(eventListener, &EventListener::eventReceived, mainWindow, &MainWindow::showBoardEvent);
    connect(boardSession, &BoardSession::progressChanged, mainWindow, &MainWindow::showProgress);
    // The 10 ms tick of a wait runs only while the progress bar can be seen.
    boardSession->setProgressShown(false);
    connect(mainWindow, &MainWindow::shownChanged, boardSession, &BoardSession::setProgressShown);
    connect(boardSession, &BoardSession::exchangeStarted, mainWindow, &MainWindow::onExchangeStarted);
    connect(boardSession, &BoardSession::exchangeFinished, mainWindow, &MainWindow::onExchangeFinished);
    connect(service, &BoardService::started, mainWindow, &MainWindow::onRequestStarted);
    connect(service, &BoardService::replyFinished, mainWindow, &MainWindow::onReplyFinished);
    connect(workflow, &ControllerWorkflow::commandFinished, mainWindow, &MainWindow::showCommandResult);
    connect(workflow, &ControllerWorkflow::settingsHeld, this, [this](const QString &held) {
        mainWindow->showStatus(held);
        settingsDialog->showStatus(held);
        autoControlsWindow->showStatus(held);
    });
    // The selectors, the clock button and the automatic controls follow what is offered.
    connect(workflow, &ControllerWorkflow::automaticModesOffered, this,
            [this](bool available, bool clock, int brightness, int lighting) {
        mainWindow->offerAutomaticModes(available, clock);
        settingsDialog->offerAutomaticModes(available);
        autoControlsWindow->offerAutomaticModes(available);
        mainWindow->reselect(brightness, lighting);
        mainWindow->arrangeButtons();
    });
    connect(workflow, &ControllerWorkflow::storedLoaded, this, [this](bool complete) {
        settingsDialog->timerUsedGroup->setEnabled(true);
        if (complete)
            settingsDialog->enableControllerCommands(true, true);
    });
    // The port is not changed under a running exchange.
    connect(boardSession, &BoardSession::busyChanged, settingsDialog, &SettingsDialog::onBoardBusyChanged);
    connect(boardSession, &BoardSession::readStarted, mainWindow,
            [this] { mainWindow->showStatus(QStringLiteral("Reading")); });
}

void Program::connectWindows()
{
    // "Exit" takes the icon out of the notification area.
    connect(mainWindow, &MainWindow::exited, this, [this] {
        if (trayIcon) {
            trayIcon->hide();
            delete trayIcon;
            trayIcon = nullptr;
        }
    });

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
        mainWindow->pauseAutoLoad();
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
    // What the windows ask of the program: the start-up step, the error dialogs, the Settings
    // dialog for a missing data file.
    connect(mainWindow, &MainWindow::startUpRequested, this, &Program::runStartUpStep);
    connect(mainWindow, &MainWindow::noticeRequested, this, &Program::showNotice);
    connect(settingsDialog, &SettingsDialog::noticeRequested, this, &Program::showNotice);
    connect(mainWindow, &MainWindow::dataFileMissing, this, &Program::openSettingsModal);
    // While an upload's error dialog shows, the data file's changed content waits.
    uploadErrorShowing = [this] { return connectionErrorDialog->isVisible() || uploadErrorDialog->isVisible(); };
    connect(testPatternWindow, &TestPatternWindow::patternChosen, mainWindow, &MainWindow::showTestPattern);
    connect(testPatternWindow, &TestPatternWindow::restoreRequested, mainWindow, &MainWindow::endTestMode);
}

void Program::connectJournal()
{
    const JournalPlace place = journalPlace(settingsFilePath, dataFilePath);
    journalFilePath = place.file;
    journalRetentionDays = place.retentionDays;
    // After the windows' own handlers of a finished reply: the record is queued once "Sent OK" shows.
    journalRecorder = new JournalRecorder(this);
    journalRecorder->setFallbackSource(QStringLiteral("window"));
    journalRecorder->setPort([this] { return settings->program().port; });
    journalRecorder->attach(*service);
    // Told once per run of failures, after what the status bar says of the request.
    connect(journalRecorder, &JournalRecorder::failureNotice, mainWindow, [this] {
        const QString notice = journalRecorder->takeFailureNotice();
        const QString before = mainWindow->statusPanels->panelText(0);
        if (!notice.isEmpty())
            mainWindow->showStatus(before.isEmpty() ? notice : before + QStringLiteral("; ") + notice);
    });
    journalRecorder->open(journalFilePath);
    historyWindow->setJournalPath(journalFilePath);
    connect(mainWindow, &MainWindow::historyRequested, historyWindow, [this] {
        historyWindow->show();
        historyWindow->raise();
    });
    connect(historyWindow, &HistoryWindow::opening, mainWindow,
            [this] { historyWindow->move(mainWindow->width() + 20, mainWindow->y()); });
}

void Program::runStartUpStep()
{
    mainWindow->setWindowHeight(285);
    mainWindow->startUpTimer->stop();
    loadProgramSettings();
    if (!trayIcon) {
        trayIcon = new QSystemTrayIcon(QIcon(Pictures::trayIcon()), this);
        trayIcon->setObjectName(QStringLiteral("Tray_Icon"));
        trayIcon->setToolTip(QStringLiteral("Exchange_Tablo"));
        connect(trayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason r) { trayActivated(int(r)); });
        if (trayAvailable())
            trayIcon->show();
    }
    mainWindow->showAtStartUp();
    settingsDialog->showChosenPort();
    settingsDialog->reopenPort();

    mainWindow->storeFigures();
    service->figures().forgetLoadedContent();
    dataFileUploader->forget();
    settingsDialog->onProtocolPanelToggled();
    startingUp = false;
    mainWindow->applyAutoLoadInterval();
    // Old records go once the start-up is over, on the journal's own thread.
    if (journalRecorder)
        QTimer::singleShot(0, journalRecorder, [this] { journalRecorder->prune(journalRetentionDays); });
}

void Program::trayActivated(int reason)
{
    switch (QSystemTrayIcon::ActivationReason(reason)) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::Context:
    case QSystemTrayIcon::DoubleClick:
        mainWindow->restoreFromTray();
        break;
    default:
        break;
    }
}

void Program::openSettingsModal()
{
    if (!settingsDialog->isVisible())
        openModal(settingsDialog);
}

void Program::showNotice(Notice notice)
{
    QDialog *const dialogs[] = {connectionErrorDialog, uploadErrorDialog, readErrorDialog, dataFileMissingDialog};
    QDialog *dialog = dialogs[int(notice)];
    if (notice != Notice::DataFileMissing && dialog->isVisible())
        return;
    openModal(dialog);
}

void Program::loadProgramSettings()
{
    std::optional<ControllerWorkflow::Quiet> loading(std::in_place, *workflow, ControllerWorkflow::Quiet::Loading);
    mainWindow->move(20, 20);
    const ProgramSettings loaded = SettingsStore::loadProgram(settingsFilePath);
    settings->setProgram(loaded);

    // Every window shows what was loaded, whether it changed or not.
    settingsDialog->showProgramSettings(loaded);
    boardViewWindow->showProgramSettings(loaded);
    mainWindow->showProgramSettings(loaded);
    mainWindow->showSelectorControls();
    autoControlsWindow->showLightingControl();
    settingsDialog->onOneWayLinkToggled();
    mainWindow->showOneWay();
    mainWindow->applySlotBoxes();
    boardViewWindow->onBoardTypeChanged();
    mainWindow->loadDataFile();
    workflow->offerAutomaticModes();
    loading.reset();
    mainWindow->reformatAllFields();
}

