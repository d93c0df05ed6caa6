// The once-a-second tick of the main window: the clock label, and the lines the board sends
// on its own (events, modem answers), which are logged and applied to the status panels.
#include <QTime>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "core/board/EventListener.h"
#include "core/protocol/Protocol.h"
#include "core/settings/SettingsModel.h"

void MainWindow::onClockAndEventTick()
{
    clockLabel->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    // Until the link has no more bytes; a burst of lines is handled in one tick.
    app.eventListener->poll(app.settings->program().checksums);
}

void MainWindow::showBoardEvent(const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting)
{
    statusPanels->setPanelText(3, app.settings->controllerValue(ControllerField::TemperatureUsed) == 1 ? Protocol::temperaturePanelText(temperature)
                                                                            : QString());
    statusPanels->setPanelText(2, app.settings->program().lightingControl ? QStringLiteral("LIGH=") + QString::fromLatin1(lighting)
                                                                   : QString());
    // A level that is not 0..4 (or not a number) leaves the panel as it was.
    const QString level = Protocol::brightnessPanelText(brightness);
    if (!level.isEmpty())
        statusPanels->setPanelText(1, level);
}
