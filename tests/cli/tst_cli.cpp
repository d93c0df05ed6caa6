// tablo-cli end to end: the built program against the board simulator on a pty.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include "Sim.h"

namespace {

struct Run {
    int code = -1;
    QByteArray out, err;
};

// A settings file for quick failures: one attempt, the shortest time-out, checksums off so the
// expected bytes stay readable; `extra` adds or overrides keys ("Section/Key=value").
QString writeSettings(const QTemporaryDir &dir, const QString &port, const QStringList &extra = {})
{
    QMap<QString, QStringList> sections;
    sections["Settings"] << "Port_Number=" + port << "Attempts=1" << "Timeout_for_command=400"
                         << "Manage_Checksumms=0" << "Auto_Load_Intvl=1000";
    for (const QString &e : extra) {
        QStringList &keys = sections[e.section('/', 0, 0)];
        keys.removeIf([&](const QString &k) { return k.section('=', 0, 0) == e.section('/', 1).section('=', 0, 0); });
        keys << e.section('/', 1);
    }
    QByteArray text;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        text += "[" + it.key().toLatin1() + "]\r\n" + it.value().join("\r\n").toLatin1() + "\r\n";
    const QString path = dir.filePath("Quorvanel_tablo.ini");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path + ".new");
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(content), content.size());
    f.close();
    QFile::remove(path);
    QVERIFY(QFile::rename(path + ".new", path));   // another program replaces the file
}

Run cli(const QStringList &args)
{
    QProcess p;
    p.start(TABLO_CLI_PATH, args);
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void uploadOutcome_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QByteArray>("file");   // the data file to upload; null: ten figures instead
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("verified") << QStringList() << QByteArray() << 0 << QByteArray("Sent OK\n");
        QTest::newRow("read-back differs") << QStringList{"--differ"} << QByteArray() << 2 << QByteArray("Data error\n");
        QTest::newRow("board answers ERROR") << QStringList{"--error-first", "1"} << QByteArray() << 2 << QByteArray("Data error\n");
        QTest::newRow("board silent") << QStringList{"--silent"} << QByteArray() << 3 << QByteArray("Connection error\n");
        QTest::newRow("empty data file") << QStringList() << QByteArray("") << 2 << QByteArray("Data error\n");
    }
    void uploadOutcome()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QByteArray, file);
        Sim sim(simOptions);
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        writeFile(dir.filePath("data.tbl"), file);
        const Run r = cli(QStringList{"upload", "--settings", writeSettings(dir, sim.port())}
                          + (file.isNull() ? QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}
                                           : QStringList{"--file", dir.filePath("data.tbl")}));
        QTEST(r.code, "code");
        QTEST(r.out, "out");
        QCOMPARE(r.err.isEmpty(), r.code == 0);   // a failure says why on stderr
    }

    // What the board receives: the figures formatted as the window formats them.
    void uploadBytes_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("figures");   // empty: from the data file
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("4 digits, blank fill, row 2 hidden")
            << QStringList{"Tablo/Digits=4", "Tablo/Fill_char=1", "Tablo/2st_Currency=0"}
            << QStringList{"1.5", "12", "7", "8", "123456", "x1", "", "0.25", "9", "10"}
            << QByteArray("SEND=1.5   ,12   ,     ,     ,1234 ,1    ,     ,0.25  ,     ,     ,;\r\n");
        QTest::newRow("price board, 3 digits, zero fill, slot 2 hidden, row 5 shown")
            << QStringList{"Tablo/Board_type=1", "Tablo/Digits=3", "Tablo/1a_st_Currency=0", "Tablo/5st_Currency=1",
                           "Tablo/5a_st_Currency=1"}
            << QStringList{"1", "2", "3.14159", "4", "5", "6", "7", "8", "9", ".5"}
            << QByteArray("SEND=10000,00000,3.1400,40000,50000,60000,70000,80000,90000,50000,;\r\n");
        QTest::newRow("data file, 5 digits, checksums")
            << QStringList{"Settings/Manage_Checksumms=1"} << QStringList()
            << QByteArray("SEND=1.2500,00000,00000,00000,00000,00000,00000,00000,00000,00000,;3253;\r\n");
    }
    void uploadBytes()
    {
        QFETCH(QStringList, settings);
        QFETCH(QStringList, figures);
        QFETCH(QByteArray, sent);
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        writeFile(dir.filePath("data.tbl"), "1.25\r\n");
        QStringList args{"upload", "--settings", writeSettings(dir, sim.port(), settings), "--log", dir.filePath("log")};
        args += figures.isEmpty() ? QStringList{"--file", dir.filePath("data.tbl")} : figures;
        const Run r = cli(args);
        QCOMPARE(r.out, QByteArray("Sent OK\n"));
        const QByteArray read = settings.contains("Settings/Manage_Checksumms=1") ? "READ=;345;\r\n" : "READ=;\r\n";
        QCOMPARE(sim.received(), sent + read);
        // The log has one line per line on the wire: the framed command, then the board's lines.
        QFile log(dir.filePath("log"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), 5);
        QVERIFY2(lines[0].endsWith(" > " + sent.chopped(2)), lines[0]);
        QVERIFY2(lines[1].endsWith(" < OK"), lines[1]);
        QVERIFY2(lines[3].contains(" < READ="), lines[3]);
    }

    void controllerCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("brightness 50") << QStringList{"brightness", "50"} << QStringList() << QByteArray("BRIG=2;\r\n");
        QTest::newRow("brightness auto, no stored mode: by schedule")
            << QStringList{"brightness", "auto"} << QStringList() << QByteArray("BRIG=6;\r\n");
        QTest::newRow("brightness auto by time")
            << QStringList{"brightness", "auto"} << QStringList{"Controller/Shedule_Brightness=0"} << QByteArray("BRIG=5;\r\n");
        QTest::newRow("lighting auto by time")
            << QStringList{"lighting", "auto"} << QStringList{"Controller/Shedule_Backlight=0"} << QByteArray("LIGH=2;\r\n");
        QTest::newRow("lighting on") << QStringList{"lighting", "on"} << QStringList() << QByteArray("LIGH=1;\r\n");
        QTest::newRow("clock") << QStringList{"clock", "29.02.24 23:05:09"} << QStringList()
                               << QByteArray("TIME=29.02.24 23:05:09;\r\n");
    }
    void controllerCommand()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, settings);
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const Run r = cli(args + QStringList{"--settings", writeSettings(dir, sim.port(), settings)});
        QCOMPARE(r.out, QByteArray("OK\n"));
        QCOMPARE(r.code, 0);
        QTEST(sim.received(), "sent");
    }

    // What the board reports, by name; the fields come from the simulator's options.
    void readJson_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("temperature") << QStringList{"--temp", "18.5"} << "temperature" << QVariant(18.5);
        QTest::newRow("brightness level") << QStringList{"--bright", "2"} << "brightness" << QVariant(2);
        QTest::newRow("lighting state") << QStringList{"--light", "0"} << "lighting" << QVariant(0);
        QTest::newRow("auto by schedule") << QStringList{"--field", "14=6"} << "brightness_auto_mode" << QVariant("by schedule");
        QTest::newRow("negative correction") << QStringList{"--field", "19=200"} << "morning_correction" << QVariant(-56);
        QTest::newRow("positive correction") << QStringList{"--field", "26=127"} << "lighting_on_correction" << QVariant(127);
        QTest::newRow("time") << QStringList{"--field", "23=545"} << "lighting_off_time" << QVariant("09:05:00");
        QTest::newRow("night level") << QStringList{"--field", "22=3"} << "night_brightness" << QVariant(3);
        QTest::newRow("controlled by") << QStringList{"--field", "32=1"} << "controlled_by" << QVariant(1);
        QTest::newRow("figure 10") << QStringList{"--field", "10=1.25"} << "figures" << QVariant("1.25");
    }
    void readJson()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        Sim sim(simOptions);
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const Run r = cli({"read", "--json", "--settings", writeSettings(dir, sim.port())});
        QCOMPARE(r.code, 0);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
        QVariant got = o.value(key).toVariant();
        if (key == "figures")
            got = got.toStringList().value(9);
        QCOMPARE(got, value);
    }

    void readFailure_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("silent") << QStringList{"--silent"} << 3 << QByteArray("Connection error\n");
        QTest::newRow("malformed") << QStringList{"--malformed"} << 2 << QByteArray("Data error\n");
    }
    void readFailure()
    {
        QFETCH(QStringList, simOptions);
        Sim sim(simOptions);
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const Run r = cli({"read", "--settings", writeSettings(dir, sim.port())});
        QTEST(r.code, "code");
        QTEST(r.out, "out");
        QVERIFY(!r.err.isEmpty());
    }

    // An unreadable settings file gives the defaults (checksums on, 5 digits), with a warning.
    void missingSettings()
    {
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const Run r = cli({"upload", "--settings", dir.filePath("none.ini"), "--port", sim.port(), "1", "2", "3",
                           "4", "5", "6", "7", "8", "9", "10"});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.startsWith("tablo-cli: warning: cannot read the settings file"), r.err);
        QVERIFY(sim.received().startsWith("SEND=10000,20000,30000,40000,50000,60000,70000,80000,00000,00000,;"));
        QVERIFY(sim.received().endsWith("\r\nREAD=;345;\r\n"));
    }

    // Another program holds the port: nothing reaches the board.
    void busyPort()
    {
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QSerialPort holder(sim.port());
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QTemporaryDir dir;
        const Run r = cli({"read", "--settings", writeSettings(dir, sim.port())});
        QCOMPARE(r.code, 4);
        const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
        QVERIFY2(r.out.contains("in use by another program (pid " + pid), r.out);
        QCOMPARE(r.out.count('\n'), 1);
        QCOMPARE(sim.received(), QByteArray());
    }

    void badArgument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown command") << QStringList{"frobnicate"};
        QTest::newRow("nine figures") << QStringList{"upload", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
        QTest::newRow("brightness word") << QStringList{"brightness", "33"};
        QTest::newRow("no such date") << QStringList{"clock", "30.02.24 10:00:00"};
        QTest::newRow("attempts") << QStringList{"read", "--attempts", "11"};
        QTest::newRow("unknown option") << QStringList{"read", "--colour"};
    }
    void badArgument()
    {
        QFETCH(QStringList, args);
        const Run r = cli(args);
        QCOMPARE(r.code, 64);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err.count('\n'), 1);
    }

    // Two changes of the data file reach the board one after the other; SIGTERM ends the watch.
    void watchUploadsChanges()
    {
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const QString data = dir.filePath("data.tbl");
        writeFile(data, "1.0000\r\n");
        QProcess watch;
        watch.start(TABLO_CLI_PATH, {"watch", "--settings", writeSettings(dir, sim.port()), "--file", data});
        const QByteArray rest = QByteArray("00000,").repeated(9) + ";\r\n";
        QVERIFY(sim.waitForReceived("SEND=1.0000," + rest));   // the file as it stands
        for (const QByteArray figure : {"2.0000", "3.0000"}) {
            writeFile(data, figure + "\r\n");
            QVERIFY(sim.waitForReceived("SEND=" + figure + "," + rest, 1, 10000));
        }
        ::kill(pid_t(watch.processId()), SIGTERM);
        QVERIFY(watch.waitForFinished(5000));
        QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
        QCOMPARE(watch.exitCode(), 0);
        const QByteArray out = watch.readAllStandardOutput();
        QCOMPARE(out.count(" Sent OK ["), 3);
        QVERIFY2(out.contains(" Sent OK [3.0000,00000,"), out);
        QCOMPARE(sim.receivedCount("SEND="), 3);
    }

    // A stop during an upload lets the exchange finish and report before the watch ends.
    void watchFinishesExchangeOnStop()
    {
        Sim sim({"--silent"});
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        writeFile(dir.filePath("data.tbl"), "1.0000\r\n");
        QProcess watch;
        watch.start(TABLO_CLI_PATH, {"watch", "--settings", writeSettings(dir, sim.port()), "--file",
                                     dir.filePath("data.tbl"), "--timeout-ms", "3000"});
        QVERIFY(sim.waitForReceived("SEND="));
        ::kill(pid_t(watch.processId()), SIGTERM);
        QVERIFY(watch.waitForFinished(10000));
        QCOMPARE(watch.exitCode(), 0);
        const QList<QByteArray> lines = watch.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 3);   // watching, the upload's outcome, stopped
        QVERIFY2(lines[1].contains(" Connection error [1.0000,"), lines[1]);
        QVERIFY2(lines[2].endsWith(" Stopped"), lines[2]);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
