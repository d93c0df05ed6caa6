#include "centre/Store.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <limits>

#include "feed/FeedSchema.h"

namespace {

constexpr int Iterations = 210000;
// What a stored hash may hold: fewer iterations are too cheap to guess against, more would hold
// the centre (one thread) on a single login; a key of no bytes would match every password.
constexpr int MinIterations = 1000, MaxIterations = 2000000;
constexpr int MinSaltBytes = 8, MaxSaltBytes = 64;
constexpr int MinKeyBytes = 16, MaxKeyBytes = 64;

QString joined(const QStringList &l)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(l)).toJson(QJsonDocument::Compact));
}

QStringList split(const QString &json)
{
    QStringList out;
    for (const QJsonValue &v : QJsonDocument::fromJson(json.toUtf8()).array())
        out << v.toString();
    return out;
}

// Compares in time that does not depend on where the first difference is.
bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    unsigned char d = 0;
    for (qsizetype k = 0; k < a.size(); ++k)
        d |= static_cast<unsigned char>(a[k] ^ b[k]);
    return d == 0;
}

} // namespace

QString hashPassword(const QString &password)
{
    QByteArray salt(16, 0);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(salt.data()),
                                         reinterpret_cast<quint32 *>(salt.data() + salt.size()));
    const QByteArray key = QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, Iterations, 32);
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(Iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(key.toBase64()));
}

namespace {

struct StoredHash {
    int iterations = 0;
    QByteArray salt, key;
};

// Strict base64: anything else in the text makes it none.
bool fromBase64(const QString &text, QByteArray *out)
{
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    *out = decoded.decoded;
    return bool(decoded);
}

// Reads `stored`; the reason it cannot verify a password, or empty.
QString readHash(const QString &stored, StoredHash *h)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha256"))
        return QStringLiteral("not pbkdf2-sha256$ITERATIONS$SALT$KEY");
    const QString &count = parts[1];
    const bool digits = !count.isEmpty() && count.size() <= 9
                        && std::all_of(count.cbegin(), count.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    h->iterations = digits ? count.toInt() : 0;
    if (h->iterations < MinIterations || h->iterations > MaxIterations)
        return QStringLiteral("iterations outside %1 to %2").arg(MinIterations).arg(MaxIterations);
    if (!fromBase64(parts[2], &h->salt) || h->salt.size() < MinSaltBytes || h->salt.size() > MaxSaltBytes)
        return QStringLiteral("the salt is not %1 to %2 bytes in base64").arg(MinSaltBytes).arg(MaxSaltBytes);
    if (!fromBase64(parts[3], &h->key) || h->key.size() < MinKeyBytes || h->key.size() > MaxKeyBytes)
        return QStringLiteral("the key is not %1 to %2 bytes in base64").arg(MinKeyBytes).arg(MaxKeyBytes);
    return QString();
}

} // namespace

QString storedHashProblem(const QString &stored)
{
    StoredHash h;
    return readHash(stored, &h);
}

bool passwordMatches(const QString &password, const QString &stored)
{
    StoredHash h;
    if (!readHash(stored, &h).isEmpty())
        return false;
    return sameBytes(QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), h.salt, h.iterations,
                                                        quint64(h.key.size())),
                     h.key);
}

QString BoardAnswers::outcome() const
{
    return events.isEmpty() ? QString(Feed::Outcome::Waiting) : events.constLast().outcome;
}

QDateTime BoardAnswers::verifiedAt() const
{
    for (const BoardAnswer &a : events)
        if (a.outcome == Feed::Outcome::SentOk)
            return a.at;
    return QDateTime();
}

bool BoardAnswers::holds() const
{
    // A restore puts a set the board verified back after it lost it.
    bool verified = false, holding = false;
    for (const BoardAnswer &a : events) {
        if (a.outcome == Feed::Outcome::SentOk)
            verified = holding = true;
        else if (a.outcome == Feed::Outcome::Restored)
            holding = verified;
        else if (Feed::isFailure(a.outcome))
            holding = false;
    }
    return holding;
}

bool BoardAnswers::isNews(const BoardAnswer &a) const
{
    for (const BoardAnswer &e : events)
        if (e.outcome == a.outcome && e.reason == a.reason && e.at == a.at)
            return false;   // a message the broker delivered again
    if (events.isEmpty())
        return true;
    const BoardAnswer &latest = events.constLast();
    if (a.via == AnswerVia::State && a.at <= latest.at)
        return false;   // a reading from before the latest answer
    if (a.outcome == Feed::Outcome::SentOk)
        return !holds();
    // The bridge's own refusal after the centre's, or the same refusal told again.
    return !(a.outcome == Feed::Outcome::Rejected && latest.outcome == Feed::Outcome::Rejected);
}

bool Store::createTables(QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    for (const char *sql : {
             "CREATE TABLE IF NOT EXISTS centre_users (name TEXT PRIMARY KEY, role TEXT NOT NULL, hash TEXT NOT NULL)",
             "CREATE TABLE IF NOT EXISTS centre_sends (id TEXT PRIMARY KEY, at_ms BIGINT NOT NULL, username TEXT NOT NULL, "
             "target TEXT NOT NULL, figures TEXT NOT NULL, boards TEXT NOT NULL)",
             "CREATE INDEX IF NOT EXISTS centre_sends_at ON centre_sends (at_ms)",
             "CREATE TABLE IF NOT EXISTS centre_answer_events (send_id TEXT NOT NULL, board_id TEXT NOT NULL, "
             "seq INTEGER NOT NULL, outcome TEXT NOT NULL, reason TEXT NOT NULL, at_ms BIGINT NOT NULL, via TEXT NOT NULL, "
             "PRIMARY KEY (send_id, board_id, seq))"}) {
        if (!q.exec(QString::fromLatin1(sql))) {
            *error = q.lastError().text();
            return false;
        }
    }
    // A database of an earlier centre kept one answer per board and send: it becomes the first.
    if (db.tables().contains(QStringLiteral("centre_answers"), Qt::CaseInsensitive)) {
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO centre_answer_events (send_id, board_id, seq, outcome, reason, at_ms, via) "
                                 "SELECT send_id, board_id, 1, outcome, reason, at_ms, CAST(? AS TEXT) FROM centre_answers WHERE outcome <> ?"));
        q.addBindValue(QString(AnswerVia::Result));
        q.addBindValue(QString(Feed::Outcome::Waiting));
        const bool moved = q.exec() && q.exec(QStringLiteral("DROP TABLE centre_answers"));
        if (!moved || !db.commit()) {
            *error = q.lastError().text();
            db.rollback();
            return false;
        }
    }
    return true;
}

bool Store::putUser(const StoredUser &u, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM centre_users WHERE name = ?"));
    q.addBindValue(u.name);
    bool ok = q.exec();
    if (ok) {
        q.prepare(QStringLiteral("INSERT INTO centre_users (name, role, hash) VALUES (?, ?, ?)"));
        q.addBindValue(u.name);
        q.addBindValue(u.role);
        q.addBindValue(u.hash);
        ok = q.exec();
    }
    if (!ok || !db.commit()) {
        *error = q.lastError().text();
        db.rollback();
        return false;
    }
    return true;
}

bool Store::removeUser(const QString &name, QString *error)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("DELETE FROM centre_users WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    if (q.numRowsAffected() == 0) {
        *error = QStringLiteral("there is no user \"%1\"").arg(name);
        return false;
    }
    return true;
}

std::optional<StoredUser> Store::user(const QString &name) const
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("SELECT name, role, hash FROM centre_users WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return StoredUser{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()};
}

QList<StoredUser> Store::users() const
{
    QList<StoredUser> out;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (q.exec(QStringLiteral("SELECT name, role FROM centre_users ORDER BY name")))
        while (q.next())
            out << StoredUser{q.value(0).toString(), q.value(1).toString(), QString()};
    return out;
}

bool Store::addSend(const SentSet &s, QString *error)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO centre_sends (id, at_ms, username, target, figures, boards) VALUES (?, ?, ?, ?, ?, ?)"));
    q.addBindValue(s.id);
    q.addBindValue(s.at.toMSecsSinceEpoch());
    q.addBindValue(s.user);
    q.addBindValue(s.target);
    q.addBindValue(joined(s.figures));
    q.addBindValue(joined(s.boards));
    if (!q.exec()) {
        *error = q.lastError().text();
        return false;
    }
    return true;
}

bool Store::addAnswer(const QString &sendId, const QString &board, int seq, const BoardAnswer &a)
{
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO centre_answer_events (send_id, board_id, seq, outcome, reason, at_ms, via) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(sendId);
    q.addBindValue(board);
    q.addBindValue(seq);
    q.addBindValue(a.outcome);
    q.addBindValue(a.reason.isNull() ? QStringLiteral("") : a.reason);
    q.addBindValue(a.at.toMSecsSinceEpoch());
    q.addBindValue(a.via);
    return q.exec();
}

QList<SentSet> Store::sends(const QDateTime &since, const QDateTime &until, int limit) const
{
    QList<SentSet> out;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id, at_ms, username, target, figures, boards FROM centre_sends "
                             "WHERE at_ms >= ? AND at_ms <= ? ORDER BY at_ms DESC LIMIT ?"));
    q.addBindValue(since.isValid() ? since.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    q.addBindValue(until.isValid() ? until.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    q.addBindValue(limit);
    if (!q.exec())
        return out;
    while (q.next()) {
        SentSet s{q.value(0).toString(), QDateTime::fromMSecsSinceEpoch(q.value(1).toLongLong()), q.value(2).toString(),
                  q.value(3).toString(), split(q.value(4).toString()), split(q.value(5).toString()), {}};
        out << s;
    }
    QSqlQuery a(db);
    a.prepare(QStringLiteral("SELECT board_id, outcome, reason, at_ms, via FROM centre_answer_events WHERE send_id = ? "
                             "ORDER BY board_id, seq"));
    for (SentSet &s : out) {
        a.addBindValue(s.id);
        if (!a.exec())
            continue;
        while (a.next())
            s.answers[a.value(0).toString()].events << BoardAnswer{a.value(1).toString(), a.value(2).toString(),
                                                                   QDateTime::fromMSecsSinceEpoch(a.value(3).toLongLong()),
                                                                   a.value(4).toString()};
    }
    return out;
}
