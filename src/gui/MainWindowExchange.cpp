// The command exchange: frame the command, write it, wait for the reply lines, repeat after a
// time-out or "ERROR".
#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QScopedValueRollback>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/SerialPort.h"
#include "core/protocol/Protocol.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"

namespace {
// n / d rounded to the nearest integer, halves to even (d > 0, n >= 0).
int divRoundHalfEven(int n, int d)
{
    const int q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && (q % 2) != 0))
        return q + 1;
    return q;
}
} // namespace

void MainWindow::exchangeCommand()
{
    const QScopedValueRollback<bool> busy(app.exchangeBusy, true);   // no upload starts meanwhile
    clockAndEventTimer->stop();
    autoLoadTimer->stop();

    app.commandText = Protocol::frameCommand(app.commandText, app.settingsDialog->checksumsBox->isChecked());
    QByteArray shown = app.commandText;
    shown.chop(2);   // the status bars show the command without its CR LF

    int remaining = app.attempts;
    do {
        --remaining;
        app.attemptTimeoutMs = app.timeoutMs;
        app.replyOk = app.replyError = app.replyTimeout = app.replyRead = false;
        app.replyText.clear();
        app.lineAssembler.clearAll();
        progressBar->setValue(0);
        app.settingsDialog->statusBar->setPanelText(0, QString::fromLatin1(shown));
        app.autoControlsWindow->statusBar->setPanelText(0, QString::fromLatin1(shown));
        app.port->writeCommand(app.commandText);
        readReply();
        // A count below one (a settings file edited by hand) still sends the command once.
    } while ((app.replyTimeout || app.replyError) && remaining > 0);

    if (app.settingsDialog->autoLoadBox->isChecked())
        applyAutoLoadInterval();
    clockAndEventTimer->start();
}

void MainWindow::readReply()
{
    if (app.settingsDialog->oneWayLinkBox->isChecked()) {
        // One-way link: the board never answers.
        app.replyOk = true;
        return;
    }
    app.elapsedMs = 0;
    app.modemLineSeen = false;
    replyTimer->start();

    QByteArray sent = app.commandText;
    if (sent.endsWith("\r\n"))
        sent.chop(2);

    const auto done = [this] { return app.replyTimeout || app.replyOk || app.replyError || app.replyRead; };
    while (!done()) {
        char c;
        // Everything already buffered is taken first: readyRead is not signalled again for it.
        while (!done() && app.port->readBufferedByte(c)) {
            if (app.lineAssembler.feed(c) != Protocol::LineAssembler::Line)
                continue;   // no line yet, or an overlong line that was dropped whole
            const QByteArray line = app.lineAssembler.line();
            if (line != sent)
                app.replyText = line;   // the echo of the command is not a reply
            app.settingsDialog->logLine(line);
            if (app.replyText.startsWith("READ")) {
                app.replyRead = true;
                replyTimer->stop();
            }
            if (app.replyText.mid(1, 4) == "CCLK" || app.replyText.mid(3, 4) == "CMGL")
                app.modemLineSeen = true;
            if (app.replyText == "OK" && !app.modemLineSeen) {
                app.replyOk = true;
                replyTimer->stop();
            }
            if (app.replyText == "ERROR") {
                app.replyError = true;
                replyTimer->stop();
            }
        }
        if (done())
            break;
        // Sleeps until the next event: the port's bytes, the 10 ms tick, the operator's input.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    replyTimer->stop();
}

void MainWindow::onReplyTick()
{
    const int interval = replyTimer->interval();
    app.elapsedMs += interval;
    if (progressBar->value() < 850 && app.attemptTimeoutMs > 0) {
        const int step = 5 * divRoundHalfEven(interval * 1000, app.attemptTimeoutMs);
        progressBar->setValue(std::min(progressBar->value() + step, progressBar->maximum()));
    }
    if (app.elapsedMs > app.attemptTimeoutMs) {
        replyTimer->stop();
        app.replyTimeout = true;
    }
}
