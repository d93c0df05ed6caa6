#include <QtTest>
#include "core/protocol/Protocol.h"

using namespace Protocol;

namespace {

const QByteArray Old = "old";

// A READ reply with `count` well-formed fields, each followed by ",".
QByteArrayList goodFields(int count)
{
    QByteArrayList f;
    for (int k = 1; k <= count; ++k) {
        if (k <= 10)
            f << QByteArray("1.") + QByteArray::number(k).rightJustified(4, '0');
        else if (k == 11)
            f << "-0.25";
        else
            f << QByteArray::number(k % 7);
    }
    return f;
}

QByteArray reply(const QByteArrayList &fields)
{
    QByteArray r = "READ=";
    for (const QByteArray &f : fields)
        r += f + ',';
    return r;
}

QByteArray withSum(const QByteArray &line, int delta = 0)
{
    return line + ';' + QByteArray::number(byteSum(line) + delta) + ';';
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void frameCommand_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("checksums");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("plain") << QByteArray("READ=") << false << QByteArray("READ=;\r\n");
        QTest::newRow("checksum") << QByteArray("READ=") << true << QByteArray("READ=;345;\r\n");
        QTest::newRow("crlf left in buffer") << QByteArray("READ=\r\n") << true << QByteArray("READ=;345;\r\n");
        QTest::newRow("lone lf drops two") << QByteArray("BRIG=6\n") << false << QByteArray("BRIG=;\r\n");
        QTest::newRow("brightness") << QByteArray("BRIG=6") << true << QByteArray("BRIG=6;407;\r\n");
        QTest::newRow("high bytes unsigned") << QByteArray("\xff\x80") << true << QByteArray("\xff\x80;383;\r\n");
        QTest::newRow("empty") << QByteArray() << true << QByteArray(";0;\r\n");
    }
    void frameCommand()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, checksums);
        QFETCH(QByteArray, wire);
        QCOMPARE(Protocol::frameCommand(command, checksums), wire);
    }

    void checksumOk_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        const QByteArray r = reply(goodFields(32));
        QTest::newRow("read reply correct") << withSum(r) << true;
        QTest::newRow("read reply one too high") << withSum(r, 1) << false;
        QTest::newRow("no semicolon") << r << false;
        QTest::newRow("no second semicolon") << r + ";" + QByteArray::number(byteSum(r)) << false;
        QTest::newRow("empty checksum") << r + ";;" << false;
        QTest::newRow("not a number") << QByteArray("READ=;34x;") << false;
        QTest::newRow("short") << QByteArray("READ=;345;") << true;
        QTest::newRow("text after ignored") << QByteArray("READ=;345;junk") << true;
    }
    void checksumOk()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QCOMPARE(Protocol::checksumOk(line), ok);
    }

    void lineAssembler_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArrayList>("results"); // lines, "<discarded>" for a dropped line
        QTest::addColumn<QByteArray>("pending");
        const QByteArray d = "<discarded>";
        QTest::newRow("ok") << QByteArray("OK\r\n") << QByteArrayList{"OK"} << QByteArray();
        QTest::newRow("two lines and a rest") << QByteArray("OK\r\nERROR\r\nRE")
                                              << QByteArrayList{"OK", "ERROR"} << QByteArray("RE");
        QTest::newRow("lone cr dropped") << QByteArray("O\rK\r\n") << QByteArrayList{"OK"} << QByteArray();
        QTest::newRow("lone lf dropped") << QByteArray("O\nK\r\n") << QByteArrayList{"OK"} << QByteArray();
        QTest::newRow("lf cr does not end") << QByteArray("OK\n\rX") << QByteArrayList{} << QByteArray("OKX");
        QTest::newRow("empty line") << QByteArray("\r\n") << QByteArrayList{""} << QByteArray();
        const QByteArray longest(LineAssembler::MaxLine, 'x');
        QTest::newRow("longest line kept") << longest + "\r\n" << QByteArrayList{longest} << QByteArray();
        QTest::newRow("longer line discarded whole")
            << QByteArray(LineAssembler::MaxLine + 1, 'x') + "\r\nOK\r\n" << QByteArrayList{d, "OK"} << QByteArray();
        QTest::newRow("endless line keeps nothing")
            << QByteArray(3 * LineAssembler::MaxLine, 'x') + "\r" << QByteArrayList{} << QByteArray();
    }
    void lineAssembler()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArrayList, results);
        QFETCH(QByteArray, pending);
        LineAssembler a;
        QByteArrayList got;
        for (char c : bytes) {
            const auto r = a.feed(c);
            if (r == LineAssembler::Line)
                got << a.line();
            else if (r == LineAssembler::Discarded)
                got << "<discarded>";
        }
        QCOMPARE(got, results);
        QCOMPARE(a.pending(), pending);
    }

    void clearLineEndsOverflow()
    {
        LineAssembler a;
        for (int i = 0; i < 2 * LineAssembler::MaxLine; ++i)
            a.feed('x');
        a.clearLine();
        for (char c : QByteArray("OK\r"))
            QCOMPARE(a.feed(c), LineAssembler::None);
        QCOMPARE(a.feed('\n'), LineAssembler::Line);
        QCOMPARE(a.line(), QByteArray("OK"));
    }

    void parseReadReply_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArrayList>("values"); // 1..32 when ok

        QByteArrayList all = goodFields(32);
        QTest::newRow("32 fields") << reply(all) << true << all;
        QTest::newRow("32 fields and checksum") << withSum(reply(all)) << true << all;
        QTest::newRow("text after field 32 ignored") << reply(all) + "9999999,x;" << true << all;
        QTest::newRow("last field without comma") << reply(all).chopped(1) << true << all;
        QByteArrayList f31 = goodFields(31);
        QTest::newRow("31 fields keep entry 32") << reply(f31) << true << (f31 << Old);
        QTest::newRow("30 fields") << reply(goodFields(30)) << false << QByteArrayList();
        QTest::newRow("31 fields and checksum") << withSum(reply(goodFields(31))) << false << QByteArrayList();
        QTest::newRow("last field ends with semicolon") << reply(all).chopped(1) + ";123;" << false << QByteArrayList();
        QTest::newRow("empty") << QByteArray("READ=") << false << QByteArrayList();

        auto variant = [&](const char *name, int k, const QByteArray &v, bool ok) {
            QByteArrayList f = goodFields(32);
            f[k - 1] = v;
            QTest::newRow(name) << reply(f) << ok << (ok ? f : QByteArrayList());
        };
        variant("empty field", 5, "", false);
        variant("7 characters", 3, "1.23456", false);
        variant("6 characters", 3, "-1.234", true);
        variant("letter", 1, "1.2A", false);
        variant("semicolon inside", 20, "1;", false);
        variant("blanks in a figure", 2, "  1.2 ", true);
        variant("level with blank", 12, " 3", true);
        variant("mode with blanks", 14, " 5 ", true);
        variant("negative offset", 19, "-5", true);
        variant("level not whole", 12, "1.5", false);
        variant("mode only blanks", 14, "   ", false);
        variant("time only dashes", 17, "--", false);
        variant("controlled by with point", 32, "1.", false);
        variant("lighting state is free text", 13, "-.-", true);
        variant("temperature is free text", 11, "--.-", true);
    }
    void parseReadReply()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QFETCH(QByteArrayList, values);
        std::array<QByteArray, 33> scratch;
        scratch.fill(Old);
        const ReadParse r = Protocol::parseReadReply(line, scratch);
        QCOMPARE(r.ok, ok);
        if (!ok)
            return;
        QCOMPARE(r.values[0], Old);
        for (int k = 1; k <= 32; ++k)
            QCOMPARE(r.values[k], values[k - 1]);
    }

    void parseEvent_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("checksums");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<QByteArrayList>("values"); // temperature, brightness, lighting
        const QByteArray ev = "EVENT 21.5,3,1";
        const QByteArrayList v{"21.5", "3", "1"};
        QTest::newRow("checksums off") << ev << false << true << v;
        QTest::newRow("checksums on, no ending") << ev << true << false << QByteArrayList();
        QTest::newRow("checksums on, good") << withSum(ev) << true << true << v;
        QTest::newRow("checksums on, wrong") << withSum(ev, -1) << true << false << QByteArrayList();
        QTest::newRow("checksums off, wrong sum") << withSum(ev, -1) << false << true << v;
        QTest::newRow("sensor fault") << QByteArray("EVENT -0.25,0,0") << false << true
                                      << QByteArrayList{"-0.25", "0", "0"};
        QTest::newRow("more after lighting") << QByteArray("EVENT 7,4,0,99") << false << true
                                             << QByteArrayList{"7", "4", "0"};
        QTest::newRow("no lighting") << QByteArray("EVENT 21.5,3") << false << true
                                     << QByteArrayList{"21.5", "3", ""};
        QTest::newRow("no brightness") << QByteArray("EVENT 21.5,") << false << true
                                       << QByteArrayList{"21.5", "", ""};
        QTest::newRow("no comma") << QByteArray("EVENT 21.5") << false << true << QByteArrayList{"21.5", "", ""};
        QTest::newRow("nothing after") << QByteArray("EVENT ") << false << true << QByteArrayList{"", "", ""};
        QTest::newRow("sum after temperature") << withSum("EVENT 21.5") << true << true
                                               << QByteArrayList{"21.5", "", ""};
        QTest::newRow("sum after brightness") << withSum("EVENT 21.5,3") << true << true
                                              << QByteArrayList{"21.5", "3", ""};
        QTest::newRow("no space") << QByteArray("EVENT21.5,3,1") << false << false << QByteArrayList();
        QTest::newRow("other line") << QByteArray("+CCLK: \"24/05/13\"") << false << false << QByteArrayList();
    }
    void parseEvent()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, checksums);
        QFETCH(bool, applied);
        QFETCH(QByteArrayList, values);
        EventValues out;
        QCOMPARE(Protocol::parseEvent(line, checksums, out), applied);
        if (!applied)
            return;
        QCOMPARE(out.temperature, values[0]);
        QCOMPARE(out.brightness, values[1]);
        QCOMPARE(out.lighting, values[2]);
    }

    void panelTexts_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("brightness");
        QTest::addColumn<QString>("temperature");
        QTest::newRow("0") << QByteArray("0") << "BRIG=Min" << "0°C";
        QTest::newRow("1") << QByteArray("1") << "BRIG=25%" << "1°C";
        QTest::newRow("2") << QByteArray("2") << "BRIG=50%" << "2°C";
        QTest::newRow("3 with blank") << QByteArray(" 3") << "BRIG=75%" << " 3°C";
        QTest::newRow("4") << QByteArray("4") << "BRIG=100%" << "4°C";
        QTest::newRow("5") << QByteArray("5") << "" << "5°C";
        QTest::newRow("-1") << QByteArray("-1") << "" << "-1°C";
        QTest::newRow("letter") << QByteArray("x") << "" << "x°C";
        QTest::newRow("empty") << QByteArray() << "" << "°C";
        QTest::newRow("21.5") << QByteArray("21.5") << "" << "21.5°C";
        QTest::newRow("fault") << QByteArray("-0.25") << "" << "Error";
    }
    void panelTexts()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, brightness);
        QFETCH(QString, temperature);
        QCOMPARE(brightnessPanelText(value), brightness);
        QCOMPARE(temperaturePanelText(value), temperature);
    }

    void minutesToTimeText_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "00:00:00";
        QTest::newRow("450") << 450 << "07:30:00";
        QTest::newRow("545") << 545 << "09:05:00";
        QTest::newRow("600") << 600 << "10:00:00";
        QTest::newRow("1439") << 1439 << "23:59:00";
    }
    void minutesToTimeText()
    {
        QFETCH(int, minutes);
        QFETCH(QString, text);
        QCOMPARE(Protocol::minutesToTimeText(minutes), text);
        QCOMPARE(Protocol::timeTextToMinutes(text), minutes);
    }

    void timeTextToMinutes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minutes");
        QTest::newRow("07:30:00") << "07:30:00" << 450;
        QTest::newRow("seconds ignored") << "07:30:15" << 450;
        QTest::newRow("23:59:59") << "23:59:59" << 1439;
        QTest::newRow("letters") << "ab:cd:00" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("no seconds") << "07:30" << 450;
        QTest::newRow("a letter after the minutes") << "07:30x" << -1;
        QTest::newRow("a colon without seconds") << "07:30:" << -1;
        QTest::newRow("seconds past the minute") << "07:30:60" << -1;
    }
    void timeTextToMinutes()
    {
        QFETCH(QString, text);
        QFETCH(int, minutes);
        QCOMPARE(Protocol::timeTextToMinutes(text), minutes);
    }

    void offsets_data()
    {
        QTest::addColumn<int>("board");
        QTest::addColumn<int>("spin");
        QTest::addColumn<int>("sent"); // what the spin value goes back as
        QTest::newRow("200") << 200 << -56 << 200;
        QTest::newRow("127") << 127 << 127 << 127;
        QTest::newRow("255") << 255 << -1 << 255;
        QTest::newRow("128") << 128 << -128 << 128;
        QTest::newRow("251") << 251 << -5 << 251;
        QTest::newRow("0") << 0 << 0 << 0;
    }
    void offsets()
    {
        QFETCH(int, board);
        QFETCH(int, spin);
        QFETCH(int, sent);
        QCOMPARE(offsetFromBoard(board), spin);
        QCOMPARE(offsetToBoard(spin), sent);
    }

    void codes_data()
    {
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("brightness");
        QTest::addColumn<int>("lighting");
        QTest::newRow("first item, by time") << 0 << 0 << 0 << 0;
        QTest::newRow("second item, by schedule") << 1 << 1 << 1 << 1;
        QTest::newRow("50%, no auto mode") << 2 << -1 << 0 << 0;
        QTest::newRow("third item, by time") << 2 << 0 << 2 << 2;
        QTest::newRow("third item, by schedule") << 2 << 1 << 2 << 3;
        QTest::newRow("100%, by schedule") << 4 << 1 << 4 << 5;
        QTest::newRow("auto, by time") << 5 << 0 << 5 << 5;
        QTest::newRow("auto, by schedule") << 5 << 1 << 6 << 6;
        QTest::newRow("no group selection") << -1 << 1 << 0 << 0;
    }
    void codes()
    {
        QFETCH(int, group);
        QFETCH(int, mode);
        QFETCH(int, brightness);
        QFETCH(int, lighting);
        QCOMPARE(brightnessCode(group, mode), brightness);
        QCOMPARE(lightingCode(group, mode), lighting);
    }

    void buildSetsCommand_data()
    {
        QTest::addColumn<QString>("morning");
        QTest::addColumn<int>("morningOffset");
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("07:30:00, -5") << "07:30:00" << -5
                                      << QByteArray("SETS=6,3,1,450,1230,251,10,4,2,1380,360,0,255,1,1,0,1,0,0,");
        QTest::newRow("00:00:00, 128") << "00:00:00" << 128
                                       << QByteArray("SETS=6,3,1,0,1230,128,10,4,2,1380,360,0,255,1,1,0,1,0,0,");
    }
    void buildSetsCommand()
    {
        QFETCH(QString, morning);
        QFETCH(int, morningOffset);
        QFETCH(QByteArray, command);
        const std::array<int, 19> f{brightnessCode(5, 1), lightingCode(2, 1), 1, Protocol::timeTextToMinutes(morning),
                                    Protocol::timeTextToMinutes("20:30:00"), offsetToBoard(morningOffset), offsetToBoard(10),
                                    4, 2, Protocol::timeTextToMinutes("23:00:00"), Protocol::timeTextToMinutes("06:00:00"),
                                    offsetToBoard(0), offsetToBoard(-1), 1, 1, 0, 1, 0, 0};
        QCOMPARE(Protocol::buildSetsCommand(f), command);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
