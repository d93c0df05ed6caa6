// Golden traces: whole scenarios driven through the windows against the board simulator, each
// recorded as the bytes the board received, the settings and data files afterwards, the status
// text and the dialogs shown, and compared with tests/golden/<scenario>.trace. The windows are
// reached by objectName only, so the traces outlive any renaming of the code behind them.
// TABLO_GOLDEN_RECORD=1 rewrites the traces from the program as it is.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QtTest>

#include "Sim.h"
#include "TestApp.h"

namespace {

// A settings file naming the simulator's port. An override replaces the line of its key;
// other lines (sections included) go to the end of the file as they are.
QByteArray makeIni(const QString &port, const QStringList &overrides)
{
    QStringList lines{"[Settings]",       "BaudRAte=9600", "Port_Number=" + port, "Auto_Load=0",
                      "Auto_Load_Intvl=1000", "Send_If_Changed=0", "Attempts=1", "Timeout_for_command=1000",
                      "Manage_Checksumms=1",  "[Tablo]",       "Board_type=0", "Digits=5",
                      "Fill_char=0",          "Replys=0"};
    for (const QString &o : overrides) {
        const QString key = o.section('=', 0, 0) + '=';
        auto hit = std::find_if(lines.begin(), lines.end(), [&](const QString &l) { return l.startsWith(key); });
        if (o.contains('=') && hit != lines.end())
            *hit = o;
        else
            lines << o;
    }
    return (lines.join("\r\n") + "\r\n").toLatin1();
}

// The same two times on every day of the year: lookups do not depend on the date.
QByteArray schedule()
{
    QByteArray out = "Day   Morning  Evening\r\n";
    for (QDate d(2024, 1, 1); d.year() == 2024; d = d.addDays(1))
        out += d.toString("MM.dd").toLatin1() + " 07:30:00 19:45:00\r\n";
    return out;
}

// A window (a top-level widget) by objectName, or an object inside it: "Form1.Btn_Send_",
// "Form1.StatusBar1.Panel0".
QObject *find(const QString &path)
{
    const QStringList names = path.split('.');
    QObject *o = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (!o && w->objectName() == names[0])
            o = w;
    for (int i = 1; o && i < names.size(); ++i)
        o = o->findChild<QObject *>(names[i]);
    return o;
}

// One step of a scenario:
//   click W.N       press a button or trigger a menu action
//   item W.G i      pick item i of a radio group (its shown radio buttons, in order)
//   spin W.N v      set a spin box
//   check W.N on    tick (or "off": clear) a check box
//   sim COMMAND     a simulator control command
//   data FIGURE     the data file rewritten with ten lines of FIGURE
//   until TEXT n    wait until the board received TEXT n times
//   wait MS         let the program run
void step(Sim &sim, TestApp &t, const QString &line)
{
    const QString verb = line.section(' ', 0, 0), arg = line.section(' ', 1, 1), rest = line.section(' ', 2);
    if (verb == "sim") {
        QVERIFY2(sim.control(line.mid(4)), qPrintable(line));
    } else if (verb == "data") {
        t.writeFile("Tablo_data.tbl", (arg + "\r\n").toLatin1().repeated(10));
    } else if (verb == "until") {
        QTRY_VERIFY2_WITH_TIMEOUT(sim.receivedCount(arg.toLatin1()) >= rest.toInt(), qPrintable(line), 20000);
    } else if (verb == "wait") {
        QTest::qWait(arg.toInt());
    } else {
        QObject *o = find(arg);
        QVERIFY2(o, qPrintable("no object " + arg));
        if (verb == "click" && qobject_cast<QAction *>(o)) {
            qobject_cast<QAction *>(o)->trigger();
        } else if (verb == "click") {
            auto *b = qobject_cast<QAbstractButton *>(o);
            QVERIFY2(b && b->isEnabled(), qPrintable(line));
            b->click();
        } else if (verb == "check") {
            auto *b = qobject_cast<QAbstractButton *>(o);
            QVERIFY2(b && b->isCheckable(), qPrintable(line));
            b->setChecked(rest == "on");
        } else if (verb == "spin") {
            QVERIFY2(qobject_cast<QSpinBox *>(o), qPrintable(line));
            qobject_cast<QSpinBox *>(o)->setValue(rest.toInt());
        } else if (verb == "item") {
            QList<QRadioButton *> items;
            for (QRadioButton *b : o->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly))
                if (!b->isHidden())   // a rebuilt group's old buttons wait hidden for deletion
                    items << b;
            QVERIFY2(rest.toInt() < items.size() && items[rest.toInt()]->isEnabled(), qPrintable(line));
            items[rest.toInt()]->click();
        } else {
            QFAIL(qPrintable("unknown step " + line));
        }
    }
}

// Bytes as readable text: \r \n \\ \xNN escaped, a line break after every \n.
QByteArray escaped(const QByteArray &bytes)
{
    QByteArray out;
    for (const char ch : bytes) {
        const auto c = uchar(ch);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7f)
            out += "\\x" + QByteArray::number(c, 16).rightJustified(2, '0');
        else
            out += char(c);
    }
    return out.endsWith('\n') ? out : out + '\n';
}

// The clock's date and time in "TIME=" and their checksum, when that sum is right.
QByteArray withoutClock(QByteArray wire)
{
    static const QRegularExpression time("TIME=\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d;(\\d+);");
    for (const auto &m : time.globalMatch(QString::fromLatin1(wire))) {
        int sum = 0;
        for (const char c : m.captured(0).left(22).toLatin1())
            sum += uchar(c);
        if (m.captured(1).toInt() == sum)
            wire.replace(m.captured(0).toLatin1(), "TIME=dd.mm.yy hh:mm:ss;sum;");
    }
    return wire;
}

QString goldenPath(const QString &scenario)
{
    return QStringLiteral(GOLDEN_DIR "/%1.trace").arg(scenario);
}

} // namespace

class tst_golden : public QObject {
    Q_OBJECT
private slots:
    void scenario_data();
    void scenario();
};

void tst_golden::scenario_data()
{
    QTest::addColumn<QStringList>("ini");     // settings file overrides and additions
    QTest::addColumn<QStringList>("sim");     // simulator start-up options
    QTest::addColumn<QStringList>("steps");

    const QStringList none;
    const QStringList send{"click Form1.Btn_Send_"}, read{"click Form1.Btn_Read_"};
    QTest::newRow("upload_ok") << none << none << send;
    QTest::newRow("upload_silent") << none << QStringList{"--silent"} << send;
    QTest::newRow("upload_error_then_retry") << QStringList{"Attempts=2"} << QStringList{"--error-first", "1"} << send;
    QTest::newRow("upload_readback_differs") << none << QStringList{"--differ"} << send;
    QTest::newRow("upload_readback_malformed") << none << QStringList{"--malformed"} << send;
    QTest::newRow("upload_readback_bad_checksum") << none << QStringList{"--bad-checksum"} << send;
    QTest::newRow("upload_one_way") << QStringList{"Replys=1"} << none << send + QStringList{"until ;3773;\r\n 1"};   // the whole line
    QTest::newRow("read_ok") << none << QStringList{"--field", "1=2.5000", "--field", "4=0.7500"} << read;
    QTest::newRow("read_bad_checksum") << none << QStringList{"--bad-checksum"} << read;
    // The fields come from the data file: the next upload carries its figures.
    QTest::newRow("read_silent_then_upload")
        << none << QStringList{"--silent"} << QStringList{"data 7.0000", read[0], "sim silent 0", send[0]};
    // A hand-edited settings file: what a read's save keeps, drops and rewrites.
    QTest::newRow("read_saves_settings")
        << QStringList{"Board_type=1", "Digits=4", "Fill_char=1", "2st_Currency=0", "Name_1=Petrol", "Unknown=5",
                       "[Controller]", "Flash=1", "Morning_Time=06:00:00", "[Other]", "Key=value"}
        << QStringList{"--field", "1=3.2500", "--field", "14=6", "--field", "15=3", "--field", "27=1",
                       "--field", "19=200", "--field", "31=1"}
        << read;
    QTest::newRow("brightness_50") << none << none << QStringList{"item Form1.RadioGroup1 2"};
    QTest::newRow("brightness_auto_by_schedule") << none << none << QStringList{"item Form1.RadioGroup1 5"};
    QTest::newRow("lighting_on") << none << none << QStringList{"item Form1.RadioGroup2 1"};
    QTest::newRow("clock") << none << QStringList{"--field", "27=1"} << QStringList{read[0], "click Form1.Btn_Time"};
    QTest::newRow("sets_from_settings_dialog")
        << none << none
        << QStringList{read[0], "click Form1.Settings3", "item Form2.RadioGroup1 1", "item Form2.TntRadioGroup1 3"};
    // Before any read nothing is sent over the board's configuration, and "Exit" keeps the
    // stored section.
    QTest::newRow("sets_before_read_held")
        << QStringList{"[Controller]", "Morning_Time=07:00:00", "Evening_Time=20:00:00", "OFF_Time=01:00:00",
                       "ON_Time=19:00:00", "Flash=1"}
        << none
        << QStringList{"click Form1.AutoControls1", "click Form1.Settings3", "item Form2.RadioGroup1 0",
                       "click Form1.Exit1"};
    // After a read, brightness "auto" keeps the mode the board reported; a correction sends the
    // configuration.
    QTest::newRow("sets_from_auto_controls")
        << QStringList{"[Controller]", "Morning_Time=06:30:00", "Flash=1"} << QStringList{"--field", "27=1"}
        << QStringList{read[0], "click Form1.AutoControls1", "item Form1.RadioGroup1 5", "spin Form13.SpinEdit8 -10"};
    // Controlled by a modem (read from the board): the bare commands are allowed. Each write
    // empties the port's output queue first, so a click waits until the board got the last one.
    QTest::newRow("bare_modem_commands")
        << none << QStringList{"--field", "32=1"}
        << QStringList{read[0], "click Form2.Button1", "until PC\r\n 1", "click Form2.Button3", "until MD\r\n 1",
                       "click Form2.Button5", "until TIME?\r\n 1", "wait 200"};
    QTest::newRow("test_pattern_and_restore")
        << none << none
        << QStringList{"click Form1.est1", "item Form11.RadioGroup1 7", "item Form11.RadioGroup1 17",
                       "click Form11.Button1"};
    // Automatic loading every second: the first poll uploads the file, a rewritten file goes
    // again, and an unchanged one does not.
    QTest::newRow("poll_uploads_changed_file")
        << QStringList{"Auto_Load=1", "Send_If_Changed=1"} << none
        << QStringList{"until READ= 1", "data 2.2500", "until SEND=2.2500 1", "until READ= 2", "wait 2500"};

    // "Exit" saves both groups: the file shows every value the windows hold.
    const QString exit = "click Form1.Exit1";
    // A read applies the board's configuration to every window.
    QTest::newRow("read_configuration_then_exit")
        << none
        << QStringList{"--field", "14=6", "--field", "15=2", "--field", "16=1", "--field", "17=390",
                       "--field", "18=1185", "--field", "19=10", "--field", "20=250", "--field", "21=3",
                       "--field", "22=1", "--field", "23=1380", "--field", "24=345", "--field", "25=5",
                       "--field", "26=140", "--field", "27=1", "--field", "28=1", "--field", "29=4",
                       "--field", "30=1", "--field", "31=1", "--field", "32=0"}
        << QStringList{read[0], exit};
    // With both controller windows open, a read sends nothing; the operator's changes after it
    // each send the configuration once.
    QTest::newRow("controller_windows_open_read_and_change")
        << none << QStringList{"--field", "27=1", "--field", "32=0", "--field", "14=5"}
        << QStringList{"click Form1.Settings3", "click Form1.AutoControls1", read[0], "item Form2.RadioGroup4 0",
                       "item Form2.RadioGroup2 1", "item Form13.TntRadioGroup1 1", "spin Form13.SpinEdit6 12", exit};
    // A price board with six products, two of them hidden: the upload carries fillers for them.
    QTest::newRow("price_board_from_board_view")
        << none << none
        << QStringList{"click Form1.Tablo1", "item Form12.RadioGroup2 1", "spin Form12.SpinEdit10 6",
                       "click Form12.Button1", "check Form1.CheckBox2 off", "check Form1.CheckBox1a off", send[0],
                       exit};
    // The Settings dialog's own values: what "Defaults" and "Close" keep, the number format.
    QTest::newRow("settings_dialog_values")
        << none << none
        << QStringList{"click Form1.Settings3", "spin Form2.SpinEdit4 3", "spin Form2.SpinEdit5 7",
                       "check Form2.CheckBox3 off", "spin Form2.SpinEdit3 3", "item Form2.RadioGroup7 1",
                       "check Form2.CheckBox9 off", "click Form2.Btn_Defaults_", "spin Form2.SpinEdit4 2",
                       "click Form2.Btn_OK_", send[0], exit};
    // A one-way link: a read loads the stored configuration instead.
    QTest::newRow("one_way_read_loads_stored")
        << QStringList{"Replys=1", "[Controller]", "Morning_Time=06:10:00", "OFF_Time=22:00:00",
                       "Morning_Time_Correction=-20", "ON_Time_Correction=7", "Morning_Brightness=1", "Flash=1",
                       "Shedule_Brightness=1"}
        << none << QStringList{read[0], exit};
    // A configuration the board does not take is undone from the settings file.
    QTest::newRow("sets_silent_reloads")
        << QStringList{"[Controller]", "Evening_Time=20:20:00", "Evening_Time_Correction=9"} << none
        << QStringList{read[0], "sim silent 1", "click Form1.Settings3", "item Form2.RadioGroup1 1", exit};
}

void tst_golden::scenario()
{
    QFETCH(QStringList, ini);
    QFETCH(QStringList, sim);
    QFETCH(QStringList, steps);
    Sim board(QStringList{"--seed", "1"} + sim);
    QVERIFY2(board.ok(), qPrintable(board.errorText()));
    TestApp t(makeIni(board.port(), ini));
    t.writeFile("Shedule.shd", schedule());
    t.writeFile("Tablo_data.tbl", "1.2345\r\n2.3456\r\n3.4567\r\n4.5678\r\n5.6789\r\n"
                                  "6.7891\r\n7.8912\r\n8.9123\r\n9.1234\r\n0.5000\r\n");
    t.startUp();
    for (const QString &s : steps) {
        step(board, t, s);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(t.settle(), qPrintable("still busy after " + s));   // the step's exchanges have ended
    }

    auto *status = qobject_cast<QLabel *>(find("Form1.StatusBar1.Panel0"));
    QByteArray trace = "== received by the board\n" + escaped(withoutClock(board.received()));
    trace += "== Quorvanel_tablo.ini\n"
             + escaped(t.readFile("Quorvanel_tablo.ini").replace(board.port().toLatin1(), "<port>"));
    trace += "== Tablo_data.tbl\n" + escaped(t.readFile("Tablo_data.tbl"));
    trace += "== status\n" + escaped(status ? status->text().toUtf8() : "<no status panel>");
    trace += "== dialogs\n" + escaped(t.modals.join(' ').toUtf8());

    QFile file(goldenPath(QTest::currentDataTag()));
    if (qEnvironmentVariableIntValue("TABLO_GOLDEN_RECORD") == 1) {
        QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file.fileName()));
        file.write(trace);
        return;
    }
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName() + " missing: record with TABLO_GOLDEN_RECORD=1"));
    const QByteArrayList want = file.readAll().split('\n'), got = trace.split('\n');
    for (int i = 0; i < qMax(want.size(), got.size()); ++i)
        QVERIFY2(want.value(i) == got.value(i), qPrintable(QString("line %1\n   got: %2\n  want: %3")
                                                               .arg(i + 1)
                                                               .arg(QString::fromLatin1(got.value(i)),
                                                                    QString::fromLatin1(want.value(i)))));
}

QTEST_MAIN(tst_golden)
#include "tst_golden.moc"
