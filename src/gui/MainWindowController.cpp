// Commands that set the board's controller from the main window: brightness, lighting and clock.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/text/Numbers.h"

void MainWindow::sendSettingCommand(const QByteArray &command)
{
    applySettingResult(app.boardSession->sendSetting(command, exchangeOptions()));
}

void MainWindow::applySettingResult(const ExchangeResult &result)
{
    // Refused while another exchange runs: nothing was sent, nothing to keep or undo.
    if (result.outcome == ExchangeResult::Busy)
        return;
    if (result.outcome == ExchangeResult::Error) {
        statusPanels->setPanelText(0, QStringLiteral("Data error"));
        app.beep();
    }
    if (result.outcome == ExchangeResult::Timeout) {
        statusPanels->setPanelText(2, QString());
        statusPanels->setPanelText(1, QString());
        statusPanels->setPanelText(0, QStringLiteral("Connection error, setting was not made"));
        app.beep();
    }
    if (result.outcome == ExchangeResult::Ok) {
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
bool buildSelectorCommand(App &app, RadioGroup *group, int autoItem, RadioGroup *autoMode, const char *prefix,
                          QByteArray &command)
{
    if (app.loadingSettings || app.readBusy || app.settingsSendBusy || group->itemIndex() < 0)
        return false;
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
    command = QByteArray(prefix) + QByteArray::number(code);
    return true;
}

} // namespace

void MainWindow::onBrightnessChosen()
{
    QByteArray command;
    if (!buildSelectorCommand(app, brightnessGroup, 5, app.autoControlsWindow->brightnessModeGroup, "BRIG=", command))
        return;
    statusPanels->setPanelText(1, QString::fromLatin1(command));
    sendSettingCommand(command);
}

void MainWindow::onLightingChosen()
{
    QByteArray command;
    if (!buildSelectorCommand(app, lightingGroup, 2, app.autoControlsWindow->lightingModeGroup, "LIGH=", command))
        return;
    statusPanels->setPanelText(2, app.settingsDialog->lightingControlBox->isChecked() ? QString::fromLatin1(command) : QString());
    sendSettingCommand(command);
}

void MainWindow::onClockClicked()
{
    setCommandControlsEnabled(false);
    applySettingResult(app.boardSession->setClock(QDateTime::currentDateTime(), exchangeOptions()));
    setCommandControlsEnabled(true);
}
