#pragma once
// The centre's own tables beside the journal, in the same database (the journal's Qt SQL
// connection): its users with their password hashes, the sets it sent and each board's answer
// to them. Plain SQL that SQLite and PostgreSQL both take.
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct StoredUser {
    QString name;
    QString role;   // "viewer" or "publisher"
    QString hash;   // pbkdf2-sha256$ITERATIONS$SALT$KEY (base64)
};

struct BoardAnswer {
    QString outcome;   // "waiting" until the board answered, then the result's outcome
    QString reason;
    QDateTime at;
};

struct SentSet {
    QString id;
    QDateTime at;
    QString user;
    QString target;          // group:NAME, board:ID or boards:ID,ID,...
    QStringList figures;
    QStringList boards;      // the boards it was meant for, when it was sent
    QHash<QString, BoardAnswer> answers;
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
    bool putAnswer(const QString &sendId, const QString &board, const BoardAnswer &a);
    // The sets sent from `since` to `until` (invalid: open), newest first, at most `limit`.
    QList<SentSet> sends(const QDateTime &since, const QDateTime &until, int limit) const;

private:
    QString m_connection;
};

// Password hashing: PBKDF2 with SHA-256, a random 16-byte salt, many iterations.
QString hashPassword(const QString &password);
bool passwordMatches(const QString &password, const QString &stored);
