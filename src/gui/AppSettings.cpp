// The settings file and the controller configuration across the windows: loading them into
// every window, saving them, the automatic modes the controller offers, and sending "SETS=".
#include "gui/App.h"

#include "core/protocol/Protocol.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"
#include "core/text/Numbers.h"
#include "gui/AutoControlsWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/MainWindow.h"
#include "gui/SettingsDialog.h"

namespace {
// Cleared on every way out of a scope.
struct LoadingFlag {
    bool &flag;
    explicit LoadingFlag(bool &f) : flag(f) { flag = true; }
    ~LoadingFlag() { flag = false; }
};
} // namespace

void App::loadProgramSettings()
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

void App::saveProgramSettings()
{
    if (loadingSettings || startingUp)
        return;
    QString error;
    if (!settings->saveProgram(&error))
        showError(error);
}

void App::saveControllerSettings()
{
    if (loadingSettings)
        return;
    // The section is never erased: other keys in it stay.
    QString error;
    if (!settings->saveController(&error))
        showError(error);
}

void App::loadControllerSettings()
{
    const LookupOperation operation(*this);
    const LoadingFlag loading(loadingSettings);
    const ControllerConfig stored = SettingsStore::loadController(settingsFilePath);

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

bool App::switchAutomaticMode(bool brightness) { return autoControlsWindow->switchMode(brightness); }

bool App::switchAutomaticModes() { return switchAutomaticMode(true) && switchAutomaticMode(false); }

void App::offerAutomaticModes()
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

void App::sendControllerSettings()
{
    if (loadingSettings || readBusy || settingsSendBusy)
        return;
    settingsSendBusy = true;

    // Brightness and lighting first, before a parameter selected below can rebuild the selectors.
    ControllerConfig sent = settings->controller();
    // A parameter with no selection gets its first item and sends 0. Its window shows that
    // selection, and the handler's own send is dropped while settingsSendBusy is set.
    for (ControllerField f : {ControllerField::Flash, ControllerField::TimerUsed, ControllerField::TemperatureUsed,
                              ControllerField::Section, ControllerField::Events, ControllerField::Inverse,
                              ControllerField::ControlledBy})
        if (settings->controllerValue(f) < 0)
            settings->setControllerValue(f, 0);
    const ControllerConfig now = settings->controller();
    for (ControllerField f : {ControllerField::Flash, ControllerField::TimerUsed, ControllerField::TemperatureUsed,
                              ControllerField::Section, ControllerField::Events, ControllerField::Inverse,
                              ControllerField::ControlledBy, ControllerField::MorningCorrection,
                              ControllerField::EveningCorrection, ControllerField::OffCorrection,
                              ControllerField::OnCorrection, ControllerField::DayLevel, ControllerField::NightLevel})
        valueOf(sent, f) = valueOf(now, f);

    QString badText;
    const ExchangeResult result = boardSession->sendControllerConfig(sent, exchangeOptions(), &badText);
    if (result.outcome == ExchangeResult::NotSent) {
        // A stored time that is not "hh:mm..." is never sent as some other time.
        settingsSendBusy = false;
        showError(notValidIntegerMessage(badText));
        return;
    }
    mainWindow->applySettingResult(result);
    // Saved whatever the outcome: after a failure this is what the reload put back.
    saveControllerSettings();
    settingsSendBusy = false;
}
