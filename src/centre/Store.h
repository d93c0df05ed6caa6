#pragma once
// The centre's own tables beside the journal, in the same database (the journal's Qt SQL
// connection): its users with their password hashes, the sets it sent and each board's answer
// to them. Plain SQL that SQLite and PostgreSQL both take.
#include <QDateTime>
#include <QHash>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct StoredUser {
    QString name;
    QString role;   // "viewer" or "publisher"
    QString hash;   // pbkdf2-sha256$ITERATIONS$SALT$KEY (base64)
};

// One answer of a board to a send. Answers are only ever added: a later one (a restore, a
// failure) follows the earlier ones instead of replacing them.
struct BoardAnswer {
    QString outcome;   // a result's outcome, or the centre's own "rejected" / "not-published"
    QString reason;
    QDateTime at;
    QString via;       // where it came from: AnswerVia
};

namespace AnswerVia {
inline constexpr QLatin1String Result{"result"};   // the board's result
inline constexpr QLatin1String State{"state"};     // its retained reading named the send's request
inline constexpr QLatin1String Centre{"centre"};   // the centre decided it without the board
} // namespace AnswerVia

// Everything one board answered to one send, in the order it came.
struct BoardAnswers {
    QList<BoardAnswer> events;

    // The latest answer's outcome, "waiting" before the first.
    QString outcome() const;
    // When it first verified the set; invalid when it never did.
    QDateTime verifiedAt() const;
    // It verified the set and nothing since says it lost it.
    bool holds() const;
    // Whether `a` tells anything new: not a copy of an answer already here, not a second
    // verification while it holds, not a second rejection in a row, and a reading (via state)
    // only when it is newer than the latest answer.
    bool isNews(const BoardAnswer &a) const;
};

struct SentSet {
    QString id;
    QDateTime at;
    QString user;
    QString target;          // group:NAME, board:ID or boards:ID,ID,...
    QStringList figures;
    QStringList boards;      // the boards it was meant for, fixed when it was sent
    QHash<QString, BoardAnswers> answers;
};

class Store {
public:
    explicit Store(const QString &connection) : m_connection(connection) {}
    bool createTables(QString *error);

    bool putUser(const StoredUser &u, QString *error);
    bool removeUser(const QString &name, QString *error);
    std::optional<StoredUser> user(const QString &name) const;
    QList<StoredUser> users() const;

    bool addSend(const SentSet &s, QString *error);
    // Adds the answer numbered `seq` (from 1, in the order they came) of `board` to a send.
    bool addAnswer(const QString &sendId, const QString &board, int seq, const BoardAnswer &a);
    // The sets sent from `since` to `until` (invalid: open), newest first, at most `limit`.
    QList<SentSet> sends(const QDateTime &since, const QDateTime &until, int limit) const;

private:
    QString m_connection;
};

// Password hashing: PBKDF2 with SHA-256, a random 16-byte salt, many iterations.
QString hashPassword(const QString &password);
// False for a wrong password, and for every password when the stored hash is malformed or
// outside sane bounds (iterations, salt and key lengths): storedHashProblem says why.
bool passwordMatches(const QString &password, const QString &stored);
QString storedHashProblem(const QString &stored);
