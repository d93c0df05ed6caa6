// Test mode against the simulator: patterns written through the figure fields and uploaded,
// the data file kept as it was when the window opened, restoring and leaving the pattern.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "Sim.h"
#include "TestApp.h"
#include "core/link/QtSerialLink.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"

namespace {

const QStringList Figures{"1.2345", "2.3456", "3.4567", "4.5678", "5.6789",
                          "6.7891", "7.8912", "8.9123", "9.1234", "0.5000"};

QByteArray dataFile(const QStringList &figures)
{
    QByteArray out;
    for (const QString &f : figures)
        out += f.toLatin1() + "\r\n";
    return out;
}

// The payload of every "SEND=" the board received, in order (without framing).
QByteArrayList sends(const QByteArray &received)
{
    QByteArrayList out;
    for (const QByteArray &line : received.split('\n'))
        if (line.startsWith("SEND="))
            out << line.left(line.indexOf(';'));
    return out;
}

QByteArray sendOf(const QStringList &figures)
{
    return "SEND=" + figures.join(QLatin1Char(',')).toLatin1() + ',';
}

// The program with its own figures in the data file, started and connected to a simulator.
struct Rig {
    Rig() : t(QByteArray(), false)
    {
        t.writeFile(QStringLiteral("Tablo_data.tbl"), dataFile(Figures));
        t.startUp();
    }
    TestApp t;
    Sim sim;
    Program &app() { return *t.app; }
    MainWindow *f1() { return t.mainWindow(); }
    TestPatternWindow *f11() { return t.app->testPatternWindow; }
    bool connect()
    {
        if (!sim.ok())
            return false;
        t.app->settingsDialog->portCombo->setEditText(sim.port());
        t.app->settingsDialog->reopenPort();
        return app().serialLink->state() == SerialLink::State::Open;
    }
    QStringList fields()
    {
        QStringList out;
        for (int k = 1; k <= 10; ++k)
            out << f1()->figureEdits[k]->text();
        return out;
    }
    QByteArray file() { return t.readFile(QStringLiteral("Tablo_data.tbl")); }
    void open() { f1()->testModeAction->trigger(); }
    void pick(int index) { f11()->patternGroup->button(index)->click(); }
};

} // namespace

class TestTestMode : public QObject {
    Q_OBJECT
private slots:
    // A pattern goes into the fields formatted and is uploaded; the data file keeps the
    // figures saved when the window opened.
    void patterns_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("fields");
        auto all = [](const char *text) { return QStringList(10, QString::fromLatin1(text)); };
        QTest::newRow("0.0000") << 0 << all("0.0000");
        QTest::newRow("7.7777") << 7 << all("7.7777");
        QTest::newRow("88888") << 10 << all("88888");
        QTest::newRow("88.888") << 11 << all("88.888");
        QTest::newRow("8888.8") << 13 << all("8888.8");
        QTest::newRow("0.1234") << 15 << all("0.1234");
        QTest::newRow("112233...") << 17
                                   << QStringList{"1.1111", "2.2222", "3.3333", "4.4444", "5.5555",
                                                  "6.6666", "7.7777", "8.8888", "9.9999", "0.0000"};
    }
    void patterns()
    {
        QFETCH(int, index);
        QFETCH(QStringList, fields);
        Rig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        QVERIFY(!rig.app().settingsDialog->autoLoadBox->isChecked());
        // Row 3 is not shown: its two slots carry the filler.
        rig.f1()->oddSlotBoxes[3]->setChecked(false);

        rig.open();
        QVERIFY(rig.app().testMode);
        const QByteArray fileAtOpen = rig.file();
        QCOMPARE(fileAtOpen, dataFile(Figures));

        rig.pick(index);
        QCOMPARE(rig.fields(), fields);
        QStringList wire = fields;
        wire[4] = wire[5] = QStringLiteral("00000");
        wire[8] = wire[9] = QStringLiteral("00000");
        QCOMPARE(sends(rig.sim.received()), QByteArrayList{sendOf(wire)});
        QCOMPARE(rig.f1()->statusPanels->panelText(0), QStringLiteral("Sent OK"));
        QCOMPARE(rig.t.modals, QStringList());
        QVERIFY(rig.f11()->isVisible());
        QCOMPARE(rig.file(), fileAtOpen);
    }

    // "Close and restore data" brings back the figures of the opening, uploads them and ends
    // test mode.
    void restore()
    {
        Rig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        // An edit before opening is among the figures restored.
        rig.f1()->figureEdits[2]->setText(QStringLiteral("4.4000"));
        QStringList atOpen = Figures;
        atOpen[1] = QStringLiteral("4.4000");

        rig.open();
        QCOMPARE(rig.f1()->statusPanels->panelText(0), QStringLiteral("Loaded"));
        QCOMPARE(rig.file(), dataFile(atOpen));
        for (int index : {11, 17, 3})
            rig.pick(index);
        QCOMPARE(rig.fields(), QStringList(10, QStringLiteral("3.3333")));

        QTest::mouseClick(rig.f11()->restoreButton, Qt::LeftButton);
        QCOMPARE(rig.fields(), atOpen);
        QVERIFY(!rig.app().testMode);
        QVERIFY(!rig.f11()->isVisible());
        const QByteArrayList sent = sends(rig.sim.received());
        QCOMPARE(sent.size(), 4);
        QStringList wire = atOpen;
        wire[8] = wire[9] = QStringLiteral("00000");   // row 5 is not shown by default
        QCOMPARE(sent.last(), sendOf(wire));
        QCOMPARE(rig.f1()->statusPanels->panelText(0), QStringLiteral("Sent OK"));
        QCOMPARE(rig.file(), dataFile(atOpen));

        // Out of test mode an edit is saved again.
        rig.f1()->figureEdits[1]->setText(QStringLiteral("6.1000"));
        atOpen[0] = QStringLiteral("6.1000");
        QCOMPARE(rig.file(), dataFile(atOpen));
    }

    // Leaving the pattern standing keeps test mode: later edits and uploads do not write the
    // data file until the window is opened again and closed with restore.
    void leave_data()
    {
        QTest::addColumn<bool>("viaButton");
        QTest::newRow("Close and leave current data") << true;
        QTest::newRow("frame close box") << false;
    }
    void leave()
    {
        QFETCH(bool, viaButton);
        Rig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        rig.open();
        rig.pick(5);
        if (viaButton)
            QTest::mouseClick(rig.f11()->keepButton, Qt::LeftButton);
        else
            rig.f11()->close();
        QVERIFY(!rig.f11()->isVisible());
        QVERIFY(rig.app().testMode);
        QCOMPARE(rig.fields(), QStringList(10, QStringLiteral("5.5555")));

        // The operator's own edit and upload.
        rig.f1()->figureEdits[1]->setText(QStringLiteral("2.0000"));
        QTest::mouseClick(rig.f1()->writeButton, Qt::LeftButton);
        QStringList wire(10, QStringLiteral("5.5555"));
        wire[0] = QStringLiteral("2.0000");
        wire[8] = wire[9] = QStringLiteral("00000");
        QCOMPARE(sends(rig.sim.received()).last(), sendOf(wire));
        QCOMPARE(rig.file(), dataFile(Figures));
        QVERIFY(rig.app().testMode);

        // Opening again saves what the fields hold then, and starts anew.
        rig.open();
        QCOMPARE(rig.f11()->patternGroup->itemIndex(), -1);
        QStringList now(10, QStringLiteral("5.5555"));
        now[0] = QStringLiteral("2.0000");
        QCOMPARE(rig.file(), dataFile(now));
        QTest::mouseClick(rig.f11()->restoreButton, Qt::LeftButton);
        QCOMPARE(rig.fields(), now);
        QVERIFY(!rig.app().testMode);
    }

    // Opening clears a previous pick without uploading anything, and places the window beside
    // the main window, as wide as it.
    void opening()
    {
        Rig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        rig.f1()->move(150, 60);
        rig.open();
        TestPatternWindow *f11 = rig.f11();
        QVERIFY(f11->isVisible());
        QCOMPARE(f11->pos(), QPoint(rig.f1()->width() + 20, 60));
        QCOMPARE(f11->width(), rig.f1()->width());
        QCOMPARE(f11->patternGroup->count(), 18);
        QCOMPARE(f11->patternGroup->columns(), 4);

        rig.pick(12);
        QCOMPARE(sends(rig.sim.received()).size(), 1);
        f11->hide();
        rig.open();
        QCOMPARE(f11->patternGroup->itemIndex(), -1);
        QCOMPARE(rig.f1()->statusPanels->panelText(0), QStringLiteral("Loaded"));
        QTest::qWait(300);
        QCOMPARE(sends(rig.sim.received()).size(), 1);
        // The same pattern can be picked again at once.
        rig.pick(12);
        QCOMPARE(sends(rig.sim.received()).size(), 2);
        QCOMPARE(rig.fields(), QStringList(10, QStringLiteral("888.88")));
    }
};

QTEST_MAIN(TestTestMode)
#include "tst_test_mode.moc"
