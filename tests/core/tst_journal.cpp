// The journal on real SQLite files: what is written reads back, what the board showed when, state
// changes throttled, pruning, failures that must not stop the caller, a writer killed mid-way.
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include "core/journal/Journal.h"

namespace {

const QDateTime T0(QDate(2024, 5, 1), QTime(10, 0));

JournalRecord upload(int n, QLatin1String outcome, qint64 finishedMs)
{
    JournalRecord r{T0.addMSecs(finishedMs - 250), T0.addMSecs(finishedMs), QString(JournalKind::Upload),
                    "/dev/ttyUSB0", "office-12", QString(JournalSource::Mqtt), QString::number(n), QString(outcome),
                    {}, {}, "SEND=", outcome == JournalOutcome::SentOk ? QString() : "reads \"9\", not 1,5"};
    for (int k = 0; k < 10; ++k)
        r.sent << QString("%1.%2").arg(n).arg(k);
    r.boardFigures = outcome == JournalOutcome::ConnectionError ? QStringList() : r.sent;
    return r;
}

// The first row of a query on the file, through a connection of its own.
QVariantList firstRow(const QString &path, const QString &sql)
{
    QVariantList row;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec(sql) && q.next())
            for (int k = 0; k < q.record().count(); ++k)
                row << q.value(k);
    }
    QSqlDatabase::removeDatabase("raw");
    return row;
}

// The child of killedWriter(): records 1, 2, ... until it is killed.
int writeUntilKilled(const QString &path)
{
    Journal journal;
    if (!journal.open(path, nullptr))
        return 1;
    fputs("writing\n", stdout), fflush(stdout);
    for (int n = 1; journal.record(upload(n, JournalOutcome::SentOk, n)); ++n) {}
    return 2;
}

// The child of twoWriters(): `count` records, requests "TAG-1" .. "TAG-count"; 0 when all landed.
int writeRecords(const QString &path, const QString &tag, int count)
{
    Journal journal;
    QString error;
    if (!journal.open(path, &error)) {
        fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (int n = 1; n <= count; ++n) {
        JournalRecord r = upload(n, JournalOutcome::SentOk, n);
        r.request = tag + QLatin1Char('-') + QString::number(n);
        if (!journal.record(r))
            return 2;
    }
    return 0;
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT
private slots:
    void writes_data()
    {
        QTest::addColumn<int>("journals");
        QTest::newRow("one journal") << 1;
        QTest::newRow("two connections to the file, alternately") << 2;
    }
    void writes()
    {
        QFETCH(int, journals);
        QTemporaryDir dir;
        Journal a, b;
        QVERIFY(a.open(dir.filePath("j.sqlite"), nullptr) && b.open(dir.filePath("j.sqlite"), nullptr));
        QList<JournalRecord> written;
        for (int n = 0; n < 6; ++n) {
            written << upload(n, n % 2 ? JournalOutcome::DataError : JournalOutcome::ConnectionError, 1000 * n);
            QVERIFY((n % journals ? b : a).record(written.last()));
        }
        QCOMPARE(a.records(QDateTime(), QDateTime()), written);
        const int offset = T0.offsetFromUtc() / 60;
        const QString zone = QString("%1%2:%3").arg(offset < 0 ? '-' : '+').arg(qAbs(offset) / 60, 2, 10, QChar('0'))
                                 .arg(qAbs(offset) % 60, 2, 10, QChar('0'));
        QCOMPARE(firstRow(dir.filePath("j.sqlite"), "SELECT started, s10 FROM journal WHERE request = '0'"),
                 QVariantList({"2024-05-01T09:59:59.750" + zone, "0.9"}));   // local time and its offset as text
    }

    void shownAt_data()
    {
        QTest::addColumn<qint64>("atMs");     // from T0
        QTest::addColumn<QString>("request"); // the upload shown; empty: none
        // Verified uploads 1 and 2 finish at 1000 and 2000 ms, a failed one 3 at 3000.
        QTest::newRow("exactly at a finish") << qint64(2000) << "2";
        QTest::newRow("a millisecond before") << qint64(1999) << "1";
        QTest::newRow("before any upload") << qint64(999) << "";
        QTest::newRow("after a failed upload") << qint64(3500) << "2";
    }
    void shownAt()
    {
        QFETCH(qint64, atMs);
        QFETCH(QString, request);
        QTemporaryDir dir;
        Journal j;
        QVERIFY(j.open(dir.filePath("j.sqlite"), nullptr));
        QVERIFY(j.record(upload(1, JournalOutcome::SentOk, 1000)) && j.record(upload(2, JournalOutcome::SentOk, 2000))
                && j.record(upload(3, JournalOutcome::DataError, 3000)));
        const std::optional<JournalShown> shown = j.shownAt(T0.addMSecs(atMs));
        QCOMPARE(shown ? shown->request : QString(), request);
        if (shown) {
            QCOMPARE(shown->since, T0.addSecs(request.toInt()));
            QCOMPARE(shown->figures, upload(request.toInt(), JournalOutcome::SentOk, 0).boardFigures);
        }
    }

    // What was known at a time: the last truth change by then, of one board id or any. Changes
    // at 1000 (exact), 2000 (in doubt, then a read in the same millisecond), 3000 (another
    // board). "older": the file predates the truth changes (opened read-only: no answer, no
    // error; opened for writing: the table is made).
    void truthAt_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("atMs");
        QTest::addColumn<QString>("boardId");   // "*" any
        QTest::addColumn<QString>("known");     // "" none
        QTest::newRow("before any") << "new" << qint64(999) << "*" << "";
        QTest::newRow("at the first") << "new" << qint64(1000) << "*" << "read-back-exact";
        QTest::newRow("two in a millisecond: the later") << "new" << qint64(2000) << "*" << "read";
        QTest::newRow("another board's later change") << "new" << qint64(3500) << "*" << "sent-one-way";
        QTest::newRow("one board's own") << "new" << qint64(3500) << "office-12" << "read";
        QTest::newRow("older file, read only") << "older" << qint64(3500) << "*" << "";
        QTest::newRow("older file, opened for writing") << "older-write" << qint64(3500) << "*" << "sent-one-way";
    }
    void truthAt()
    {
        QFETCH(QString, file);
        QFETCH(QString, boardId);
        QTemporaryDir dir;
        const QString path = dir.filePath("j.sqlite");
        {
            Journal j;
            QVERIFY(j.open(path, nullptr) && j.record(upload(1, JournalOutcome::SentOk, 1000)));
        }
        if (file.startsWith("older")) {
            firstRow(path, "DROP TABLE truth");
            QCOMPARE(firstRow(path, "SELECT COUNT(*) FROM sqlite_master WHERE name = 'truth'"), QVariantList{0});
        }
        Journal j;
        QVERIFY(j.open(path, nullptr, file == "older" ? Journal::Access::ReadOnly : Journal::Access::Write));
        const QStringList figures = upload(1, JournalOutcome::SentOk, 0).sent;
        for (const auto &[ms, known, id] : {std::tuple{1000, "read-back-exact", "office-12"}, {2000, "in-doubt", "office-12"},
                                            {2000, "read", "office-12"}, {3000, "sent-one-way", "office-7"}})
            QCOMPARE(j.recordTruth({T0.addMSecs(ms), T0, "/dev/ttyUSB0", id, known, figures, figures, "mqtt", "", "", T0}),
                     file != "older");
        QString error;
        QFETCH(qint64, atMs);
        const auto truth = boardId == "*" ? j.truthAt(T0.addMSecs(atMs), &error) : j.truthAt(T0.addMSecs(atMs), boardId, &error);
        QCOMPARE(error, QString());
        QTEST(truth ? truth->known : QString(), "known");
        if (truth)
            QCOMPARE(truth->figures, figures);
    }

    void stateChanges_data()
    {
        // Calls "kind=value@second"; "reopen" opens the file again; "due@second" writes the changes
        // held by then ("due@end": all, as on closing). Kept: the records written.
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("unchanged value") << QStringList{"temperature=18@0", "temperature=18@300"} << QStringList{"temperature=18@0"};
        QTest::newRow("a change within the minute is written by the next report after it")
            << QStringList{"temperature=18@0", "temperature=19@30", "temperature=19@61"}
            << QStringList{"temperature=18@0", "temperature=19@30"};
        QTest::newRow("the latest change of the minute, once it is over")
            << QStringList{"lighting-state=1@0", "lighting-state=0@10", "lighting-state=2@20", "due@59", "due@60"}
            << QStringList{"lighting-state=1@0", "lighting-state=2@20"};
        QTest::newRow("a change undone within the minute") << QStringList{"temperature=18@0", "temperature=19@10", "temperature=18@20", "due@60"}
                                                           << QStringList{"temperature=18@0"};
        QTest::newRow("held when the journal closes") << QStringList{"temperature=18@0", "temperature=19@10", "due@end"}
                                                      << QStringList{"temperature=18@0", "temperature=19@10"};
        QTest::newRow("each kind on its own") << QStringList{"temperature=18@0", "brightness-level=2@1", "lighting-state=1@2",
                                                             "brightness-level=3@30"}
                                              << QStringList{"temperature=18@0", "brightness-level=2@1", "lighting-state=1@2"};
        QTest::newRow("the last value outlives a restart")
            << QStringList{"lighting-state=1@0", "reopen", "lighting-state=1@90", "lighting-state=0@100"}
            << QStringList{"lighting-state=1@0", "lighting-state=0@100"};
    }
    void stateChanges()
    {
        QFETCH(QStringList, calls);
        QTemporaryDir dir;
        std::optional<Journal> j;
        for (const QString &call : QStringList{"reopen"} + calls) {
            if (call == "reopen")
                QVERIFY(j.emplace().open(dir.filePath("j.sqlite"), nullptr));
            else if (call.startsWith("due@"))
                j->writeHeldStates(call == "due@end" ? QDateTime() : T0.addSecs(call.mid(4).toInt()));
            else
                j->recordStateChange(call.section('=', 0, 0), call.section('=', 1).section('@', 0, 0),
                                     T0.addSecs(call.section('@', 1).toInt()));
        }
        QStringList kept;
        for (const JournalRecord &r : j->records(QDateTime(), QDateTime()))
            kept << QString("%1=%2@%3").arg(r.kind, r.boardFigures.join(',')).arg(T0.secsTo(r.started));
        QTEST(kept, "kept");
    }

    // Cells a spreadsheet would run as formulas come out as text; other cells as they are.
    void csvCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("cell");
        QTest::newRow("formula") << "=HYPERLINK(\"http://x\",\"y\")" << QByteArray("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"");
        QTest::newRow("plus") << "+cmd|' /C calc'!A0" << QByteArray("\"'+cmd|' /C calc'!A0\"");
        QTest::newRow("minus sum") << "-2+3" << QByteArray("\"'-2+3\"");
        QTest::newRow("at") << "@SUM(A1:A9)" << QByteArray("\"'@SUM(A1:A9)\"");
        QTest::newRow("tab") << "\t=1" << QByteArray("\"'\t=1\"");
        QTest::newRow("dashes") << "-----" << QByteArray("\"'-----\"");
        QTest::newRow("negative number") << "-1.5" << QByteArray("-1.5");
        QTest::newRow("decimal comma") << "-1,5" << QByteArray("\"-1,5\"");
        QTest::newRow("equals inside") << "a=b" << QByteArray("a=b");
        QTest::newRow("empty") << "" << QByteArray("");
    }
    void csvCells()
    {
        QFETCH(QString, text);
        JournalRecord r = upload(1, JournalOutcome::SentOk, 0);
        r.reason = text;
        r.sent[0] = text;
        const QByteArray line = journalCsvLine(r);
        QFETCH(QByteArray, cell);
        QVERIFY2(line.endsWith("," + cell + "\r\n"), line.constData());
        QVERIFY2(line.contains(cell + ",1.1,"), line.constData());   // the first figure sent
        QCOMPARE(journalCsv({r}), journalCsvHeader() + line);
    }

    // A file another program holds past the busy time-out when the journal opens: writing
    // resumes by itself once it is free, and says so.
    void reopensWhenFree()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("j.sqlite");
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
            holder.setDatabaseName(path);
            QVERIFY(holder.open());
            QSqlQuery lock(holder);
            QVERIFY(lock.exec("BEGIN EXCLUSIVE"));
            Journal j;
            QVERIFY(!j.open(path, nullptr));
            QVERIFY(!j.record(upload(1, JournalOutcome::SentOk, 0)));
            QVERIFY(j.takeFailureNotice().startsWith("The journal is not being written: "));
            QVERIFY(lock.exec("COMMIT"));
            lock.finish();
            holder.close();
            bool resumed = false;
            for (QDeadlineTimer deadline(10000); !(resumed = j.record(upload(2, JournalOutcome::SentOk, 1))) && !deadline.hasExpired();)
                QTest::qWait(50);
            QVERIFY(resumed);
            QCOMPARE(j.takeFailureNotice(), "The journal is being written again: " + path);
            QCOMPARE(j.records(QDateTime(), QDateTime()).value(0).request, "2");
        }
        QSqlDatabase::removeDatabase("holder");
    }

    void prune_data()
    {
        QTest::addColumn<int>("retentionDays");
        QTest::addColumn<int>("left");   // of records 500, 401, 399 and 0 days old
        QTest::addColumn<QStringList>("truths");   // of truth changes as old: the last before the cut stays
        QTest::newRow("400 days") << 400 << 2 << QStringList{"401", "399", "0"};
        QTest::newRow("a day") << 1 << 1 << QStringList{"399", "0"};
    }
    void prune()
    {
        QFETCH(int, retentionDays);
        QFETCH(int, left);
        QTemporaryDir dir;
        Journal j;
        QVERIFY(j.open(dir.filePath("j.sqlite"), nullptr));
        for (const int days : {500, 401, 399, 0}) {
            QVERIFY(j.record(upload(days, JournalOutcome::SentOk, -days * 86400000LL)));
            QVERIFY(j.recordTruth({T0.addDays(-days), T0, "", "", "read", {}, {}, "", QString::number(days), "", T0}));
        }
        QCOMPARE(j.prune(retentionDays, T0), 4 - left);
        QCOMPARE(j.records(QDateTime(), QDateTime()).size(), left);
        QStringList truths;
        for (const JournalTruth &t : j.truths(QDateTime(), QDateTime()))
            truths << t.request;
        QTEST(truths, "truths");
    }

    void failures_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only file") << "file";
        QTest::newRow("read-only folder") << "folder";
        QTest::newRow("full disk") << "full";
        QTest::newRow("no such folder") << "missing";
    }
    void failures()
    {
        QFETCH(QString, how);
        if ((how == "file" || how == "folder") && geteuid() == 0)
            QSKIP("root writes read-only files");
        QTemporaryDir dir;
        const QString path = dir.filePath(how == "missing" ? "none/j.sqlite" : "j.sqlite");
        {
            Journal first;   // the file exists, with records, before it becomes unwritable
            QVERIFY(how == "missing" || (first.open(path, nullptr) && first.record(upload(1, JournalOutcome::SentOk, 0))));
        }
        if (how == "file")
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        if (how == "folder")
            QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        Journal j;
        j.open(path, nullptr);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        std::signal(SIGXFSZ, SIG_IGN);
        if (const rlimit tiny{1, limit.rlim_max}; how == "full")
            setrlimit(RLIMIT_FSIZE, &tiny);   // every write past the first byte fails as on a full disk
        const bool written = j.record(upload(2, JournalOutcome::SentOk, 1));
        const QString notice = j.takeFailureNotice();
        const bool writtenAgain = j.record(upload(3, JournalOutcome::SentOk, 2));
        setrlimit(RLIMIT_FSIZE, &limit);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(!written && !writtenAgain && j.failing());
        QVERIFY2(notice.startsWith("The journal is not being written: ") && notice.size() > 36, qPrintable(notice));
        QCOMPARE(j.takeFailureNotice(), QString());   // once per run of failures
        if (how == "full") {
            QVERIFY(j.record(upload(4, JournalOutcome::SentOk, 3)) && !j.failing());
            QCOMPARE(j.records(QDateTime(), QDateTime()).size(), 2);
        }
    }

    void killedWriter()
    {
        QTemporaryDir dir;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--write-until-killed", dir.filePath("j.sqlite")});
        QVERIFY(child.waitForReadyRead(10000));
        QTest::qWait(300);
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(5000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        QCOMPARE(firstRow(dir.filePath("j.sqlite"), "PRAGMA integrity_check"), QVariantList{"ok"});
        Journal j;
        QVERIFY(j.open(dir.filePath("j.sqlite"), nullptr));
        const QList<JournalRecord> records = j.records(QDateTime(), QDateTime());
        QVERIFY(records.size() > 10);
        for (int n = 0; n < records.size(); ++n)
            QCOMPARE(records[n].request, QString::number(n + 1));
    }

    // The window and tablo-cli watch write one file at the same time: every record of both lands.
    void twoWriters()
    {
        QTemporaryDir dir;
        QProcess a, b;
        a.start(QCoreApplication::applicationFilePath(), {"--write", dir.filePath("j.sqlite"), "a", "300"});
        b.start(QCoreApplication::applicationFilePath(), {"--write", dir.filePath("j.sqlite"), "b", "300"});
        for (QProcess *p : {&a, &b}) {
            QVERIFY(p->waitForFinished(60000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        }
        Journal j;
        QVERIFY(j.open(dir.filePath("j.sqlite"), nullptr));
        QMap<QString, int> next{{"a", 1}, {"b", 1}};
        for (const JournalRecord &r : j.records(QDateTime(), QDateTime())) {
            const QString tag = r.request.section('-', 0, 0);
            QCOMPARE(r.request.section('-', 1).toInt(), next[tag]++);
        }
        QCOMPARE(next, (QMap<QString, int>{{"a", 301}, {"b", 301}}));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && qstrcmp(argv[1], "--write") == 0)
        return writeRecords(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
    if (argc == 3 && qstrcmp(argv[1], "--write-until-killed") == 0)
        return writeUntilKilled(QString::fromLocal8Bit(argv[2]));
    TestJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
