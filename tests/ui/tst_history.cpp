// The History window on a journal file holding a week of uploads: opened from Tools > History
// beside the main window, the period's rows with their outcomes in colour, the chart's steps,
// what the board showed at a moment, and the period exported as CSV.
#include <QChart>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

#include "TestApp.h"
#include "core/journal/Journal.h"
#include "gui/HistoryWindow.h"

namespace {

const QDateTime From(QDate(2024, 5, 6), QTime(0, 0));
const QDateTime Until(QDate(2024, 5, 12), QTime(23, 59, 59));
constexpr int Uploads = 28;   // every six hours
constexpr int Failed = 13;    // upload 13: the board showed other figures

QDateTime finishOf(int n) { return From.addSecs(600 + n * 6 * 3600); }
QStringList figuresOf(int n)
{
    QStringList f;
    for (int k = 1; k <= 10; ++k)
        f << (n < 0 ? QString("0.5000") : QString("%1.%2").arg(k).arg(n, 4, 10, QLatin1Char('0')));
    return f;
}

// Upload -1, the day before the period, then uploads 0..27 in it.
void fillWeek(const QString &path)
{
    Journal j;
    QVERIFY(j.open(path, nullptr));
    for (int n = -1; n < Uploads; ++n) {
        const QDateTime done = n < 0 ? From.addDays(-1) : finishOf(n);
        JournalRecord r{done.addMSecs(-300), done, "upload", "/dev/ttyUSB0", "", "data-file", "", "sent-ok",
                        figuresOf(n), figuresOf(n), "", ""};
        if (n == Failed) {
            r.outcome = "data-error";
            r.boardFigures = QStringList(10, "9.9999");
            r.reason = "reads \"9.9999\", not 1.0013";
        }
        QVERIFY(j.record(r));
        const bool differs = n == Failed;
        QVERIFY(j.recordTruth({done, done, r.board, "", differs ? "read-back-different" : "read-back-exact", r.boardFigures,
                               r.sent, r.source, "", r.reason, done}));
    }
}

QString bracketed(const QStringList &figures) { return '[' + figures.join(',') + ']'; }
QString timeText(const QDateTime &t) { return t.toString("yyyy-MM-dd HH:mm:ss"); }

} // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void week_data()
    {
        QTest::addColumn<QDateTime>("at");
        QTest::addColumn<QString>("answer");   // the answer's first line
        const auto exact = [](int n) {
            const QString done = timeText(n < 0 ? From.addDays(-1) : finishOf(n));
            return bracketed(figuresOf(n)) + " since " + done + ", read back exactly after the upload at " + done;
        };
        QTest::newRow("at an upload's finish") << finishOf(5) << exact(5);
        QTest::newRow("a second before it") << finishOf(5).addSecs(-1) << exact(4);
        QTest::newRow("after the failed upload: what the board showed")
            << finishOf(Failed).addSecs(60)
            << "read back different at " + timeText(finishOf(Failed)) + ": the board showed " + bracketed(QStringList(10, "9.9999"))
                   + " (since " + timeText(finishOf(Failed)) + "), not the " + bracketed(figuresOf(Failed))
                   + " sent (reads \"9.9999\", not 1.0013)";
        QTest::newRow("the next upload read back") << finishOf(Failed + 1) << exact(Failed + 1);
        QTest::newRow("the period's start: the upload before it") << From << exact(-1);
    }
    void week()
    {
        QFETCH(QDateTime, at);
        QFETCH(QString, answer);
        TestApp t;
        fillWeek(t.path("journal.sqlite"));
        HistoryWindow *w = t.app->historyWindow;
        t.mainWindow()->historyAction->trigger();
        QVERIFY(w->isVisible());
        // Beside the main window when the screen has room for both, else moved and shrunk onto it.
        const QRect room = w->screen()->availableGeometry();
        QVERIFY(room.contains(w->frameGeometry()));
        w->showPeriod(From, Until);
        w->atEdit->setDateTime(at);

        QCOMPARE(w->model->rowCount(), Uploads);
        const QModelIndex failed = w->model->index(Failed, HistoryModel::Outcome);
        QCOMPARE(failed.data().toString(), "data-error");
        QCOMPARE(failed.data(Qt::ForegroundRole).value<QColor>(), QColor(0xc6, 0x28, 0x28));
        QCOMPARE(w->model->index(0, HistoryModel::Outcome).data(Qt::ForegroundRole).value<QColor>(), QColor(0x1b, 0x7f, 0x2a));

        // Slot 1 steps through each verified figure; the failed upload's never shows.
        const auto *slot1 = qobject_cast<QLineSeries *>(w->chart->series().value(0));
        QVERIFY(slot1);
        QCOMPARE(w->chart->series().size(), 10);
        QSet<QRgb> colours;
        for (QAbstractSeries *s : w->chart->series())
            colours << qobject_cast<QLineSeries *>(s)->pen().color().rgb();
        QCOMPARE(colours.size(), 10);   // a colour of its own for each figure
        QList<double> steps;
        for (const QPointF &p : slot1->points())
            if (steps.isEmpty() || steps.last() != p.y())
                steps << p.y();
        QCOMPARE(steps.size(), 1 + Uploads - 1);
        QCOMPARE(steps.first(), 0.5);
        QVERIFY(!steps.contains(9.9999) && !steps.contains(1.0013));

        QCOMPARE(w->atAnswer->text().split('\n'), (QStringList{answer, "from data-file"}));

        w->exportPath = t.path("week.csv");
        w->exportButton->click();
        const QList<QByteArray> lines = t.readFile("week.csv").split('\n');
        QCOMPARE(lines.size(), 1 + Uploads + 1);   // the header, the records, after the last CR LF nothing
        QVERIFY(lines[0].startsWith("started,finished,kind,port,board_id,source,request,outcome,sent1,"));
        const QDateTime failedAt(QDate(2024, 5, 9), QTime(6, 10));
        QVERIFY(lines[1 + Failed].startsWith((journalTimeText(failedAt.addMSecs(-300)) + "," + journalTimeText(failedAt)
                                              + ",upload,/dev/ttyUSB0,,data-file,,data-error,1.0013,").toUtf8()));
        QVERIFY(lines[1 + Failed].endsWith(",,\"reads \"\"9.9999\"\", not 1.0013\"\r"));
        QCOMPARE(lines.last(), QByteArray());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
