#pragma once
// The journal of what the board was sent and showed: one row per upload, read, command or change
// of the board's reported state, and beside them one row per change of what is known of the
// board's figures, in an SQLite file that the window and tablo-cli write together.
//
// Writing never stops the caller's work: record() returns false when the file cannot be written
// (read-only, full disk, not open) and the caller shows takeFailureNotice() once per run of
// failures. A file that could not be opened for writing is tried again when a record comes, at
// growing intervals; takeFailureNotice() then tells that writing resumed. A Journal is used from
// the thread that opened it (a Qt SQL connection is).
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

// The words of the kind, source and outcome columns.
namespace JournalKind {
inline constexpr QLatin1String Upload{"upload"};
inline constexpr QLatin1String Read{"read"};
inline constexpr QLatin1String Brightness{"brightness"};
inline constexpr QLatin1String Lighting{"lighting"};
inline constexpr QLatin1String Clock{"clock"};
inline constexpr QLatin1String ControllerSettings{"controller-settings"};
// Changes of the board's reported state (recordStateChange).
inline constexpr QLatin1String Temperature{"temperature"};
inline constexpr QLatin1String BrightnessLevel{"brightness-level"};
inline constexpr QLatin1String LightingState{"lighting-state"};
} // namespace JournalKind

namespace JournalSource {
inline constexpr QLatin1String WriteButton{"write-button"};
inline constexpr QLatin1String DataFile{"data-file"};
inline constexpr QLatin1String TestPattern{"test-pattern"};
inline constexpr QLatin1String Cli{"tablo-cli"};
inline constexpr QLatin1String Watch{"watch"};
inline constexpr QLatin1String Mqtt{"mqtt"};
} // namespace JournalSource

namespace JournalOutcome {
inline constexpr QLatin1String SentOk{"sent-ok"};   // also a read or command that succeeded
inline constexpr QLatin1String SentUnverified{"sent-unverified"};
inline constexpr QLatin1String DataError{"data-error"};
inline constexpr QLatin1String ConnectionError{"connection-error"};
inline constexpr QLatin1String Rejected{"rejected"};
inline constexpr QLatin1String Superseded{"superseded"};
} // namespace JournalOutcome

struct JournalRecord {
    QDateTime started;
    QDateTime finished;
    QString kind;
    QString board;          // the port
    QString boardId;        // the MQTT bridge's board id; empty elsewhere
    QString source;
    QString request;        // the request's id (an MQTT request id); may be empty
    QString outcome;
    QStringList sent;          // the ten texts sent, or none; at most ten are kept
    QStringList boardFigures;  // the ten texts read back, or none; a state change's value alone
    QString command;
    QString reason;

    bool operator==(const JournalRecord &) const = default;
};

// One change of what is known of a board's figures: the truth record as it became.
struct JournalTruth {
    QDateTime at;           // when it changed (the reply's finish)
    QDateTime since;        // since when the board shows `figures` (in doubt: the failure)
    QString board;          // the port
    QString boardId;        // the MQTT bridge's board id; empty elsewhere
    QString known;          // "read-back-exact", "read", "sent-one-way", "in-doubt", "read-back-different", "unknown"
    QStringList figures;    // as the board shows them; in doubt: those known before the failure
    QStringList sent;       // the upload's texts: compared with, or that may have reached the board
    QString source;
    QString request;
    QString reason;         // why in doubt, or how the read-back differed
    QDateTime checked;      // the board's last answer then; invalid: none

    bool operator==(const JournalTruth &) const = default;
};

// How the figures of `t` were known, in words, times as `time` prints them: "read back exactly
// after the upload at T", "read from the board at T", "sent over a one-way link, not read back",
// "read back different at T: the board showed [..], not the [..] sent", "a command failed at T:
// the board may show either [..] or [..]", "nothing known of its figures".
QString journalTruthText(const JournalTruth &t, const std::function<QString(const QDateTime &)> &time);
// The figures as "[a,b,...]" (an empty text as "").
QString journalFiguresText(const QStringList &figures);

// What the board was last verified to show.
struct JournalShown {
    QStringList figures;   // the texts read back (the texts sent when none were stored)
    QDateTime since;       // when that upload finished
    QString source;
    QString request;
    QString board;
};

// One verified upload's figures (what the board read back, else what was sent), for charts.
struct JournalVerified {
    qint64 finishedMs = 0;   // UTC milliseconds since the epoch
    QStringList figures;
};

// The verified uploads of one stretch of time, per figure: lowest, highest and last value (NaN:
// none that is a number), for a chart of more uploads than it has pixels.
struct JournalBucket {
    qint64 startMs = 0;
    std::array<double, 10> low{}, high{}, last{};
};

// How many records a period holds, and how many of them failed.
struct JournalCounts {
    int records = 0;
    int failed = 0;   // data-error, connection-error, rejected
};

// The records as RFC 4180 text: a header line, then one line per record, each ending CR LF;
// the figures in the columns sent1..sent10 and board1..board10, times as journalTimeText().
// A cell a spreadsheet would take for a formula (one starting with =, +, -, @, a tab or a CR)
// gets a single quote before it, unless it is a plain number such as "-1.5".
QByteArray journalCsv(const QList<JournalRecord> &records);
QByteArray journalCsvHeader();
QByteArray journalCsvLine(const JournalRecord &record);
// A time as the journal prints it: local with its offset from UTC, "YYYY-MM-DDTHH:MM:SS.zzz+HH:MM";
// empty when invalid.
QString journalTimeText(const QDateTime &t);
// A time given as "YYYY-MM-DDTHH:MM:SS" (a space may stand for the T), optionally with ".zzz"
// and an offset "Z" or "+HH:MM"/"-HH:MM". Without an offset it is local: a local time that
// comes twice (the clock put back) is its first pass, one that the clock skipped is the first
// instant after the skip. None when the text is not such a time or names no day or hour.
std::optional<QDateTime> journalTimeFromText(const QString &text);

class Journal {
public:
    enum class Access { Write, ReadOnly };
    static constexpr int DefaultRetentionDays = 400;

    Journal();
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Opens (Write: creates) the journal file. On failure returns false with the reason in
    // `error`; record() then fails with that reason, and takeFailureNotice() tells it. A path
    // "postgresql://USER@HOST[:PORT]/DB" (HOST may be left out for "?host=/socket/folder") opens
    // that PostgreSQL database through Qt's QPSQL driver with `password`; the table and queries
    // are the same.
    bool open(const QString &path, QString *error, Access access = Access::Write, const QString &password = QString());
    bool isOpen() const;
    QString path() const { return m_path; }

    // Writes one record in a transaction of its own. Never throws; waits at most the busy
    // timeout for another writer. False when it was not written.
    bool record(const JournalRecord &r);
    // Whether the last write failed.
    bool failing() const { return m_failing; }
    // "The journal is not being written: <reason>" the first time it is asked after a run of
    // failures began; empty otherwise.
    QString takeFailureNotice();

    // A reported temperature, brightness level or lighting state (JournalKind::Temperature,
    // BrightnessLevel, LightingState). Recorded when it differs from the last value kept for its
    // kind and that was kept at least a minute before `when`; a change sooner is held, the
    // latest one per kind, and written by writeHeldStates() once the minute is over (or by the
    // next change after it). True when written now.
    bool recordStateChange(const QString &kind, const QString &value, const QDateTime &when,
                           const QString &board = QString());
    // Writes the held changes whose minute is over by `now` (invalid `now`: all of them, as when
    // the journal closes). Returns how many were written.
    int writeHeldStates(const QDateTime &now);
    // When the earliest held change is due; invalid when none is held.
    QDateTime heldStatesDue() const;

    // A change of what is known of the board's figures, in a transaction of its own. False when
    // it was not written.
    bool recordTruth(const JournalTruth &t);
    // What was known of the board's figures at `t`: the last change at or before it (of one
    // board id when `boardId` is given); none when nothing was recorded by then (a journal
    // older than these records included) or on failure (then `error` is set).
    std::optional<JournalTruth> truthAt(const QDateTime &t, QString *error = nullptr) const;
    std::optional<JournalTruth> truthAt(const QDateTime &t, const QString &boardId, QString *error = nullptr) const;
    // The changes from `since` to `until` (both included; invalid: open), by time.
    QList<JournalTruth> truths(const QDateTime &since, const QDateTime &until, QString *error = nullptr) const;

    // Deletes the records that started more than `retentionDays` days before `now`, and the
    // truth changes then, except each board's last one before it (what the board showed from
    // then on). Returns how many records, or -1 when it failed.
    int prune(int retentionDays, const QDateTime &now);

    // The records that started from `since` to `until` (both included; an invalid time leaves
    // that end open), by start. On failure returns none and sets `error`.
    // `limit` >= 0 takes that many from the `offset`-th on (a page of a table).
    QList<JournalRecord> records(const QDateTime &since, const QDateTime &until, QString *error = nullptr,
                                 int offset = 0, int limit = -1) const;
    // The same handed to `each` one at a time as SQLite reads them, none kept: a listing of
    // millions of records takes no more memory than one. False with `error` on failure.
    bool forEachRecord(const QDateTime &since, const QDateTime &until,
                       const std::function<void(const JournalRecord &)> &each, QString *error = nullptr) const;
    JournalCounts counts(const QDateTime &since, const QDateTime &until, QString *error = nullptr) const;
    // The last verified upload (outcome sent-ok) that finished at or before `t`; none when
    // there is none or on failure (then `error` is set).
    std::optional<JournalShown> shownAt(const QDateTime &t, QString *error = nullptr) const;
    // The verified uploads that finished from `since` to `until` (both included), by finish;
    // only the columns a chart needs, so a month of them reads fast.
    QList<JournalVerified> verified(const QDateTime &since, const QDateTime &until, QString *error = nullptr) const;
    int verifiedCount(const QDateTime &since, const QDateTime &until, QString *error = nullptr) const;
    // The same in `bucketMs` stretches from `since`, summed up by SQLite: a month of 100,000
    // uploads reads as a few hundred rows. Only buckets holding an upload are returned.
    QList<JournalBucket> verifiedBuckets(const QDateTime &since, const QDateTime &until, qint64 bucketMs,
                                         QString *error = nullptr) const;
    // The same for the records of one MQTT board id.
    std::optional<JournalShown> shownAt(const QDateTime &t, const QString &boardId, QString *error = nullptr) const;
    // The verified uploads of one board id that finished from `since` to `until` (both included),
    // by finish: the points of a chart of its figures.
    QList<JournalRecord> verifiedUploads(const QString &boardId, const QDateTime &since, const QDateTime &until,
                                         QString *error = nullptr) const;
    // The Qt SQL connection's name, for a caller that keeps tables of its own beside the journal.
    QString connectionName() const { return m_connection; }

private:
    bool fail(const QString &reason);
    // Opens a file that could not be opened for writing again, when its back-off is over.
    bool reopenIfDue();
    bool writeState(const QString &kind, const QString &value, const QDateTime &when, const QString &board);
    std::optional<JournalShown> shown(const QDateTime &t, const QString *boardId, QString *error) const;
    std::optional<JournalTruth> truth(const QDateTime &t, const QString *boardId, QString *error) const;
    bool m_truthTable = false;   // a file opened read-only may predate the truth changes

    QString m_connection;   // the Qt SQL connection's name, one per Journal
    QString m_path;
    QString m_openError;
    Access m_access = Access::Write;
    QString m_password;
    QElapsedTimer m_clock;   // for the back-off of reopening
    qint64 m_retryAtMs = 0;
    qint64 m_retryDelayMs = 1000;
    bool m_failing = false;
    bool m_noticeDue = false;
    QString m_notice;
    struct Kept {
        QString value;
        QDateTime at;
    };
    QHash<QString, Kept> m_lastState;   // by kind
    struct Held {
        QString value;
        QDateTime at;
        QString board;
    };
    QHash<QString, Held> m_heldState;   // by kind: the latest change within the minute
};
