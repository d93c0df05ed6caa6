// Commands that set the board's controller from the main window: brightness, lighting and clock.
#include <QDateTime>
#include <QProgressBar>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

void MainWindow::sendSettingCommand(const QByteArray &command)
{
    applySettingResult(app.boardSession->sendSetting(command, app.exchangeOptions()));
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
        app.saveProgramSettings();
    } else {
        // The windows must not claim a setting that did not reach the board.
        app.loadControllerSettings();
    }
}

namespace {

// Shared by the brightness and lighting selectors: "BRIG=" or "LIGH=" with the code of the
// selected item, folding in the automatic mode for the auto item. False when nothing is sent.
bool buildSelectorCommand(App &app, ControllerField selector, int autoItem, ControllerField autoMode,
                          const char *prefix, QByteArray &command)
{
    SettingsModel *settings = app.settings;
    if (app.loadingSettings || app.readBusy || app.settingsSendBusy || settings->controllerValue(selector) < 0)
        return false;
    if (settings->controllerValue(selector) >= autoItem && settings->controllerValue(autoMode) < 0) {
        // Selecting "by schedule" runs that group's mode switch (and may send "SETS=").
        const LookupOperation operation(app);
        settings->choose(autoMode, 1);   // the operator's choice, made for them
        if (operation.failed())
            return false;
    }
    const int index = settings->controllerValue(selector);
    const int mode = settings->controllerValue(autoMode);
    // A failed "SETS=" on the way reloads the controller settings and clears the selections:
    // then there is nothing left to send.
    if (index < 0 || (index >= autoItem && mode < 0))
        return false;
    const int code = index >= autoItem ? index + mode : index;
    command = QByteArray(prefix) + QByteArray::number(code);
    return true;
}

} // namespace

void MainWindow::onBrightnessChosen()
{
    // While the board is busy the choice waits and goes out after (the latest choice wins).
    if (!app.loadingSettings && app.boardBusy()) {
        app.remember(PendingRequests::Kind::Brightness, brightnessGroup->itemIndex());
        return;
    }
    QByteArray command;
    if (!buildSelectorCommand(app, ControllerField::Brightness, 5, ControllerField::BrightnessMode, "BRIG=", command))
        return;
    statusPanels->setPanelText(1, QString::fromLatin1(command));
    sendSettingCommand(command);
}

void MainWindow::onLightingChosen()
{
    if (!app.loadingSettings && app.boardBusy()) {
        app.remember(PendingRequests::Kind::Lighting, lightingGroup->itemIndex());
        return;
    }
    QByteArray command;
    if (!buildSelectorCommand(app, ControllerField::Lighting, 2, ControllerField::LightingMode, "LIGH=", command))
        return;
    statusPanels->setPanelText(2, app.settings->program().lightingControl ? QString::fromLatin1(command) : QString());
    sendSettingCommand(command);
}

void MainWindow::chooseSelectorItem(bool lighting, int index)
{
    RadioGroup *group = lighting ? lightingGroup : brightnessGroup;
    const ControllerField field = lighting ? ControllerField::Lighting : ControllerField::Brightness;
    // The item may have gone meanwhile (the automatic item is no longer offered).
    if (index < 0 || index >= group->count())
        return;
    app.settings->markKnown(field);
    if (group->itemIndex() != index)
        app.settings->setControllerValue(field, index);   // shown, which sends it
    else if (lighting)
        onLightingChosen();
    else
        onBrightnessChosen();
}

void MainWindow::onClockClicked()
{
    if (app.boardBusy()) {
        app.remember(PendingRequests::Kind::Clock);
        return;
    }
    setCommandControlsEnabled(false);
    applySettingResult(app.boardSession->setClock(QDateTime::currentDateTime(), app.exchangeOptions()));
    setCommandControlsEnabled(true);
}
