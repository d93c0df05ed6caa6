// The Settings dialog's controller commands: the nineteen operating parameters ("SETS=") and
// the bare modem commands.
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "core/board/BoardSession.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"
#include "core/text/Numbers.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::sendControllerSettings()
{
    if (app.loadingSettings || app.readBusy || app.settingsSendBusy)
        return;
    app.settingsSendBusy = true;
    MainWindow *f1 = app.mainWindow;
    AutoControlsWindow *f13 = app.autoControlsWindow;

    ControllerConfig v;
    // Brightness and lighting first, before a group selected below can rebuild the selectors.
    v.brightness = f1->brightnessGroup->itemIndex();
    v.brightnessMode = f13->brightnessModeGroup->itemIndex();
    v.lighting = f1->lightingGroup->itemIndex();
    v.lightingMode = f13->lightingModeGroup->itemIndex();
    // A group with no selection gets its first item and sends 0. Selecting runs the group's
    // handler; its own send is dropped while settingsSendBusy is set.
    const auto chosen = [](RadioGroup *g) {
        if (g->itemIndex() < 0)
            g->setItemIndex(0);
        return g->itemIndex();
    };
    v.flash = chosen(flashGroup);
    v.morningTime = app.morningTime;
    v.eveningTime = app.eveningTime;
    v.morningCorrection = f13->morningCorrectionSpin->value();
    v.eveningCorrection = f13->eveningCorrectionSpin->value();
    v.dayLevel = f13->dayLevelBox->currentIndex();
    v.nightLevel = f13->nightLevelBox->currentIndex();
    v.offTime = app.offTime;
    v.onTime = app.onTime;
    v.offCorrection = f13->offCorrectionSpin->value();
    v.onCorrection = f13->onCorrectionSpin->value();
    v.timerUsed = chosen(timerUsedGroup);
    v.temperatureUsed = chosen(temperatureSensorGroup);
    v.section = chosen(clockSectionGroup);
    v.events = chosen(eventsGroup);
    v.inverse = chosen(inverseSignalsGroup);
    v.controlledBy = chosen(controlledByGroup);

    QString badText;
    const ExchangeResult result = app.boardSession->sendControllerConfig(v, f1->exchangeOptions(), &badText);
    if (result.outcome == ExchangeResult::NotSent) {
        // A stored time that is not "hh:mm..." is never sent as some other time.
        app.settingsSendBusy = false;
        app.showError(notValidIntegerMessage(badText));
        return;
    }
    f1->applySettingResult(result);
    // Saved whatever the outcome: after a failure this is what the reload put back.
    f1->saveControllerSettings();
    app.settingsSendBusy = false;
}

// The bare modem commands go to the port at once: no port selection, no frame, no checksum,
// no wait, also during another exchange's wait.
void SettingsDialog::onPcClicked() { app.boardSession->sendBare("PC"); }
void SettingsDialog::onModemClicked() { app.boardSession->sendBare("MD"); }
void SettingsDialog::onTimeQueryClicked() { app.boardSession->sendBare("TIME?"); }
