// The board read and the figure upload, through the real windows, against the simulator.
#include <QCheckBox>
#include <QComboBox>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "core/operations/BoardService.h"
#include "BoardRig.h"
#include "core/files/DataFile.h"
#include "gui/ErrorDialogs.h"
#include "core/protocol/Protocol.h"

namespace {

// A started program whose settings file names the simulator's port, with the standard settings
// and `overrides`, and a schedule with today's times, for the modes by schedule.
BoardRig::Options withSettings(const QStringList &overrides = {})
{
    return {.settings = standardSettings(overrides),
            .schedule = "Day   Morning  Evening\r\n" + QDate::currentDate().toString("MM.dd").toLatin1()
                        + " 07:30    19:45\r\n"};
}

// A READ reply line with the given fields, each followed by ",", optionally with its sum.
QByteArray replyLine(const QByteArrayList &fields, bool withSum, int sumOffset = 0)
{
    QByteArray line = "READ=";
    for (const QByteArray &f : fields)
        line += f + ',';
    if (withSum)
        line += ';' + QByteArray::number(Protocol::byteSum(line) + sumOffset) + ';';
    return line;
}

QByteArrayList goodFields()
{
    return QByteArray("2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,"
                      "30.5,2,1,3,1,0,420,1200,0,0,4,1,60,1140,0,0,0,1,0,0,0,0")
        .split(',');
}

// What a control shows, by a short name.
QString probe(const Program &a, const QString &what)
{
    const MainWindow *mainWindow = a.mainWindow;
    const SettingsDialog *dialog = a.settingsDialog;
    const AutoControlsWindow *controls = a.autoControlsWindow;
    const QMap<QString, RadioGroup *> groups{
        {"Form1.RadioGroup1", mainWindow->brightnessGroup},          {"Form1.RadioGroup2", mainWindow->lightingGroup},
        {"Form13.TntRadioGroup1", controls->lightingModeGroup},
        {"Form13.TntRadioGroup2", controls->brightnessModeGroup},
        {"Form2.RadioGroup1", dialog->flashGroup},             {"Form2.RadioGroup2", dialog->controlledByGroup},
        {"Form2.RadioGroup3", dialog->inverseSignalsGroup},    {"Form2.RadioGroup4", dialog->timerUsedGroup},
        {"Form2.RadioGroup5", dialog->temperatureSensorGroup}, {"Form2.RadioGroup6", dialog->eventsGroup},
        {"Form2.TntRadioGroup1", dialog->clockSectionGroup}};
    if (groups.contains(what))
        return QString::number(groups[what]->itemIndex());
    const QMap<QString, QSpinBox *> spins{
        {"Form13.SpinEdit6", controls->offCorrectionSpin},     {"Form13.SpinEdit7", controls->onCorrectionSpin},
        {"Form13.SpinEdit8", controls->morningCorrectionSpin}, {"Form13.SpinEdit9", controls->eveningCorrectionSpin}};
    if (spins.contains(what))
        return QString::number(spins[what]->value());
    if (what == "Form13.ComboBox2")
        return QString::number(controls->dayLevelBox->currentIndex());
    if (what == "Form13.ComboBox4")
        return QString::number(controls->nightLevelBox->currentIndex());
    const QMap<QString, QPushButton *> buttons{{"Form2.Button1", dialog->pcButton},
                                               {"Form2.Button3", dialog->modemButton},
                                               {"Form2.Button5", dialog->timeQueryButton}};
    if (buttons.contains(what))
        return buttons[what]->isEnabled() ? "enabled" : "disabled";
    if (what.startsWith("panel"))
        return mainWindow->statusPanels->panelText(what.mid(5).toInt());
    if (what == "Morning_Time")
        return a.settings->switchTime(SwitchTime::Morning);
    if (what == "Evening_Time")
        return a.settings->switchTime(SwitchTime::Evening);
    if (what == "OFF_Time")
        return a.settings->switchTime(SwitchTime::Off);
    if (what == "ON_Time")
        return a.settings->switchTime(SwitchTime::On);
    return QStringLiteral("<unknown probe %1>").arg(what);
}

void expectIdle(const BoardRig &r)
{
    QVERIFY(!r.app().service->isBusy());
    QVERIFY(!r.app().boardSession->isBusy());
    for (QWidget *w : r.exchangeControls())
        QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
}

} // namespace

class tst_read_send : public QObject {
    Q_OBJECT
private slots:
    void operatorRead_data();
    void operatorRead();
    void readFillsShownSlotsOnly();
    void readInScheduleModesWithoutSchedule();
    void readReply_data();
    void readReply();
    void oneWayReadSendsNothing();
    void upload_data();
    void upload();
};

void tst_read_send::operatorRead_data()
{
    QTest::addColumn<QStringList>("board");   // simulator control commands
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("expected");

    // What a reading makes of each controller value is the core's (its own table); here what the
    // windows show of it. With the timer used the selectors keep their automatic items when they
    // are rebuilt.
    const QString timer = "field 27=1";
    QTest::newRow("brightness 6: auto by schedule") << QStringList{timer, "field 14=6"} << "Form1.RadioGroup1" << "5";
    QTest::newRow("lighting 3: auto") << QStringList{timer, "field 15=3"} << "Form1.RadioGroup2" << "2";
    QTest::newRow("offset 200") << QStringList{"field 19=200"} << "Form13.SpinEdit8" << "-56";
    QTest::newRow("modem: PC button") << QStringList{"field 32=1"} << "Form2.Button1" << "enabled";
    QTest::newRow("modem: MODEM button") << QStringList{"field 32=1"} << "Form2.Button3" << "enabled";
    QTest::newRow("modem: Time? button") << QStringList{"field 32=1"} << "Form2.Button5" << "enabled";
    QTest::newRow("timer: Time? button") << QStringList{"field 27=1", "field 32=0"} << "Form2.Button5" << "enabled";
    QTest::newRow("PC: Time? button") << QStringList{"field 27=0", "field 32=0"} << "Form2.Button5" << "disabled";
    QTest::newRow("PC: MODEM button") << QStringList{"field 27=1", "field 32=0"} << "Form2.Button3" << "disabled";
    QTest::newRow("sensor fault") << QStringList{"field 28=1", "temp -0.25"} << "panel3" << "Error";
    QTest::newRow("temperature") << QStringList{"field 28=1", "temp 21.5"} << "panel3" << "21.5°C";
    QTest::newRow("no sensor") << QStringList{"field 28=0", "temp 21.5"} << "panel3" << "";
    QTest::newRow("level 0") << QStringList{"bright 0"} << "panel1" << "BRIG=Min";
    QTest::newRow("level 4") << QStringList{"bright 4"} << "panel1" << "BRIG=100%";
    QTest::newRow("level 7 keeps the panel") << QStringList{"field 12=7"} << "panel1" << "before";
    QTest::newRow("lighting state") << QStringList{"light 1"} << "panel2" << "LIGH=1";
    QTest::newRow("outcome") << QStringList{} << "panel0" << "Reading Ok";
}

void tst_read_send::operatorRead()
{
    QFETCH(QStringList, board);
    QFETCH(QString, what);
    QFETCH(QString, expected);
    BoardRig r(withSettings());
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    for (const QString &c : board)
        QVERIFY2(r.sim.control(c), qPrintable(c));
    r.mainWindow()->statusPanels->setPanelText(1, "before");

    r.mainWindow()->readBoard();
    QVERIFY(r.settle());

    QCOMPARE(r.panel(0), QString("Reading Ok"));
    QCOMPARE(probe(r.app(), what), expected);
    QCOMPARE(r.mainWindow()->progressBar->value(), 1000);
    QVERIFY(r.sim.received().contains("READ=;345;\r\n"));
    QCOMPARE(r.testApp.modals, QStringList());
    QCOMPARE(r.app().beepCount, 0);
    expectIdle(r);
}

void tst_read_send::readInScheduleModesWithoutSchedule()
{
    // Both modes by schedule and changed corrections: every mode switch runs the lookup.
    BoardRig r(withSettings());
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    for (const QString c : {"field 27=1", "field 14=6", "field 15=3", "field 19=5", "field 20=6", "field 25=7",
                            "field 26=8", "field 16=1"})
        QVERIFY2(r.sim.control(c), qPrintable(c));
    QVERIFY(QFile::remove(r.testApp.path("Shedule.shd")));

    r.mainWindow()->readBoard();
    QVERIFY(r.settle());

    // One report for the whole read, and the rest of the reply is applied.
    QCOMPARE(r.app().reportedErrors.size(), 1);
    QVERIFY(r.app().reportedErrors[0].startsWith("Cannot open file"));
    QCOMPARE(r.panel(0), QString("Reading Ok"));
    QCOMPARE(probe(r.app(), "Form1.RadioGroup1"), QString("5"));
    QCOMPARE(probe(r.app(), "Form13.SpinEdit7"), QString("8"));
    QCOMPARE(probe(r.app(), "Form2.RadioGroup1"), QString("1"));
    expectIdle(r);
}

void tst_read_send::readFillsShownSlotsOnly()
{
    // Price board: slots 3 and 4 hidden.
    BoardRig r(withSettings({"Board_type=1", "2st_Currency=0", "2a_st_Currency=0", "5st_Currency=1",
                             "5a_st_Currency=1"}));
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    for (int k = 1; k <= 10; ++k)
        QVERIFY(r.sim.control(QStringLiteral("field %1=%2.%3").arg(k).arg(k % 10).arg(k * 11 % 10000, 4, 10, QChar('0'))));
    QVERIFY(!r.mainWindow()->slotShown(3));
    QVERIFY(!r.mainWindow()->slotShown(4));
    QVERIFY(r.mainWindow()->slotShown(5));

    r.mainWindow()->readBoard();
    QVERIFY(r.settle());

    QCOMPARE(r.panel(0), QString("Reading Ok"));
    for (int k = 1; k <= 10; ++k) {
        const QString board = QStringLiteral("%1.%2").arg(k % 10).arg(k * 11 % 10000, 4, 10, QChar('0'));
        const QString want = (k == 3 || k == 4) ? QStringLiteral("1.0000") : board;
        QCOMPARE(r.mainWindow()->figureEdits[k]->text(), want);
        // A hidden slot's stored text stays its figure, so the data file keeps it.
        QCOMPARE(r.app().service->figures().figure(k), want);
    }
    QCOMPARE(r.dataFile(), DataFile::compose(r.figures()));
    r.mainWindow()->saveDataFile();
    QCOMPARE(r.dataFile(), DataFile::compose(r.figures()));
    // The board's own texts are what a verification compares.
    QVERIFY(r.app().boardSession->lastReading().figuresText().contains("3.0033"));
}

void tst_read_send::readReply_data()
{
    QTest::addColumn<bool>("checksums");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("modals");
    QTest::addColumn<QString>("edit1");        // figure field 1 afterwards
    QTest::addColumn<QString>("temperature");  // stored entry 11 afterwards

    const QByteArrayList all = goodFields();
    const QString ok = "Reading Ok", conn = "Connection error, data loaded from file", data = "Data error";
    const QString board = "2.5000", file = "7.0000", old = "old";
    // The reply's field rules are tables of the protocol tests; these rows check what the
    // windows show for each kind of outcome.
    QTest::newRow("32 fields, sums off") << false << replyLine(all, false) << ok << QStringList() << board << "30.5";
    QTest::newRow("32 fields and sum") << true << replyLine(all, true) << ok << QStringList() << board << "30.5";
    QTest::newRow("sum one too high") << true << replyLine(all, true, 1) << conn << QStringList() << file << old;
    QTest::newRow("no semicolon, sums on") << true << replyLine(all, false) << conn << QStringList() << file << old;
    QByteArrayList f = all;
    f[4] = "";
    QTest::newRow("empty field") << false << replyLine(f, false) << data << QStringList{"Form10"} << file << old;
    QTest::newRow("31 fields") << false << replyLine(all.mid(0, 31), false) << ok << QStringList() << board << "30.5";
    f = all;
    f[13] = "1.5";
    QTest::newRow("mode not whole") << false << replyLine(f, false) << data << QStringList{"Form10"} << file << old;
    f = all;
    f[20] = " 2";
    QTest::newRow("blank before a number") << false << replyLine(f, false) << ok << QStringList() << board << "30.5";
    QTest::newRow("OK instead of READ") << true << QByteArray("OK") << "Reading" << QStringList() << "1.0000" << old;
    QTest::newRow("ERROR") << true << QByteArray("ERROR") << data << QStringList{"Form10"} << file << old;
}

void tst_read_send::readReply()
{
    QFETCH(bool, checksums);
    QFETCH(QByteArray, reply);
    QFETCH(QString, status);
    QFETCH(QStringList, modals);
    QFETCH(QString, edit1);
    QFETCH(QString, temperature);
    BoardRig r(withSettings({checksums ? "Manage_Checksumms=1" : "Manage_Checksumms=0"}));
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    QVERIFY(r.sim.control("reply " + simEscaped(reply)));
    // The data file now differs from the fields: a failed read shows the file's figures.
    r.testApp.writeFile("Tablo_data.tbl", "7.0000\r\n" + QByteArray("1.0000\r\n").repeated(9));
    r.app().service->takeEvent("old", {}, {});
    const BoardReading &state = r.app().service->state().reading;
    const std::array<QByteArray, 33> before = state.fields();

    r.mainWindow()->readBoard();
    QVERIFY(r.settle());

    QCOMPARE(r.panel(0), status);
    QCOMPARE(r.testApp.modals, modals);
    QCOMPARE(r.app().beepCount, status == "Reading Ok" || status == "Reading" ? 0 : 1);
    QCOMPARE(r.mainWindow()->figureEdits[1]->text(), edit1);
    QCOMPARE(QString::fromLatin1(state.temperature), temperature);
    if (status != "Reading Ok") {
        // A rejected reply changes none of the board's values.
        for (int k = 11; k <= 32; ++k)
            QCOMPARE(state.fields()[k], before[k]);
    }
    if (status == "Connection error, data loaded from file") {
        QCOMPARE(r.panel(1), QString());
        QCOMPARE(r.panel(2), QString());
    }
    if (QTest::currentDataTag() == QByteArray("31 fields"))
        QCOMPARE(state.controlledBy, before[32]);
    if (QTest::currentDataTag() == QByteArray("blank before a number"))
        QCOMPARE(r.autoControlsWindow()->dayLevelBox->currentIndex(), 2);
    expectIdle(r);
}

void tst_read_send::oneWayReadSendsNothing()
{
    BoardRig r(withSettings({"Replys=1"}));
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    QVERIFY(r.settingsDialog()->oneWayLinkBox->isChecked());
    r.mainWindow()->statusPanels->setPanelText(0, "before");
    r.mainWindow()->readBoard();
    QVERIFY(r.settle());
    QTest::qWait(300);
    QCOMPARE(r.sim.received(), QByteArray());
    QCOMPARE(r.panel(0), QString("before"));
    QVERIFY(!r.app().service->isBusy());
}

void tst_read_send::upload_data()
{
    QTest::addColumn<QStringList>("ini");
    QTest::addColumn<QStringList>("board");        // simulator control commands
    QTest::addColumn<QByteArray>("command");       // the bare SEND= command expected
    QTest::addColumn<bool>("readBack");            // READ= follows
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("modals");

    const QByteArray shown8 = QByteArray("1.0000,").repeated(8) + "00000,00000,";
    QTest::newRow("all hidden, 5 digits, fill 0")
        << QStringList{"1st_Currency=0", "2st_Currency=0", "3st_Currency=0", "4st_Currency=0", "5st_Currency=0"}
        << QStringList() << "SEND=" + QByteArray("00000,").repeated(10) << true << "Sent OK" << QStringList();
    QTest::newRow("4 digits, fill blank")
        << QStringList{"Board_type=1", "Digits=4", "Fill_char=1", "1a_st_Currency=0", "5st_Currency=1",
                       "5a_st_Currency=1"}
        << QStringList() << "SEND=1.000 ,     ," + QByteArray("1.000 ,").repeated(8) << true << "Sent OK"
        << QStringList();
    QTest::newRow("5 digits, two rows hidden") << QStringList() << QStringList() << "SEND=" + shown8 << true
                                               << "Sent OK" << QStringList();
    QTest::newRow("one-way") << QStringList{"Replys=1"} << QStringList() << "SEND=" + shown8 << false << "Sent OK"
                             << QStringList();
    QTest::newRow("read-back differs") << QStringList() << QStringList{"differ 1"} << "SEND=" + shown8 << true
                                       << "Data error" << QStringList{"Form9"};
    QTest::newRow("read-back malformed") << QStringList() << QStringList{"malformed 1"} << "SEND=" + shown8 << true
                                         << "Data error" << QStringList{"Form9"};
    QTest::newRow("read-back wrong sum") << QStringList() << QStringList{"bad-checksum 1"} << "SEND=" + shown8
                                         << true << "Connection error" << QStringList{"Form8"};
    QTest::newRow("no answer to READ=") << QStringList() << QStringList{"ok-then-silent 1"} << "SEND=" + shown8
                                        << true << "Connection error" << QStringList{"Form8"};
    QTest::newRow("READ line to SEND=") << QStringList() << QStringList{"reply-read-to-send 1"} << "SEND=" + shown8
                                        << false << "Sending" << QStringList();
    QTest::newRow("silence") << QStringList() << QStringList{"silent 1"} << "SEND=" + shown8 << false
                             << "Connection error" << QStringList{"Form8"};
    QTest::newRow("ERROR") << QStringList() << QStringList{"error-first 1"} << "SEND=" + shown8 << false
                           << "Data error" << QStringList{"Form9"};
}

void tst_read_send::upload()
{
    QFETCH(QStringList, ini);
    QFETCH(QStringList, board);
    QFETCH(QByteArray, command);
    QFETCH(bool, readBack);
    QFETCH(QString, status);
    QFETCH(QStringList, modals);
    BoardRig r(withSettings(ini));
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    for (const QString &c : board)
        QVERIFY2(r.sim.control(c), qPrintable(c));
    const QByteArray before = r.sim.received();

    r.mainWindow()->requestUpload(QStringLiteral("write-button"));
    QVERIFY(r.settle());

    QByteArray wire = Protocol::frameCommand(command, true);
    if (readBack)
        wire += "READ=;345;\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.received().mid(before.size()), wire, 5000);
    QCOMPARE(r.panel(0), status);
    QCOMPARE(r.testApp.modals, modals);
    QCOMPARE(r.app().beepCount, modals.size());
    QCOMPARE(r.mainWindow()->lastUploadOk, status == "Sent OK");
    if (status == "Sent OK")
        QCOMPARE(r.mainWindow()->progressBar->value(), 1000);
    // Whatever happened, a slot's stored text is its field's figure, never the filler.
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(r.app().service->figures().figure(k), r.mainWindow()->figureEdits[k]->text());
    // The upload saved the figures first; a save now writes the same figures.
    QCOMPARE(r.dataFile(), DataFile::compose(r.figures()));
    r.mainWindow()->saveDataFile();
    QCOMPARE(r.dataFile(), DataFile::compose(r.figures()));
    expectIdle(r);
}

QTEST_MAIN(tst_read_send)
#include "tst_read_send.moc"
