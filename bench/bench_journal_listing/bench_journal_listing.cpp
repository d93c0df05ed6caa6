// tablo-cli journal over a large journal: the peak memory (maximum resident set) and time of
// `journal --json` and `journal --csv`, each over the whole file, output read from a pipe and
// counted. The journal is made through Journal (its real schema) from one upload record, copied
// in SQL with a second between copies. Prints figures; exits 1 when a listing lacks records.
//
//   bench_journal_listing [records, default 1000000]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/journal/Journal.h"

namespace {

struct Listing {
    qint64 records = 0;   // occurrences of the pattern in the output
    double seconds = 0;
    double cpuSeconds = 0;   // tablo-cli's own, user and system
    long peakKiB = 0;
    int status = -1;
};

// Runs tablo-cli journal with `option`, counting `pattern` in what it prints.
Listing list(const QString &journal, const char *option, const QByteArray &pattern)
{
    Listing out;
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return out;
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        const QByteArray path = journal.toLocal8Bit();
        execl(TABLO_CLI_PATH, TABLO_CLI_PATH, "journal", "--journal", path.constData(), option, static_cast<char *>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    QByteArray carry;
    char buffer[1 << 16];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        const QByteArray chunk = carry + QByteArray::fromRawData(buffer, n);
        out.records += chunk.count(pattern);
        carry = chunk.right(pattern.size() - 1);
    }
    close(pipeFds[0]);
    rusage usage{};
    int status = 0;
    wait4(pid, &status, 0, &usage);
    out.seconds = clock.nsecsElapsed() / 1e9;
    out.peakKiB = usage.ru_maxrss;
    out.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 count = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    const QString path = dir.filePath("journal.sqlite");
    {
        Journal journal;
        QString error;
        JournalRecord r;
        r.started = QDateTime(QDate(2025, 1, 1), QTime(8, 0));
        r.finished = r.started.addMSecs(240);
        r.kind = JournalKind::Upload;
        r.board = QStringLiteral("/dev/ttyUSB0");
        r.boardId = QStringLiteral("office-12");
        r.source = JournalSource::Mqtt;
        r.request = QStringLiteral("0");
        r.outcome = JournalOutcome::SentOk;
        r.command = QStringLiteral("SEND=");
        r.sent = r.boardFigures = QStringList{"2.6500", "2.7100", "2.8900", "3.0200", "0.0345",
                                              "0.0351", "1.0000", "1.0500", "-----", "12345"};
        if (!journal.open(path, &error) || !journal.record(r)) {
            std::fprintf(stderr, "bench_journal_listing: %s\n", qPrintable(error.isEmpty() ? journal.takeFailureNotice() : error));
            return 1;
        }
        // The columns in the order of the table: the copies differ in their times and request.
        QStringList copy{"started", "started_ms + i * 1000", "finished", "finished_ms + i * 1000", "kind", "board",
                         "board_id", "source", "CAST(i AS TEXT)", "outcome", "command", "reason"};
        for (const char *prefix : {"s", "b"})
            for (int k = 1; k <= 10; ++k)
                copy << QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(k);
        QSqlQuery q(QSqlDatabase::database(journal.connectionName()));
        QElapsedTimer made;
        made.start();
        if (!q.exec("BEGIN")
            || !q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                      "INSERT INTO journal SELECT %2 FROM (SELECT * FROM journal LIMIT 1), n")
                           .arg(count - 1)
                           .arg(copy.join(QStringLiteral(", "))))
            || !q.exec("COMMIT")) {
            std::fprintf(stderr, "bench_journal_listing: %s\n", qPrintable(q.lastError().text()));
            return 1;
        }
        std::printf("journal of %lld uploads made in %.1f s\n", count, made.nsecsElapsed() / 1e9);
    }
    bool complete = true;
    const struct {
        const char *option;
        QByteArray pattern;   // once per record
    } listings[] = {{"--json", "\n        \"started\": "}, {"--csv", "\r\n"}};
    for (const auto &l : listings) {
        Listing result = list(path, l.option, l.pattern);
        if (l.pattern == "\r\n")
            --result.records;   // the header line
        std::printf("journal %-6s %lld records in %.1f s (tablo-cli CPU %.1f s), peak memory %.1f MiB, exit %d\n", l.option,
                    result.records, result.seconds, result.cpuSeconds, result.peakKiB / 1024.0, result.status);
        complete = complete && result.records == count && result.status == 0;
    }
    if (!complete)
        std::printf("FAILED: a listing does not hold all %lld records\n", count);
    return complete ? 0 : 1;
}
