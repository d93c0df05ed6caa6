// Commands that set the board's controller from the main window: brightness, lighting and clock,
// and what their outcome shows.
#include <QProgressBar>

#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

void MainWindow::showCommandResult(BoardReply *reply)
{
    const ExchangeResult &result = reply->exchange();
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
        // A failure of an earlier command no longer describes the board.
        const QString shown = statusPanels->panelText(0);
        if (shown == QLatin1String("Data error") || shown == QLatin1String("Connection error, setting was not made"))
            statusPanels->setPanelText(0, QString());
    }
}

void MainWindow::onBrightnessChosen() { app.workflow->chooseBrightness(); }

void MainWindow::onLightingChosen() { app.workflow->chooseLighting(); }

void MainWindow::onClockClicked()
{
    setCommandControlsEnabled(false);
    app.workflow->setClock();
}
