// Commands that set the board's controller from the main window: brightness, lighting and clock.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/SerialPort.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/text/Numbers.h"
#include "gui/widgets/RadioGroup.h"

// Sends the command text and keeps or undoes the setting by the board's answer.
void MainWindow::sendSettingCommand()
{
    app.settingsDialog->reopenPort();   // reopens the port
    exchangeCommand();
    if (app.replyError) {
        statusPanels->setPanelText(0, QStringLiteral("Data error"));
        app.beep();
    }
    if (app.replyTimeout) {
        statusPanels->setPanelText(2, QString());
        statusPanels->setPanelText(1, QString());
        statusPanels->setPanelText(0, QStringLiteral("Connection error, setting was not made"));
        app.beep();
    }
    if (app.replyOk) {
        progressBar->setValue(1000);
        saveSettings();
    } else {
        // The windows must not claim a setting that did not reach the board.
        loadControllerSettings();
    }
}

namespace {

// Shared by the brightness and lighting selectors: "BRIG=" or "LIGH=" with the code of the
// selected item, folding in the automatic mode for the auto item. False when nothing is sent.
bool buildSelectorCommand(App &app, RadioGroup *group, int autoItem, RadioGroup *autoMode, const char *prefix)
{
    if (app.loadingSettings || app.readBusy || app.settingsSendBusy || group->itemIndex() < 0)
        return false;
    app.commandText = prefix;
    if (group->itemIndex() >= autoItem && autoMode->itemIndex() < 0) {
        // Selecting "by schedule" runs that group's mode switch (and may send "SETS=").
        const LookupOperation operation(app);
        const int errors = app.autoControlsWindow->lookupErrors;
        autoMode->setItemIndex(1);
        if (app.autoControlsWindow->lookupErrors != errors)
            return false;
    }
    const int index = group->itemIndex();
    // A failed "SETS=" on the way reloads the controller settings and clears the selections:
    // then there is nothing left to send.
    if (index < 0 || (index >= autoItem && autoMode->itemIndex() < 0))
        return false;
    const int code = index >= autoItem ? index + autoMode->itemIndex() : index;
    app.commandText = QByteArray(prefix) + QByteArray::number(code);
    return true;
}

} // namespace

void MainWindow::onBrightnessChosen()
{
    if (!buildSelectorCommand(app, brightnessGroup, 5, app.autoControlsWindow->brightnessModeGroup, "BRIG="))
        return;
    statusPanels->setPanelText(1, QString::fromLatin1(app.commandText));
    sendSettingCommand();
}

void MainWindow::onLightingChosen()
{
    if (!buildSelectorCommand(app, lightingGroup, 2, app.autoControlsWindow->lightingModeGroup, "LIGH="))
        return;
    statusPanels->setPanelText(
        2, app.settingsDialog->lightingControlBox->isChecked() ? QString::fromLatin1(app.commandText) : QString());
    sendSettingCommand();
}

void MainWindow::onClockClicked()
{
    setCommandControlsEnabled(false);
    app.commandText = "TIME=" + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss")).toLatin1();
    sendSettingCommand();
    setCommandControlsEnabled(true);
}
