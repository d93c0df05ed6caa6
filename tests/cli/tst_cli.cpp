// tablo-cli end to end: the built program against the board simulator on a pty.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "Sim.h"
#include "core/journal/Journal.h"

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

// The ten texts of a SEND= payload, as an upload prints them: "[a,b,...]".
QByteArray bracketed(const QByteArray &sendLine)
{
    return "[" + sendLine.mid(5, sendLine.indexOf(",;") - 5) + "]";
}

// Local time is that of `zone` (for this process and the programs it starts) while it lives.
struct LocalZone {
    QByteArray before = qgetenv("TZ");
    explicit LocalZone(const char *zone) { qputenv("TZ", zone), tzset(); }
    ~LocalZone() { before.isNull() ? qunsetenv("TZ") : qputenv("TZ", before), tzset(); }
};

Run cli(const QStringList &args, const QString &program = TABLO_CLI_PATH)
{
    QProcess p;
    p.start(program, args);
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
        QTest::addColumn<QByteArray>("line");   // the outcome line: stdout on success, else stderr
        const QByteArray texts = "[1.2500,0.8000,00000,00000,00000,00000,00000,00000,00000,00000]";
        QTest::newRow("verified") << QStringList() << QByteArray() << 0 << "Sent OK " + texts;
        QTest::newRow("read-back differs") << QStringList{"--differ"} << QByteArray() << 2 << "Data error " + texts;
        QTest::newRow("board answers ERROR") << QStringList{"--error-first", "1"} << QByteArray() << 2 << "Data error " + texts;
        QTest::newRow("board silent") << QStringList{"--silent"} << QByteArray() << 3 << "Connection error " + texts;
        QTest::newRow("empty data file") << QStringList() << QByteArray("") << 2 << QByteArray("Data error: the data file");
        // The port hands over whole lines: bytes that trickle in make them all the same.
        QTest::newRow("replies a byte at a time") << QStringList{"--split", "--split-gap", "1"} << QByteArray() << 0 << "Sent OK " + texts;
        QTest::newRow("replies in overlong lines") << QStringList{"--long-line", "5000"} << QByteArray() << 3 << "Connection error " + texts;
    }
    void uploadOutcome()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(QByteArray, line);
        Sim sim(simOptions);
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        writeFile(dir.filePath("data.tbl"), file);
        const Run r = cli(QStringList{"upload", "--settings", writeSettings(dir, sim.port())}
                          + (file.isNull() ? QStringList{"1.25", "0.8", "0", "0", "0", "0", "0", "0", "0", "0"}
                                           : QStringList{"--file", dir.filePath("data.tbl")}));
        QCOMPARE(r.code, code);
        // Results on stdout, errors on stderr: a failure prints nothing on stdout.
        QCOMPARE(code == 0 ? r.out : r.err.left(line.size() + 11), code == 0 ? line + "\n" : "tablo-cli: " + line);
        QCOMPARE(code == 0 ? r.err : r.out, QByteArray());
    }

    // What the board receives: the figures formatted as the window formats them.
    void uploadBytes_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QStringList>("figures");   // empty: from the data file
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("4 digits, blank fill, row 2 hidden")
            << QStringList{"Tablo/Digits=4", "Tablo/Fill_char=1", "Tablo/2st_Currency=0"}
            << QStringList{"1.5", "12", "7", "8", "123456", "1", "0", "0.25", "9", "10"}
            << QByteArray("SEND=1.5   ,12   ,     ,     ,1234 ,1    ,0    ,0.25  ,     ,     ,;\r\n");
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
        QCOMPARE(r.out, "Sent OK " + bracketed(sent) + "\n");   // the texts exactly as sent
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

    // A read that fails: the reason on stderr; with --json an object with the outcome and the
    // reason on stdout, and a value that is no number is null, never the board's text.
    void readFailure_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("silent") << QStringList{"--silent"} << QStringList() << 3 << "Connection error";
        QTest::newRow("malformed") << QStringList{"--malformed"} << QStringList() << 2 << "Data error";
        QTest::newRow("one-way link: a settings problem") << QStringList() << QStringList{"Tablo/Replys=1"} << 64
                                                          << "Settings error";
        QTest::newRow("no temperature") << QStringList{"--temp", "--"} << QStringList() << 0 << "OK";
    }
    void readFailure()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QStringList, settings);
        QFETCH(int, code);
        QFETCH(QString, outcome);
        Sim sim(simOptions);
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const QString ini = writeSettings(dir, sim.port(), settings);
        const Run text = cli({"read", "--settings", ini});
        QCOMPARE(text.code, code);
        QCOMPARE(text.out.isEmpty(), code != 0);
        QCOMPARE(text.err.startsWith(("tablo-cli: " + outcome + ": ").toUtf8()), code != 0);
        const Run json = cli({"read", "--json", "--settings", ini});
        QCOMPARE(json.code, code);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(json.out, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, json.out);
        QCOMPARE(o.value("outcome").toString(), outcome);
        if (code != 0)
            QVERIFY(!o.value("reason").toString().isEmpty());
        else
            QVERIFY(o.value("temperature").isNull());
    }

    // A --settings file that cannot be read is an error; one that holds no settings is warned about.
    void settingsFile_data()
    {
        QTest::addColumn<QByteArray>("content");   // null: no file
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("missing") << QByteArray() << 1 << QByteArray("tablo-cli: cannot read the settings file");
        QTest::newRow("garbage") << QByteArray("\x01\x02junk\n") << 0
                                 << QByteArray("tablo-cli: warning: the settings file");
    }
    void settingsFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, code);
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const QString path = dir.filePath("set.ini");
        if (!content.isNull())
            writeFile(path, content);
        const Run r = cli({"brightness", "50", "--settings", path, "--port", sim.port()});
        QFETCH(QByteArray, err);
        QCOMPARE(r.code, code);
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.startsWith(err), r.err);
        QCOMPARE(sim.received(), code == 0 ? QByteArray("BRIG=2;403;\r\n") : QByteArray());
    }

    // Another program holds the port: nothing reaches the board, and the holder is named on stderr.
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
        QVERIFY2(r.err.contains("in use by another program") && r.err.contains("(pid " + pid + ")"), r.err);
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(sim.received(), QByteArray());
    }

    // Every bad argument is a usage error (64) with one line on stderr that names it; nothing
    // reaches stdout or a file.
    void badArgument_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("named");
        const QStringList nine{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << QByteArray("frobnicate");
        QTest::newRow("nine figures") << QStringList{"upload"} + nine << QByteArray("not 9");
        QTest::newRow("comma") << QStringList{"upload", "1,25"} + nine << QByteArray("\"1,25\"");
        QTest::newRow("letters") << QStringList{"upload"} + nine.mid(1) + QStringList{"abc", "1"} << QByteArray("figure 9 \"abc\"");
        QTest::newRow("brightness word") << QStringList{"brightness", "33"} << QByteArray("brightness");
        QTest::newRow("no such date") << QStringList{"clock", "30.02.24 10:00:00"} << QByteArray("30.02.24");
        QTest::newRow("attempts") << QStringList{"read", "--attempts", "11"} << QByteArray("\"11\"");
        QTest::newRow("unknown option") << QStringList{"read", "--colour"} << QByteArray("colour");
        QTest::newRow("json on upload") << QStringList{"upload", "--json"} << QByteArray("--json");
        QTest::newRow("port on settings") << QStringList{"settings", "--port", "ttyS0"} << QByteArray("--port");
        QTest::newRow("ports with an argument") << QStringList{"ports", "all"} << QByteArray("all");
        QTest::newRow("no such key") << QStringList{"settings", "Colour=red"} << QByteArray("\"Colour\"");
        QTest::newRow("digits out of range") << QStringList{"settings", "Digits=6"} << QByteArray("1 to 5, not \"6\"");
        QTest::newRow("flag not 0 or 1") << QStringList{"settings", "Replys=yes"} << QByteArray("\"yes\"");
        QTest::newRow("baud no number") << QStringList{"settings", "BaudRAte=fast"} << QByteArray("\"fast\"");
        const QStringList bridge{"mqtt", "--broker", "localhost", "--id"};
        QTest::newRow("bridge id ..") << bridge + QStringList{".."} << QByteArray("\"..\" is no name");
        QTest::newRow("group $SYS") << bridge + QStringList{"b", "--group", "$SYS"} << QByteArray("\"$SYS\" starts with '$'");
        QTest::newRow("prefix level .") << bridge + QStringList{"b", "--prefix", "site/."} << QByteArray("--prefix site/.: \".\"");
        QTest::newRow("name beyond Latin-1") << QStringList{"settings", QString::fromUtf8("Name_1=\u10D0")} << QByteArray("Latin-1");
    }
    void badArgument()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, named);
        QTemporaryDir dir;
        const QString ini = dir.filePath("s.ini");
        const Run r = cli(args + QStringList{"--settings", ini});
        QCOMPARE(r.code, 64);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY2(r.err.contains(named), r.err);
        QVERIFY(!QFile::exists(ini));
    }

    // A figure the board will show with another value is told on stderr before it goes out.
    void uploadWarnings_data()
    {
        QTest::addColumn<QStringList>("figures");   // one item: the data file's content
        QTest::addColumn<QByteArray>("warning");    // empty: none
        const QStringList zeros{"0", "0", "0", "0", "0", "0", "0", "0", "0"};
        QTest::newRow("a fraction filled with zeros") << QStringList{"1.25"} + zeros << QByteArray();
        QTest::newRow("a whole number padded") << QStringList{"1"} + zeros << QByteArray("figure 1 \"1\" goes out as \"10000\"");
        QTest::newRow("cut") << QStringList{"123456"} + zeros << QByteArray("figure 1 \"123456\" goes out as \"12345\"");
        QTest::newRow("a hidden slot") << zeros.mid(1) + QStringList{"7.5", "0"}
                                       << QByteArray("figure 9 \"7.5\" goes out as \"00000\": slot 9 is not shown (Tablo/5st_Currency=0)");
        QTest::newRow("a line that is no figure") << QStringList{"1,25\r\n" + QString("0\r\n").repeated(9)}
                                                  << QByteArray("(\"1,25\") is not a figure: goes out as \"12500\"");
        QTest::newRow("two lines") << QStringList{"1.1\r\n2.2\r\n"}
                                   << QByteArray("has 2 lines, not ten: slots 3 to 10 go out as \"00000\"");
    }
    void uploadWarnings()
    {
        QFETCH(QStringList, figures);
        QFETCH(QByteArray, warning);
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        QStringList args{"upload", "--settings", writeSettings(dir, sim.port())};
        if (figures.size() == 1) {
            writeFile(dir.filePath("data.tbl"), figures.first().toLatin1());
            args << "--file" << dir.filePath("data.tbl");
        } else {
            args += figures;
        }
        const Run r = cli(args);
        QCOMPARE(r.code, 0);
        QVERIFY2(warning.isEmpty() ? r.err.isEmpty()
                                   : r.err.startsWith("tablo-cli: warning: ") && r.err.contains(warning) && r.err.count('\n') == 1,
                 r.err);
        QCOMPARE(sim.receivedCount("SEND="), 1);
    }

    // --strict refuses a figure the board would show as another number: nothing reaches the board.
    void uploadStrict_data()
    {
        QTest::addColumn<QString>("first");        // figure 1; the others are 0
        QTest::addColumn<QByteArray>("refusal");   // empty: uploaded
        QTest::newRow("same number") << "0.5" << QByteArray();
        QTest::newRow("padded") << "1" << QByteArray("figure 1 \"1\" would show as \"10000\"");
        QTest::newRow("cut") << "123456" << QByteArray("figure 1 \"123456\" would show as \"12345\"");
    }
    void uploadStrict()
    {
        QFETCH(QString, first);
        QFETCH(QByteArray, refusal);
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const Run r = cli(QStringList{"upload", "--strict", "--settings", writeSettings(dir, sim.port()), first}
                          + QStringList(9, "0"));
        QCOMPARE(r.code, refusal.isEmpty() ? 0 : 64);
        QVERIFY2(refusal.isEmpty() ? r.err.isEmpty() : r.err.contains(refusal) && r.err.count('\n') == 1, r.err);
        QCOMPARE(sim.receivedCount("SEND="), refusal.isEmpty() ? 1 : 0);
    }

    // The settings command writes what the window writes (the file's encodings: the settings file's table).
    void settingsCommand_data()
    {
        QTest::addColumn<QByteArray>("before");   // null: no file
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("after");   // the file's start
        QTest::newRow("a new file") << QByteArray() << QStringList{"Port_Number=ttyUSB0", "tablo/digits=4", "Attempts", "Name_9=A=B"}
                                    << QByteArray("Port_Number=/dev/ttyUSB0\nDigits=4\nAttempts=1\nName_9=A=B\n")
                                    << QByteArray("[Settings]\r\nBaudRAte=9600\r\nPort_Number=/dev/ttyUSB0\r\nAuto_Load=0\r\n");
        QTest::newRow("shown only, the file untouched") << QByteArray("[Tablo]\nDigits=3\n") << QStringList{"Digits"}
                                                        << QByteArray("Digits=3\n") << QByteArray("[Tablo]\nDigits=3\n");
    }
    void settingsCommand()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("sub/s.ini");   // a folder that is not there yet
        if (!before.isNull()) {
            QVERIFY(QDir().mkpath(dir.filePath("sub")));
            writeFile(path, before);
        }
        const Run r = cli(QStringList{"settings", "--settings", path} + args);
        QCOMPARE(r.code, 0);
        QTEST(r.out, "out");
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().left(after.size()), after);
    }

    // SIGTERM in the middle of an upload closes the port: its lock file goes, and the next run
    // gets the port.
    void sigtermFreesPort()
    {
        Sim sim({"--silent"});
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const QString ini = writeSettings(dir, sim.port());
        QProcess upload;
        upload.start(TABLO_CLI_PATH, {"upload", "--settings", ini, "--timeout-ms", "10000", "1", "2", "3", "4", "5",
                                      "6", "7", "8", "9", "0"});
        QVERIFY(sim.waitForReceived("SEND="));
        // QSerialPort's lock file, in the first lock folder (/var/lock on Debian).
        const QString lock = "/var/lock/LCK.." + QFileInfo(sim.port()).canonicalFilePath().mid(5).replace('/', '_');
        QVERIFY(QFile::exists(lock));
        ::kill(pid_t(upload.processId()), SIGTERM);
        QVERIFY(upload.waitForFinished(10000));
        QCOMPARE(upload.exitStatus(), QProcess::NormalExit);
        QCOMPARE(upload.exitCode(), 128 + SIGTERM);
        QVERIFY(upload.readAllStandardError().contains("stopped by SIGTERM"));
        QVERIFY(!QFile::exists(lock));
        QVERIFY(sim.control("silent 0"));
        QCOMPARE(cli({"brightness", "50", "--settings", ini}).code, 0);
    }

    // The port scan names the settings' port and whether it opens.
    void ports()
    {
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        QTemporaryDir dir;
        const Run r = cli({"ports", "--settings", writeSettings(dir, sim.port())});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(sim.port().toUtf8() + "\topens\t(the settings' port)\n"), r.out);
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
        QCOMPARE(lines.size(), 2);   // watching, stopped
        QVERIFY2(lines[1].endsWith(" Stopped"), lines[1]);
        // On stderr: the short data file's warning, then the failure with the time of the last
        // good upload (none yet).
        const QList<QByteArray> err = watch.readAllStandardError().trimmed().split('\n');
        QCOMPARE(err.size(), 2);
        QVERIFY2(err[0].startsWith("tablo-cli: warning: ") && err[0].contains(" has 1 line, not ten"), err[0]);
        QVERIFY2(err[1].contains(" Connection error [1.0000,") && err[1].contains("; no good upload since the start at "),
                 err[1]);
    }
    // tablo-cli journal on a file written through the journal: an upload, then a failed read.
    void journalCommand_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");   // with --json: compacted
        const QByteArray texts = R"("1.2500","0.8000","00000","00000","00000","00000","00000","00000","00000","00000")";
        QTest::newRow("csv from a time") << QStringList{"--csv", "--since", "2024-05-01 10:01:00"} << 0
            << "started,finished,kind,port,board_id,source,request,outcome,sent1,sent2,sent3,sent4,sent5,sent6,sent7,sent8,"
               "sent9,sent10,board1,board2,board3,board4,board5,board6,board7,board8,board9,board10,command,reason\r\n"
               "2024-05-01T10:05:00.000+04:00,2024-05-01T10:05:00.100+04:00,read,/dev/ttyUSB0,,tablo-cli,r-7,connection-error"
               + QByteArray(21, ',') + "READ=,\"no reply, \"\"READ=\"\"\"\r\n";
        QTest::newRow("json to a time, that second included") << QStringList{"--json", "--until", "2024-05-01T10:00:00"} << 0
            << R"([{"board":[)" + texts + R"(],"board_id":"","command":"SEND=","finished":"2024-05-01T10:00:00.250+04:00","kind":"upload",)"
               R"("outcome":"sent-ok","port":"/dev/ttyUSB0","reason":"","request":"","sent":[)" + texts
               + R"(],"source":"data-file","started":"2024-05-01T10:00:00.000+04:00"}])";
        const QByteArray bare = QByteArray(texts).replace('"', "").prepend('[') + ']';
        QTest::newRow("at, before the upload finished") << QStringList{"--at", "2024-05-01T10:00:00"} << 0
            << QByteArray("nothing recorded of the board's figures by 2024-05-01T10:00:00.000+04:00\n");
        QTest::newRow("at, after a failed read") << QStringList{"--at", "2024-05-01 10:06:00"} << 0
            << bare + " since 2024-05-01T10:00:00.250+04:00, read back exactly after the upload at 2024-05-01T10:00:00.250+04:00 from data-file\n";
        QTest::newRow("at, after an upload in doubt") << QStringList{"--at", "2024-05-01 10:10:00"} << 0
            << "a command failed at 2024-05-01T10:08:00.000+04:00: the board may show either " + bare
               + " or [2.0000] (no reply to SEND=) from tablo-cli request r-8\n";
        QTest::newRow("at, json") << QStringList{"--at", "2024-05-01 10:10:00", "--json"} << 0
            << R"({"at":"2024-05-01T10:10:00.000+04:00","board":[],"changed":"2024-05-01T10:08:00.000+04:00","checked":"2024-05-01T10:00:00.250+04:00",)"
               "\"either\":[[" + texts + R"(],["2.0000"]],"known":"in-doubt","port":"/dev/ttyUSB0","reason":"no reply to SEND=",)"
               R"("request":"r-8","sent":["2.0000"],"since":"2024-05-01T10:08:00.000+04:00","source":"tablo-cli",)"
               "\"text\":\"a command failed at 2024-05-01T10:08:00.000+04:00: the board may show either " + bare
               + " or [2.0000] (no reply to SEND=)\"}";
        QTest::newRow("no such hour") << QStringList{"--since", "2024-05-01T25:00:00"} << 64 << QByteArray();
        QTest::newRow("no journal file") << QStringList{"--journal", "/nonexistent/j.sqlite"} << 1 << QByteArray();
    }
    void journalCommand()
    {
        QFETCH(QStringList, args);
        const LocalZone zone("Asia/Tbilisi");
        QTemporaryDir dir;
        {
            Journal journal;
            QVERIFY(journal.open(dir.filePath("j.sqlite"), nullptr));
            const QDateTime t0(QDate(2024, 5, 1), QTime(10, 0));
            const QStringList texts{"1.2500", "0.8000", "00000", "00000", "00000", "00000", "00000", "00000", "00000", "00000"};
            QVERIFY(journal.record({t0, t0.addMSecs(250), "upload", "/dev/ttyUSB0", "", "data-file", "", "sent-ok", texts,
                                    texts, "SEND=", ""}));
            QVERIFY(journal.record({t0.addSecs(300), t0.addMSecs(300100), "read", "/dev/ttyUSB0", "", "tablo-cli", "r-7",
                                    "connection-error", {}, {}, "READ=", "no reply, \"READ=\""}));
            QVERIFY(journal.recordTruth({t0.addMSecs(250), t0.addMSecs(250), "/dev/ttyUSB0", "", "read-back-exact", texts,
                                         texts, "data-file", "", "", t0.addMSecs(250)}));
            QVERIFY(journal.recordTruth({t0.addSecs(480), t0.addSecs(480), "/dev/ttyUSB0", "", "in-doubt", texts,
                                         {"2.0000"}, "tablo-cli", "r-8", "no reply to SEND=", t0.addMSecs(250)}));
        }
        const Run r = cli(QStringList{"journal", "--journal", dir.filePath("j.sqlite")} + args);
        QTEST(r.code, "code");
        QTEST(args.contains("--json") ? QJsonDocument::fromJson(r.out).toJson(QJsonDocument::Compact) : r.out, "out");
        QCOMPARE(r.err.isEmpty(), r.code == 0);
    }

    // Times given to the journal command, local in Berlin (summer time from 29 March to 25 October
    // 2026): with an offset, in the hour the clock repeats or skips, and periods that end before
    // they begin. Shown: the time --at names as printed, else the output, else part of the error.
    void journalTimes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("offset") << QStringList{"--at", "2026-07-01T12:00:00+03:00"} << 0 << "2026-07-01T11:00:00.000+02:00";
        QTest::newRow("utc") << QStringList{"--at", "2026-01-10T08:00:00Z"} << 0 << "2026-01-10T09:00:00.000+01:00";
        QTest::newRow("as printed") << QStringList{"--at", "2026-01-10T09:00:00.250+01:00"} << 0 << "2026-01-10T09:00:00.250+01:00";
        QTest::newRow("local") << QStringList{"--at", "2026-01-10 09:00:00"} << 0 << "2026-01-10T09:00:00.000+01:00";
        QTest::newRow("repeated hour: its first pass") << QStringList{"--at", "2026-10-25T02:30:00"} << 0 << "2026-10-25T02:30:00.000+02:00";
        QTest::newRow("repeated hour: the second by its offset") << QStringList{"--at", "2026-10-25T02:30:00+01:00"} << 0
                                                                << "2026-10-25T02:30:00.000+01:00";
        QTest::newRow("skipped hour: the first instant after") << QStringList{"--at", "2026-03-29T02:30:00"} << 0
                                                              << "2026-03-29T03:00:00.000+02:00";
        QTest::newRow("one second") << QStringList{"--since", "2026-05-01T10:00:00", "--until", "2026-05-01T10:00:00"} << 0 << "[]";
        QTest::newRow("reversed") << QStringList{"--since", "2026-05-02T00:00:00", "--until", "2026-05-01T23:59:59"} << 64
                                  << "--since 2026-05-02T00:00:00 is after --until 2026-05-01T23:59:59";
        QTest::newRow("reversed by the offsets") << QStringList{"--since", "2026-05-01T10:00:00Z", "--until", "2026-05-01T11:00:00+02:00"}
                                                 << 64 << "is after --until";
        QTest::newRow("no such offset") << QStringList{"--at", "2026-05-01T10:00:00+25:00"} << 64 << "--at takes a time";
    }
    void journalTimes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, shown);
        const LocalZone zone("Europe/Berlin");
        QTemporaryDir dir;
        QVERIFY(Journal().open(dir.filePath("j.sqlite"), nullptr));
        const Run r = cli(QStringList{"journal", "--json", "--journal", dir.filePath("j.sqlite")} + args);
        QCOMPARE(r.code, code);
        if (code != 0)
            QVERIFY2(r.err.contains(shown.toUtf8()), r.err.constData());
        else if (args.first() == "--at")
            QCOMPARE(QJsonDocument::fromJson(r.out).object().value("at").toString(), shown);
        else
            QCOMPARE(QJsonDocument::fromJson(r.out).toJson(QJsonDocument::Compact), shown.toUtf8());
    }

    // A journal in a folder its reader cannot write (a share, a read-only medium): read as it is,
    // after its writer closed it and while the writer still has it open.
    void journalReadOnlyFolder_data()
    {
        QTest::addColumn<bool>("writerOpen");
        QTest::newRow("closed") << false;
        QTest::newRow("still being written") << true;
    }
    void journalReadOnlyFolder()
    {
        QFETCH(bool, writerOpen);
        // Root writes anywhere: the reader is then another user.
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        if (geteuid() == 0 && setpriv.isEmpty())
            QSKIP("running as root without setpriv: no reader here is stopped by a read-only folder");
        QTemporaryDir dir;
        const QDateTime T = QDateTime::currentDateTime();
        const QString folder = dir.filePath("ro"), path = folder + "/j.sqlite";
        QVERIFY(QDir().mkdir(folder));
        std::optional<Journal> writer(std::in_place);
        QVERIFY(writer->open(path, nullptr) && writer->record({T, T, "read", "", "", "tablo-cli", "r-1", "sent-ok", {}, {"2.5"}, "", ""}));
        if (!writerOpen)
            writer.reset();
        QVERIFY(::chmod(qPrintable(dir.path()), 0755) == 0 && ::chmod(qPrintable(folder), 0555) == 0);
        const QStringList args{"journal", "--journal", path, "--csv"};
        const Run read = geteuid() == 0 ? cli(QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", TABLO_CLI_PATH} + args, setpriv)
                                        : cli(args);
        ::chmod(qPrintable(folder), 0755);
        QVERIFY2(read.code == 0 && read.out.contains(",tablo-cli,r-1,sent-ok,"), read.err.constData());
    }

    // Without --journal, the journal is the one [Journal] File= of the settings file names.
    void journalOfTheSettings()
    {
        QTemporaryDir dir;
        QVERIFY(Journal().open(dir.filePath("named.sqlite"), nullptr));
        const QString settings = writeSettings(dir, "/dev/null", {"Journal/File=named.sqlite"});
        const Run r = cli({"journal", "--settings", settings, "--json"});
        QVERIFY2(r.code == 0, r.err.constData());
        QCOMPARE(r.out, QByteArray("[\n]\n"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
