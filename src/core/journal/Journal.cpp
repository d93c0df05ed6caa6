#include "core/journal/Journal.h"

#include <QThread>

#include <QAtomicInteger>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <algorithm>
#include <limits>

// The figures are ten columns each (s1..s10 sent, b1..b10 read back) rather than one joined
// text: a chart of one figure is then a plain "SELECT finished_ms, b3 ... ORDER BY finished_ms"
// on SQLite and PostgreSQL alike, with no splitting in SQL. A list shorter than ten leaves the
// rest NULL, so it reads back as it was written.
//
// Times are kept twice: the local time as text for a person reading the file, and the UTC
// milliseconds since the epoch that every query uses. The SQL is plain enough for QPSQL; only
// the PRAGMAs are SQLite's and only applied there.

namespace {

constexpr int Figures = 10;
constexpr int BusyTimeoutMs = 5000;
constexpr qint64 FirstRetryMs = 1000;
constexpr qint64 LongestRetryMs = 60 * 1000;
const char TimeFormat[] = "yyyy-MM-ddTHH:mm:ss.zzz";

QAtomicInteger<quint64> connectionCount;

const QString Columns = [] {
    QStringList c{QStringLiteral("started"), QStringLiteral("started_ms"), QStringLiteral("finished"),
                  QStringLiteral("finished_ms"), QStringLiteral("kind"), QStringLiteral("board"),
                  QStringLiteral("board_id"), QStringLiteral("source"), QStringLiteral("request"),
                  QStringLiteral("outcome"), QStringLiteral("command"), QStringLiteral("reason")};
    for (int k = 1; k <= Figures; ++k)
        c << QStringLiteral("s%1").arg(k);
    for (int k = 1; k <= Figures; ++k)
        c << QStringLiteral("b%1").arg(k);
    return c.join(QStringLiteral(", "));
}();

// The changes of what is known of the board's figures, beside the records of the requests; an
// older file gets the table when it is next opened for writing. `n` orders changes within one
// millisecond of one board (0, 1, ...). The figures are f1..f10 as shown, s1..s10 as sent.
const QString TruthColumns = [] {
    QStringList c{QStringLiteral("at_ms"), QStringLiteral("n"), QStringLiteral("since_ms"), QStringLiteral("board"),
                  QStringLiteral("board_id"), QStringLiteral("known"), QStringLiteral("source"), QStringLiteral("request"),
                  QStringLiteral("reason"), QStringLiteral("checked_ms"), QStringLiteral("at"), QStringLiteral("since"),
                  QStringLiteral("checked")};
    for (const char prefix : {'f', 's'})
        for (int k = 1; k <= Figures; ++k)
            c << QStringLiteral("%1%2").arg(QLatin1Char(prefix)).arg(k);
    return c.join(QStringLiteral(", "));
}();
constexpr int TruthFirstFigure = 13;

QString truthTable()
{
    QString table = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS truth ("
        "at_ms BIGINT NOT NULL, n INTEGER NOT NULL, since_ms BIGINT NOT NULL, board TEXT NOT NULL, "
        "board_id TEXT NOT NULL, known TEXT NOT NULL, source TEXT NOT NULL, request TEXT NOT NULL, "
        "reason TEXT NOT NULL, checked_ms BIGINT NOT NULL, at TEXT NOT NULL, since TEXT NOT NULL, checked TEXT NOT NULL");
    for (const char prefix : {'f', 's'})
        for (int k = 1; k <= Figures; ++k)
            table += QStringLiteral(", %1%2 TEXT").arg(QLatin1Char(prefix)).arg(k);
    return table + QLatin1Char(')');
}

QStringList schema()
{
    QString table = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS journal ("
        "started TEXT NOT NULL, started_ms BIGINT NOT NULL, finished TEXT NOT NULL, finished_ms BIGINT NOT NULL, "
        "kind TEXT NOT NULL, board TEXT NOT NULL, board_id TEXT NOT NULL, source TEXT NOT NULL, "
        "request TEXT NOT NULL, outcome TEXT NOT NULL, command TEXT NOT NULL, reason TEXT NOT NULL");
    for (const char prefix : {'s', 'b'})
        for (int k = 1; k <= Figures; ++k)
            table += QStringLiteral(", %1%2 TEXT").arg(QLatin1Char(prefix)).arg(k);
    table += QLatin1Char(')');
    return {table,
            // shownAt() and the charts of verified uploads.
            QStringLiteral("CREATE INDEX IF NOT EXISTS journal_kind_outcome_finished ON journal (kind, outcome, finished_ms)"),
            // records() and prune().
            QStringLiteral("CREATE INDEX IF NOT EXISTS journal_started ON journal (started_ms)"),
            // shownAt() and the charts of one board id (many boards in one journal).
            QStringLiteral("CREATE INDEX IF NOT EXISTS journal_board_verified ON journal (board_id, kind, outcome, finished_ms)"),
            truthTable(),
            // truthAt(): the last change by a time, of one board id or any.
            QStringLiteral("CREATE INDEX IF NOT EXISTS truth_board_at ON truth (board_id, at_ms, n)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS truth_at ON truth (at_ms, n)")};
}

} // namespace

QString journalTimeText(const QDateTime &t)
{
    if (!t.isValid())
        return QString();
    const QDateTime local = t.toLocalTime();
    const int offset = local.offsetFromUtc() / 60;
    const int size = std::abs(offset);
    return local.toString(QLatin1String(TimeFormat)) + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        + QStringLiteral("%1:%2").arg(size / 60, 2, 10, QLatin1Char('0')).arg(size % 60, 2, 10, QLatin1Char('0'));
}

namespace {

// The offset from UTC of local time at the instant `ms`, in milliseconds.
qint64 localOffsetMs(qint64 ms)
{
    return qint64(QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime).offsetFromUtc()) * 1000;
}

} // namespace

std::optional<QDateTime> journalTimeFromText(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d)[T ](\\d\\d:\\d\\d:\\d\\d)(?:\\.(\\d{1,3}))?(Z|[+-]\\d\\d:\\d\\d)?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date = QDate::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(m.captured(2), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QString fraction = m.captured(3);
    const qint64 naive = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch()
        + (fraction.isEmpty() ? 0 : (fraction + QStringLiteral("00")).left(3).toLongLong());
    const QString zone = m.captured(4);
    if (!zone.isEmpty()) {
        const int hours = zone == QLatin1String("Z") ? 0 : zone.mid(1, 2).toInt();
        const int minutes = zone == QLatin1String("Z") ? 0 : zone.mid(4, 2).toInt();
        if (hours > 14 || minutes > 59)
            return std::nullopt;
        const qint64 offset = (hours * 60 + minutes) * 60 * 1000 * (zone.startsWith(QLatin1Char('-')) ? -1 : 1);
        return QDateTime::fromMSecsSinceEpoch(naive - offset, Qt::LocalTime);
    }
    // The instants that local time shows as this text: one, two when the clock was put back
    // (the first is taken), none when it was put forward over it.
    constexpr qint64 TwoDaysMs = 2 * 24 * 3600 * 1000LL;
    const qint64 before = localOffsetMs(naive - TwoDaysMs), after = localOffsetMs(naive + TwoDaysMs);
    std::optional<qint64> first;
    for (const qint64 offset : {before, after, localOffsetMs(naive)}) {
        const qint64 at = naive - offset;
        if (localOffsetMs(at) == offset && (!first || at < *first))
            first = at;
    }
    if (first)
        return QDateTime::fromMSecsSinceEpoch(*first, Qt::LocalTime);
    if (after <= before)
        return std::nullopt;
    // Skipped: the first instant after the skip, the change itself, between the two readings.
    qint64 low = naive - after, high = naive - before;   // low: before the change, high: after it
    while (high - low > 1) {
        const qint64 mid = low + (high - low) / 2;
        (localOffsetMs(mid) == after ? high : low) = mid;
    }
    return QDateTime::fromMSecsSinceEpoch(high, Qt::LocalTime);
}

namespace {

QVariant timeMs(const QDateTime &t)
{
    return t.isValid() ? QVariant(t.toMSecsSinceEpoch()) : QVariant(qint64(0));
}

QString reasonOf(const QSqlError &e)
{
    const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

QStringList figuresAt(const QSqlQuery &q, int first)
{
    QStringList out;
    for (int k = 0; k < Figures; ++k) {
        const QVariant v = q.value(first + k);
        if (v.isNull())
            break;
        out << v.toString();
    }
    return out;
}

qint64 msOfOpen(const QDateTime &t, qint64 open) { return t.isValid() ? t.toMSecsSinceEpoch() : open; }

// A row of "SELECT <Columns>".
JournalRecord recordOf(const QSqlQuery &q)
{
    JournalRecord r;
    r.started = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong());
    r.finished = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong());
    r.kind = q.value(4).toString();
    r.board = q.value(5).toString();
    r.boardId = q.value(6).toString();
    r.source = q.value(7).toString();
    r.request = q.value(8).toString();
    r.outcome = q.value(9).toString();
    r.command = q.value(10).toString();
    r.reason = q.value(11).toString();
    r.sent = figuresAt(q, 12);
    r.boardFigures = figuresAt(q, 12 + Figures);
    return r;
}

} // namespace

Journal::Journal()
    : m_connection(QStringLiteral("tablo-journal-%1").arg(connectionCount.fetchAndAddRelaxed(1)))
{
}

Journal::~Journal()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

bool Journal::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool Journal::open(const QString &path, QString *error, Access access, const QString &password)
{
    m_path = path;
    m_access = access;
    m_password = password;
    m_lastState.clear();
    if (!m_clock.isValid())
        m_clock.start();
    const auto failed = [&](const QString &reason) {
        m_openError = QStringLiteral("%1: %2").arg(path, reason);
        fail(m_openError);   // the failure notice is due from here, not only from the first record
        if (QSqlDatabase::contains(m_connection))
            QSqlDatabase::database(m_connection, false).close();
        if (error)
            *error = m_openError;
        // Tried again when a record comes, each time a little later: a file held for long does
        // not make every record wait the busy time-out.
        m_retryAtMs = m_clock.elapsed() + m_retryDelayMs;
        m_retryDelayMs = std::min(2 * m_retryDelayMs, LongestRetryMs);
        return false;
    };
    const bool postgres = path.startsWith(QLatin1String("postgresql://")) || path.startsWith(QLatin1String("postgres://"));
    if (!postgres && access == Access::ReadOnly && !QFileInfo::exists(path))
        return failed(QStringLiteral("there is no such file"));
    const QString driver = postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE");
    if (QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).driverName() != driver)
        QSqlDatabase::removeDatabase(m_connection);
    QSqlDatabase db = QSqlDatabase::contains(m_connection) ? QSqlDatabase::database(m_connection, false)
                                                           : QSqlDatabase::addDatabase(driver, m_connection);
    if (!db.isValid())
        return failed(postgres ? QStringLiteral("the PostgreSQL driver of Qt is missing (package libqt6sql6-psql)")
                               : QStringLiteral("the SQLite driver of Qt is missing (package libqt6sql6-sqlite)"));
    db.close();
    if (postgres) {
        const QUrl url(path);
        const QUrlQuery query(url);
        // libpq takes a host that starts with "/" as the folder of the server's Unix socket.
        db.setHostName(query.hasQueryItem(QStringLiteral("host")) ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                                                                  : url.host());
        if (url.port() > 0)
            db.setPort(url.port());
        db.setDatabaseName(url.path().mid(1));
        db.setUserName(url.userName());
        db.setPassword(password.isEmpty() ? url.password() : password);
        // "already exists" notices of CREATE ... IF NOT EXISTS stay out of the log.
        db.setConnectOptions(QStringLiteral("connect_timeout=10;options='-c client_min_messages=warning'"));
    } else {
        db.setDatabaseName(path);
        // Another process (the window, tablo-cli watch) may hold the write lock for a moment.
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
        if (access == Access::ReadOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db.setConnectOptions(options);
    }
    if (access == Access::ReadOnly) {
        // A file that is no journal says so here rather than as "no records".
        const auto readable = [&db](QString *reason) {
            if (!db.open()) {
                *reason = reasonOf(db.lastError());
                return false;
            }
            {
                QSqlQuery probe(db);
                if (probe.exec(QStringLiteral("SELECT COUNT(*) FROM journal WHERE 1 = 0")))
                    return true;
                *reason = reasonOf(probe.lastError());
            }
            db.close();
            return false;
        };
        QString reason;
        if (!readable(&reason)) {
            if (postgres)
                return failed(reason);
            // A folder or medium the reader cannot write: SQLite cannot make the shared-memory
            // file of write-ahead logging beside the file. Opened as immutable, the file is read
            // alone, which is right when no writer has it open: a writer keeps the shared-memory
            // file there while it has, and the read-only open above then works.
            // Records still in a write-ahead log (a writer stopped without closing) would be
            // left out of such a read: that is refused rather than shown short.
            if (QFileInfo(path + QStringLiteral("-wal")).size() > 0)
                return failed(QStringLiteral("%1; its last records are in %2-wal, which SQLite reads only where it may "
                                             "write: copy the journal's files to a folder you can write")
                                  .arg(reason, QFileInfo(path).fileName()));
            QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
            uri.setQuery(QStringLiteral("immutable=1"));
            db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI").arg(BusyTimeoutMs));
            QString immutableReason;
            if (!readable(&immutableReason))
                return failed(reason);
        }
        QSqlQuery q(db);
        // A journal written before the truth changes were kept has none to answer from.
        m_truthTable = q.exec(QStringLiteral("SELECT COUNT(*) FROM truth WHERE 1 = 0"));
        m_openError.clear();
        return true;
    }
    if (!db.open())
        return failed(reasonOf(db.lastError()));

    QSqlQuery q(db);
    m_truthTable = true;
    if (db.driverName() == QLatin1String("QSQLITE")) {
        // WAL: readers never wait for the writer, and a writer killed mid-way leaves the file
        // whole. NORMAL: a commit is not synced to disk each time (a power cut may lose the
        // last records, never the file).
        // A file another program is switching at this moment answers "locked" at once, without
        // its busy time-out: that is tried again for as long as the time-out.
        bool switched = false;
        QElapsedTimer waited;
        waited.start();
        while (!switched) {
            switched = q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && q.next();
            if (!switched && (q.lastError().nativeErrorCode() != QLatin1String("5") || waited.elapsed() >= BusyTimeoutMs))
                return failed(reasonOf(q.lastError()));
            if (!switched)
                QThread::msleep(10);
        }
        if (q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            return failed(QStringLiteral("the file cannot be switched to write-ahead logging"));
        if (!q.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
            return failed(reasonOf(q.lastError()));
    }
    // The tables are made under the write lock from the start (BEGIN IMMEDIATE on SQLite): two
    // programs opening a new file at once then wait for each other (the busy time-out) instead
    // of one failing when its read turns into a write.
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    if (sqlite ? !q.exec(QStringLiteral("BEGIN IMMEDIATE")) : !db.transaction())
        return failed(reasonOf(sqlite ? q.lastError() : db.lastError()));
    for (const QString &statement : schema()) {
        if (!q.exec(statement)) {
            const QString reason = reasonOf(q.lastError());
            q.finish();
            sqlite ? void(q.exec(QStringLiteral("ROLLBACK"))) : void(db.rollback());
            return failed(reason);
        }
    }
    if (sqlite ? !q.exec(QStringLiteral("COMMIT")) : !db.commit()) {
        const QString reason = reasonOf(sqlite ? q.lastError() : db.lastError());
        sqlite ? void(q.exec(QStringLiteral("ROLLBACK"))) : void(db.rollback());
        return failed(reason);
    }
    m_openError.clear();
    m_retryDelayMs = FirstRetryMs;
    return true;
}

bool Journal::reopenIfDue()
{
    if (isOpen())
        return true;
    if (m_path.isEmpty() || m_access != Access::Write || !m_clock.isValid() || m_clock.elapsed() < m_retryAtMs)
        return false;
    if (!open(m_path, nullptr, m_access, m_password))
        return false;
    m_failing = false;
    m_notice = QStringLiteral("The journal is being written again: ") + m_path;
    m_noticeDue = true;
    return true;
}

bool Journal::fail(const QString &reason)
{
    if (!m_failing) {
        m_noticeDue = true;
        m_notice = QStringLiteral("The journal is not being written: ") + reason;
    }
    m_failing = true;
    return false;
}

QString Journal::takeFailureNotice()
{
    if (!m_noticeDue)
        return QString();
    m_noticeDue = false;
    return m_notice;
}

bool Journal::record(const JournalRecord &r)
{
    if (!reopenIfDue())
        return fail(m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(reasonOf(db.lastError()));
    QString reason;
    {
        QSqlQuery q(db);
        QString marks = QStringLiteral("?");
        for (int k = 1; k < 12 + 2 * Figures; ++k)
            marks += QStringLiteral(", ?");
        if (q.prepare(QStringLiteral("INSERT INTO journal (%1) VALUES (%2)").arg(Columns, marks))) {
            q.addBindValue(journalTimeText(r.started));
            q.addBindValue(timeMs(r.started));
            q.addBindValue(journalTimeText(r.finished));
            q.addBindValue(timeMs(r.finished));
            for (const QString *text : {&r.kind, &r.board, &r.boardId, &r.source, &r.request, &r.outcome, &r.command, &r.reason})
                q.addBindValue(text->isNull() ? QString(QLatin1String("")) : *text);
            for (const QStringList *list : {&r.sent, &r.boardFigures})
                for (int k = 0; k < Figures; ++k)
                    q.addBindValue(k < list->size() ? QVariant(list->at(k).isNull() ? QString(QLatin1String("")) : list->at(k))
                                                    : QVariant(QMetaType::fromType<QString>()));
            if (!q.exec())
                reason = reasonOf(q.lastError());
        } else {
            reason = reasonOf(q.lastError());
        }
    }
    if (reason.isEmpty() && !db.commit())
        reason = reasonOf(db.lastError());
    if (!reason.isEmpty()) {
        db.rollback();
        return fail(reason);
    }
    if (m_failing)
        m_noticeDue = false;   // a failure noticed by nobody yet is over
    m_failing = false;
    return true;
}

bool Journal::recordStateChange(const QString &kind, const QString &value, const QDateTime &when, const QString &board)
{
    reopenIfDue();
    // A change held from before that is due by now goes first: the journal then shows it.
    writeHeldStates(when);
    if (!m_lastState.contains(kind) && isOpen()) {
        // The last value kept before this run, so a restart does not record it again.
        QSqlQuery q(QSqlDatabase::database(m_connection, false));
        q.prepare(QStringLiteral("SELECT b1, finished_ms FROM journal WHERE kind = ? ORDER BY finished_ms DESC LIMIT 1"));
        q.addBindValue(kind);
        if (q.exec() && q.next())
            m_lastState.insert(kind, Kept{q.value(0).toString(), QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong())});
    }
    const auto kept = m_lastState.constFind(kind);
    if (kept != m_lastState.cend() && kept->value == value) {
        m_heldState.remove(kind);   // back to what the journal shows: nothing to write later
        return false;
    }
    if (kept != m_lastState.cend() && kept->at.msecsTo(when) < 60 * 1000) {
        m_heldState.insert(kind, Held{value, when, board});
        return false;
    }
    m_heldState.remove(kind);
    return writeState(kind, value, when, board);
}

bool Journal::writeState(const QString &kind, const QString &value, const QDateTime &when, const QString &board)
{
    JournalRecord r;
    r.started = r.finished = when;
    r.kind = kind;
    r.board = board;
    r.outcome = JournalOutcome::SentOk;
    r.boardFigures = QStringList{value};
    if (!record(r))
        return false;
    m_lastState.insert(kind, Kept{value, when});
    return true;
}

QDateTime Journal::heldStatesDue() const
{
    QDateTime due;
    for (auto it = m_heldState.cbegin(); it != m_heldState.cend(); ++it) {
        const auto kept = m_lastState.constFind(it.key());
        const QDateTime at = kept == m_lastState.cend() ? it->at : kept->at.addSecs(60);
        if (!due.isValid() || at < due)
            due = at;
    }
    return due;
}

int Journal::writeHeldStates(const QDateTime &now)
{
    int written = 0;
    const QStringList kinds = m_heldState.keys();
    for (const QString &kind : kinds) {
        const Held held = m_heldState.value(kind);
        const auto kept = m_lastState.constFind(kind);
        if (now.isValid() && kept != m_lastState.cend() && kept->at.msecsTo(now) < 60 * 1000)
            continue;
        m_heldState.remove(kind);
        written += writeState(kind, held.value, held.at, held.board) ? 1 : 0;
    }
    return written;
}

int Journal::prune(int retentionDays, const QDateTime &now)
{
    if (!isOpen())
        return -1;
    const qint64 before = now.addDays(-retentionDays).toMSecsSinceEpoch();
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM journal WHERE started_ms < ?"));
    q.addBindValue(before);
    if (!q.exec())
        return -1;
    const int deleted = q.numRowsAffected();
    // Each board's last change before the cut says what it showed after it: that one stays.
    QSqlQuery t(QSqlDatabase::database(m_connection, false));
    t.prepare(QStringLiteral("DELETE FROM truth WHERE at_ms < ? AND at_ms < (SELECT MAX(o.at_ms) FROM truth o "
                             "WHERE o.board_id = truth.board_id AND o.at_ms < ?)"));
    t.addBindValue(before);
    t.addBindValue(before);
    if (!t.exec())
        return -1;
    return deleted;
}

bool Journal::recordTruth(const JournalTruth &t)
{
    if (!reopenIfDue())
        return fail(m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError);
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // The count and the insert under one write lock: on SQLite a transaction that reads first
    // and writes after another program wrote fails at once instead of waiting its turn.
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    QSqlQuery begin(db);
    if (sqlite ? !begin.exec(QStringLiteral("BEGIN IMMEDIATE")) : !db.transaction())
        return fail(reasonOf(sqlite ? begin.lastError() : db.lastError()));
    QString reason;
    {
        QSqlQuery q(db);
        // The changes already kept for this board in this millisecond come before it.
        q.prepare(QStringLiteral("SELECT COUNT(*) FROM truth WHERE board_id = ? AND at_ms = ?"));
        q.addBindValue(t.boardId.isNull() ? QString(QLatin1String("")) : t.boardId);
        q.addBindValue(timeMs(t.at));
        if (!q.exec() || !q.next())
            reason = reasonOf(q.lastError());
        const int n = reason.isEmpty() ? q.value(0).toInt() : 0;
        q.finish();
        QString marks = QStringLiteral("?");
        for (int k = 1; k < TruthFirstFigure + 2 * Figures; ++k)
            marks += QStringLiteral(", ?");
        if (reason.isEmpty() && q.prepare(QStringLiteral("INSERT INTO truth (%1) VALUES (%2)").arg(TruthColumns, marks))) {
            q.addBindValue(timeMs(t.at));
            q.addBindValue(n);
            q.addBindValue(timeMs(t.since));
            for (const QString *text : {&t.board, &t.boardId, &t.known, &t.source, &t.request, &t.reason})
                q.addBindValue(text->isNull() ? QString(QLatin1String("")) : *text);
            q.addBindValue(timeMs(t.checked));
            for (const QDateTime *time : {&t.at, &t.since, &t.checked})
                q.addBindValue(journalTimeText(*time).isNull() ? QString(QLatin1String("")) : journalTimeText(*time));
            for (const QStringList *list : {&t.figures, &t.sent})
                for (int k = 0; k < Figures; ++k)
                    q.addBindValue(k < list->size() ? QVariant(list->at(k).isNull() ? QString(QLatin1String("")) : list->at(k))
                                                    : QVariant(QMetaType::fromType<QString>()));
            if (!q.exec())
                reason = reasonOf(q.lastError());
        } else if (reason.isEmpty()) {
            reason = reasonOf(q.lastError());
        }
    }
    if (reason.isEmpty() && (sqlite ? !begin.exec(QStringLiteral("COMMIT")) : !db.commit()))
        reason = reasonOf(sqlite ? begin.lastError() : db.lastError());
    if (!reason.isEmpty()) {
        sqlite ? void(begin.exec(QStringLiteral("ROLLBACK"))) : void(db.rollback());
        return fail(reason);
    }
    if (m_failing)
        m_noticeDue = false;
    m_failing = false;
    return true;
}

namespace {

QDateTime timeOfMs(qint64 ms) { return ms == 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms); }

// A row of "SELECT <TruthColumns>".
JournalTruth truthOf(const QSqlQuery &q)
{
    JournalTruth t;
    t.at = timeOfMs(q.value(0).toLongLong());
    t.since = timeOfMs(q.value(2).toLongLong());
    t.board = q.value(3).toString();
    t.boardId = q.value(4).toString();
    t.known = q.value(5).toString();
    t.source = q.value(6).toString();
    t.request = q.value(7).toString();
    t.reason = q.value(8).toString();
    t.checked = timeOfMs(q.value(9).toLongLong());
    t.figures = figuresAt(q, TruthFirstFigure);
    t.sent = figuresAt(q, TruthFirstFigure + Figures);
    return t;
}

} // namespace

std::optional<JournalTruth> Journal::truthAt(const QDateTime &t, QString *error) const
{
    return truth(t, nullptr, error);
}

std::optional<JournalTruth> Journal::truthAt(const QDateTime &t, const QString &boardId, QString *error) const
{
    return truth(t, &boardId, error);
}

std::optional<JournalTruth> Journal::truth(const QDateTime &t, const QString *boardId, QString *error) const
{
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return std::nullopt;
    }
    if (!m_truthTable)
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM truth WHERE %2at_ms <= ? ORDER BY at_ms DESC, n DESC LIMIT 1")
                  .arg(TruthColumns, boardId ? QStringLiteral("board_id = ? AND ") : QString()));
    if (boardId)
        q.addBindValue(*boardId);
    q.addBindValue(t.toMSecsSinceEpoch());
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    return truthOf(q);
}

QList<JournalTruth> Journal::truths(const QDateTime &since, const QDateTime &until, QString *error) const
{
    QList<JournalTruth> out;
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return out;
    }
    if (!m_truthTable)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM truth WHERE at_ms >= ? AND at_ms <= ? ORDER BY at_ms, n").arg(TruthColumns));
    q.addBindValue(since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    q.addBindValue(until.isValid() ? until.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return out;
    }
    while (q.next())
        out << truthOf(q);
    return out;
}

QString journalFiguresText(const QStringList &figures)
{
    return QLatin1Char('[') + figures.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString journalTruthText(const JournalTruth &t, const std::function<QString(const QDateTime &)> &time)
{
    const QString figures = journalFiguresText(t.figures);
    const QString since = time(t.since), at = time(t.at);
    const QString why = t.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(t.reason);
    if (t.known == QLatin1String("read-back-exact"))
        return QStringLiteral("%1 since %2, read back exactly after the upload at %3").arg(figures, since, at);
    if (t.known == QLatin1String("read"))
        return QStringLiteral("%1 since %2, read from the board at %3").arg(figures, since, at);
    if (t.known == QLatin1String("sent-one-way"))
        return QStringLiteral("%1 since %2, sent over a one-way link, not read back").arg(figures, since);
    if (t.known == QLatin1String("read-back-different"))
        return QStringLiteral("read back different at %1: the board showed %2 (since %3), not the %4 sent%5")
            .arg(at, figures, since, journalFiguresText(t.sent), why);
    if (t.known == QLatin1String("in-doubt"))
        return QStringLiteral("a command failed at %1: the board may show either %2 or %3%4")
            .arg(at, t.figures.isEmpty() ? QStringLiteral("figures not known") : figures, journalFiguresText(t.sent), why);
    return QStringLiteral("nothing known of the board's figures since %1").arg(at);
}

QList<JournalRecord> Journal::records(const QDateTime &since, const QDateTime &until, QString *error, int offset,
                                     int limit) const
{
    QList<JournalRecord> out;
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return out;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM journal WHERE started_ms >= ? AND started_ms <= ? "
                             "ORDER BY started_ms, finished_ms LIMIT ? OFFSET ?")
                  .arg(Columns));
    q.addBindValue(since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    q.addBindValue(until.isValid() ? until.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    q.addBindValue(limit);
    q.addBindValue(std::max(0, offset));
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return out;
    }
    while (q.next())
        out << recordOf(q);
    return out;
}

bool Journal::forEachRecord(const QDateTime &since, const QDateTime &until,
                            const std::function<void(const JournalRecord &)> &each, QString *error) const
{
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return false;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);   // no row is kept once the next is read
    q.prepare(QStringLiteral("SELECT %1 FROM journal WHERE started_ms >= ? AND started_ms <= ? "
                             "ORDER BY started_ms, finished_ms")
                  .arg(Columns));
    q.addBindValue(msOfOpen(since, std::numeric_limits<qint64>::min()));
    q.addBindValue(msOfOpen(until, std::numeric_limits<qint64>::max()));
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return false;
    }
    while (q.next())
        each(recordOf(q));
    if (q.lastError().isValid()) {
        if (error)
            *error = reasonOf(q.lastError());
        return false;
    }
    return true;
}

std::optional<JournalShown> Journal::shownAt(const QDateTime &t, QString *error) const
{
    return shown(t, nullptr, error);
}

std::optional<JournalShown> Journal::shownAt(const QDateTime &t, const QString &boardId, QString *error) const
{
    return shown(t, &boardId, error);
}

QList<JournalRecord> Journal::verifiedUploads(const QString &boardId, const QDateTime &since, const QDateTime &until,
                                              QString *error) const
{
    QList<JournalRecord> out;
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return out;
    }
    // Only what a chart needs is read: a year of a board is thousands of rows.
    QString figures;
    for (const char prefix : {'s', 'b'})
        for (int k = 1; k <= Figures; ++k)
            figures += QStringLiteral(", %1%2").arg(QLatin1Char(prefix)).arg(k);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT started_ms, finished_ms, board, source, request%1 FROM journal "
                             "WHERE board_id = ? AND kind = ? AND outcome = ? AND finished_ms >= ? AND finished_ms <= ? "
                             "ORDER BY finished_ms")
                  .arg(figures));
    q.addBindValue(boardId);
    q.addBindValue(QString(JournalKind::Upload));
    q.addBindValue(QString(JournalOutcome::SentOk));
    q.addBindValue(since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    q.addBindValue(until.isValid() ? until.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return out;
    }
    while (q.next()) {
        JournalRecord r;
        r.started = QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong(), Qt::UTC);
        r.finished = QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong(), Qt::UTC);
        r.kind = JournalKind::Upload;
        r.board = q.value(2).toString();
        r.boardId = boardId;
        r.source = q.value(3).toString();
        r.request = q.value(4).toString();
        r.outcome = JournalOutcome::SentOk;
        r.sent = figuresAt(q, 5);
        r.boardFigures = figuresAt(q, 5 + Figures);
        out << r;
    }
    return out;
}

std::optional<JournalShown> Journal::shown(const QDateTime &t, const QString *boardId, QString *error) const
{
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return std::nullopt;
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM journal WHERE %2kind = ? AND outcome = ? AND finished_ms <= ? "
                             "ORDER BY finished_ms DESC LIMIT 1")
                  .arg(Columns, boardId ? QStringLiteral("board_id = ? AND ") : QString()));
    if (boardId)
        q.addBindValue(*boardId);
    q.addBindValue(QString(JournalKind::Upload));
    q.addBindValue(QString(JournalOutcome::SentOk));
    q.addBindValue(t.toMSecsSinceEpoch());
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return std::nullopt;
    }
    if (!q.next())
        return std::nullopt;
    const JournalRecord r = recordOf(q);
    return JournalShown{r.boardFigures.isEmpty() ? r.sent : r.boardFigures, r.finished, r.source, r.request, r.board};
}

namespace {

qint64 msOf(const QDateTime &t, qint64 open) { return t.isValid() ? t.toMSecsSinceEpoch() : open; }
constexpr qint64 Earliest = std::numeric_limits<qint64>::min();
constexpr qint64 Latest = std::numeric_limits<qint64>::max();

// Figure k (1..10) of a verified upload: read back, else sent.
QString shownFigure(int k) { return QStringLiteral("COALESCE(b%1, s%1)").arg(k); }

// Figure k as a number; a blank text is none.
QString shownValue(int k) { return QStringLiteral("CAST(NULLIF(TRIM(%1), '') AS REAL)").arg(shownFigure(k)); }

const char VerifiedWhere[] = "kind = 'upload' AND outcome = 'sent-ok' AND finished_ms >= ? AND finished_ms <= ?";

} // namespace

QList<JournalVerified> Journal::verified(const QDateTime &since, const QDateTime &until, QString *error) const
{
    QList<JournalVerified> out;
    if (!isOpen()) {
        if (error)
            *error = m_openError.isEmpty() ? QStringLiteral("the journal file is not open") : m_openError;
        return out;
    }
    QStringList columns{QStringLiteral("finished_ms")};
    for (int k = 1; k <= Figures; ++k)
        columns << shownFigure(k);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM journal WHERE %2 ORDER BY finished_ms")
                  .arg(columns.join(QStringLiteral(", ")), QLatin1String(VerifiedWhere)));
    q.addBindValue(msOf(since, Earliest));
    q.addBindValue(msOf(until, Latest));
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return out;
    }
    while (q.next())
        out << JournalVerified{q.value(0).toLongLong(), figuresAt(q, 1)};
    return out;
}

int Journal::verifiedCount(const QDateTime &since, const QDateTime &until, QString *error) const
{
    if (!isOpen())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM journal WHERE %1").arg(QLatin1String(VerifiedWhere)));
    q.addBindValue(msOf(since, Earliest));
    q.addBindValue(msOf(until, Latest));
    if (!q.exec() || !q.next()) {
        if (error)
            *error = reasonOf(q.lastError());
        return 0;
    }
    return q.value(0).toInt();
}

QList<JournalBucket> Journal::verifiedBuckets(const QDateTime &since, const QDateTime &until, qint64 bucketMs,
                                              QString *error) const
{
    QList<JournalBucket> out;
    if (!isOpen() || !since.isValid() || bucketMs <= 0)
        return out;
    // The last value of a bucket is its latest upload's: SQLite gives the other columns of an
    // aggregate query the values of the row where MAX() found its maximum.
    QStringList columns{QStringLiteral("(finished_ms - ?) / ? AS bucket"), QStringLiteral("MAX(finished_ms)")};
    for (int k = 1; k <= Figures; ++k)
        columns << QStringLiteral("MIN(%1)").arg(shownValue(k)) << QStringLiteral("MAX(%1)").arg(shownValue(k)) << shownValue(k);
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM journal WHERE %2 GROUP BY bucket ORDER BY bucket")
                  .arg(columns.join(QStringLiteral(", ")), QLatin1String(VerifiedWhere)));
    const qint64 from = since.toMSecsSinceEpoch();
    q.addBindValue(from);
    q.addBindValue(bucketMs);
    q.addBindValue(from);
    q.addBindValue(msOf(until, Latest));
    if (!q.exec()) {
        if (error)
            *error = reasonOf(q.lastError());
        return out;
    }
    const auto number = [&q](int column) {
        const QVariant v = q.value(column);
        return v.isNull() ? std::numeric_limits<double>::quiet_NaN() : v.toDouble();
    };
    while (q.next()) {
        JournalBucket b;
        b.startMs = from + q.value(0).toLongLong() * bucketMs;
        for (int k = 0; k < Figures; ++k) {
            b.low[k] = number(2 + 3 * k);
            b.high[k] = number(3 + 3 * k);
            b.last[k] = number(4 + 3 * k);
        }
        out << b;
    }
    return out;
}

JournalCounts Journal::counts(const QDateTime &since, const QDateTime &until, QString *error) const
{
    JournalCounts c;
    if (!isOpen())
        return c;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT COUNT(*), SUM(CASE WHEN outcome IN ('data-error', 'connection-error', 'rejected') "
                             "THEN 1 ELSE 0 END) FROM journal WHERE started_ms >= ? AND started_ms <= ?"));
    q.addBindValue(msOf(since, Earliest));
    q.addBindValue(msOf(until, Latest));
    if (!q.exec() || !q.next()) {
        if (error)
            *error = reasonOf(q.lastError());
        return c;
    }
    c.records = q.value(0).toInt();
    c.failed = q.value(1).toInt();
    return c;
}

namespace {

// One field of RFC 4180: quoted when it holds a comma, a quote or a line break, a quote doubled.
// A text a spreadsheet would run as a formula is quoted with a single quote before it, which
// makes it show as the text it is; a plain number ("-1.5", "+3") stays a number.
QString csvField(const QString &text)
{
    static const QRegularExpression plainNumber(QStringLiteral("^[+-]?(\\d+([.,]\\d+)?|[.,]\\d+)$"));
    const bool formula = !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.front())
        && !plainNumber.match(text).hasMatch();
    const auto special = [](QChar c) { return c == QLatin1Char('"') || c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n'); };
    if (!formula && std::none_of(text.cbegin(), text.cend(), special))
        return text;
    QString quoted = formula ? QLatin1Char('\'') + text : text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << csvField(f);
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

QByteArray journalCsvHeader()
{
    QStringList header{QStringLiteral("started"), QStringLiteral("finished"), QStringLiteral("kind"),
                       QStringLiteral("port"),    QStringLiteral("board_id"), QStringLiteral("source"),
                       QStringLiteral("request"), QStringLiteral("outcome")};
    for (const char *name : {"sent", "board"})
        for (int k = 1; k <= Figures; ++k)
            header << QStringLiteral("%1%2").arg(QLatin1String(name)).arg(k);
    header << QStringLiteral("command") << QStringLiteral("reason");
    return csvLine(header);
}

QByteArray journalCsvLine(const JournalRecord &r)
{
    QStringList fields{journalTimeText(r.started), journalTimeText(r.finished), r.kind, r.board, r.boardId,
                       r.source, r.request, r.outcome};
    for (const QStringList *list : {&r.sent, &r.boardFigures})
        for (int k = 0; k < Figures; ++k)
            fields << list->value(k);
    fields << r.command << r.reason;
    return csvLine(fields);
}

QByteArray journalCsv(const QList<JournalRecord> &records)
{
    QByteArray out = journalCsvHeader();
    for (const JournalRecord &r : records)
        out += journalCsvLine(r);
    return out;
}
