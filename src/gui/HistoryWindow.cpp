#include "gui/HistoryWindow.h"

#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShowEvent>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "gui/App.h"
#include "gui/widgets/WidgetHelpers.h"

namespace {

const QString ShownFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool failed(const QString &outcome)
{
    return outcome == JournalOutcome::DataError || outcome == JournalOutcome::ConnectionError
        || outcome == JournalOutcome::Rejected;
}

// The ten figures' lines, each its own colour (the chart's theme has five, which would repeat).
const QColor FigureColours[10] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c),
                                  QColor(0xd6, 0x27, 0x28), QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b),
                                  QColor(0xe3, 0x77, 0xc2), QColor(0x4d, 0x4d, 0x4d), QColor(0xbc, 0xbd, 0x22),
                                  QColor(0x17, 0xbe, 0xcf)};

// A figure's text as a number: its digits and point, the fill blanks dropped; none when it is
// blank or no number.
std::optional<double> valueOf(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(v) : std::nullopt;
}

} // namespace

// ---- The table ----

void HistoryModel::showPeriod(const Journal *journal, const QDateTime &from, const QDateTime &to, int total)
{
    beginResetModel();
    m_journal = journal;
    m_from = from;
    m_to = to;
    m_total = journal ? total : 0;
    m_records.clear();
    if (m_total > 0)
        m_records = journal->records(from, to, nullptr, 0, PageSize);
    endResetModel();
}

bool HistoryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_journal && m_records.size() < m_total;
}

void HistoryModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const QList<JournalRecord> page = m_journal->records(m_from, m_to, nullptr, int(m_records.size()), PageSize);
    if (page.isEmpty()) {
        m_total = int(m_records.size());   // the file lost records meanwhile (pruned)
        return;
    }
    beginInsertRows({}, int(m_records.size()), int(m_records.size() + page.size() - 1));
    m_records += page;
    endInsertRows();
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_records.size())
        return {};
    const JournalRecord &r = m_records[index.row()];
    if (role == Qt::ForegroundRole && index.column() == Outcome)
        return HistoryWindow::outcomeColour(r.outcome);
    if (role == Qt::ToolTipRole && index.column() == Reason)
        return r.reason;
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case Started: return r.started.toLocalTime().toString(ShownFormat);
    case Kind: return r.kind;
    case Source: return r.source;
    case Outcome: return r.outcome;
    case Figures:
        if (!r.command.isEmpty())
            return r.command;
        // What the board showed when it was read back, else what was sent.
        return (r.boardFigures.isEmpty() ? r.sent : r.boardFigures).join(QLatin1Char(' '));
    case Reason: return r.reason;
    }
    return {};
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QString names[] = {QStringLiteral("დაწყება"), QStringLiteral("სახე"), QStringLiteral("წყარო"),
                                    QStringLiteral("შედეგი"), QStringLiteral("ციფრები / ბრძანება"), QStringLiteral("მიზეზი")};
    return section >= 0 && section < ColumnCount ? names[section] : QVariant();
}

// ---- The window ----

HistoryWindow::HistoryWindow(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("ისტორია"));
    setFont(pixelFont(11));

    const auto timeEdit = [this](const char *name) {
        auto *e = new QDateTimeEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setDisplayFormat(ShownFormat);
        e->setCalendarPopup(true);
        return e;
    };
    const auto button = [this](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    fromEdit = timeEdit("FromEdit");
    toEdit = timeEdit("ToEdit");
    atEdit = timeEdit("AtEdit");
    todayButton = button(QStringLiteral("დღეს"), "TodayButton");
    weekButton = button(QStringLiteral("7 დღე"), "WeekButton");
    monthButton = button(QStringLiteral("30 დღე"), "MonthButton");
    exportButton = button(QStringLiteral("CSV ექსპორტი"), "ExportButton");

    model = new HistoryModel(this);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("HistoryTable"));
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(20);
    table->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {130, 110, 90, 110, 440};
    for (int c = 0; c < int(std::size(widths)); ++c)
        table->setColumnWidth(c, widths[c]);

    chart = new QChart;
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setTitle(QStringLiteral("ტაბლოზე დადასტურებული ციფრები"));
    chartView = new QChartView(chart, this);
    chartView->setObjectName(QStringLiteral("HistoryChart"));
    chartView->setRenderHint(QPainter::Antialiasing);

    atAnswer = new QLabel(this);
    atAnswer->setObjectName(QStringLiteral("AtAnswer"));
    atAnswer->setWordWrap(true);
    atAnswer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusLabel = new QLabel(this);
    statusLabel->setObjectName(QStringLiteral("HistoryStatus"));

    auto *period = new QHBoxLayout;
    period->addWidget(new QLabel(QStringLiteral("დან"), this));
    period->addWidget(fromEdit);
    period->addWidget(new QLabel(QStringLiteral("მდე"), this));
    period->addWidget(toEdit);
    period->addSpacing(8);
    period->addWidget(todayButton);
    period->addWidget(weekButton);
    period->addWidget(monthButton);
    period->addStretch();
    period->addWidget(exportButton);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table);
    splitter->addWidget(chartView);
    splitter->setChildrenCollapsible(false);
    table->setMinimumHeight(120);
    chartView->setMinimumHeight(240);
    splitter->setSizes({300, 340});

    auto *atBox = new QGroupBox(QStringLiteral("რა იყო ტაბლოზე მოცემულ დროს"), this);
    auto *atRow = new QHBoxLayout(atBox);
    atRow->addWidget(atEdit);
    atRow->addWidget(atAnswer, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 6);
    layout->addLayout(period);
    layout->addWidget(splitter, 1);
    layout->addWidget(atBox);
    layout->addWidget(statusLabel);
    resize(1000, 760);
    noDefaultButtons(this);
    table->setFocus();

    // A change of the period reads it once, after the edits have settled.
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(0);
    connect(m_refreshTimer, &QTimer::timeout, this, &HistoryWindow::refresh);
    connect(fromEdit, &QDateTimeEdit::dateTimeChanged, m_refreshTimer, qOverload<>(&QTimer::start));
    connect(toEdit, &QDateTimeEdit::dateTimeChanged, m_refreshTimer, qOverload<>(&QTimer::start));
    connect(atEdit, &QDateTimeEdit::dateTimeChanged, this, &HistoryWindow::answerShownAt);
    const auto lastDays = [this](int days) {
        const QDate today = QDate::currentDate();
        showPeriod(QDateTime(today.addDays(1 - days), QTime(0, 0)), QDateTime(today, QTime(23, 59, 59)));
    };
    connect(todayButton, &QPushButton::clicked, this, [=] { lastDays(1); });
    connect(weekButton, &QPushButton::clicked, this, [=] { lastDays(7); });
    connect(monthButton, &QPushButton::clicked, this, [=] { lastDays(30); });
    connect(exportButton, &QPushButton::clicked, this, &HistoryWindow::exportCsv);

    const QDate today = QDate::currentDate();
    const QSignalBlocker a1(fromEdit), a2(toEdit), a3(atEdit);
    fromEdit->setDateTime(QDateTime(today.addDays(-6), QTime(0, 0)));
    toEdit->setDateTime(QDateTime(today, QTime(23, 59, 59)));
    atEdit->setDateTime(QDateTime::currentDateTime());
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::showEvent(QShowEvent *e)
{
    if (!e->spontaneous()) {
        emit opening();
        fitOnScreen();
    }
    QDialog::showEvent(e);
    if (!e->spontaneous())
        refresh();
}

void HistoryWindow::fitOnScreen()
{
    const QScreen *s = screen();
    if (!s)
        return;
    // Beside the main window where there is room; else as much of the screen as it needs, the
    // frame included, moved in from the edge it crossed.
    const QRect room = s->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    QSize inner = size().boundedTo(room.size() - frame);
    // Narrower first, down to what its contents need, to stay beside the main window.
    inner.setWidth(std::min(inner.width(), std::max(minimumSizeHint().width(), room.right() + 1 - x() - frame.width())));
    resize(inner.expandedTo(minimumSizeHint()));
    const QSize outer = size() + frame;
    move(std::clamp(x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())),
         std::clamp(y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
}

void HistoryWindow::setJournalPath(const QString &path)
{
    m_path = path;
}

bool HistoryWindow::openJournal()
{
    if (m_journal.isOpen() && m_journal.path() == m_path)
        return true;
    QString error;
    // Read only: looking at the history never changes the journal.
    if (m_journal.open(m_path, &error, Journal::Access::ReadOnly))
        return true;
    setStatus(QStringLiteral("Cannot read the journal %1").arg(error));
    return false;
}

void HistoryWindow::setStatus(const QString &text) { statusLabel->setText(text); }

void HistoryWindow::showPeriod(const QDateTime &from, const QDateTime &to)
{
    {
        const QSignalBlocker a(fromEdit), b(toEdit);
        fromEdit->setDateTime(from);
        toEdit->setDateTime(to);
    }
    refresh();
}

void HistoryWindow::refresh()
{
    m_refreshTimer->stop();
    const QDateTime from = fromEdit->dateTime();
    // The "to" edit names a whole second.
    const QDateTime to = toEdit->dateTime().addMSecs(999);
    model->showPeriod(nullptr, from, to, 0);
    chart->removeAllSeries();
    if (!openJournal()) {
        atAnswer->clear();
        return;
    }
    QString error;
    const JournalCounts counts = m_journal.counts(from, to, &error);
    if (!error.isEmpty()) {
        setStatus(QStringLiteral("Cannot read the journal %1: %2").arg(m_path, error));
        return;
    }
    model->showPeriod(&m_journal, from, to, counts.records);
    drawChart(from, to);
    setStatus(QStringLiteral("%1 records, %2 failed; journal %3").arg(counts.records).arg(counts.failed).arg(m_path));
    answerShownAt();
}

QColor HistoryWindow::outcomeColour(const QString &outcome)
{
    if (outcome == JournalOutcome::SentOk)
        return QColor(0x1b, 0x7f, 0x2a);   // green
    if (outcome == JournalOutcome::SentUnverified || outcome == JournalOutcome::Superseded)
        return QColor(0xb3, 0x6b, 0x00);   // amber
    if (failed(outcome))
        return QColor(0xc6, 0x28, 0x28);   // red
    return QColor(Qt::black);
}

QList<QPointF> HistoryWindow::figureSteps(const std::optional<JournalShown> &atStart, const QList<JournalVerified> &verified,
                                          const QList<JournalBucket> &buckets, int slot, qint64 fromMs, qint64 toMs)
{
    std::optional<double> current = atStart ? valueOf(atStart->figures.value(slot)) : std::nullopt;
    QList<QPointF> points;
    const auto add = [&points](qint64 t, std::optional<double> v) {
        if (v)
            points.append(QPointF(double(t), *v));
    };
    add(fromMs, current);
    for (const JournalVerified &v : verified) {
        // A blank or no number ends what is known until the next number.
        const std::optional<double> value = valueOf(v.figures.value(slot));
        if (value == current)
            continue;
        add(v.finishedMs, current);
        add(v.finishedMs, value);
        current = value;
    }
    const auto number = [](double v) { return std::isnan(v) ? std::nullopt : std::optional<double>(v); };
    for (const JournalBucket &b : buckets) {
        add(b.startMs, current);
        add(b.startMs, number(b.low[slot]));
        add(b.startMs, number(b.high[slot]));
        current = number(b.last[slot]);
        add(b.startMs, current);
    }
    add(toMs, current);
    return points;
}

void HistoryWindow::drawChart(const QDateTime &from, const QDateTime &to)
{
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);
    const std::optional<JournalShown> atStart = m_journal.shownAt(from);
    // Upload by upload while the chart has room for each step, else summed up per bucket.
    const bool exact = m_journal.verifiedCount(from, to) <= ExactSteps;
    const QList<JournalVerified> verified = exact ? m_journal.verified(from, to) : QList<JournalVerified>();
    const QList<JournalBucket> buckets =
        exact ? QList<JournalBucket>() : m_journal.verifiedBuckets(from, to, std::max<qint64>(1, from.msecsTo(to) / Buckets));
    // The line ends now when the period reaches past it.
    const qint64 fromMs = from.toMSecsSinceEpoch();
    const qint64 toMs = std::min(to.toMSecsSinceEpoch(), QDateTime::currentMSecsSinceEpoch());
    auto *x = new QDateTimeAxis;
    x->setFormat(from.daysTo(to) >= 2 ? QStringLiteral("dd.MM") : QStringLiteral("HH:mm"));
    x->setRange(from, to.addMSecs(1));   // to the next whole second: ticks fall on midnights
    // Whole days: a tick at each midnight (every few days of a long period).
    const qint64 days = from.daysTo(to) + 1;
    x->setTickCount(days >= 3 ? int(days / ((days + 9) / 10)) + 1 : 7);
    auto *y = new QValueAxis;
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    double low = 0, high = 0;
    bool any = false;
    for (int slot = 0; slot < 10; ++slot) {
        const qint64 endMs = std::max(fromMs, toMs);
        const QList<QPointF> points = figureSteps(atStart, verified, buckets, slot, fromMs, endMs);
        if (points.isEmpty())
            continue;
        auto *series = new QLineSeries;
        series->setName(QString::number(slot + 1));
        series->setPen(QPen(FigureColours[slot], 1.5));
        series->replace(points);
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        for (const QPointF &p : points) {
            low = any ? std::min(low, p.y()) : p.y();
            high = any ? std::max(high, p.y()) : p.y();
            any = true;
        }
    }
    const double margin = any && high > low ? (high - low) * 0.05 : 1;
    y->setRange(any ? low - margin : 0, any ? high + margin : 1);
    y->applyNiceNumbers();
    chart->legend()->setVisible(any);
}

void HistoryWindow::answerShownAt()
{
    if (!m_journal.isOpen()) {
        atAnswer->clear();
        return;
    }
    const QDateTime at = atEdit->dateTime();
    QString error;
    const std::optional<JournalTruth> truth = m_journal.truthAt(at, &error);
    if (!error.isEmpty()) {
        atAnswer->setText(QStringLiteral("Cannot read the journal: ") + error);
        return;
    }
    if (!truth) {
        atAnswer->setText(QStringLiteral("Nothing recorded of the board's figures by %1").arg(at.toString(ShownFormat)));
        return;
    }
    // The figures and how they were known, the doubt in words; then the request behind them.
    QString text = journalTruthText(*truth, [](const QDateTime &t) { return t.toLocalTime().toString(ShownFormat); });
    text += QStringLiteral("\nfrom %1").arg(truth->source.isEmpty() ? QStringLiteral("an unnamed source") : truth->source);
    if (!truth->request.isEmpty())
        text += QStringLiteral(", request ") + truth->request;
    atAnswer->setText(text);
}

void HistoryWindow::exportCsv()
{
    // A change of the period that is still to be read is read first: the file holds what the edits say.
    if (m_refreshTimer->isActive())
        refresh();
    if (!exportPath.isEmpty()) {
        writeCsv(exportPath);
        return;
    }
    auto *dialog = new QFileDialog(this, QStringLiteral("CSV ექსპორტი"), QString(), QStringLiteral("CSV ფაილები (*.csv)"));
    dialog->setObjectName(QStringLiteral("ExportDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->selectFile(QStringLiteral("journal_%1_%2.csv")
                           .arg(fromEdit->date().toString(QStringLiteral("yyyyMMdd")),
                                toEdit->date().toString(QStringLiteral("yyyyMMdd"))));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &path) { writeCsv(path); });
    app.openModal(dialog);
}

bool HistoryWindow::writeCsv(const QString &path)
{
    // Every record of the period, not only the pages the table has read, written as it is read.
    if (!openJournal()) {
        setStatus(QStringLiteral("Nothing exported: cannot read the journal %1").arg(m_path));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setStatus(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    QString error;
    qint64 count = 0;
    bool written = file.write(journalCsvHeader()) >= 0;
    const bool read = m_journal.forEachRecord(fromEdit->dateTime(), toEdit->dateTime().addMSecs(999),
                                              [&](const JournalRecord &r) {
                                                  written = written && file.write(journalCsvLine(r)) >= 0;
                                                  ++count;
                                              }, &error);
    if (!read) {
        file.cancelWriting();
        setStatus(QStringLiteral("Nothing exported: cannot read the journal %1 %2").arg(m_path, error));
        return false;
    }
    if (!written || !file.commit()) {
        setStatus(QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    setStatus(QStringLiteral("Exported %1 records to %2").arg(count).arg(path));
    return true;
}
