// Test mode against the simulator: patterns written through the figure fields and uploaded,
// the data file kept as it was when the window opened, restoring and leaving the pattern.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "BoardRig.h"
#include "core/files/DataFile.h"
#include "core/link/QtSerialLink.h"

namespace {

const QStringList Figures{"1.2345", "2.3456", "3.4567", "4.5678", "5.6789",
                          "6.7891", "7.8912", "8.9123", "9.1234", "0.5000"};

// The payload of every "SEND=" the board received, in order (without framing).
QByteArrayList sends(const BoardRig &rig)
{
    QByteArrayList out;
    for (const QByteArray &command : rig.commands())
        if (command.startsWith("SEND="))
            out << command;
    return out;
}

QByteArray sendOf(const QStringList &figures)
{
    return "SEND=" + figures.join(QLatin1Char(',')).toLatin1() + ',';
}

// The program with its own figures in the data file, started.
BoardRig::Options ownFigures()
{
    return {.dataFile = DataFile::compose(Figures)};
}

void open(BoardRig &rig) { rig.mainWindow()->testModeAction->trigger(); }
void pick(BoardRig &rig, int index)
{
    rig.testPatternWindow()->patternGroup->button(index)->click();
    QVERIFY(rig.settle());   // the pattern's upload has ended
}

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
        BoardRig rig(ownFigures());
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        QVERIFY(!rig.settingsDialog()->autoLoadBox->isChecked());
        // Row 3 is not shown: its two slots carry the filler.
        rig.mainWindow()->oddSlotBoxes[3]->setChecked(false);

        open(rig);
        QVERIFY(rig.mainWindow()->testMode);
        const QByteArray fileAtOpen = rig.dataFile();
        QCOMPARE(fileAtOpen, DataFile::compose(Figures));

        pick(rig, index);
        QCOMPARE(rig.figures(), fields);
        QStringList wire = fields;
        wire[4] = wire[5] = QStringLiteral("00000");
        wire[8] = wire[9] = QStringLiteral("00000");
        QCOMPARE(sends(rig), QByteArrayList{sendOf(wire)});
        QCOMPARE(rig.panel(0), QStringLiteral("Sent OK"));
        QCOMPARE(rig.testApp.modals, QStringList());
        QVERIFY(rig.testPatternWindow()->isVisible());
        QCOMPARE(rig.dataFile(), fileAtOpen);
    }

    // "Close and restore data" brings back the figures of the opening, uploads them and ends
    // test mode.
    void restore()
    {
        BoardRig rig(ownFigures());
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        // An edit before opening is among the figures restored.
        rig.mainWindow()->figureEdits[2]->setText(QStringLiteral("4.4000"));
        QStringList atOpen = Figures;
        atOpen[1] = QStringLiteral("4.4000");

        open(rig);
        QCOMPARE(rig.panel(0), QStringLiteral("Loaded"));
        QCOMPARE(rig.dataFile(), DataFile::compose(atOpen));
        for (int index : {11, 17, 3})
            pick(rig, index);
        QCOMPARE(rig.figures(), QStringList(10, QStringLiteral("3.3333")));

        QTest::mouseClick(rig.testPatternWindow()->restoreButton, Qt::LeftButton);
        QVERIFY(rig.settle());
        QCOMPARE(rig.figures(), atOpen);
        QVERIFY(!rig.mainWindow()->testMode);
        QVERIFY(!rig.testPatternWindow()->isVisible());
        const QByteArrayList sent = sends(rig);
        QCOMPARE(sent.size(), 4);
        QStringList wire = atOpen;
        wire[8] = wire[9] = QStringLiteral("00000");   // row 5 is not shown by default
        QCOMPARE(sent.last(), sendOf(wire));
        QCOMPARE(rig.panel(0), QStringLiteral("Sent OK"));
        QCOMPARE(rig.dataFile(), DataFile::compose(atOpen));

        // Out of test mode an edit is saved again.
        rig.mainWindow()->figureEdits[1]->setText(QStringLiteral("6.1000"));
        atOpen[0] = QStringLiteral("6.1000");
        QCOMPARE(rig.dataFile(), DataFile::compose(atOpen));
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
        BoardRig rig(ownFigures());
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        open(rig);
        pick(rig, 5);
        if (viaButton)
            QTest::mouseClick(rig.testPatternWindow()->keepButton, Qt::LeftButton);
        else
            rig.testPatternWindow()->close();
        QVERIFY(!rig.testPatternWindow()->isVisible());
        QVERIFY(rig.mainWindow()->testMode);
        QCOMPARE(rig.figures(), QStringList(10, QStringLiteral("5.5555")));

        // The operator's own edit and upload.
        rig.mainWindow()->figureEdits[1]->setText(QStringLiteral("2.0000"));
        QTest::mouseClick(rig.mainWindow()->writeButton, Qt::LeftButton);
        QVERIFY(rig.settle());
        QStringList wire(10, QStringLiteral("5.5555"));
        wire[0] = QStringLiteral("2.0000");
        wire[8] = wire[9] = QStringLiteral("00000");
        QCOMPARE(sends(rig).last(), sendOf(wire));
        QCOMPARE(rig.dataFile(), DataFile::compose(Figures));
        QVERIFY(rig.mainWindow()->testMode);

        // Opening again saves what the fields hold then, and starts anew.
        open(rig);
        QCOMPARE(rig.testPatternWindow()->patternGroup->itemIndex(), -1);
        QStringList now(10, QStringLiteral("5.5555"));
        now[0] = QStringLiteral("2.0000");
        QCOMPARE(rig.dataFile(), DataFile::compose(now));
        QTest::mouseClick(rig.testPatternWindow()->restoreButton, Qt::LeftButton);
        QCOMPARE(rig.figures(), now);
        QVERIFY(!rig.mainWindow()->testMode);
    }

    // Opening clears a previous pick without uploading anything, and places the window beside
    // the main window, as wide as it.
    void opening()
    {
        BoardRig rig(ownFigures());
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        rig.mainWindow()->move(150, 60);
        open(rig);
        TestPatternWindow *window = rig.testPatternWindow();
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), QPoint(rig.mainWindow()->width() + 20, 60));
        QCOMPARE(window->width(), rig.mainWindow()->width());
        QCOMPARE(window->patternGroup->count(), 18);
        QCOMPARE(window->patternGroup->columns(), 4);

        pick(rig, 12);
        QCOMPARE(sends(rig).size(), 1);
        window->hide();
        open(rig);
        QCOMPARE(window->patternGroup->itemIndex(), -1);
        QCOMPARE(rig.panel(0), QStringLiteral("Loaded"));
        QTest::qWait(300);
        QCOMPARE(sends(rig).size(), 1);
        // The same pattern can be picked again at once.
        pick(rig, 12);
        QCOMPARE(sends(rig).size(), 2);
        QCOMPARE(rig.figures(), QStringList(10, QStringLiteral("888.88")));
    }
};

QTEST_MAIN(TestTestMode)
#include "tst_test_mode.moc"
