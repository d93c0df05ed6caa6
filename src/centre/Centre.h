#pragma once
// The centre's picture of the chain: every board seen on the broker (its info, bridge status,
// board presence, last reading and last result), the sets sent to groups and boards, and each
// board's answers to them. Results are written to the journal as they come.
//
// A send fixes its boards when it is made (a group's members by their retained info then); only
// those boards' answers to its request id count, and they are added, never replaced. The broker
// keeps the centre's session while it is stopped (fixed client ids, QoS 1): the results that came
// meanwhile arrive at the next start, and a board's retained reading that names a send's request
// counts as its verification when the result itself was lost.
#include <QDateTime>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <array>
#include <memory>

#include "centre/CentreOptions.h"
#include "centre/Store.h"
#include "core/journal/Journal.h"

class MqttClient;

struct ExpectedSet {
    QString id;
    QStringList figures;   // 1..10, as requested
    QDateTime at;
    QString target;
};

struct BoardView {
    QString id;
    QStringList groups;
    QString status;     // "online", "offline" or "" (not heard)
    QString presence;   // "present", "absent" or ""
    QJsonObject info;
    int digits = 5;
    std::array<bool, 10> shown{true, true, true, true, true, true, true, true, false, false};
    QStringList figures;    // what the board last reported (reading or read-back)
    QDateTime figuresAt;
    QStringList verified;   // the figures of the last sent-ok upload
    QDateTime verifiedAt;
    QString outcome, reason, request;
    QDateTime outcomeAt;
};

class Centre : public QObject {
    Q_OBJECT
public:
    explicit Centre(const CentreOptions &options, QObject *parent = nullptr);
    ~Centre() override;

    // Opens the database and connects to the broker. False with the reason.
    bool start(QString *error);
    Journal &journal() { return m_journal; }
    Store &store() { return *m_store; }
    const CentreOptions &options() const { return m_options; }

    QJsonObject boardJson(const QString &id) const;
    QJsonArray boardsJson() const;
    QStringList groups() const;
    bool brokerConnected() const;
    // {"connected", "since": when the link was lost or, before the first connection, the start;
    //  "monitor", "publisher": each client's link}
    QJsonObject brokerJson() const;

    // The boards a target ("group:NAME", "board:ID", "boards:ID,ID") stands for now, or a reason
    // it stands for none in `error`.
    QStringList targetBoards(const QString &target, QString *error) const;
    // What each board of `boards` would show for `figures`, by the bridge's rule; a board's
    // refusals in "rejections".
    QJsonArray preview(const QStringList &boards, const QStringList &figures) const;
    // Publishes a set; the send's JSON, or an empty object with the reason in `error`. A board
    // that would refuse the figures is answered "rejected" for itself and the others go on; the
    // send is refused only when every board would refuse it, or when no set went out. A send that
    // reached only some boards, or that some boards refuse, is answered with a warning in `error`.
    QJsonObject send(const QString &target, const QStringList &figures, const QString &user, QString *error);
    // The boards of an earlier send that did not verify it, sent the same figures again.
    QJsonObject resend(const QString &sendId, const QString &user, QString *error);
    QJsonObject sendJson(const QString &id) const;
    static QJsonObject sendJson(const SentSet &s, const Centre *centre);
    // "18 of 20 verified; office-7 offline; office-12 data error; office-3 data error after verifying"
    QString summary(const SentSet &s) const;

signals:
    void boardChanged(const QString &id);
    void sendChanged(const QString &id);
    void brokerChanged();

private:
    void onMessage(const QString &topic, const QByteArray &payload);
    void onResult(BoardView &b, const QJsonObject &r);
    void onState(BoardView &b, const QJsonObject &o);
    // Adds `a` to the answers of `board` to `s` when it is news; true when it was.
    bool addAnswer(SentSet &s, const QString &board, const BoardAnswer &a);
    // Notes a change of the broker link: since when it is lost.
    void brokerLinkChanged();
    void onSetSeen(const QString &target, const QByteArray &payload);
    BoardView &board(const QString &id);
    const ExpectedSet *expectedFor(const BoardView &b) const;
    QList<int> mismatches(const BoardView &b) const;
    QString setTopic(const QString &target) const;
    // False with libmosquitto's reason (or "no broker connection") in `why`.
    bool publishSet(const QString &target, const QString &id, const QStringList &figures, QString *why);

    CentreOptions m_options;
    Journal m_journal;
    std::unique_ptr<Store> m_store;
    std::unique_ptr<MqttClient> m_monitor, m_publisher;
    QDateTime m_brokerLostSince;   // invalid while both clients are connected
    QHash<QString, BoardView> m_boards;
    QHash<QString, ExpectedSet> m_expected;   // by target "group:NAME" / "board:ID"
    QHash<QString, SentSet> m_sends;          // recent sends, by id
    QStringList m_sendOrder;
};
