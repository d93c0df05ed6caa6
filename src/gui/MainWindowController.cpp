// Commands that set the board's controller from the main window: brightness, lighting and clock.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "core/link/QtSerialLink.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/text/Numbers.h"

// Sends Command_Text and keeps or undoes the setting by the board's answer.
void MainWindow::sendSettingCommand()
{
    app.Form2->reopenPort();   // reopens the port
    exchangeCommand();
    if (app.Reply_Error) {
        statusBar->setPanelText(0, QStringLiteral("Data error"));
        app.beep();
    }
    if (app.Reply_Timeout) {
        statusBar->setPanelText(2, QString());
        statusBar->setPanelText(1, QString());
        statusBar->setPanelText(0, QStringLiteral("Connection error, setting was not made"));
        app.beep();
    }
    if (app.Reply_OK) {
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
    if (app.Loading_Settings || app.Read_Busy || app.Settings_Send_Busy || group->itemIndex() < 0)
        return false;
    app.Command_Text = prefix;
    if (group->itemIndex() >= autoItem && autoMode->itemIndex() < 0) {
        // Selecting "by schedule" runs that group's mode switch (and may send "SETS=").
        const LookupOperation operation(app);
        const int errors = app.Form13->lookupErrors;
        autoMode->setItemIndex(1);
        if (app.Form13->lookupErrors != errors)
            return false;
    }
    const int index = group->itemIndex();
    // A failed "SETS=" on the way reloads the controller settings and clears the selections:
    // then there is nothing left to send.
    if (index < 0 || (index >= autoItem && autoMode->itemIndex() < 0))
        return false;
    const int code = index >= autoItem ? index + autoMode->itemIndex() : index;
    app.Command_Text = QByteArray(prefix) + QByteArray::number(code);
    return true;
}

} // namespace

void MainWindow::onBrightnessChosen()
{
    if (!buildSelectorCommand(app, brightnessGroup, 5, app.Form13->brightnessModeGroup, "BRIG="))
        return;
    statusBar->setPanelText(1, QString::fromLatin1(app.Command_Text));
    sendSettingCommand();
}

void MainWindow::onLightingChosen()
{
    if (!buildSelectorCommand(app, lightingGroup, 2, app.Form13->lightingModeGroup, "LIGH="))
        return;
    statusBar->setPanelText(2, app.Form2->lightingControlBox->isChecked() ? QString::fromLatin1(app.Command_Text) : QString());
    sendSettingCommand();
}

void MainWindow::onClockClicked()
{
    setCommandControlsEnabled(false);
    app.Command_Text = "TIME=" + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss")).toLatin1();
    sendSettingCommand();
    setCommandControlsEnabled(true);
}
