#pragma once
// The History window: the journal's records of a period in a table (the outcome in colour), a
// chart of each figure the board was verified to show over the period, what the board showed at
// a chosen moment, and the period's records exported as CSV. It only reads the journal.
#include <QAbstractTableModel>
#include <QColor>
#include <QDateTime>
#include <QDialog>
#include <optional>

#include "core/journal/Journal.h"

class App;
class QChart;
class QChartView;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

// The records of the period in the table, read a page at a time as the table scrolls: a month
// of 100,000 uploads opens as fast as a day.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Started, Kind, Source, Outcome, Figures, Reason, ColumnCount };
    static constexpr int PageSize = 500;
    using QAbstractTableModel::QAbstractTableModel;
    // The period's `total` records from `journal` (not owned; null: none); the first page is read.
    void showPeriod(const Journal *journal, const QDateTime &from, const QDateTime &to, int total);
    const QList<JournalRecord> &records() const { return m_records; }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_records.size()); }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    const Journal *m_journal = nullptr;
    QDateTime m_from, m_to;
    int m_total = 0;
    QList<JournalRecord> m_records;
};

class HistoryWindow : public QDialog {
    Q_OBJECT
public:
    explicit HistoryWindow(App &app);
    ~HistoryWindow() override;
    App &app;

    // The journal file read (opened afresh when it was not open).
    void setJournalPath(const QString &path);
    QString journalPath() const { return m_path; }

    // Shows the records, the chart and the answer for the period from `from` to `to`.
    void showPeriod(const QDateTime &from, const QDateTime &to);
    // Reads the period of the edits again.
    void refresh();
    // "What was on the board at" the time of the edit: the figures known then, how they were
    // known (the doubt in words) and the request behind them, from the journal's truth changes.
    void answerShownAt();
    // "Export CSV": asks for a file (exportPath when set), then writes the period's records.
    void exportCsv();
    bool writeCsv(const QString &path);
    QString exportPath;   // set: the export goes there without asking

    // The colour of an outcome's text: green verified, amber unverified or replaced, red failed.
    static QColor outcomeColour(const QString &outcome);
    // The step points of one figure (slot 0..9) over a period: what was shown at `from` (none:
    // nothing known), then a vertical step at each verified upload that changed it, to `to`. A
    // period with more uploads than the chart has room for comes as `buckets` instead: one
    // vertical span from the lowest to the highest value of each, ending at its last.
    static QList<QPointF> figureSteps(const std::optional<JournalShown> &atStart, const QList<JournalVerified> &verified,
                                      const QList<JournalBucket> &buckets, int slot, qint64 fromMs, qint64 toMs);
    // Up to this many verified uploads a period is charted upload by upload.
    static constexpr int ExactSteps = 2000;
    static constexpr int Buckets = 600;

    QDateTimeEdit *fromEdit, *toEdit, *atEdit;
    QPushButton *todayButton, *weekButton, *monthButton, *exportButton;
    QTableView *table;
    HistoryModel *model;
    QChart *chart;
    QChartView *chartView;
    QLabel *atAnswer, *statusLabel;

signals:
    void opening();   // showing begins: the window stands beside the main window

protected:
    void showEvent(QShowEvent *e) override;

private:
    bool openJournal();
    // Keeps the window on its screen (1280x1024 included), shrinking it when it must.
    void fitOnScreen();
    void drawChart(const QDateTime &from, const QDateTime &to);
    void setStatus(const QString &text);

    QString m_path;
    Journal m_journal;
    QTimer *m_refreshTimer;
};
