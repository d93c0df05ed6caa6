#pragma once
// tablo-cli mqtt: one board on an MQTT broker. Sets of figures (the board's own or its groups')
// and controller commands come in; each upload's verified result, the board's last reading, its
// online status and its EVENT lines go out. The latest set wins: while an upload runs, a newer set
// replaces the one waiting (whose result says it was superseded), so nothing piles up.
#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <optional>

#include "cli/MqttClient.h"
#include "cli/MqttOptions.h"
#include "core/board/BoardSession.h"
#include "core/board/EventListener.h"
#include "core/operations/BoardService.h"

struct CliContext;

// What a payload on a ".../figures/set" topic asks for, or why it is rejected.
struct FigureSetRequest {
    QJsonValue id;          // the sender's request id (null when none)
    QStringList figures;    // 1..10 plain figures
    QString rejection;      // not empty: the request is rejected for this reason
};
FigureSetRequest parseFigureSet(const QByteArray &payload);

// What a payload on a brightness, lighting or clock topic asks for: the value as tablo-cli takes
// it, as plain text or as {"value": ..., "id": ...}.
struct SettingRequest {
    QJsonValue id;
    QString value;
    QString rejection;
};
SettingRequest parseSettingRequest(const QByteArray &payload);

constexpr int MaxPayloadBytes = 4096;

class MqttBridge : public QObject {
    Q_OBJECT
public:
    MqttBridge(CliContext &context, const MqttOptions &options, MqttClient &client, QObject *parent = nullptr);
    void start();
    // Ends the bridge: at once when the board is idle, else once the running operation is over.
    void requestStop();

private:
    enum class Setting { Brightness, Lighting, Clock };

    QString topic(const QString &tail) const;
    QStringList subscriptions() const;   // this run's topics, fixed by the options
    void onConnected(bool sessionPresent);
    void onMessage(const QString &topic, const QByteArray &payload, bool retained);
    void onFigureSet(const QString &topic, const QByteArray &payload, bool retained);
    void onSetting(Setting setting, const QByteArray &payload);
    void onUploadFinished(BoardReply *reply, const QString &from);
    void onReadFinished(const ReadResult &result);
    void onSettingFinished(BoardReply *reply);
    void reject(const QJsonValue &id, const QString &what, const QString &reason);
    void publishReading(const BoardReading &reading);
    void publishJson(const QString &topic, const QJsonObject &object, bool retained);
    // Publishes now, or keeps it for the next connection: results in order (at most a hundred),
    // a retained topic's latest payload only.
    void send(const QString &topic, const QByteArray &payload, bool retained);
    void pollEvents();
    void finishIfIdle();

    CliContext &m_c;
    MqttOptions m_options;
    QStringList m_subscriptions;
    MqttClient &m_client;
    EventListener m_events;
    QTimer m_eventPoll;
    qint64 m_nextPortTry = 0;
    QElapsedTimer m_connectedAt;   // since the last connection to the broker
    QByteArray m_lastLine;

    // The last set taken from each topic.
    QHash<QString, QByteArray> m_lastTaken;

    struct Outgoing {
        QString topic;
        QByteArray payload;
        bool retained;
    };
    QList<Outgoing> m_outbox;
    bool m_stopping = false;
};

// Runs the bridge until SIGTERM or SIGINT; returns the exit code.
int runMqttBridge(CliContext &context, const MqttOptions &options);
