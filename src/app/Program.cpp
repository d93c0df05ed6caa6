#include "app/Program.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSystemTrayIcon>

#include "core/board/EventListener.h"
#include "core/operations/BoardOperations.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"
#include "gui/AutoControlsWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/ErrorDialogs.h"
#include "gui/HelpWindow.h"
#include "gui/MainWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"
#include "gui/widgets/Pictures.h"

Program::Program(const QString &folder, QObject *parent) : App(folder, parent) {}

Program::~Program()
{
    // Windows have no parent; they go with the program.
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
    connectBoardToWindows();
    connectWindows();
    // A changed data file goes up through the main window, which uploads what its fields hold.
    dataFileUploader->setUpload([this](const QStringList &, DataFileUploader::UploadDone done) {
        mainWindow->uploadFigures(std::move(done));
    });
    dataFileUploader->setExchangeRunning([this] { return mainWindow->exchangeRunning(); });
}

void Program::connectBoardToWindows()
{
    // Each attempt's command in status panel 0 of the Settings and Auto Controls windows.
    connect(boardSession, &BoardSession::commandShown, settingsDialog, &SettingsDialog::showStatus);
    connect(boardSession, &BoardSession::commandShown, autoControlsWindow, &AutoControlsWindow::showStatus);
    connect(boardSession, &BoardSession::lineReceived, settingsDialog, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::lineReceived, settingsDialog, &SettingsDialog::logLine);
    connect(eventListener, &EventListener::eventReceived, mainWindow, &MainWindow::showBoardEvent);
    connect(boardSession, &BoardSession::progressChanged, mainWindow, &MainWindow::showProgress);
    connect(boardSession, &BoardSession::exchangeStarted, mainWindow, &MainWindow::onExchangeStarted);
    connect(boardSession, &BoardSession::exchangeFinished, mainWindow, &MainWindow::onExchangeFinished);
    connect(operations, &BoardOperations::settingFinished, mainWindow,
            [this](BoardOperations::Kind kind, const QByteArray &command, const ExchangeResult &result) {
                if (kind == BoardOperations::Kind::ControllerSettings)
                    onControllerSettingsSent(result);
                else
                    mainWindow->onSettingFinished(kind, command, result);
            });
    connect(operations, &BoardOperations::operationStarted, mainWindow, &MainWindow::onOperationStarted);
    connect(operations, &BoardOperations::uploadFinished, mainWindow, &MainWindow::onUploadFinished);
    connect(operations, &BoardOperations::readFinished, mainWindow, &MainWindow::onReadFinished);
    connect(operations, &BoardOperations::controllerSettingsHeld, this, [this] { showControllerSettingsHeld(); });
    // A stored time that is not a time of day is never sent as some other time.
    connect(operations, &BoardOperations::controllerSettingsInvalid, this, &App::showError);
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
    connect(testPatternWindow, &TestPatternWindow::patternChosen, mainWindow, &MainWindow::showTestPattern);
    connect(testPatternWindow, &TestPatternWindow::restoreRequested, mainWindow, &MainWindow::endTestMode);
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
    operations->figures().forgetLoadedContent();
    dataFileUploader->forget();
    settingsDialog->onProtocolPanelToggled();
    startingUp = false;
    mainWindow->applyAutoLoadInterval();
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

void Program::runSettingsModal() { execModal(settingsDialog); }

void Program::showNotice(Notice notice)
{
    QDialog *const dialogs[] = {connectionErrorDialog, uploadErrorDialog, readErrorDialog, dataFileMissingDialog};
    QDialog *dialog = dialogs[int(notice)];
    if (notice == Notice::DataFileMissing || !dialog->isVisible())
        execModal(dialog);
}

bool Program::uploadErrorShowing() const
{
    return connectionErrorDialog->isVisible() || uploadErrorDialog->isVisible();
}

void Program::loadProgramSettings()
{
    loadingSettings = true;
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
    offerAutomaticModes();
    loadingSettings = false;
    mainWindow->reformatAllFields();
}

void Program::loadControllerSettings()
{
    const LookupOperation operation(*this);
    // Cleared on every way out, also when a schedule lookup ends the load early.
    loadingSettings = true;
    const auto loaded = qScopeGuard([this] { loadingSettings = false; });
    const ControllerConfig stored = SettingsStore::loadController(settingsFilePath);
    // What the board holds is no longer known; the stored times, corrections and levels are
    // what it was last sent.
    settings->forgetController(SettingsStore::hasStoredController(settingsFilePath));

    // The file keeps the selections for the record only: they become no selection.
    for (ControllerField f : {ControllerField::Lighting, ControllerField::BrightnessMode, ControllerField::Flash,
                              ControllerField::Brightness, ControllerField::LightingMode, ControllerField::Inverse,
                              ControllerField::Events, ControllerField::TimerUsed, ControllerField::TemperatureUsed,
                              ControllerField::Section, ControllerField::ControlledBy})
        settings->setControllerValue(f, -1);
    for (SwitchTime t : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
        settings->setSwitchTime(t, textOf(stored, t));

    // Each correction runs its group's mode switch; a failed schedule lookup ends the load.
    for (ControllerField f : {ControllerField::MorningCorrection, ControllerField::EveningCorrection,
                              ControllerField::OffCorrection, ControllerField::OnCorrection}) {
        settings->setControllerValue(f, valueOf(stored, f));
        if (operation.failed())
            return;
    }
    settings->setControllerValue(ControllerField::DayLevel, stored.dayLevel);
    settings->setControllerValue(ControllerField::NightLevel, stored.nightLevel);

    if (!autoControlsWindow->switchMode(false) || !autoControlsWindow->switchMode(true))
        return;
    settingsDialog->timerUsedGroup->setEnabled(true);
    offerAutomaticModes();
    if (operation.failed())
        return;
    settingsDialog->enableControllerCommands(true, true);
}

bool Program::switchAutomaticMode(bool brightness) { return autoControlsWindow->switchMode(brightness); }

void Program::offerAutomaticModes()
{
    // Automatic modes are available with the timer in use or when not controlled by the PC
    // (no selection counts as not the PC).
    const int timerUsed = settings->controllerValue(ControllerField::TimerUsed);
    const bool timerYes = timerUsed == 1;
    const bool available = timerYes || settings->controllerValue(ControllerField::ControlledBy) != 0;

    const bool wasLoading = loadingSettings;
    loadingSettings = true;   // no command while the selectors are rebuilt
    const int brightness = settings->controllerValue(ControllerField::Brightness);
    const int lighting = settings->controllerValue(ControllerField::Lighting);
    mainWindow->offerAutomaticModes(available, timerYes);
    settingsDialog->offerAutomaticModes(available);
    autoControlsWindow->offerAutomaticModes(available);
    mainWindow->reselect(brightness, lighting);
    loadingSettings = wasLoading;

    mainWindow->arrangeButtons();
    sendControllerSettings();
}

void Program::sendControllerSettings()
{
    if (loadingSettings)
        return;
    // A change made while the board is busy is sent as soon as it is free.
    if (boardBusy()) {
        sendControllerSettingsLater();
        return;
    }
    if (readRunning() || sendingSettings())
        return;
    // Never a made-up value over the board's configuration: the change waits in the windows
    // until the board has been read (or, on a one-way link, every value has been chosen).
    if (!settings->unknownSetsParts().isEmpty()) {
        showControllerSettingsHeld();
        return;
    }
    std::optional<WorkScope> settling(std::in_place, *this, Work::SendingSettings);

    // The windows show the selections the settling makes; their handlers' own sends are dropped
    // meanwhile.
    const ControllerConfig sent = settings->settleForSend();
    settling.reset();
    operations->requestControllerSettings(sent);
}

void Program::showControllerSettingsHeld()
{
    const QString held = settings->program().oneWay ? QStringLiteral("Settings not sent: choose each one first")
                                                    : QStringLiteral("Settings not sent: read the board first");
    mainWindow->showStatus(held);
    settingsDialog->showStatus(held);
    autoControlsWindow->showStatus(held);
}

void Program::onControllerSettingsSent(const ExchangeResult &result)
{
    // The reload after a failure and the save change selectors: their handlers send nothing.
    const WorkScope showing(*this, Work::SendingSettings);
    mainWindow->applySettingResult(result);
    // Saved whatever the outcome: after a failure this is what the reload put back.
    saveControllerSettings();
}
