#pragma once
// tablo-cli mqtt: one board on an MQTT broker. Sets of figures and controller commands (the
// board's own or its groups') come in; each request gets exactly one result, the board's last
// reading, its presence, its description and its online status go out. Every request taken is
// written to the state folder (synced) before it is acted on, with an order that never goes
// back; the newest set of figures taken is the board's intent. The latest set wins: a newer set
// replaces the one waiting (whose result says it was superseded), and a restart, a heal or a
// verify puts back the newest intent, never an older set. A request not answered when the
// bridge stops or dies is applied at the next start; results the broker has not had yet are
// kept too.
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
#include <functional>
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
    QDateTime at;           // when the set was made, if it says (invalid: it does not)
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
    // The token of this run's broker connection, carried with its will: a will with another
    // token, seen live, was the connection of a second bridge with this id.
    void setInstance(const QByteArray &instance) { m_instance = instance; }

private:
    enum class Presence { Unknown, Present, Absent };

    QString topic(const QString &tail) const;
    QStringList subscriptions() const;   // this run's topics, fixed by the options
    void onConnected(bool sessionPresent);
    void onMessage(const MqttIncoming &in, bool retained, const QByteArray &instance = {});
    void onOwnStatus(const QByteArray &payload, bool retained, const QByteArray &instance);
    // `order` 0: a new message, written down before it is acted on; else one taken earlier.
    void onFigureSet(const MqttIncoming &in, bool retained, qint64 order);
    void onSetting(const QString &name, const MqttIncoming &in, qint64 order);
    // A request already answered is answered again; one taken and not answered yet is left to
    // its result. True when `in` is such a request.
    bool answerAgain(const MqttIncoming &in, bool retained, const QJsonValue &id);
    qint64 take(const MqttIncoming &in, const QJsonValue &figureSetId);
    // Taken requests are bounded: a flood while the board is slow, or while stopping, is
    // answered "rejected" beyond this, not written down without end.
    static QString pendingFull();
    void supersede(const MqttIncoming &in, qint64 order, const QJsonValue &id);
    void replayTaken();
    void onUploadFinished(BoardReply *reply, const MqttIncoming &in, const QJsonArray &notShown, qint64 order);
    void onSettingFinished(BoardReply *reply, const MqttIncoming &in, qint64 order);
    void onRestoreFinished(BoardReply *reply, qint64 order);
    bool healable() const;   // the newest set is known to the figure and the board may show it
    void notePresence(const ExchangeResult &exchange);
    // Reads the board; `comeBack`: it was away (or the bridge starts), so the last verified set
    // is uploaded again when the board shows something else.
    void readBoard(bool comeBack, const std::function<void()> &then = {});
    void onReadFinished(const ReadResult &result, bool comeBack);
    void restoreShown();
    void checkLink();
    void setPresence(Presence presence);
    void reject(const MqttIncoming &in, const QJsonValue &id, const QString &what, const QString &reason,
                const QJsonArray &notShown = {}, qint64 order = 0);
    // The one result of a request: written down, then on the result topic, on its response
    // topic, and in the journal; the request taken as `order` is done.
    void finishRequest(const MqttIncoming *in, qint64 order, QJsonObject result, JournalRecord record);
    QString responseTopicFor(const QString &requested) const;
    void flushOutbox();
    void publishReading(const BoardReading &reading);
    void journalNotice();
    void publishInfo();
    void publishJson(const QString &topic, const QJsonObject &object, bool retained);
    // Publishes now, or keeps it for the next connection: retained topics are kept (their
    // latest payload) and published again on every connection; events are news only now.
    void send(const QString &topic, const QByteArray &payload, bool retained, const QByteArray &correlation = {});
    bool saveState(bool synced = true);
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
    QByteArray m_lastLine;
    Journal m_journal;
    bool m_stateSaveFailed = false;
    MqttState m_state;
    Presence m_presence = Presence::Unknown;
    QByteArray m_instance;
    QString m_portProblem;   // why the port did not open the last time (told when it changes)
    bool m_twin = false;   // another bridge uses this id: this one stops
    int m_exitCode = 0;

    // The last set taken from each topic (a retained set without an id is not taken twice).
    QHash<QString, QByteArray> m_lastTaken;
    // The message behind each request not yet finished; those kept at a stop get no result now.
    QHash<const BoardReply *, MqttIncoming> m_inFlight;
    QSet<const BoardReply *> m_keptAtStop;

    QMap<QString, QByteArray> m_retained;
    bool m_stopping = false;
};

// Runs the bridge until SIGTERM or SIGINT; returns the exit code.
int runMqttBridge(CliContext &context, const MqttOptions &options);
