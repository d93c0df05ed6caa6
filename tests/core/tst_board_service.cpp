// The board service and the controller workflow against a scripted link on virtual time: one
// request at a time in the order asked, a newer one of a waiting kind in its place, content taken
// at the start, one reply each; what the controller's results mean.
#include <QtTest>

#include "ServiceRig.h"
#include "core/operations/ControllerWorkflow.h"

namespace {

struct Rig : ServiceRig {
    ControllerWorkflow workflow{service, settings};
    QStringList statuses;   // of every reply, in the order they were asked

    Rig()
    {
        settings.setTimeout(1000);
        service.setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)); });
        for (int k = 1; k <= 10; ++k)
            service.figures().setFigure(k, "1.0000");
    }
    void know()
    {
        for (int f = 0; f < ControllerFieldCount; ++f)
            settings.choose(ControllerField(f), 0);
        for (SwitchTime t : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
            settings.chooseSwitchTime(t, "00:00:00");
    }
    void keep(BoardReply *reply)
    {
        if (!reply)
            return;
        const int i = int(statuses.size());
        statuses << "Waiting";
        whenFinished(reply, &service, [this, i](BoardReply *r) {
            statuses[i] = QString::fromLatin1(QMetaEnum::fromType<BoardReply::Status>().valueToKey(int(r->status())));
            if (r->status() == BoardReply::Status::Done && !r->succeeded())
                statuses[i] = "Failed";
        });
    }
    // One action: b/l N the operator's brightness or lighting item, f the operator's flash on,
    // T the timer switched off, u an upload of figure text, t figures typed, r a read, c the clock.
    void act(const QString &a)
    {
        const QString arg = a.mid(1);
        switch (a[0].toLatin1()) {
        case 'b': settings.choose(ControllerField::Brightness, arg.toInt()); keep(workflow.chooseBrightness()); break;
        case 'l': settings.choose(ControllerField::Lighting, arg.toInt()); keep(workflow.chooseLighting()); break;
        case 'f': settings.choose(ControllerField::Flash, 1); workflow.sendControllerSettings(); keep(service.waiting(BoardReply::Kind::ControllerSettings)); break;
        case 'T': settings.choose(ControllerField::TimerUsed, 0); workflow.offerAutomaticModes(); break;
        case 't': for (int k = 1; k <= 10; ++k) service.figures().setFigure(k, arg); break;
        case 'u': act("t" + arg); keep(service.upload()); break;
        case 'r': keep(service.read()); break;
        case 'c': keep(service.setClock()); break;
        }
    }
};

} // namespace

class TestBoardService : public QObject {
    Q_OBJECT
private slots:
    // The first request meets the board's first answer; what is asked while it waits runs after
    // it, in order. `answers`: one per write, "-" for silence.
    void requests_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("during");
        QTest::addColumn<QByteArrayList>("answers");
        QTest::addColumn<QByteArrayList>("wire");
        QTest::addColumn<QStringList>("replies");
        QTest::addColumn<int>("brightness");   // the brightness item the settings end with
        QTest::addColumn<QString>("figure");   // slot 1 of the store at the end
        const QByteArray ok = "OK\r\n", old = readLine("9.9999");
        QTest::newRow("in order, a newer one of a kind in the waiting one's place")
            << "b2" << "b3 r c b4" << QByteArrayList{ok, ok, old, ok} << QByteArrayList{"BRIG=2", "BRIG=4", "READ=", "TIME=05.03.24 07:08:09"}
            << QStringList{"Done", "Superseded", "Done", "Done", "Done"} << 4 << "9.9999";
        // The operator's figures go out before the read asked after them, and the read does not
        // bring the board's old figures back over figures still to be sent.
        QTest::newRow("write then read during a slow command")
            << "b2" << "u2.5000 r" << QByteArrayList{ok, ok, readLine("2.5000"), readLine("2.5000")}
            << QByteArrayList{"BRIG=2", "SEND=2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,", "READ=", "READ="}
            << QStringList{"Done", "Done", "Done"} << 2 << "2.5000";
        QTest::newRow("a waiting upload takes the figures typed after it was asked")
            << "b2" << "u2.5000 t3.5000" << QByteArrayList{ok, ok, readLine("3.5000")}
            << QByteArrayList{"BRIG=2", "SEND=3.5000,3.5000,3.5000,3.5000,3.5000,3.5000,3.5000,3.5000,3.5000,3.5000,", "READ="}
            << QStringList{"Done", "Done"} << 2 << "3.5000";
        QTest::newRow("read then write: the read keeps the operator's figures")
            << "b2" << "r u2.5000" << QByteArrayList{ok, old, ok, readLine("2.5000")}
            << QByteArrayList{"BRIG=2", "READ=", "SEND=2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,2.5000,", "READ="}
            << QStringList{"Done", "Done", "Done"} << 2 << "2.5000";
        // A brightness choice whose own command failed is not shown again by a later settling.
        QTest::newRow("silent board: no brightness claimed")
            << "b2" << "b4 f" << QByteArrayList{"-", "-", "-"} << QByteArrayList{"BRIG=2", "BRIG=4"}
            << QStringList{"Failed", "Failed", "Held"} << -1 << "1.0000";
        QTest::newRow("the waiting command taken after a failed one")
            << "b2" << "b4" << QByteArrayList{"-", ok} << QByteArrayList{"BRIG=2", "BRIG=4"}
            << QStringList{"Failed", "Done"} << 4 << "1.0000";
        // An automatic item no longer offered: its waiting command is withdrawn, and "SETS="
        // carries what the board took, not the automatic brightness.
        QTest::newRow("withdrawn automatic item")
            << "b2" << "b5 T" << QByteArrayList{ok, ok} << QByteArrayList{"BRIG=2", "SETS=2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"}
            << QStringList{"Done", "Withdrawn"} << 2 << "1.0000";
        QTest::newRow("withdrawn automatic item, nothing taken")
            << "b2" << "b5 T" << QByteArrayList{"-", ok} << QByteArrayList{"BRIG=2"}
            << QStringList{"Failed", "Withdrawn"} << -1 << "1.0000";
    }
    void requests()
    {
        QFETCH(QString, during);
        QFETCH(QByteArrayList, answers);
        Rig rig;
        rig.know();
        for (const QByteArray &a : answers)
            a == "-" ? rig.link.stayQuiet() : rig.link.reply(a);
        QFETCH(QString, first);
        rig.act(first);
        QVERIFY(rig.service.isBusy());
        for (const QString &a : during.split(' ', Qt::SkipEmptyParts))
            rig.act(a);
        rig.settle();
        QTEST(rig.commands(), "wire");
        QTEST(rig.statuses, "replies");
        QTEST(rig.settings.controllerValue(ControllerField::Brightness), "brightness");
        QTEST(rig.service.figures().figure(1), "figure");
    }

    // What the truth record says after each kind of reply. Steps, asked at once and run in
    // order: r read, uX upload of ten X, b brightness, w withdraw what waits, o one-way link,
    // s let them all run first.
    // Each request is tagged with its step's number.
    void truth_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QByteArrayList>("answers");   // one per write; "-" silence
        QTest::addColumn<QString>("known");
        QTest::addColumn<QString>("shown");    // slot 1; "" unknown
        QTest::addColumn<QString>("sent");     // slot 1 of the texts behind it
        QTest::addColumn<QString>("request");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("changes");      // truthChanged signals
        const QByteArray ok = "OK\r\n", one = readLine("1.0000"), two = readLine("2.0000");
        QTest::newRow("read back exact") << "u2.0000" << QByteArrayList{ok, two} << "read-back-exact" << "2.0000" << "2.0000" << "0" << true << 1;
        QTest::newRow("read back different") << "u2.0000" << QByteArrayList{ok, readLine("9.9999")} << "read-back-different" << "9.9999" << "2.0000" << "0" << true << 1;
        QTest::newRow("read-back silent after SEND OK") << "r u2.0000" << QByteArrayList{one, ok, "-"} << "in-doubt" << "1.0000" << "2.0000" << "1" << true << 2;
        QTest::newRow("read-back garbled") << "r u2.0000" << QByteArrayList{one, ok, "READ=1,2\r\n"} << "in-doubt" << "1.0000" << "2.0000" << "1" << true << 2;
        QTest::newRow("SEND timed out") << "u2.0000" << QByteArrayList{"-"} << "in-doubt" << "" << "2.0000" << "0" << false << 1;
        QTest::newRow("two doubts: the figures before are not known") << "r u2.0000 s u3.0000" << QByteArrayList{one, ok, "-", ok, "-"} << "in-doubt" << "" << "3.0000" << "3" << true << 3;
        QTest::newRow("SEND refused") << "r u2.0000" << QByteArrayList{one, "ERROR\r\n"} << "read" << "1.0000" << "" << "0" << true << 1;
        QTest::newRow("one-way upload") << "o u2.0000" << QByteArrayList{} << "sent-one-way" << "2.0000" << "2.0000" << "1" << false << 1;
        QTest::newRow("read") << "r" << QByteArrayList{one} << "read" << "1.0000" << "" << "0" << true << 1;
        QTest::newRow("read failed") << "r" << QByteArrayList{"-"} << "unknown" << "" << "" << "" << false << 0;
        QTest::newRow("read garbled answers") << "r" << QByteArrayList{"READ=1,2\r\n"} << "unknown" << "" << "" << "" << true << 0;
        QTest::newRow("a read confirms the upload that put them there") << "u2.0000 r" << QByteArrayList{ok, two, two} << "read" << "2.0000" << "" << "0" << true << 2;
        QTest::newRow("a read finds the doubtful upload arrived") << "u2.0000 r" << QByteArrayList{ok, "-", two} << "read" << "2.0000" << "" << "0" << true << 2;
        QTest::newRow("superseded upload") << "b u3.0000 u2.0000" << QByteArrayList{ok, ok, two} << "read-back-exact" << "2.0000" << "2.0000" << "2" << true << 1;
        QTest::newRow("withdrawn upload") << "b u2.0000 w" << QByteArrayList{ok} << "unknown" << "" << "" << "" << true << 0;
    }
    void truth()
    {
        QFETCH(QString, steps);
        QFETCH(QByteArrayList, answers);
        Rig rig;
        rig.settings.setAttempts(1);
        for (const QByteArray &a : answers)
            a == "-" ? rig.link.stayQuiet() : rig.link.reply(a);
        int changes = 0;
        connect(&rig.service, &BoardService::truthChanged, this, [&](const BoardTruth &now, const BoardTruth &before) {
            QVERIFY(!now.sameTruth(before));
            ++changes;
        });
        const QStringList list = steps.split(' ');
        for (int i = 0; i < list.size(); ++i) {
            const QString &step = list[i];
            if (step == "r")
                rig.service.read(QString::number(i));
            else if (step == "b")
                rig.service.setBrightness(1, QString::number(i));
            else if (step == "w")
                rig.service.withdrawAll();
            else if (step == "o")
                rig.settings.setOneWay(true);
            else if (step == "s")
                rig.settle();
            else
                rig.service.uploadTexts(QStringList(10, step.mid(1)), QString::number(i));
        }
        rig.settle();
        const BoardTruth &t = rig.service.truth();
        QTEST(knownWord(t.known), "known");
        QTEST(t.shown.value(0), "shown");
        QTEST(t.sent.value(0), "sent");
        QTEST(t.request.toString(), "request");
        QTEST(t.checked.isValid(), "checked");
        QTEST(changes, "changes");
    }

    // "Exit" while a choice waits: the settings file keeps what the board acknowledged, not the
    // choice that never went out; with nothing waiting, what the operator chose.
    void exitKeepsWhatTheBoardTook()
    {
        Rig rig;
        rig.know();
        QVERIFY(rig.settings.saveController());
        rig.link.stayQuiet();
        rig.act("b2");
        rig.act("f");
        QVERIFY(rig.service.isWaiting(BoardReply::Kind::ControllerSettings));
        const auto flash = [&rig] {
            QFile f(rig.settings.path());
            f.open(QIODevice::ReadOnly);
            return f.readAll().contains("Flash=1");
        };
        QVERIFY(rig.workflow.saveForExit(nullptr));
        QVERIFY(!flash());
        rig.settle();   // BRIG=2 fails: the reload puts the file's values back, "SETS=" is held
        QVERIFY(rig.workflow.saveForExit(nullptr));
        QVERIFY(!flash());
    }

    // The port scan never runs while a request runs or waits: the link is left alone.
    void portScanWaitsForIdle()
    {
        Rig rig;
        rig.link.stayQuiet();
        rig.act("r");
        const int opens = rig.link.opens();
        bool tried = true;
        QCOMPARE(rig.service.openablePorts({"/dev/ttyS0"}, &tried), QStringList());
        QVERIFY(!tried);
        QCOMPARE(rig.link.opens(), opens);
        rig.settle();
        QCOMPARE(rig.service.openablePorts({"/dev/ttyS0"}, &tried), QStringList{"/dev/ttyS0"});
        QVERIFY(tried);
    }
};

QTEST_GUILESS_MAIN(TestBoardService)
#include "tst_board_service.moc"
