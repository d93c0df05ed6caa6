// Journal benchmark on a real SQLite file in a temporary folder: the time of one record() (median
// of 1000), then on a journal of 100,000 uploads over 400 days the time of shownAt() and of
// records() for one month, and the file's size per 10,000 uploads; what the recorder adds to an
// upload on the board service (scripted link, virtual time: the CPU of the upload alone); the
// History window's chart of a month, from that journal and from 100,000 uploads in one month,
// built and rendered into a pixmap offscreen. Prints figures only.
//
//   bench_journal [uploads, default 100000]
//   bench_journal --screenshot FILE    the History window on a week of simulated uploads, as PNG
#include <QApplication>
#include <QChartView>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "core/board/ExchangeTicker.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalRecorder.h"
#include "core/link/FakeLink.h"
#include "core/operations/BoardService.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/HistoryWindow.h"

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

QByteArray readLine(const QStringList &texts)
{
    QByteArray line = "READ=";
    for (int k = 1; k <= 32; ++k)
        line += (k <= 10 ? texts[k - 1].toLatin1() : k == 11 ? QByteArray("21.5") : QByteArray("2")) + ',';
    return line + "\r\n";
}

// An upload on the board service from the request to the end of the last handler of its
// finished reply (median ms), and the part of it the recorder's handler took, with or without
// the recorder attached.
struct UploadTimes {
    double totalMs = 0;
    double recorderMs = 0;
};
UploadTimes uploadTimes(bool recording, const QString &journalPath)
{
    QTemporaryDir dir;
    FakeLink link;
    VirtualTicker ticker;
    BoardSession session(&link, &ticker);
    SettingsModel settings(dir.filePath(QStringLiteral("settings.ini")));
    BoardService service(session, settings);
    QObject::connect(&ticker, &VirtualTicker::passed, &link, &FakeLink::advance);
    service.setPortSelection([] {});
    settings.setChecksums(false);
    QElapsedTimer t;
    double beforeNs = 0, endNs = 0;
    // The window's handlers come first (the status bar's "Sent OK"), then the recorder's.
    QObject::connect(&service, &BoardService::replyFinished, [&] { beforeNs = double(t.nsecsElapsed()); });
    JournalRecorder recorder;
    if (recording) {
        recorder.setFallbackSource(QStringLiteral("write-button"));
        recorder.setPort([] { return QStringLiteral("/dev/ttyUSB0"); });
        recorder.open(journalPath);
        recorder.attach(service);
    }
    QObject::connect(&service, &BoardService::replyFinished, [&] { endNs = double(t.nsecsElapsed()); });
    QList<double> totals, handlers;
    int verified = 0;
    for (int n = 0; n < 600; ++n) {
        QStringList texts;
        for (int k = 0; k < 10; ++k)
            texts << QStringLiteral("%1.%2").arg(k % 9 + 1).arg(n % 10000, 4, 10, QLatin1Char('0'));
        link.reply("OK\r\n");
        link.reply(readLine(texts));
        t.start();
        whenFinished(service.uploadTexts(texts), &service, [&verified](BoardReply *r) {
            verified += r->succeeded();
        });
        while (!service.isIdle())
            ticker.advance();
        if (n >= 100) {   // after the warm-up
            totals << endNs / 1e6;
            handlers << (endNs - beforeNs) / 1e6;
        }
        if (recording && n % 50 == 0)
            recorder.flush();   // the writer keeps up, as it does between an operator's uploads
    }
    if (verified != 600)
        std::fprintf(stderr, "bench_journal: only %d of 600 uploads verified\n", verified);
    return {median(totals), median(handlers)};
}

// Fills `path` with uploads from `start` to `end` (every n-th fails), as a data-file feed does.
bool fill(const QString &path, const QDateTime &start, const QDateTime &end, int uploads)
{
    Journal journal;
    if (!journal.open(path, nullptr))
        return false;
    const qint64 stepMs = start.msecsTo(end) / uploads;
    for (int n = 0; n < uploads; ++n)
        if (!journal.record(upload(start.addMSecs(n * stepMs), n)))
            return false;
    return true;
}

// The History window's period: the table and the chart read and built, then the chart drawn.
void chartFigures(App &app, const QString &path, const QDateTime &from, const char *what)
{
    HistoryWindow w(app);
    w.resize(960, 700);
    w.setJournalPath(path);
    QList<double> built, drawn;
    int rows = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        w.showPeriod(from, from.addMonths(1));
        built << t.nsecsElapsed() / 1e6;
        t.start();
        const QPixmap picture = w.chartView->grab();
        drawn << t.nsecsElapsed() / 1e6;
        Journal reader;
        reader.open(path, nullptr, Journal::Access::ReadOnly);
        rows = reader.counts(from, from.addMonths(1)).records;   // the table reads only its first page
    }
    std::printf("chart of a month %s (%d records): read and built %.1f ms, drawn %.1f ms, together %.1f ms "
                "(median of 5; limit 200 ms)\n",
                what, rows, median(built), median(drawn), median(built) + median(drawn));
}

// A week of rates as a data-file feed uploads them: four currencies bought and sold, moving a
// little every two hours from 08:00 to 20:00, one connection failure and one board that showed
// other figures.
int screenshot(const QString &file)
{
    QTemporaryDir dir;
    App app(dir.path());
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    Journal journal;
    if (!journal.open(path, nullptr))
        return 1;
    const QDate today = QDate::currentDate();
    const double base[10] = {2.6515, 2.6890, 2.8702, 2.9333, 3.3455, 3.4001, 0.5321, 0.5444, 1.4012, 1.4400};
    double rate[10];
    std::copy(std::begin(base), std::end(base), std::begin(rate));
    QRandomGenerator random(7);
    int n = 0;
    for (int day = -6; day <= 0; ++day) {
        for (int hour = 8; hour <= 20; hour += 2) {
            const QDateTime at(today.addDays(day), QTime(hour, int(random.bounded(3)), int(random.bounded(60))));
            JournalRecord r;
            r.started = at;
            r.finished = at.addMSecs(240);
            r.kind = JournalKind::Upload;
            r.board = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
            r.source = hour == 8 ? JournalSource::WriteButton : JournalSource::DataFile;
            for (int pair = 0; pair < 5; ++pair) {
                rate[2 * pair] *= 1 + (random.bounded(200) - 100) / 20000.0;
                rate[2 * pair + 1] = rate[2 * pair] * 1.014;
            }
            for (double v : rate)
                r.sent << QString::number(v, 'f', 4);
            r.boardFigures = r.sent;
            r.outcome = JournalOutcome::SentOk;
            if (++n == 17) {
                r.outcome = JournalOutcome::ConnectionError;
                r.boardFigures.clear();
                r.reason = QStringLiteral("no reply to SEND= after 3 attempts");
            } else if (n == 30) {
                r.outcome = JournalOutcome::DataError;
                r.boardFigures[3] = QStringLiteral("2.9300");
                r.reason = QStringLiteral("the board shows other figures than were sent");
            }
            journal.record(r);
            if (hour == 14)
                journal.recordStateChange(JournalKind::Temperature, QString::number(18 + random.bounded(8)), at.addSecs(30));
        }
    }
    HistoryWindow w(app);
    w.setJournalPath(path);
    w.resize(1000, 760);
    w.show();
    w.showPeriod(QDateTime(today.addDays(-6), QTime(0, 0)), QDateTime(today, QTime(23, 59, 59)));
    w.atEdit->setDateTime(QDateTime(today.addDays(-3), QTime(12, 0)));
    QApplication::processEvents();
    if (!w.grab().save(file)) {
        std::fprintf(stderr, "bench_journal: cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    return 0;
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--screenshot") == 0)
        return screenshot(QString::fromLocal8Bit(argv[2]));
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

    const UploadTimes bare = uploadTimes(false, QString());
    const UploadTimes recorded = uploadTimes(true, dir.filePath(QStringLiteral("upload.sqlite")));
    std::printf("an upload on a scripted board, request to last handler: %.4f ms bare, %.4f ms recorded; the "
                "recorder's handler %.4f ms (median of 500; limit 0.3 ms)\n",
                bare.totalMs, recorded.totalMs, recorded.recorderMs);

    App app(dir.path());
    chartFigures(app, path, end.addMonths(-2), "of 100,000 over 400 days");
    const QString dense = dir.filePath(QStringLiteral("month.sqlite"));
    const QDateTime monthStart = end.addMonths(-1);
    if (!fill(dense, monthStart, end, 100000)) {
        std::fprintf(stderr, "bench_journal: cannot fill %s\n", qPrintable(dense));
        return 1;
    }
    chartFigures(app, dense, monthStart, "of 100,000 in that month");
    return 0;
}
