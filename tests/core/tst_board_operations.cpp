// The operations service against a scripted link on virtual time: one operation at a time,
// requests made meanwhile carried out after it (the latest of each kind), results as values.
#include <QtTest>

#include "core/board/ExchangeTicker.h"
#include "core/link/FakeLink.h"
#include "core/operations/BoardOperations.h"
#include "core/settings/SettingsModel.h"

namespace {

struct Rig {
    QTemporaryDir dir;
    FakeLink link;
    VirtualTicker ticker;
    BoardSession session{&link, &ticker};
    SettingsModel settings{dir.filePath("settings.ini")};
    BoardOperations operations{session, settings};

    Rig()
    {
        QObject::connect(&ticker, &VirtualTicker::passed, &link, &FakeLink::advance);
        operations.setPortSelection([] {});
        settings.setChecksums(false);
        operations.setClock([] { return QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)); });
    }
    // Lets virtual time pass until nothing runs or waits.
    void settle()
    {
        for (int i = 0; i < 100000 && (operations.isBusy() || operations.hasWaiting()); ++i)
            ticker.advance();
    }
    // The commands written, frames taken off.
    QByteArrayList commands() const
    {
        QByteArrayList out;
        for (const QByteArray &w : link.writes())
            out << w.left(w.indexOf(';'));
        return out;
    }
};

} // namespace

class TestBoardOperations : public QObject {
    Q_OBJECT
private slots:
    // Requests made while "BRIG=2" waits for its answer: carried out after it, in the order of
    // their latest arrival, a newer one of a kind replacing the older.
    void waitingRequests_data()
    {
        QTest::addColumn<QString>("during");   // requests made while the first runs
        QTest::addColumn<QByteArrayList>("wire");
        QTest::newRow("latest brightness wins") << "b3 b1" << QByteArrayList{"BRIG=2", "BRIG=1"};
        QTest::newRow("a kind asked again goes to the back")
            << "b3 r c b4" << QByteArrayList{"BRIG=2", "READ=", "TIME=05.03.24 07:08:09", "BRIG=4"};
        QTest::newRow("lighting, settings and an upload")
            << "l1 s u" << QByteArrayList{"BRIG=2", "LIGH=1", "SETS=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,", "SEND=1,1,1,1,1,1,1,1,1,1,", "READ="};
    }
    void waitingRequests()
    {
        QFETCH(QString, during);
        Rig rig;
        for (int f = 0; f < ControllerFieldCount; ++f)
            rig.settings.choose(ControllerField(f), 0);
        for (SwitchTime t : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
            rig.settings.chooseSwitchTime(t, "00:00:00");
        for (int i = 0; i < 10; ++i)
            rig.link.reply("OK\r\n");
        bool asked = false;
        QObject::connect(&rig.session, &BoardSession::commandShown, [&] {
            if (std::exchange(asked, true))
                return;
            for (const QString &r : during.split(' ', Qt::SkipEmptyParts)) {
                const int code = r.mid(1).toInt();
                switch (r[0].toLatin1()) {
                case 'b': rig.operations.requestBrightness(code); break;
                case 'l': rig.operations.requestLighting(code); break;
                case 'r': rig.operations.requestRead(); break;
                case 'c': rig.operations.requestClock(); break;
                case 's': rig.operations.requestControllerSettings(rig.settings.controller()); break;
                case 'u': rig.operations.requestUpload(QStringList(10, "1")); break;
                }
            }
            QVERIFY(rig.operations.isBusy());
        });
        QSignalSpy settings(&rig.operations, &BoardOperations::settingFinished);
        rig.operations.requestBrightness(2);
        rig.settle();
        QTEST(rig.commands(), "wire");
        QCOMPARE(settings.first().at(2).value<ExchangeResult>().outcome, ExchangeResult::Ok);
    }
};

QTEST_GUILESS_MAIN(TestBoardOperations)
#include "tst_board_operations.moc"
