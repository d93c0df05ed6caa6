#pragma once
// tablo-cli mqtt: one board on an MQTT broker. Sets of figures and controller commands (the
// board's own or its groups') come in; each request gets exactly one result, the board's last
// reading, its presence, its description and its online status go out. The latest set wins:
// while an upload runs, a newer set replaces the one waiting (whose result says it was
// superseded). A request taken from the broker but not applied when the bridge stops is kept in
// the state folder and applied at the next start. A board that comes back after it was away is
// read, and given the last verified set again when it shows something else.
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <optional>

#include "feed/MqttClient.h"
#include "cli/MqttOptions.h"
#include "cli/MqttState.h"
#include "core/board/BoardSession.h"
#include "core/board/EventListener.h"
#include "core/journal/Journal.h"
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
    // The requests still waiting are kept for the next start.
    void requestStop();

private:
    enum class Presence { Unknown, Present, Absent };

    QString topic(const QString &tail) const;
    QStringList subscriptions() const;   // this run's topics, fixed by the options
    void onConnected(bool sessionPresent);
    void onMessage(const MqttIncoming &in, bool retained);
    void onFigureSet(const MqttIncoming &in, bool retained);
    void onSetting(const QString &name, const MqttIncoming &in);
    void onUploadFinished(BoardReply *reply, const MqttIncoming &in, const QJsonArray &notShown);
    void onSettingFinished(BoardReply *reply, const MqttIncoming &in);
    void onRestoreFinished(BoardReply *reply);
    // Reads the board; `comeBack`: it was away (or the bridge starts), so the last verified set
    // is uploaded again when the board shows something else.
    void readBoard(bool comeBack);
    void onReadFinished(const ReadResult &result, bool comeBack);
    void restoreShown();
    void checkLink();
    void setPresence(Presence presence);
    void reject(const MqttIncoming &in, const QJsonValue &id, const QString &what, const QString &reason,
                const QJsonArray &notShown = {});
    // The one result of a request: on the result topic, on its response topic, and in the journal.
    void finishRequest(const MqttIncoming *in, const QJsonObject &result, JournalRecord record);
    void publishReading(const BoardReading &reading);
    void publishInfo();
    void publishJson(const QString &topic, const QJsonObject &object, bool retained);
    // Publishes now, or keeps it for the next connection: results in order (at most a hundred);
    // retained topics are kept (their latest payload) and published again on every connection.
    void send(const QString &topic, const QByteArray &payload, bool retained, const QByteArray &correlation = {});
    void keep(const MqttIncoming &in);
    void saveState(bool synced = true);
    void pollEvents();
    void finishIfIdle();
    void fail(const QString &reason);   // a set-up error: the bridge ends with exit code 3

    CliContext &m_c;
    MqttOptions m_options;
    QString m_stateDir;
    QStringList m_subscriptions;
    MqttClient &m_client;
    EventListener m_events;
    QTimer m_eventPoll, m_verify;
    qint64 m_nextPortTry = 0;
    QElapsedTimer m_connectedAt;   // since the last connection to the broker
    QByteArray m_lastLine;
    Journal m_journal;
    bool m_stateSaveFailed = false;
    MqttState m_state;
    Presence m_presence = Presence::Unknown;
    QList<qint64> m_takeovers;     // when another client seemed to take the session over
    bool m_takenOver = false;      // the broker said so of the connection just lost
    int m_exitCode = 0;

    // The last set taken from each topic.
    QHash<QString, QByteArray> m_lastTaken;
    // The message behind each request not yet finished; those kept at a stop get no result now.
    QHash<const BoardReply *, MqttIncoming> m_inFlight;
    QSet<const BoardReply *> m_keptAtStop;

    struct Outgoing {
        QString topic;
        QByteArray payload;
        QByteArray correlation;
    };
    QList<Outgoing> m_outbox;
    QMap<QString, QByteArray> m_retained;
    bool m_stopping = false;
};

// Runs the bridge until SIGTERM or SIGINT; returns the exit code.
int runMqttBridge(CliContext &context, const MqttOptions &options);
