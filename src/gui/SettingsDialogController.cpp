// The Settings dialog's controller commands: the nineteen operating parameters ("SETS=") and
// the bare modem commands.
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/SerialPort.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"
#include "core/text/Numbers.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/widgets/RadioGroup.h"

void SettingsDialog::sendControllerSettings()
{
    if (app.loadingSettings || app.readBusy || app.settingsSendBusy)
        return;
    app.settingsSendBusy = true;
    MainWindow *mainWindow = app.mainWindow;
    AutoControlsWindow *autoControls = app.autoControlsWindow;

    ControllerConfig v;
    // Brightness and lighting first, before a group selected below can rebuild the selectors.
    v.brightness = mainWindow->brightnessGroup->itemIndex();
    v.brightnessMode = autoControls->brightnessModeGroup->itemIndex();
    v.lighting = mainWindow->lightingGroup->itemIndex();
    v.lightingMode = autoControls->lightingModeGroup->itemIndex();
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
    v.morningCorrection = autoControls->morningCorrectionSpin->value();
    v.eveningCorrection = autoControls->eveningCorrectionSpin->value();
    v.dayLevel = autoControls->dayLevelBox->currentIndex();
    v.nightLevel = autoControls->nightLevelBox->currentIndex();
    v.offTime = app.offTime;
    v.onTime = app.onTime;
    v.offCorrection = autoControls->offCorrectionSpin->value();
    v.onCorrection = autoControls->onCorrectionSpin->value();
    v.timerUsed = chosen(timerUsedGroup);
    v.temperatureUsed = chosen(temperatureSensorGroup);
    v.section = chosen(clockSectionGroup);
    v.events = chosen(eventsGroup);
    v.inverse = chosen(inverseSignalsGroup);
    v.controlledBy = chosen(controlledByGroup);

    std::array<int, 19> fields;
    QString badText;
    if (!setsFields(v, fields, &badText)) {
        // A stored time that is not "hh:mm..." is never sent as some other time.
        app.settingsSendBusy = false;
        app.showError(notValidIntegerMessage(badText));
        return;
    }
    app.commandText = Protocol::buildSetsCommand(fields);
    mainWindow->sendSettingCommand();
    // Saved whatever the outcome: after a failure this is what the reload put back.
    mainWindow->saveControllerSettings();
    app.settingsSendBusy = false;
}

namespace {

// The bare modem commands go to the port at once: no port selection, no frame, no checksum,
// no wait. During another exchange's wait the command buffer still belongs to that exchange
// (a retry resends it), so it is left alone then.
void writeBare(App &app, const QByteArray &command)
{
    const QByteArray bytes = command + "\r\n";
    if (!app.mainWindow->replyTimer->isActive())
        app.commandText = bytes;
    app.port->writeCommand(bytes);
}

} // namespace

void SettingsDialog::onPcClicked() { writeBare(app, "PC"); }
void SettingsDialog::onModemClicked() { writeBare(app, "MD"); }
void SettingsDialog::onTimeQueryClicked() { writeBare(app, "TIME?"); }
