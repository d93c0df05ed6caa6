// The command exchange: frame the command, write it, wait for the reply lines, repeat after a
// time-out or "ERROR".
#include <QCheckBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QScopedValueRollback>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "core/link/QtSerialLink.h"
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
    const QScopedValueRollback<bool> busy(app.Exchange_Busy, true);   // no upload starts meanwhile
    clockAndEventTimer->stop();
    autoLoadTimer->stop();

    app.Command_Text = Protocol::frameCommand(app.Command_Text, app.Form2->checksumsBox->isChecked());
    QByteArray shown = app.Command_Text;
    shown.chop(2);   // the status bars show the command without its CR LF

    int remaining = app.Attempts;
    do {
        --remaining;
        app.Attempt_Timeout_Ms = app.Timeout_Ms;
        app.Reply_OK = app.Reply_Error = app.Reply_Timeout = app.Reply_Read = false;
        app.Reply_Text.clear();
        app.Line.clearAll();
        progressBar->setValue(0);
        app.Form2->statusBar->setPanelText(0, QString::fromLatin1(shown));
        app.Form13->statusBar->setPanelText(0, QString::fromLatin1(shown));
        app.serialLink->write(app.Command_Text);
        readReply();
        // A count below one (a settings file edited by hand) still sends the command once.
    } while ((app.Reply_Timeout || app.Reply_Error) && remaining > 0);

    if (app.Form2->autoLoadBox->isChecked())
        applyAutoLoadInterval();
    clockAndEventTimer->start();
}

void MainWindow::readReply()
{
    if (app.Form2->oneWayLinkBox->isChecked()) {
        // One-way link: the board never answers.
        app.Reply_OK = true;
        return;
    }
    app.Elapsed_Ms = 0;
    app.Modem_Line_Seen = false;
    replyTimer->start();

    QByteArray sent = app.Command_Text;
    if (sent.endsWith("\r\n"))
        sent.chop(2);

    const auto done = [this] { return app.Reply_Timeout || app.Reply_OK || app.Reply_Error || app.Reply_Read; };
    while (!done()) {
        char c;
        // Everything already buffered is taken first: readyRead is not signalled again for it.
        while (!done() && app.serialLink->readBufferedByte(c)) {
            if (app.Line.feed(c) != Protocol::LineAssembler::Line)
                continue;   // no line yet, or an overlong line that was dropped whole
            const QByteArray line = app.Line.line();
            if (line != sent)
                app.Reply_Text = line;   // the echo of the command is not a reply
            app.Form2->logLine(line);
            if (app.Reply_Text.startsWith("READ")) {
                app.Reply_Read = true;
                replyTimer->stop();
            }
            if (app.Reply_Text.mid(1, 4) == "CCLK" || app.Reply_Text.mid(3, 4) == "CMGL")
                app.Modem_Line_Seen = true;
            if (app.Reply_Text == "OK" && !app.Modem_Line_Seen) {
                app.Reply_OK = true;
                replyTimer->stop();
            }
            if (app.Reply_Text == "ERROR") {
                app.Reply_Error = true;
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
    app.Elapsed_Ms += interval;
    if (progressBar->value() < 850 && app.Attempt_Timeout_Ms > 0) {
        const int step = 5 * divRoundHalfEven(interval * 1000, app.Attempt_Timeout_Ms);
        progressBar->setValue(std::min(progressBar->value() + step, progressBar->maximum()));
    }
    if (app.Elapsed_Ms > app.Attempt_Timeout_Ms) {
        replyTimer->stop();
        app.Reply_Timeout = true;
    }
}
