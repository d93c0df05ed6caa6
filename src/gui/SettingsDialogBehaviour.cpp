// The Settings dialog's behaviour: showing it, "Defaults", "Close", the timer and control
// mode, one-way connection, lighting and brightness control, the protocol panel, and the
// exchange's attempts and time-out.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QPushButton>
#include <QSpinBox>

#include "core/operations/ControllerWorkflow.h"
#include "core/settings/SettingsModel.h"
#include "core/text/Numbers.h"
#include "gui/App.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::showProgramSettings(const ProgramSettings &s)
{
    // Each control's handler runs, as for any change.
    autoLoadBox->setChecked(s.autoLoad);
    sendIfChangedBox->setChecked(s.sendIfChanged);
    checksumsBox->setChecked(s.checksums);
    lightingControlBox->setChecked(s.lightingControl);
    brightnessControlBox->setChecked(s.brightnessControl);
    oneWayLinkBox->setChecked(s.oneWay);
    fillCharGroup->setItemIndex(s.fillMode);
    digitsSpin->setValue(s.digits);
}

void SettingsDialog::onShown()
{
    emit opening();
    // Where the data file is, for whoever sets up the program that writes it.
    autoFunctionsBox->setToolTip(QDir::toNativeSeparators(QFileInfo(app.dataFilePath).absoluteFilePath()));

    // The exchange's numbers as the fields hold them (the interval in seconds, the time-out in
    // tenths of a second).
    const ProgramSettings s = app.settings->program();
    autoLoadIntervalSpin->setValue(roundHalfEven(s.autoLoadIntervalMs / 1000.0));
    sendIfChangedBox->setChecked(app.settings->program().sendIfChanged);
    autoLoadIntervalSpin->setEnabled(autoLoadBox->isChecked());
    secondsLabel->setEnabled(autoLoadBox->isChecked());
    attemptsSpin->setValue(s.attempts);
    timeoutSpin->setValue(roundHalfEven(s.timeoutMs / 100.0));

    // A failed schedule lookup ends the showing here (already reported).
    if (!app.workflow->switchAutomaticModes())
        return;
    refreshPortList();
}

void SettingsDialog::onDefaultsClicked()
{
    attemptsSpin->setValue(1);
    timeoutSpin->setValue(4);
    autoLoadIntervalSpin->setValue(5);
    autoLoadBox->setChecked(false);
    autoLoadIntervalSpin->setEnabled(false);
    secondsLabel->setEnabled(false);
    sendIfChangedBox->setChecked(false);
    oneWayLinkBox->setChecked(false);
    checksumsBox->setChecked(true);
    app.saveProgramSettings();
}

void SettingsDialog::onCloseClicked()
{
    app.settings->setAutoLoadInterval(autoLoadIntervalSpin->value() * 1000);
    app.settings->setSendIfChanged(sendIfChangedBox->isChecked());
    app.settings->setTimeout(timeoutSpin->value() * 100);
    app.settings->setAttempts(attemptsSpin->value());
    emit namesConfirmed();
    hide();
    app.saveProgramSettings();
}

void SettingsDialog::onTimerUsedChanged() { app.workflow->offerAutomaticModes(); }

void SettingsDialog::offerAutomaticModes(bool available) { timeQueryButton->setEnabled(available); }

void SettingsDialog::enableControllerCommands(bool timeQuery, bool modem)
{
    timeQueryButton->setEnabled(timeQuery);
    pcButton->setEnabled(modem);
    modemButton->setEnabled(modem);
}

void SettingsDialog::onControlledByChanged()
{
    if (!app.workflow->settling() && controlledByGroup->itemIndex() == 1) {
        pcButton->setEnabled(true);
        modemButton->setEnabled(true);
    }
    if (app.workflow->quiet() || controlledByGroup->itemIndex() < 0)
        return;
    app.workflow->offerAutomaticModes();
}

void SettingsDialog::onControllerParameterChanged()
{
    // Values put in by loading or reading back while the dialog is closed are not sent.
    if (isVisible())
        app.workflow->sendControllerSettings();
}

void SettingsDialog::onOneWayLinkToggled()
{
    app.settings->setOneWay(oneWayLinkBox->isChecked());
    if (oneWayLinkBox->isChecked()) {
        eventsGroup->setItemIndex(-1);
        eventsGroup->setEnabled(false);
    } else {
        eventsGroup->setEnabled(true);
    }
    app.saveProgramSettings();
}

void SettingsDialog::onLightingControlToggled()
{
    app.settings->setLightingControl(lightingControlBox->isChecked());
    app.saveProgramSettings();
}

void SettingsDialog::onBrightnessControlToggled()
{
    app.settings->setBrightnessControl(brightnessControlBox->isChecked());
    app.saveProgramSettings();
}

void SettingsDialog::onProtocolPanelToggled()
{
    const bool on = protocolPanelBox->isChecked();
    protocolPanel->resize(protocolPanel->width(), on ? 225 : 0);
    protocolPanel->setVisible(on);
    const int top = protocolPanel->y() + protocolPanel->height() + 5;
    closeButton->move(closeButton->x(), top);
    defaultsButton->move(defaultsButton->x(), top);
    setFixedSize(width(), top + closeButton->height() + statusBar->height() + 40);
    statusBar->setGeometry(0, height() - statusBar->height(), width(), statusBar->height());
}

void SettingsDialog::onAttemptsChanged()
{
    app.settings->setAttempts(attemptsSpin->value());
    app.saveProgramSettings();
}

void SettingsDialog::onTimeoutChanged()
{
    app.settings->setTimeout(timeoutSpin->value() * 100);
    app.saveProgramSettings();
}
