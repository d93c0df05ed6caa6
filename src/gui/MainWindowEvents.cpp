// The once-a-second tick of the main window: the clock label, and the lines the board sends
// on its own (events, modem answers), which are logged and applied to the status panels.
#include <QCheckBox>
#include <QCoreApplication>
#include <QTime>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "core/link/QtSerialLink.h"
#include "core/protocol/Protocol.h"
#include "gui/SettingsDialog.h"

void MainWindow::onClockAndEventTick()
{
    clockLabel->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    SettingsDialog *f2 = app.Form2;
    if (!f2 || !app.serialLink || f2->pauseProtocolBox->isChecked())
        return;

    // Until the driver has no more bytes; a burst of lines is handled in one tick.
    char byte;
    while (app.serialLink->readByte(byte)) {
        const Protocol::LineAssembler::Result r = app.Line.feed(byte);
        if (r == Protocol::LineAssembler::None)
            continue;
        // A line overlong for the protocol is dropped whole; either way a new line begins.
        const QByteArray line = r == Protocol::LineAssembler::Line ? app.Line.line() : QByteArray();
        app.Line.clearAll();
        if (!line.isEmpty())
            f2->logLine(line);

        Protocol::EventValues ev;
        if (Protocol::parseEvent(line, f2->checksumsBox->isChecked(), ev)) {
            app.Board_Values[11] = QString::fromLatin1(ev.temperature);
            app.Board_Values[12] = QString::fromLatin1(ev.brightness);
            app.Board_Values[13] = QString::fromLatin1(ev.lighting);
            statusBar->setPanelText(3, f2->temperatureSensorGroup->itemIndex() == 1
                                            ? Protocol::temperaturePanelText(ev.temperature)
                                            : QString());
            statusBar->setPanelText(2, f2->lightingControlBox->isChecked()
                                            ? QStringLiteral("LIGH=") + QString::fromLatin1(ev.lighting)
                                            : QString());
            // A level that is not 0..4 (or not a number) leaves the panel as it was.
            const QString brightness = Protocol::brightnessPanelText(ev.brightness);
            if (!brightness.isEmpty())
                statusBar->setPanelText(1, brightness);
        }
        QCoreApplication::processEvents();
    }
}
