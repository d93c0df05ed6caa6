// The board simulator, driven over its pseudo-terminal like the program drives a board.
#include <QtTest>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray sumOf(const QByteArray &text)
{
    quint32 s = 0;
    for (char c : text)
        s += quint8(c);
    return QByteArray::number(s);
}

// A READ reply as the test expects it: the 32 fields, optionally with the byte sum.
QByteArray readLine(const QByteArrayList &fields, bool withSum, int sumOffset = 0)
{
    QByteArray line = "READ=";
    for (const QByteArray &f : fields)
        line += f + ',';
    if (withSum)
        line += ';' + QByteArray::number(sumOf(line).toUInt() + sumOffset) + ';';
    return line + "\r\n";
}

QByteArrayList defaults()
{
    return QByteArray("1.0000,1.0000,1.0000,1.0000,1.0000,1.0000,1.0000,1.0000,1.0000,1.0000,"
                      "21.5,3,1,3,1,0,420,1200,0,0,4,1,60,1140,0,0,0,1,0,0,0,0")
        .split(',');
}

QByteArrayList withFields(QByteArrayList f, const QList<QPair<int, QByteArray>> &changes)
{
    for (const auto &c : changes)
        f[c.first - 1] = c.second;
    return f;
}

QByteArray framed(const QByteArray &cmd, bool withSum)
{
    return cmd + ';' + (withSum ? sumOf(cmd) + ';' : QByteArray()) + "\r\n";
}

class Sim {
public:
    ~Sim()
    {
        if (fd >= 0)
            ::close(fd);
        proc.closeWriteChannel();
        if (!proc.waitForFinished(5000))
            proc.kill();
    }

    bool start(const QStringList &args)
    {
        proc.start(BOARD_SIM_PATH, QStringList{"--quit-on-eof"} + args);
        const QByteArray first = stdoutLine(5000);
        if (!first.startsWith("PORT "))
            return false;
        port = first.mid(5).trimmed();
        fd = ::open(port.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return false;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        return true;
    }

    QByteArray stdoutLine(int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!proc.canReadLine() && !deadline.hasExpired())
            proc.waitForReadyRead(50);
        return proc.canReadLine() ? proc.readLine().trimmed() : QByteArray();
    }

    // Sends a control command and returns the simulator's acknowledgement line.
    QByteArray control(const QByteArray &line)
    {
        proc.write(line + '\n');
        for (;;) {
            const QByteArray answer = stdoutLine(5000);
            if (answer.isEmpty() || answer.startsWith("CTL "))
                return answer;
        }
    }

    void send(const QByteArray &bytes) { QCOMPARE(::write(fd, bytes.constData(), bytes.size()), bytes.size()); }

    // Reads until `count` bytes came or the time ran out; `eof` tells whether the line hung up.
    QByteArray receive(int count, int timeoutMs, bool *eof = nullptr, int *reads = nullptr)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < count && clock.elapsed() < timeoutMs) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                if (eof)
                    *eof = true;
                break;
            }
            got.append(buf, int(n));
            if (reads)
                ++*reads;
        }
        return got;
    }

    QProcess proc;
    QByteArray port;
    int fd = -1;
};

} // namespace

class tst_board_sim : public QObject {
    Q_OBJECT
private slots:
    void exchange_data();
    void exchange();
    void controlChannel();
    void events_data();
    void events();
    void clock();
    void noise();
    void timing_data();
    void timing();
    void hangupAndReplug();
    void logs();
};

void tst_board_sim::exchange_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArrayList>("replies"); // exact bytes; empty: nothing may come

    const QByteArrayList d = defaults();
    QByteArrayList figures;
    for (int i = 0; i < 9; ++i)
        figures << QByteArray::number(i) + ".234" + QByteArray::number(i);
    figures << "  1.0 ";
    const QByteArray send = "SEND=" + figures.join(',') + ',';
    QByteArrayList afterSend = d;
    for (int i = 0; i < 10; ++i)
        afterSend[i] = figures[i];
    const QByteArray sets = "SETS=6,3,1,450,1200,251,0,-1,1,60,1140,0,0,1,1,5,0,1,1,";
    QByteArrayList afterSets = d.mid(0, 13) + sets.mid(5).chopped(1).split(',');

    QTest::newRow("send then read") << QStringList{}
        << QByteArrayList{framed(send, false), framed("READ=", false)}
        << QByteArrayList{"OK\r\n", readLine(afterSend, false)};
    QTest::newRow("checksum forms") << QStringList{}
        << QByteArrayList{"READ=;345;\r\n", framed(send, true), framed("READ=", false)}
        << QByteArrayList{readLine(d, true), "OK\r\n", readLine(afterSend, false)};
    QTest::newRow("wrong checksum") << QStringList{}
        << QByteArrayList{"READ=;346;\r\n", "READ=;34a;\r\n", "READ=;345\r\n", framed(send + "x", true)}
        << QByteArrayList{"ERROR\r\n", "ERROR\r\n", "ERROR\r\n", "ERROR\r\n"};
    QTest::newRow("checksums on") << QStringList{"--checksums", "on"}
        << QByteArrayList{framed("READ=", false), framed("READ=", true)}
        << QByteArrayList{"ERROR\r\n", readLine(d, true)};
    QTest::newRow("checksums off") << QStringList{"--checksums=off"}
        << QByteArrayList{framed("READ=", true), framed("READ=", false)}
        << QByteArrayList{"ERROR\r\n", readLine(d, false)};
    QTest::newRow("sets stored") << QStringList{}
        << QByteArrayList{framed(sets, true), framed("READ=", false)}
        << QByteArrayList{"OK\r\n", readLine(afterSets, false)};
    QTest::newRow("brightness and lighting") << QStringList{}
        << QByteArrayList{framed("BRIG=2", false), framed("LIGH=0", true), framed("READ=", false)}
        << QByteArrayList{"OK\r\n", "OK\r\n",
                          readLine(withFields(d, {{12, "2"}, {13, "0"}, {14, "2"}, {15, "0"}}), false)};
    QTest::newRow("modem commands") << QStringList{}
        << QByteArrayList{"PC\r\n", "MD\r\n", "PC;\r\n", "\r\n", "MD\r\n"}
        << QByteArrayList{"PC OK\r\n", "MD OK\r\n", "ERROR\r\n", "", "MD OK\r\n"};
    QTest::newRow("malformed commands") << QStringList{}
        << QByteArrayList{framed("SEND=1,2,3,4,5,6,7,8,9,", false), framed("SEND=1,2,3,4,5,6,7,8,9,a,", false),
                          framed("SEND=1,2,3,4,5,6,7,8,9,1234567,", false), framed("BRIG=7", false),
                          framed("SETS=1,2,", false), framed("TIME=31.02.24 10:00:00", false),
                          framed("FOO=", false), "\nREAD=;\r\n", framed("READ=", false)}
        << QByteArrayList{"ERROR\r\n", "ERROR\r\n", "ERROR\r\n", "ERROR\r\n", "ERROR\r\n",
                          "ERROR\r\n", "ERROR\r\n", "ERROR\r\n", readLine(d, false)};
    QTest::newRow("error first 2") << QStringList{"--error-first", "2"}
        << QByteArrayList{framed("READ=", false), framed("READ=", false), framed("READ=", false)}
        << QByteArrayList{"ERROR\r\n", "ERROR\r\n", readLine(d, false)};
    QTest::newRow("silent") << QStringList{"--silent", "--echo"}
        << QByteArrayList{framed("READ=", false), "PC\r\n"} << QByteArrayList{"", ""};
    QTest::newRow("echo") << QStringList{"--echo"}
        << QByteArrayList{"READ=;345;\r\n", "PC\r\n"}
        << QByteArrayList{"READ=;345;\r\n" + readLine(d, true), "PC\r\nPC OK\r\n"};
    QTest::newRow("fixed reply") << QStringList{"--reply", "OK "}
        << QByteArrayList{framed("READ=", false), "PC\r\n"} << QByteArrayList{"OK \r\n", "PC OK\r\n"};
    QTest::newRow("bad checksum") << QStringList{"--bad-checksum"}
        << QByteArrayList{framed("READ=", false)} << QByteArrayList{readLine(d, true, 1)};
    QTest::newRow("differ") << QStringList{"--differ"}
        << QByteArrayList{framed(send, false), framed("READ=", false)}
        << QByteArrayList{"OK\r\n", readLine(withFields(afterSend, {{1, "1.2340"}}), false)};
    QTest::newRow("malformed field") << QStringList{"--malformed"}
        << QByteArrayList{framed("READ=", false)} << QByteArrayList{readLine(withFields(d, {{12, "x"}}), false)};
    QTest::newRow("long line") << QStringList{"--long-line", "5"}
        << QByteArrayList{framed("LIGH=1", false)} << QByteArrayList{"#####OK\r\n"};
    QTest::newRow("read line to send") << QStringList{"--reply-read-to-send"}
        << QByteArrayList{framed(send, false)} << QByteArrayList{readLine(afterSend, false)};
    QTest::newRow("ok then silent") << QStringList{"--ok-then-silent"}
        << QByteArrayList{framed(send, false), framed("READ=", false)} << QByteArrayList{"OK\r\n", ""};
    QTest::newRow("state options") << QStringList{"--temp", "-0.25", "--bright", "0", "--light=0", "--field", "19=200"}
        << QByteArrayList{framed("READ=", false)}
        << QByteArrayList{readLine(withFields(d, {{11, "-0.25"}, {12, "0"}, {13, "0"}, {19, "200"}}), false)};
}

void tst_board_sim::exchange()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArrayList, replies);
    Sim sim;
    QVERIFY(sim.start(args));
    for (int i = 0; i < commands.size(); ++i) {
        sim.send(commands[i]);
        const int wait = replies[i].isEmpty() ? 400 : 5000;
        QCOMPARE(sim.receive(qMax<int>(1, replies[i].size()), wait), replies[i]);
    }
    QCOMPARE(sim.receive(1, 300), QByteArray()); // nothing more
}

void tst_board_sim::controlChannel()
{
    Sim sim;
    QVERIFY(sim.start({}));
    const QByteArray read = framed("READ=", false);
    QCOMPARE(sim.control("error-first 1"), QByteArray("CTL OK error-first 1"));
    sim.send(read);
    QCOMPARE(sim.receive(7, 5000), QByteArray("ERROR\r\n"));
    QCOMPARE(sim.control("silent"), QByteArray("CTL OK silent"));
    sim.send(read);
    QCOMPARE(sim.receive(1, 400), QByteArray());
    QCOMPARE(sim.control("silent off"), QByteArray("CTL OK silent off"));
    QCOMPARE(sim.control("reply OK\\s"), QByteArray("CTL OK reply OK\\s"));
    sim.send(read);
    QCOMPARE(sim.receive(5, 5000), QByteArray("OK \r\n"));
    QCOMPARE(sim.control("reply"), QByteArray("CTL OK reply"));
    QCOMPARE(sim.control("field 11=22.0"), QByteArray("CTL OK field 11=22.0"));
    QCOMPARE(sim.control("checksums on"), QByteArray("CTL OK checksums on"));
    sim.send(framed("READ=", true));
    const QByteArray expected = readLine(withFields(defaults(), {{11, "22.0"}}), true);
    QCOMPARE(sim.receive(expected.size(), 5000), expected);
    QCOMPARE(sim.control("send  +CCLK: x"), QByteArray("CTL OK send  +CCLK: x"));
    QCOMPARE(sim.receive(11, 5000), QByteArray(" +CCLK: x\r\n"));
    QCOMPARE(sim.control("raw O\\x4b\\r"), QByteArray("CTL OK raw O\\x4b\\r"));
    QCOMPARE(sim.receive(3, 5000), QByteArray("OK\r"));
    QCOMPARE(sim.control("status"), QByteArray("CTL OK status")); // after its STATUS line
    QCOMPARE(sim.control("bogus 1"), QByteArray("CTL ERROR unknown: bogus 1"));
    QCOMPARE(sim.control("baud x"), QByteArray("CTL ERROR bad number: baud x"));
    QCOMPARE(sim.control("link /tmp/x"), QByteArray("CTL ERROR start-up only: link /tmp/x"));
}

void tst_board_sim::events_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("before"); // a command sent first, answered "OK"
    QTest::addColumn<bool>("enable");       // then switch events on through the control channel
    QTest::addColumn<QByteArray>("event");

    const QByteArray plain = "EVENT 21.5,3,1";
    QTest::newRow("option") << QStringList{"--events"} << QByteArray() << false << plain + "\r\n";
    QTest::newRow("checksums on") << QStringList{"--checksums", "on"} << QByteArray() << true
                                  << plain + ';' + sumOf(plain) + ";\r\n";
    QTest::newRow("follows last command") << QStringList{} << framed("LIGH=0", true) << true
                                          << "EVENT 21.5,3,0;" + sumOf("EVENT 21.5,3,0") + ";\r\n";
    QTest::newRow("enabled by sets") << QStringList{}
        << framed("SETS=3,1,0,420,1200,0,0,4,1,60,1140,0,0,0,1,0,1,0,0,", false) << false << plain + "\r\n";
}

void tst_board_sim::events()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, before);
    QFETCH(bool, enable);
    QFETCH(QByteArray, event);
    Sim sim;
    QVERIFY(sim.start(args + QStringList{"--event-interval", "150"}));
    if (!before.isEmpty()) {
        sim.send(before);
        QCOMPARE(sim.receive(4, 5000), QByteArray("OK\r\n"));
    }
    if (enable)
        QCOMPARE(sim.control("events"), QByteArray("CTL OK events"));
    QCOMPARE(sim.receive(event.size() * 2, 5000), event + event);
    // Switching them off stops them.
    QCOMPARE(sim.control("events 0"), QByteArray("CTL OK events 0"));
    sim.receive(1000, 300);
    QCOMPARE(sim.receive(1, 500), QByteArray());
}

void tst_board_sim::clock()
{
    Sim sim;
    QVERIFY(sim.start({}));
    sim.send(framed("TIME=01.02.24 10:20:30", true));
    QCOMPARE(sim.receive(4, 5000), QByteArray("OK\r\n"));
    sim.send("TIME?\r\n");
    const QByteArray answer = sim.receive(24, 5000);
    QVERIFY2(answer.startsWith("TIME 01.02.24 10:20:3") && answer.endsWith("\r\n") && answer.size() == 24,
             answer.constData());
}

void tst_board_sim::noise()
{
    Sim sim;
    QVERIFY(sim.start({"--noise", "--noise-len", "40"}));
    for (int i = 0; i < 20; ++i) {
        sim.send("PC\r\n");
        const QByteArray got = sim.receive(49, 5000);
        QCOMPARE(got.size(), 49);
        QCOMPARE(got.indexOf("\r\n"), 40); // the noise never holds a CR LF pair
        QVERIFY(got.endsWith("\r\nPC OK\r\n"));
    }
}

void tst_board_sim::timing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("minMs"); // least time from sending to the last byte of the reply
    QTest::addColumn<int>("minReads");
    const int bytes = readLine(defaults(), false).size() + 8; // the reply, and the command's wire time
    QTest::newRow("paced 2400") << QStringList{"--pace", "--baud", "2400"} << bytes * 10 * 1000 / 2400 * 9 / 10 << 2;
    QTest::newRow("split") << QStringList{"--split", "--split-gap", "3"} << (bytes - 8) * 3 * 9 / 10 << 20;
}

void tst_board_sim::timing()
{
    QFETCH(QStringList, args);
    QFETCH(int, minMs);
    QFETCH(int, minReads);
    Sim sim;
    QVERIFY(sim.start(args));
    const QByteArray expected = readLine(defaults(), false);
    QElapsedTimer clock;
    clock.start();
    int reads = 0;
    sim.send(framed("READ=", false));
    QCOMPARE(sim.receive(expected.size(), 20000, nullptr, &reads), expected);
    QVERIFY2(clock.elapsed() >= minMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(reads >= minReads, qPrintable(QString::number(reads)));
}

void tst_board_sim::hangupAndReplug()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("port");
    Sim sim;
    QVERIFY(sim.start({"--hangup-after", "2", "--link", link}));
    QCOMPARE(QFile::symLinkTarget(link), QString::fromLocal8Bit(sim.port));
    sim.send("PC\r\n");
    QCOMPARE(sim.receive(7, 5000), QByteArray("PC OK\r\n"));
    sim.send(framed("READ=", false)); // answered, then the line drops
    bool eof = false;
    QCOMPARE(sim.receive(10000, 5000, &eof), readLine(defaults(), false));
    if (!eof)
        sim.receive(1, 3000, &eof);
    QVERIFY(eof);
    QCOMPARE(sim.stdoutLine(5000), QByteArray("HANGUP"));

    QCOMPARE(sim.control("replug"), QByteArray("CTL OK replug"));
    ::close(sim.fd);
    sim.fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(sim.fd >= 0);
    termios t{};
    tcgetattr(sim.fd, &t);
    cfmakeraw(&t);
    tcsetattr(sim.fd, TCSANOW, &t);
    sim.send("MD\r\n");
    QCOMPARE(sim.receive(7, 5000), QByteArray("MD OK\r\n"));
    QCOMPARE(sim.control("quit"), QByteArray("CTL OK quit"));
    QVERIFY(sim.proc.waitForFinished(5000));
    QVERIFY(!QFileInfo(link).isSymLink()); // removed on exit
}

void tst_board_sim::logs()
{
    QTemporaryDir dir;
    const QString raw = dir.filePath("rx.bin"), log = dir.filePath("rx.log");
    Sim sim;
    QVERIFY(sim.start({"--raw", raw, "--log", log}));
    const QByteArray first = "READ=;345;\r\n", second = QByteArray("x\ny\r\xff\\\0;\r\n", 10);
    sim.send(first);
    QVERIFY(!sim.receive(1000, 2000).isEmpty());
    sim.send(second);
    QCOMPARE(sim.receive(7, 5000), QByteArray("ERROR\r\n"));
    sim.send("AB");
    QTest::qWait(200);
    QCOMPARE(sim.control("quit"), QByteArray("CTL OK quit"));
    QVERIFY(sim.proc.waitForFinished(5000));

    QFile rawFile(raw), logFile(log);
    QVERIFY(rawFile.open(QIODevice::ReadOnly));
    QCOMPARE(rawFile.readAll(), first + second + "AB");
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    QCOMPARE(logFile.readAll(), QByteArray("READ=;345;\\r\\n\nx\\ny\\r\\xff\\\\\\x00;\\r\\n\nAB\n"));
}

QTEST_GUILESS_MAIN(tst_board_sim)
#include "tst_board_sim.moc"
