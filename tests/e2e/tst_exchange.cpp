// The command exchange against the board simulator over a real pty: framing on the wire,
// attempts, time-outs, the reply rules, the protocol log, and CPU use while waiting.
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include "BoardRig.h"
#include "core/link/QtSerialLink.h"
#include "gui/ErrorDialogs.h"

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// An exchange and how long it took.
struct Timed {
    ExchangeResult result;
    qint64 ms = 0;
    QString outcome() const
    {
        switch (result.outcome) {
        case ExchangeResult::Ok: return QStringLiteral("ok");
        case ExchangeResult::Error: return QStringLiteral("error");
        case ExchangeResult::Timeout: return QStringLiteral("timeout");
        case ExchangeResult::Read: return QStringLiteral("read");
        default: return QStringLiteral("other");
        }
    }
};

// Runs one exchange of `command` with the given attempts, time-out and checksums.
Timed timedExchange(BoardRig &rig, const QByteArray &command, int attempts, int timeoutMs, bool checksums = false)
{
    rig.settingsDialog()->checksumsBox->setChecked(checksums);
    rig.app().settings->setAttempts(attempts);
    rig.app().settings->setTimeout(timeoutMs);
    QElapsedTimer clock;
    clock.start();
    Timed timed;
    timed.result = exchangeAndWait(*rig.app().boardSession, command, exchangeOptionsOf(rig.app().settings->program()));
    timed.ms = clock.elapsed();
    return timed;
}

// A fresh program, not started, and a fresh simulator with `simOptions`; connect() joins them.
BoardRig::Options unstarted(const QStringList &simOptions)
{
    return {.sim = simOptions, .startUp = false};
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void exchange_data();
    void exchange();
    void oneWayLink();
    void staleInputIsDiscarded();
    void windowLivesDuringWait();
    void missingPortTimesOutEveryAttempt();
    void hangUpDuringWait();
    void silentWaitCpu();
    void errorDialogs_data();
    void errorDialogs();
};

void TestExchange::exchange_data()
{
    QTest::addColumn<QStringList>("simOptions");
    QTest::addColumn<bool>("checksums");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QByteArray>("wire");        // the framed command as it goes out
    QTest::addColumn<int>("writes");
    QTest::addColumn<QByteArray>("replyText");   // for "read": the beginning of it
    QTest::addColumn<QStringList>("log");

    // The exchange's rules are tables of the core's session tests; these rows check what only a
    // real line shows: timing, framing on the wire, line ends and overlong lines.

    const QByteArray brig = "BRIG=2;\r\n";
    QTest::newRow("silent board, two attempts")
        << QStringList{"--silent"} << false << 2 << QByteArray("BRIG=2") << "timeout" << brig << 2 << QByteArray()
        << QStringList();
    QTest::newRow("trailing CR LF in the buffer is dropped")
        << QStringList() << false << 1 << QByteArray("BRIG=2\r\n") << "ok" << brig << 1 << QByteArray("OK")
        << QStringList{"OK"};
    QTest::newRow("echo with checksums, then OK")
        << QStringList{"--echo", "--checksums", "on"} << true << 1 << QByteArray("BRIG=2") << "ok"
        << QByteArray("BRIG=2;403;\r\n") << 1 << QByteArray("OK") << QStringList{"BRIG=2;403;", "OK"};
    QTest::newRow("CCLK at the start is no modem line")
        << QStringList{"--reply", "CCLK\\r\\nOK"} << false << 1 << QByteArray("BRIG=2") << "ok" << brig << 1
        << QByteArray("OK") << QStringList{"CCLK", "OK"};
    QTest::newRow("OK followed by a blank is no reply")
        << QStringList{"--reply", "OK\\s"} << false << 1 << QByteArray("BRIG=2") << "timeout" << brig << 1
        << QByteArray("OK ") << QStringList{"OK "};
    QTest::newRow("ERROR followed by a blank is no reply")
        << QStringList{"--reply", "ERROR\\s"} << false << 2 << QByteArray("BRIG=2") << "timeout" << brig << 2
        << QByteArray("ERROR ") << QStringList{"ERROR ", "ERROR "};
    QTest::newRow("lone CR is dropped")
        << QStringList{"--reply", "O\\rK"} << false << 1 << QByteArray("BRIG=2") << "ok" << brig << 1
        << QByteArray("OK") << QStringList{"OK"};
    QTest::newRow("lone LF is dropped")
        << QStringList{"--reply", "\\nO\\nK"} << false << 1 << QByteArray("BRIG=2") << "ok" << brig << 1
        << QByteArray("OK") << QStringList{"OK"};
    QTest::newRow("LF CR is no line end")
        << QStringList{"--reply", "OK\\n\\rOK"} << false << 1 << QByteArray("BRIG=2") << "timeout" << brig << 1
        << QByteArray("OKOK") << QStringList{"OKOK"};
    QTest::newRow("READ= with checksums")
        << QStringList{"--checksums", "on"} << true << 1 << QByteArray("READ=") << "read"
        << QByteArray("READ=;345;\r\n") << 1 << QByteArray("READ=") << QStringList{"*"};
    QTest::newRow("overlong line is dropped whole")
        << QStringList{"--long-line", "5000"} << false << 1 << QByteArray("BRIG=2") << "timeout" << brig << 1
        << QByteArray() << QStringList();
    QTest::newRow("line after an overlong one counts")
        << QStringList{"--long-line", "5000", "--reply", "X\\r\\nOK"} << false << 1 << QByteArray("BRIG=2") << "ok"
        << brig << 1 << QByteArray("OK") << QStringList{"OK"};
    const QByteArray near = QByteArray(4094, '#') + "OK";
    QTest::newRow("long line within the bound")
        << QStringList{"--long-line", "4094"} << false << 1 << QByteArray("BRIG=2") << "timeout" << brig << 1
        << near << QStringList{QString::fromLatin1(near)};
    QTest::newRow("one character over the bound")
        << QStringList{"--long-line", "4095"} << false << 1 << QByteArray("BRIG=2") << "timeout" << brig << 1
        << QByteArray() << QStringList();
}

void TestExchange::exchange()
{
    QFETCH(QStringList, simOptions);
    QFETCH(bool, checksums);
    QFETCH(int, attempts);
    QFETCH(QByteArray, command);
    QFETCH(QString, outcome);
    QFETCH(QByteArray, wire);
    QFETCH(int, writes);
    QFETCH(QByteArray, replyText);
    QFETCH(QStringList, log);

    BoardRig rig(unstarted(simOptions));
    QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
    QVERIFY(rig.connect());
    const int timeoutMs = 400;
    const Timed done = timedExchange(rig, command, attempts, timeoutMs, checksums);

    QCOMPARE(done.outcome(), outcome);
    QVERIFY(rig.sim.waitForReceived(wire, writes));
    QTest::qWait(50);
    QCOMPARE(rig.sim.receivedCount(wire), writes);
    QCOMPARE(rig.sim.received(), wire.repeated(writes));   // nothing else went out

    if (outcome == "timeout") {
        // Each attempt lasts a little more than the time-out.
        QVERIFY2(done.ms >= qint64(timeoutMs) * writes, qPrintable(QString::number(done.ms)));
        QVERIFY2(done.ms < qint64(timeoutMs) * writes + 3000, qPrintable(QString::number(done.ms)));
    } else {
        QVERIFY2(done.ms < qint64(timeoutMs) * writes + 3000, qPrintable(QString::number(done.ms)));
    }
    if (outcome == "read")
        QVERIFY2(done.result.reply.startsWith(replyText), done.result.reply.constData());
    else
        QCOMPARE(done.result.reply, replyText);

    const QStringList got = rig.logLines();
    if (log == QStringList{"*"}) {
        QCOMPARE(got.size(), 1);
        QVERIFY(got[0].startsWith(QStringLiteral("READ=")));
    } else {
        QCOMPARE(got, log);
    }

    // The framed command is shown without its CR LF; the timers are as an exchange leaves them.
    const QString shown = QString::fromLatin1(wire.chopped(2));
    QCOMPARE(rig.settingsDialog()->statusBar->panelText(0), shown);
    QCOMPARE(rig.autoControlsWindow()->statusBar->panelText(0), shown);
    QVERIFY(!rig.app().boardSession->isBusy());
    QVERIFY(rig.mainWindow()->clockAndEventTimer->isActive());
    QVERIFY(!rig.mainWindow()->autoLoadTimer->isActive());   // automatic loading is off
}

void TestExchange::oneWayLink()
{
    BoardRig rig(unstarted({"--error-first", "10"}));
    QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
    QVERIFY(rig.connect());
    rig.settingsDialog()->oneWayLinkBox->setChecked(true);
    const Timed done = timedExchange(rig, "BRIG=1", 3, 10000);
    QCOMPARE(done.outcome(), QStringLiteral("ok"));
    QVERIFY2(done.ms < 5000, qPrintable(QString::number(done.ms)));   // no wait for a reply
    QVERIFY(rig.sim.waitForReceived("BRIG=1;\r\n"));
    QTest::qWait(200);
    QCOMPARE(rig.sim.received(), QByteArray("BRIG=1;\r\n"));   // written once, never repeated
}

void TestExchange::staleInputIsDiscarded()
{
    // An "OK" that came before the command (and sits in the port's buffer) must not end its wait.
    BoardRig rig(unstarted({"--silent"}));
    QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
    QVERIFY(rig.connect());
    rig.mainWindow()->clockAndEventTimer->stop();   // keep the event poller away from the bytes
    QVERIFY(rig.sim.control("send OK"));
    QTRY_VERIFY(rig.app().serialLink->port()->bytesAvailable() >= 4);
    const Timed done = timedExchange(rig, "BRIG=2", 1, 400);
    QCOMPARE(done.outcome(), QStringLiteral("timeout"));
    QCOMPARE(rig.logLines(), QStringList());
}

void TestExchange::windowLivesDuringWait()
{
    BoardRig rig(unstarted({"--silent"}));
    QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
    QVERIFY(rig.connect());
    MainWindow *window = rig.mainWindow();
    window->show();
    // Automatic loading on: the auto-load timer comes back afterwards.
    rig.settingsDialog()->autoLoadBox->setChecked(true);
    window->applyAutoLoadInterval();
    QVERIFY(window->autoLoadTimer->isActive());
    QPushButton button(QStringLiteral("Other"));
    button.show();
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });

    // In the middle of the wait: timers run, input is handled, the bar moves.
    bool seen = false;
    QElapsedTimer clock;
    QTimer::singleShot(150, [&] {
        seen = true;
        QVERIFY(rig.app().boardSession->isExchanging());
        QVERIFY(!window->clockAndEventTimer->isActive());
        QVERIFY(!window->autoLoadTimer->isActive());
        QVERIFY(window->progressBar->value() > 0);
        QCOMPARE(rig.settingsDialog()->statusBar->panelText(0), QStringLiteral("BRIG=3;"));
        const QPoint at = button.rect().center();
        QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonPress, at, button.mapToGlobal(at),
                                                             Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonRelease, at, button.mapToGlobal(at),
                                                             Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    });
    clock.start();
    const Timed done = timedExchange(rig, "BRIG=3", 1, 1000);
    QVERIFY(seen);
    QCOMPARE(clicks, 1);
    QCOMPARE(done.outcome(), QStringLiteral("timeout"));
    QVERIFY(window->clockAndEventTimer->isActive());
    QVERIFY(window->autoLoadTimer->isActive());
}

void TestExchange::missingPortTimesOutEveryAttempt()
{
    TestApp t;
    t.app->settingsDialog->portCombo->setEditText(QStringLiteral("/nonexistent/tablo-port"));
    t.app->settingsDialog->reopenPort();
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Failed);
    t.app->settings->setAttempts(2);
    t.app->settings->setTimeout(400);
    QElapsedTimer clock;
    clock.start();
    const ExchangeResult result = exchangeAndWait(*t.app->boardSession, "BRIG=2", exchangeOptionsOf(t.app->settings->program()));
    QCOMPARE(result.outcome, ExchangeResult::Timeout);
    QCOMPARE(result.attempts, 2);
    QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
}

void TestExchange::hangUpDuringWait()
{
    BoardRig rig(unstarted({"--silent"}));
    QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
    QVERIFY(rig.connect());
    QTimer::singleShot(300, [&] { rig.sim.post(QStringLiteral("hangup")); });
    const double cpu0 = cpuSeconds();
    const Timed done = timedExchange(rig, "BRIG=2", 1, 3000);
    const double cpuWait = cpuSeconds() - cpu0;
    QCOMPARE(done.outcome(), QStringLiteral("timeout"));
    QVERIFY2(done.ms >= 3000, qPrintable(QString::number(done.ms)));
    QCOMPARE(rig.app().serialLink->state(), SerialLink::State::Failed);
    QCOMPARE(rig.app().serialLink->errorCount(), 1);

    // Idle afterwards: no flood of errors keeps the process busy.
    const double cpu1 = cpuSeconds();
    QTest::qWait(1000);
    const double cpuIdle = cpuSeconds() - cpu1;
    qInfo("CPU during a 3 s wait with a hang-up: %.3f s; idle second after it: %.3f s", cpuWait, cpuIdle);
    // Bounds that only a busy loop breaks (the figures are printed above; a loaded CI machine
    // must not fail the test).
    QVERIFY2(cpuWait < 1.0, qPrintable(QString::number(cpuWait)));
    QVERIFY2(cpuIdle < 0.5, qPrintable(QString::number(cpuIdle)));

    // The next operation reopens the port; while it is gone, that fails (red box). (No test runs
    // beside this one, which could be given the freed pty number.)
    rig.settingsDialog()->reopenPort();
    QCOMPARE(rig.app().serialLink->state(), SerialLink::State::Failed);
}

void TestExchange::silentWaitCpu()
{
    BoardRig rig(unstarted({"--silent"}));
    QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
    QVERIFY(rig.connect());
    rig.mainWindow()->show();   // the progress bar repaints as it would for the operator
    QTest::qWait(300);      // the first paint (fonts loaded) is not part of the wait
    const double cpu0 = cpuSeconds();
    const Timed done = timedExchange(rig, "BRIG=2", 1, 10000);
    const double cpu = cpuSeconds() - cpu0;
    qInfo("CPU during a %lld ms wait on a silent board: %.3f s (user+sys)", done.ms, cpu);
    QCOMPARE(done.outcome(), QStringLiteral("timeout"));
    QVERIFY(done.ms >= 10000);
    // A busy wait would take about 10 s; polling every millisecond about 0.3 s.
    QVERIFY2(cpu < 2.0, qPrintable(QString::number(cpu)));
}

void TestExchange::errorDialogs_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("connection error") << 8
                                      << QStringList{"კავშირის შეცდომა", "ჩართეთ ტაბლო!!!",
                                                     "შეამოწმეთ კაბელი, USB გადამყვანი და პორტის ნომერი"};
    QTest::newRow("sending error") << 9 << QStringList{"მონაცემები გადაიცა შეცდომით"};
    QTest::newRow("reading error") << 10
                                   << QStringList{"ტაბლოში მონაცემები დარღვეულია",
                                                  "გთხოვთ განმეორებით გადაგზავნოთ მონაცემები"};
}

void TestExchange::errorDialogs()
{
    QFETCH(int, which);
    QFETCH(QStringList, texts);
    TestApp t;
    ErrorDialog *d = which == 8 ? static_cast<ErrorDialog *>(t.app->connectionErrorDialog)
                   : which == 9 ? static_cast<ErrorDialog *>(t.app->uploadErrorDialog)
                                : static_cast<ErrorDialog *>(t.app->readErrorDialog);
    QCOMPARE(d->windowTitle(), QStringLiteral("Error"));
    QCOMPARE(d->size(), QSize(392, 116));
    QVERIFY(d->isModal());
    QStringList shown;
    for (QLabel *l : d->lineLabels)
        shown << l->text();
    QCOMPARE(shown, texts);
    for (QLabel *l : d->lineLabels) {
        // Every text fits on the dialog.
        QVERIFY(l->geometry().bottom() < d->okButton->geometry().top());
        QVERIFY(l->fontMetrics().horizontalAdvance(l->text()) <= l->width());
    }
    QCOMPARE(d->okButton->text(), QStringLiteral("Ok"));
    d->show();
    QVERIFY(d->isVisible());
    QTest::mouseClick(d->okButton, Qt::LeftButton);
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestExchange)
#include "tst_exchange.moc"
