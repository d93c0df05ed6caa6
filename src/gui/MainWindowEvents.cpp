// The once-a-second tick of the main window: the clock label, and the lines the board sends
// on its own (events, modem answers), which are logged and applied to the status panels.
#include <QCheckBox>
#include <QCoreApplication>
#include <QTime>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/SerialPort.h"
#include "core/protocol/Protocol.h"
#include "gui/SettingsDialog.h"

void MainWindow::onClockAndEventTick()
{
    clockLabel->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    SettingsDialog *settings = app.settingsDialog;
    if (!settings || !app.port || settings->pauseProtocolBox->isChecked())
        return;

    // Until the driver has no more bytes; a burst of lines is handled in one tick.
    char byte;
    while (app.port->readByte(byte)) {
        const Protocol::LineAssembler::Result r = app.lineAssembler.feed(byte);
        if (r == Protocol::LineAssembler::None)
            continue;
        // A line overlong for the protocol is dropped whole; either way a new line begins.
        const QByteArray line = r == Protocol::LineAssembler::Line ? app.lineAssembler.line() : QByteArray();
        app.lineAssembler.clearAll();
        if (!line.isEmpty())
            settings->logLine(line);

        Protocol::EventValues ev;
        if (Protocol::parseEvent(line, settings->checksumsBox->isChecked(), ev)) {
            app.boardValues[11] = QString::fromLatin1(ev.temperature);
            app.boardValues[12] = QString::fromLatin1(ev.brightness);
            app.boardValues[13] = QString::fromLatin1(ev.lighting);
            statusPanels->setPanelText(3, settings->temperatureSensorGroup->itemIndex() == 1
                                              ? Protocol::temperaturePanelText(ev.temperature)
                                              : QString());
            statusPanels->setPanelText(2, settings->lightingControlBox->isChecked()
                                              ? QStringLiteral("LIGH=") + QString::fromLatin1(ev.lighting)
                                              : QString());
            // A level that is not 0..4 (or not a number) leaves the panel as it was.
            const QString brightness = Protocol::brightnessPanelText(ev.brightness);
            if (!brightness.isEmpty())
                statusPanels->setPanelText(1, brightness);
        }
        QCoreApplication::processEvents();
    }
}
