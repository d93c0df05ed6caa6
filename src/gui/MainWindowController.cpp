// Commands that set the board's controller from the main window: brightness, lighting and clock.
#include <QDateTime>
#include <algorithm>
#include <utility>
#include <QProgressBar>

#include "core/operations/BoardOperations.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

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

// Shared by the brightness and lighting selectors: the code of the selected item, folding in the
// automatic mode for the auto item; -1 when nothing is to be sent. A selection the program makes
// while it loads or applies a reading sends nothing; the operator's, while the board is busy,
// waits for it.
int selectorCode(App &app, ControllerField selector, int autoItem, ControllerField autoMode)
{
    SettingsModel *settings = app.settings;
    const bool programChange = app.loadingSettings || ((app.readRunning() || app.sendingSettings()) && !app.boardBusy());
    if (programChange || settings->controllerValue(selector) < 0)
        return -1;
    if (settings->controllerValue(selector) >= autoItem && settings->controllerValue(autoMode) < 0) {
        // Selecting "by schedule" runs that group's mode switch (and may send "SETS=").
        const LookupOperation operation(app);
        settings->choose(autoMode, 1);   // the operator's choice, made for them
        if (operation.failed())
            return -1;
    }
    const int index = settings->controllerValue(selector);
    const int mode = settings->controllerValue(autoMode);
    // A failed "SETS=" on the way reloads the controller settings and clears the selections:
    // then there is nothing left to send.
    if (index < 0 || (index >= autoItem && mode < 0))
        return -1;
    return index >= autoItem ? index + mode : index;
}

} // namespace

void MainWindow::onBrightnessChosen()
{
    const int code = selectorCode(app, ControllerField::Brightness, 5, ControllerField::BrightnessMode);
    if (code < 0)
        return;
    statusPanels->setPanelText(1, QString::fromLatin1(BoardOperations::brightnessCommand(code)));
    app.operations->requestBrightness(code);
}

void MainWindow::onLightingChosen()
{
    const int code = selectorCode(app, ControllerField::Lighting, 2, ControllerField::LightingMode);
    if (code < 0)
        return;
    statusPanels->setPanelText(2, app.settings->program().lightingControl
                                      ? QString::fromLatin1(BoardOperations::lightingCommand(code))
                                      : QString());
    app.operations->requestLighting(code);
}

void MainWindow::onClockClicked()
{
    setCommandControlsEnabled(false);
    app.operations->requestClock();
}

void MainWindow::onSettingFinished(BoardOperations::Kind kind, const QByteArray &command, const ExchangeResult &result)
{
    applySettingResult(result);
    if (kind == BoardOperations::Kind::Clock) {
        setCommandControlsEnabled(true);
        return;
    }
    // What the board took is what its selector shows, also after an earlier command failed and
    // cleared the selectors while this one waited.
    const bool lighting = kind == BoardOperations::Kind::Lighting;
    if (result.outcome != ExchangeResult::Ok || (!lighting && kind != BoardOperations::Kind::Brightness))
        return;
    const int code = BoardOperations::codeOf(command);
    const int autoItem = lighting ? 2 : 5;
    const ControllerField field = lighting ? ControllerField::Lighting : ControllerField::Brightness;
    const ControllerField mode = lighting ? ControllerField::LightingMode : ControllerField::BrightnessMode;
    const bool wasLoading = std::exchange(app.loadingSettings, true);
    app.settings->choose(field, std::min(code, autoItem));
    if (code >= autoItem)
        app.settings->choose(mode, code - autoItem);
    app.loadingSettings = wasLoading;
}
