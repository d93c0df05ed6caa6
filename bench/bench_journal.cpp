// Journal benchmark on a real SQLite file in a temporary folder: the time of one record() (median
// of 1000), then on a journal of 100,000 uploads over 400 days the time of shownAt() and of
// records() for one month, and the file's size per 10,000 uploads. Prints figures only.
//
//   bench_journal [uploads, default 100000]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "core/journal/Journal.h"

namespace {

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

JournalRecord upload(const QDateTime &finished, int n)
{
    JournalRecord r;
    r.started = finished.addMSecs(-240);
    r.finished = finished;
    r.kind = JournalKind::Upload;
    r.board = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
    r.source = JournalSource::DataFile;
    r.request = QString::number(n);
    r.outcome = n % 50 ? JournalOutcome::SentOk : JournalOutcome::ConnectionError;
    for (int k = 0; k < 10; ++k)
        r.sent << QStringLiteral("%1.%2").arg(1 + (n + k) % 90).arg(n % 10000, 4, 10, QLatin1Char('0'));
    r.boardFigures = r.sent;
    r.command = QStringLiteral("SEND=");
    return r;
}

qint64 filesSize(const QString &path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int uploads = argc > 1 ? std::max(1000, atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    const QDateTime end = QDateTime::currentDateTime();
    const QDateTime start = end.addDays(-400);
    const qint64 stepMs = start.msecsTo(end) / uploads;
    QString error;
    {
        Journal journal;
        if (!journal.open(path, &error)) {
            std::fprintf(stderr, "bench_journal: %s\n", qPrintable(error));
            return 1;
        }
        QList<double> times;
        QElapsedTimer t;
        for (int n = 0; n < uploads; ++n) {
            t.start();
            if (!journal.record(upload(start.addMSecs(n * stepMs), n))) {
                std::fprintf(stderr, "bench_journal: %s\n", qPrintable(journal.takeFailureNotice()));
                return 1;
            }
            if (n < 1000)
                times << t.nsecsElapsed() / 1e3;
        }
        std::printf("record(): median %.1f us of the first 1000\n", median(times));
    }
    // Another connection, as tablo-cli journal reads it; the writer's close checkpointed the file.
    std::printf("file: %.0f KiB per 10,000 uploads (%d uploads, %.1f MiB)\n",
                filesSize(path) / 1024.0 * 10000 / uploads, uploads, filesSize(path) / 1048576.0);
    Journal journal;
    if (!journal.open(path, &error, Journal::Access::ReadOnly)) {
        std::fprintf(stderr, "bench_journal: %s\n", qPrintable(error));
        return 1;
    }
    QList<double> shown, month;
    QElapsedTimer t;
    int found = 0, inMonth = 0;
    for (int i = 0; i < 100; ++i) {
        const QDateTime at = start.addMSecs(QRandomGenerator::global()->bounded(start.msecsTo(end)));
        t.start();
        found += journal.shownAt(at).has_value();
        shown << t.nsecsElapsed() / 1e6;
    }
    for (int m = 0; m < 12; ++m) {
        const QDateTime since = start.addMonths(m);
        t.start();
        inMonth = journal.records(since, since.addMonths(1)).size();
        month << t.nsecsElapsed() / 1e6;
    }
    std::printf("shownAt(): median %.3f ms of 100 random times (%d found)\n", median(shown), found);
    std::printf("records() for one month: median %.1f ms of 12 months (%d records)\n", median(month), inMonth);
    return 0;
}
