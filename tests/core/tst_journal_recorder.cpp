// The journal recorder on the board service against a scripted link: each finished request
// leaves its record in a real SQLite file with the right outcome, figures and command, and a
// journal that cannot be written stops no upload.
#include <QtTest>

#include "ServiceRig.h"
#include "core/journal/JournalRecorder.h"

namespace {

struct Rig : ServiceRig {
    JournalRecorder recorder;

    explicit Rig(const QString &journal)
    {
        recorder.setFallbackSource("tablo-cli");
        recorder.setPort([] { return QString("/dev/ttyUSB0"); });
        recorder.open(journal.startsWith('/') ? journal : dir.filePath(journal));
        recorder.attach(service);
    }
    void settle()
    {
        ServiceRig::settle();
        recorder.flush();
    }
};

// A record in a few words: kind, outcome, source, the first text sent and read back (with how
// many), the command, whether a reason is given.
QString brief(const JournalRecord &r)
{
    const auto texts = [](const QStringList &l) { return l.isEmpty() ? QString("-") : QString("%1x%2").arg(l.size()).arg(l[0]); };
    return QStringList{r.kind, r.outcome, r.source, texts(r.sent), texts(r.boardFigures), r.command.isEmpty() ? "-" : r.command,
                       r.reason.isEmpty() ? "-" : "why", r.board}
        .join(' ');
}

} // namespace

class TestJournalRecorder : public QObject {
    Q_OBJECT
private slots:
    // Requests made one after another (a newer brightness replaces the one waiting); the file's
    // records, sorted: requests finishing within one millisecond have no order of their own.
    void records_data()
    {
        QTest::addColumn<QString>("requests");   // u upload of 2.5000 from the write button, bN brightness N, r read
        QTest::addColumn<QByteArrayList>("answers");   // one per write; "-" silence
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("truths");   // how known, slot 1 shown and sent, source
        const QByteArray ok = "OK\r\n";
        const QStringList state{"brightness-level sent-ok  - 1x2 - - /dev/ttyUSB0", "lighting-state sent-ok  - 1x2 - - /dev/ttyUSB0",
                                "temperature sent-ok  - 1x21.5 - - /dev/ttyUSB0"};
        QTest::newRow("verified upload, then the reported state")
            << "u" << QByteArrayList{ok, readLine("2.5000", "2")}
            << QStringList{"upload sent-ok write-button 10x2.5000 10x2.5000 - - /dev/ttyUSB0"} + state
            << QStringList{"read-back-exact 2.5000 2.5000 write-button /dev/ttyUSB0"};
        QTest::newRow("the board shows other figures")
            << "u" << QByteArrayList{ok, readLine("9.9999", "2")}
            << QStringList{"upload data-error write-button 10x2.5000 10x9.9999 - why /dev/ttyUSB0"} + state
            << QStringList{"read-back-different 9.9999 2.5000 write-button /dev/ttyUSB0"};
        QTest::newRow("silent board") << "u" << QByteArrayList{"-"}
                                      << QStringList{"upload connection-error write-button 10x2.5000 - - why /dev/ttyUSB0"}
                                      << QStringList{"in-doubt  2.5000 write-button /dev/ttyUSB0"};
        QTest::newRow("commands, one replaced while it waited, a failed read")
            << "b1 b2 b3 r" << QByteArrayList{ok, ok, "ERROR\r\n"}
            << QStringList{"brightness sent-ok tablo-cli - - BRIG=1 - /dev/ttyUSB0", "brightness sent-ok tablo-cli - - BRIG=3 - /dev/ttyUSB0",
                           "brightness superseded tablo-cli - - BRIG=2 why /dev/ttyUSB0", "read data-error tablo-cli - - - why /dev/ttyUSB0"}
            << QStringList{};
    }
    void records()
    {
        QFETCH(QString, requests);
        QFETCH(QByteArrayList, answers);
        Rig rig("j.sqlite");
        for (const QByteArray &a : answers)
            a == "-" ? rig.link.stayQuiet() : rig.link.reply(a);
        for (const QString &r : requests.split(' ')) {
            if (r == "u")
                rig.service.uploadTexts(QStringList(10, "2.5000"), QStringLiteral("write-button"));
            else if (r == "r")
                rig.service.read();
            else
                rig.service.setBrightness(r.mid(1).toInt());
        }
        rig.settle();
        Journal file;
        QVERIFY(file.open(rig.dir.filePath("j.sqlite"), nullptr, Journal::Access::ReadOnly));
        QStringList rows;
        for (const JournalRecord &r : file.records(QDateTime(), QDateTime()))
            rows << brief(r);
        QFETCH(QStringList, expected);
        rows.sort();
        expected.sort();
        QCOMPARE(rows, expected);
        QStringList truths;
        for (const JournalTruth &t : file.truths(QDateTime(), QDateTime()))
            truths << QStringList{t.known, t.figures.value(0), t.sent.value(0), t.source, t.board}.join(' ');
        QTEST(truths, "truths");
    }

    // A journal that cannot be written: the upload goes on and is verified, the notice comes once.
    void unwritableJournal_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("no such folder") << "none/j.sqlite";
        QTest::newRow("a folder in the way") << "";
    }
    void unwritableJournal()
    {
        QFETCH(QString, path);
        QTemporaryDir elsewhere;
        Rig rig(path.isEmpty() ? elsewhere.path() : path);
        rig.link.reply("OK\r\n");
        rig.link.reply(readLine("2.5000", "2"));
        BoardReply *reply = rig.service.uploadTexts(QStringList(10, "2.5000"));
        bool verified = false;
        whenFinished(reply, &rig.service, [&verified](BoardReply *r) { verified = r->succeeded(); });
        rig.settle();
        QVERIFY(verified);
        QCOMPARE(rig.link.writes().size(), 2);
        QVERIFY(rig.recorder.takeFailureNotice().startsWith("The journal is not being written: "));
        QCOMPARE(rig.recorder.takeFailureNotice(), QString());
    }

};

QTEST_GUILESS_MAIN(TestJournalRecorder)
#include "tst_journal_recorder.moc"
