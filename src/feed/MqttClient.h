#pragma once
// An MQTT v5 client on libmosquitto, driven by the Qt event loop: the client's socket is watched
// with QSocketNotifier (for writing only while libmosquitto has bytes to send), its periodic work
// (keep-alive, retries) runs on a timer. No thread of its own. A lost or refused connection is
// tried again with a growing pause (1 s doubling up to 30 s, each with up to a quarter
// more at random).
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

struct mosquitto;
struct mosquitto_message;
typedef struct mqtt5__property mosquitto_property;
class QSocketNotifier;

class MqttClient : public QObject {
    Q_OBJECT
public:
    struct Config {
        QString host;
        int port = 1883;
        QString clientId;
        QString user, password;
        QString tlsCa, tlsCert, tlsKey;
        QString willTopic;
        QByteArray willPayload;
        // Carried with the will and every message as the MQTT 5 user property "instance": a
        // receiver tells which connection a message came from.
        QByteArray instance;
        int keepAliveSeconds = 30;
        // How long the broker keeps the session (the subscriptions and the QoS 1 messages for
        // them) while the client is away.
        quint32 sessionExpirySeconds = 30 * 24 * 3600;
        // The largest packet the client takes, announced in CONNECT: the broker drops larger
        // messages for it instead of sending them.
        quint32 maximumPacketBytes = 64 * 1024;
    };

    // An MQTT 5 request's "response topic" and "correlation data" (empty when not given).
    struct ReplyTo {
        QString topic;
        QByteArray correlation;
        QByteArray instance;   // the user property "instance", when the message carries one
    };

    explicit MqttClient(QObject *parent = nullptr);
    ~MqttClient() override;

    // Creates the client with `config`; false with a reason when libmosquitto refuses it (a TLS
    // file that cannot be read, for one).
    bool setUp(const Config &config, QString *error);
    // The first connection attempt; later ones follow on their own.
    void start();
    bool isConnected() const { return m_connected; }

    // Which retained messages a subscription brings.
    enum class Retained {
        OnNewSubscription,     // only with a subscription the session did not hold yet
        OnEverySubscription,   // every time: a kept session still gets the whole picture
    };
    // QoS 1 subscriptions; by default a reconnection does not bring the same retained messages
    // again.
    void subscribe(const QStringList &topics, Retained retained = Retained::OnNewSubscription);
    // Sends at once when connected; false when not connected (nothing is queued here).
    // `instance`: another connection's token in the place of this one's.
    bool publish(const QString &topic, const QByteArray &payload, bool retained, int qos = 1,
                 const QByteArray &correlation = {}, const QByteArray &instance = {});
    // Why the last publish() returned false: "no broker connection", or libmosquitto's reason.
    QString publishError() const { return m_publishError; }
    // Sends what is queued, then a clean DISCONNECT, waiting at most `timeoutMs` for the broker's
    // acknowledgements.
    void closeGracefully(int timeoutMs);

signals:
    void connected(bool sessionPresent);
    void connectionLost(const QString &reason);
    // A connection attempt failed or the broker refused it; the next attempt is in `retryMs`.
    void connectFailed(const QString &reason, int retryMs);
    void messageReceived(const QString &topic, const QByteArray &payload, bool retained, const MqttClient::ReplyTo &replyTo);
    // The broker answered a SUBSCRIBE or a QoS 1 PUBLISH with a reason code of 0x80 or more.
    void subscriptionRefused(const QString &topic, const QString &reason);
    void publicationRefused(const QString &topic, const QString &reason);
    // The broker said (MQTT 5 DISCONNECT 0x8E) that another client connected with the same id;
    // connectionLost follows. Brokers that close the old connection without a word say nothing.
    void takenOver();

private:
    static void onConnect(mosquitto *, void *self, int rc, int flags, const mosquitto_property *);
    static void onDisconnect(mosquitto *, void *self, int rc, const mosquitto_property *);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message, const mosquitto_property *);
    static void onPublish(mosquitto *, void *self, int mid, int rc, const mosquitto_property *);
    static void onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted, const mosquitto_property *);
    static void onLog(mosquitto *, void *self, int level, const char *text);

    void connectNow();
    // ", the reason OpenSSL gave" for a TLS failure that logged one.
    QString tlsReason(int rc);
    void failed(const QString &reason);
    void retryLater();
    // After every call into libmosquitto: follows the socket it uses and whether it wants to write.
    void afterCall(int rc);
    void watchSocket();
    void unwatchSocket();

    Config m_config;
    mosquitto *m_mosq = nullptr;
    mosquitto_property *m_connectProperties = nullptr;
    QSocketNotifier *m_reader = nullptr;
    QSocketNotifier *m_writer = nullptr;
    int m_socket = -1;
    QTimer m_misc, m_retry;
    int m_retryMs = 1000;
    bool m_connected = false;
    bool m_closing = false;
    QString m_refusal;          // why the broker refused the last CONNECT
    int m_unacknowledged = 0;   // QoS 1 publications without their PUBACK
    QHash<int, QString> m_topicOf;   // the topic of each SUBSCRIBE and QoS 1 PUBLISH not yet answered
    QString m_tlsError;              // OpenSSL's last reason, from libmosquitto's log
    QString m_publishError;
};
