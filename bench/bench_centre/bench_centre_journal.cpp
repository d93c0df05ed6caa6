// bench_centre_journal: the centre's journal queries on a journal of many records (default
// 1,000,000: 200 boards, a year of results each). Prints how long shownAt (one board, and any
// board) and a board's year of verified uploads take; asserts nothing about time.
//
//   build/bench/bench_centre_journal [RECORDS] [DATABASE [PASSWORD-FILE]]
// DATABASE is an SQLite file (default: a temporary one) or postgresql://USER@HOST[:PORT]/DB.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <algorithm>
#include <cstdio>

#include "core/journal/Journal.h"

namespace {

constexpr int Boards = 200;

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    QTemporaryDir dir;
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("journal.sqlite"));
    QString password;
    if (argc > 3) {
        QFile f(QString::fromLocal8Bit(argv[3]));
        if (f.open(QIODevice::ReadOnly))
            password = QString::fromUtf8(f.readLine()).trimmed();
    }
    Journal journal;
    QString error;
    if (!journal.open(path, &error, Journal::Access::Write, password)) {
        std::fprintf(stderr, "bench_centre_journal: %s\n", qPrintable(error));
        return 1;
    }
    QSqlDatabase db = QSqlDatabase::database(journal.connectionName(), false);
    QSqlQuery q(db);
    q.exec(QStringLiteral("DELETE FROM journal"));
    // A year of results for each board, a little apart; every fifth one not sent-ok.
    const QDateTime end = QDateTime::currentDateTime();
    const qint64 perBoard = records / Boards, stepMs = 365LL * 24 * 3600 * 1000 / qMax<qint64>(1, perBoard);
    QElapsedTimer t;
    t.start();
    QString columns = QStringLiteral("started, started_ms, finished, finished_ms, kind, board, board_id, source, request, outcome, command, reason");
    QString marks = QStringLiteral("?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?");
    for (int k = 1; k <= 10; ++k) {
        columns += QStringLiteral(", s%1, b%1").arg(k);
        marks += QStringLiteral(", ?, ?");
    }
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO journal (%1) VALUES (%2)").arg(columns, marks));
    for (qint64 n = 0; n < records; ++n) {
        const int board = int(n % Boards);
        const qint64 ms = end.toMSecsSinceEpoch() - (perBoard - n / Boards) * stepMs + board * 1000;
        const QString when = QDateTime::fromMSecsSinceEpoch(ms).toString(Qt::ISODateWithMs);
        const QString figure = QString::number(2.0 + double(n % 997) / 1000, 'f', 4);
        for (const QVariant &v : {QVariant(when), QVariant(ms), QVariant(when), QVariant(ms + 300), QVariant(QStringLiteral("upload")),
                                  QVariant(QStringLiteral("")), QVariant(QStringLiteral("office-%1").arg(board)),
                                  QVariant(QStringLiteral("mqtt")), QVariant(QStringLiteral("r%1").arg(n)),
                                  QVariant((n / Boards) % 5 == 4 ? QStringLiteral("data-error") : QStringLiteral("sent-ok")),
                                  QVariant(QStringLiteral("")), QVariant(QStringLiteral(""))})
            q.addBindValue(v);
        for (int k = 0; k < 10; ++k) {
            q.addBindValue(figure);
            q.addBindValue(figure);
        }
        if (!q.exec()) {
            std::fprintf(stderr, "bench_centre_journal: insert failed\n");
            return 1;
        }
        if (n % 50000 == 49999) {
            db.commit();
            db.transaction();
        }
    }
    db.commit();
    std::printf("%lld records of %d boards written in %.1f s (%s)\n", records, Boards, t.elapsed() / 1000.0,
                path.startsWith(QLatin1String("postgres")) ? "PostgreSQL" : "SQLite");
    if (path.startsWith(QLatin1String("postgres")))
        q.exec(QStringLiteral("ANALYZE journal"));

    QList<double> one, any, year;
    int points = 0;
    auto *random = QRandomGenerator::global();
    for (int k = 0; k < 200; ++k) {
        const QDateTime at = end.addSecs(-qint64(random->bounded(365 * 24 * 3600)));
        const QString board = QStringLiteral("office-%1").arg(random->bounded(Boards));
        QElapsedTimer e;
        e.start();
        const auto shown = journal.shownAt(at, board);
        one << e.nsecsElapsed() / 1e6;
        e.restart();
        journal.shownAt(at);
        any << e.nsecsElapsed() / 1e6;
        if (!shown)
            std::fprintf(stderr, "bench_centre_journal: nothing shown on %s at %s\n", qPrintable(board), qPrintable(at.toString()));
    }
    for (int k = 0; k < 20; ++k) {
        QElapsedTimer e;
        e.start();
        points = int(journal.verifiedUploads(QStringLiteral("office-%1").arg(k * 7), end.addDays(-365), end).size());
        year << e.nsecsElapsed() / 1e6;
    }
    std::printf("shownAt of one board: median %.2f ms, maximum %.2f ms (200 times)\n", median(one),
                *std::max_element(one.begin(), one.end()));
    std::printf("shownAt of any board: median %.2f ms, maximum %.2f ms\n", median(any), *std::max_element(any.begin(), any.end()));
    std::printf("a board's year of verified uploads (%d points): median %.1f ms, maximum %.1f ms (20 boards)\n", points,
                median(year), *std::max_element(year.begin(), year.end()));
    if (path.startsWith(QLatin1String("postgres")))
        q.exec(QStringLiteral("DELETE FROM journal"));
    return 0;
}
