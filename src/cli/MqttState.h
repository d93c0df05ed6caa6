#pragma once
// The bridge's state file: every request it took from the broker and has not answered yet (in
// the order taken), the newest set of figures it accepted (its intent), the requests it answered
// lately with their results, and the results the broker has not had yet. Written whole to a new
// file that is synced and renamed over the old one, so a crash or a full disk leaves the old or
// the new content, never a part.
#include <QByteArray>
#include <QByteArrayList>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One message as it came from the broker, with its MQTT 5 response topic and correlation data.
struct MqttIncoming {
    QString topic;
    QByteArray payload;
    QString responseTopic;
    QByteArray correlation;
};

// A request taken and written down before it is acted on; `order` never goes back, across
// restarts too.
struct MqttTaken {
    qint64 order = 0;
    MqttIncoming message;
};

// The newest set of figures the bridge accepted: what the board is to show. Its ten texts are
// known once its upload was composed (before anything is sent).
struct MqttIntent {
    qint64 order = 0;
    QJsonValue request;        // the request id (null: none)
    QString source;            // the topic the set came from
    QString at;                // when the set was made, as it says (ISO 8601; empty: it does not)
    QStringList texts;         // empty until composed
    bool verified = false;     // read back exactly (or sent over a one-way link)
    bool refused = false;      // the board showed other figures than it was sent: not put back
};

// A result given, kept so that the same request coming again is answered again, not applied.
struct MqttAnswered {
    QString topic;
    QString id;
    QByteArray digest;   // of the request's payload: the same id with other content is a new request
    QByteArray result;
};

// A result not yet handed to the broker.
struct MqttOutgoing {
    QString topic;
    QByteArray payload;
    QByteArray correlation;
};

struct MqttState {
    static constexpr int MaxAnswered = 64;
    static constexpr int MaxOutbox = 100;
    static constexpr int MaxPending = 64;   // requests taken and not answered yet

    qint64 lastOrder = 0;
    QList<MqttTaken> pending;
    std::optional<MqttIntent> intent;
    QList<MqttAnswered> answered;
    QList<MqttOutgoing> outbox;
    QByteArrayList instances;   // this state's own broker connections, newest last

    // A missing file is an empty state; false with a reason when the file cannot be read or
    // parsed. A kept set whose texts are not figures is dropped (`warning` says so).
    bool load(const QString &path, QString *error, QString *warning = nullptr);
    // Replaces the file in one step; on false the previous file is whole. `synced`: on the
    // disk when it returns true (else it survives a crash of the process, not of the machine).
    bool save(const QString &path, QString *error, bool synced = true) const;

    const MqttAnswered *answeredFor(const QString &topic, const QString &id, const QByteArray &payload) const;
    static QByteArray digest(const QByteArray &payload);
    void remember(const MqttAnswered &answer);
};

// A text the board can show in one figure slot: digits or blanks, at most one point.
bool isFigureText(const QString &text);
