#include "feed/MqttClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <mosquitto.h>
#include <mqtt_protocol.h>

namespace {

constexpr int MiscIntervalMs = 1000;
constexpr int FirstRetryMs = 1000;
constexpr int LongestRetryMs = 30000;

QString errorText(int rc)
{
    if (rc == MOSQ_ERR_ERRNO)
        return QString::fromLocal8Bit(std::strerror(errno));
    QString text = QString::fromUtf8(mosquitto_strerror(rc));
    if (text.endsWith(QLatin1Char('.')))   // the text goes inside a sentence
        text.chop(1);
    return text;
}

QByteArray fileArgument(const QString &path)
{
    return path.toLocal8Bit();
}

// Why a TLS file cannot be used, or empty: it must be a readable PEM file, and a private key
// must not be encrypted (OpenSSL would ask for its pass phrase on the terminal).
QString tlsFileProblem(const QString &what, const QString &path, bool key)
{
    if (path.isEmpty())
        return QString();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("the TLS %1 %2 cannot be read: %3").arg(what, path, f.errorString());
    const QByteArray text = f.read(1 << 20);
    if (!text.contains("-----BEGIN "))
        return QStringLiteral("the TLS %1 %2 is not a PEM file").arg(what, path);
    if (key && (text.contains("ENCRYPTED") || text.contains("Proc-Type: 4,")))
        return QStringLiteral("the TLS %1 %2 is encrypted; the bridge needs a key without a pass phrase").arg(what, path);
    return QString();
}

// No pass phrase is ever given: an encrypted key fails instead of prompting.
int noPassPhrase(char *, int, int, void *)
{
    return 0;
}

QString reasonText(int code)
{
    return QStringLiteral("%1 (0x%2)").arg(QString::fromUtf8(mosquitto_reason_string(code))).arg(code, 2, 16, QLatin1Char('0'));
}

} // namespace

MqttClient::MqttClient(QObject *parent) : QObject(parent)
{
    m_misc.setInterval(MiscIntervalMs);
    connect(&m_misc, &QTimer::timeout, this, [this] {
        if (m_mosq && m_socket >= 0)
            afterCall(mosquitto_loop_misc(m_mosq));
    });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttClient::connectNow);
}

MqttClient::~MqttClient()
{
    unwatchSocket();
    if (m_mosq)
        mosquitto_destroy(m_mosq);
    mosquitto_property_free_all(&m_connectProperties);
}

bool MqttClient::setUp(const Config &config, QString *error)
{
    static const bool initialised = mosquitto_lib_init() == MOSQ_ERR_SUCCESS;
    const auto fail = [error](const QString &what, int rc) {
        *error = what + QStringLiteral(": ") + errorText(rc);
        return false;
    };
    if (!initialised)
        return fail(QStringLiteral("libmosquitto does not start"), MOSQ_ERR_UNKNOWN);
    m_config = config;
    // A session that outlives the connection: the broker keeps the subscriptions and the sets
    // that came while this board was away.
    m_mosq = mosquitto_new(config.clientId.toUtf8().constData(), false, this);
    if (!m_mosq)
        return fail(QStringLiteral("the MQTT client cannot be made"), MOSQ_ERR_ERRNO);
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_connect_v5_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_v5_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_message_v5_callback_set(m_mosq, &MqttClient::onMessage);
    mosquitto_publish_v5_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_subscribe_v5_callback_set(m_mosq, &MqttClient::onSubscribe);
    mosquitto_log_callback_set(m_mosq, &MqttClient::onLog);

    int rc = MOSQ_ERR_SUCCESS;
    if (!config.user.isEmpty()) {
        rc = mosquitto_username_pw_set(m_mosq, config.user.toUtf8().constData(), config.password.toUtf8().constData());
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the user name is not taken"), rc);
    }
    if (!config.tlsCa.isEmpty()) {
        for (const QString &problem : {tlsFileProblem(QStringLiteral("CA file"), config.tlsCa, false),
                                       tlsFileProblem(QStringLiteral("certificate"), config.tlsCert, false),
                                       tlsFileProblem(QStringLiteral("key"), config.tlsKey, true)}) {
            if (!problem.isEmpty()) {
                *error = problem;
                return false;
            }
        }
        const QByteArray ca = fileArgument(config.tlsCa), cert = fileArgument(config.tlsCert),
                         key = fileArgument(config.tlsKey);
        rc = mosquitto_tls_set(m_mosq, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                               key.isEmpty() ? nullptr : key.constData(), &noPassPhrase);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the TLS files are not taken (readable PEM files are needed)"), rc);
    }
    if (!config.willTopic.isEmpty()) {
        mosquitto_property *willProperties = nullptr;
        if (!config.instance.isEmpty())
            mosquitto_property_add_string_pair(&willProperties, MQTT_PROP_USER_PROPERTY, "instance",
                                               config.instance.constData());
        // libmosquitto takes the properties over when it accepts the will.
        rc = mosquitto_will_set_v5(m_mosq, config.willTopic.toUtf8().constData(), int(config.willPayload.size()),
                                   config.willPayload.constData(), 1, true, willProperties);
        if (rc != MOSQ_ERR_SUCCESS)
            mosquitto_property_free_all(&willProperties);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the will is not taken"), rc);
    }
    rc = mosquitto_property_add_int32(&m_connectProperties, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                      config.sessionExpirySeconds);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_property_add_int32(&m_connectProperties, MQTT_PROP_MAXIMUM_PACKET_SIZE, config.maximumPacketBytes);
    if (rc != MOSQ_ERR_SUCCESS)
        return fail(QStringLiteral("the session's properties are not taken"), rc);
    return true;
}

void MqttClient::start()
{
    m_misc.start();
    connectNow();
}

void MqttClient::connectNow()
{
    if (m_closing)
        return;
    // The TCP connection is made here (a refused or unreachable broker fails at once); CONNECT
    // and its CONNACK go through the event loop.
    const int rc = mosquitto_connect_bind_v5(m_mosq, m_config.host.toUtf8().constData(), m_config.port,
                                             m_config.keepAliveSeconds, nullptr, m_connectProperties);
    if (rc != MOSQ_ERR_SUCCESS) {
        failed(errorText(rc) + tlsReason(rc));
        return;
    }
    afterCall(MOSQ_ERR_SUCCESS);
}

QString MqttClient::tlsReason(int rc)
{
    const QString reason = std::exchange(m_tlsError, QString());
    return rc == MOSQ_ERR_TLS && !reason.isEmpty() ? QStringLiteral(" (%1)").arg(reason) : QString();
}

void MqttClient::failed(const QString &reason)
{
    unwatchSocket();
    m_connected = false;
    if (m_closing)
        return;
    emit connectFailed(reason, m_retryMs);
    retryLater();
}

void MqttClient::retryLater()
{
    // Up to a quarter more, at random: boards that lost a broker together do not all come back
    // in the same instant.
    m_retry.start(m_retryMs + int(QRandomGenerator::global()->bounded(m_retryMs / 4 + 1)));
    m_retryMs = qMin(m_retryMs * 2, LongestRetryMs);
}

void MqttClient::afterCall(int rc)
{
    const int socket = mosquitto_socket(m_mosq);
    if (rc == MOSQ_ERR_SUCCESS && socket >= 0) {
        if (socket != m_socket)
            watchSocket();
        m_writer->setEnabled(mosquitto_want_write(m_mosq));
        return;
    }
    if (m_closing) {
        unwatchSocket();
        return;
    }
    // The connection is gone: a refusal says why in its CONNACK, anything else in `rc`.
    QString reason = std::exchange(m_refusal, QString());
    if (reason.isEmpty())
        reason = rc == MOSQ_ERR_SUCCESS ? QStringLiteral("the connection was closed") : errorText(rc) + tlsReason(rc);
    if (m_connected) {
        unwatchSocket();
        m_connected = false;
        m_unacknowledged = 0;
        m_topicOf.clear();
        m_retryMs = FirstRetryMs;
        emit connectionLost(reason);
        retryLater();
        return;
    }
    failed(reason);
}

void MqttClient::watchSocket()
{
    unwatchSocket();
    m_socket = mosquitto_socket(m_mosq);
    m_reader = new QSocketNotifier(m_socket, QSocketNotifier::Read, this);
    m_writer = new QSocketNotifier(m_socket, QSocketNotifier::Write, this);
    connect(m_reader, &QSocketNotifier::activated, this, [this] { afterCall(mosquitto_loop_read(m_mosq, 1)); });
    connect(m_writer, &QSocketNotifier::activated, this, [this] { afterCall(mosquitto_loop_write(m_mosq, 1)); });
}

void MqttClient::unwatchSocket()
{
    // Possibly called from a notifier's own signal (a callback saw the connection go): disabled at
    // once, deleted later.
    for (QSocketNotifier *n : {m_reader, m_writer}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_reader = m_writer = nullptr;
    m_socket = -1;
}

void MqttClient::subscribe(const QStringList &topics, Retained retained)
{
    const int options = retained == Retained::OnNewSubscription ? MQTT_SUB_OPT_SEND_RETAIN_NEW : MQTT_SUB_OPT_SEND_RETAIN_ALWAYS;
    for (const QString &topic : topics) {
        int mid = 0;
        const int rc = mosquitto_subscribe_v5(m_mosq, &mid, topic.toUtf8().constData(), 1, options, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            break;   // the connection is gone; the next one subscribes again
        m_topicOf.insert(mid, topic);
    }
    if (m_socket >= 0)
        afterCall(MOSQ_ERR_SUCCESS);
}

bool MqttClient::publish(const QString &topic, const QByteArray &payload, bool retained, int qos,
                         const QByteArray &correlation, const QByteArray &instance)
{
    if (!m_connected) {
        m_publishError = QStringLiteral("no broker connection");
        return false;
    }
    mosquitto_property *properties = nullptr;
    if (!correlation.isEmpty())
        mosquitto_property_add_binary(&properties, MQTT_PROP_CORRELATION_DATA, correlation.constData(),
                                      uint16_t(qMin<qsizetype>(correlation.size(), 65535)));
    const QByteArray from = instance.isEmpty() ? m_config.instance : instance;
    if (!from.isEmpty())
        mosquitto_property_add_string_pair(&properties, MQTT_PROP_USER_PROPERTY, "instance", from.constData());
    int mid = 0;
    const int rc = mosquitto_publish_v5(m_mosq, &mid, topic.toUtf8().constData(), int(payload.size()),
                                        payload.constData(), qos, retained, properties);
    mosquitto_property_free_all(&properties);
    if (rc != MOSQ_ERR_SUCCESS)
        m_publishError = errorText(rc);
    if (rc == MOSQ_ERR_SUCCESS && qos > 0) {
        ++m_unacknowledged;
        m_topicOf.insert(mid, topic);
    }
    // Outside a callback libmosquitto writes at once; what is left goes when the socket takes it.
    if (m_socket >= 0)
        afterCall(MOSQ_ERR_SUCCESS);
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::closeGracefully(int timeoutMs)
{
    m_closing = true;
    m_retry.stop();
    m_misc.stop();
    if (!m_connected || !m_mosq)
        return;
    unwatchSocket();
    // libmosquitto's own loop for the last moments: the event loop is about to end.
    QDeadlineTimer deadline(timeoutMs);
    while (m_unacknowledged > 0 && !deadline.hasExpired() && mosquitto_socket(m_mosq) >= 0)
        mosquitto_loop(m_mosq, 50, 1);
    mosquitto_disconnect_v5(m_mosq, MQTT_RC_NORMAL_DISCONNECTION, nullptr);
    while (!deadline.hasExpired() && mosquitto_socket(m_mosq) >= 0 && mosquitto_want_write(m_mosq))
        mosquitto_loop(m_mosq, 50, 1);
    m_connected = false;
}

void MqttClient::onConnect(mosquitto *, void *self, int rc, int flags, const mosquitto_property *)
{
    auto *c = static_cast<MqttClient *>(self);
    if (rc != 0) {
        c->m_refusal = QStringLiteral("the broker refused the connection: %1")
                           .arg(QString::fromUtf8(mosquitto_reason_string(rc)));
        return;
    }
    c->m_connected = true;
    c->m_retryMs = FirstRetryMs;
    emit c->connected(flags & 1);
}

void MqttClient::onDisconnect(mosquitto *, void *self, int rc, const mosquitto_property *)
{
    // The loss is handled where the call into libmosquitto returns (afterCall); a takeover is
    // told first (its handler only takes note).
    auto *c = static_cast<MqttClient *>(self);
    if (rc == MQTT_RC_SESSION_TAKEN_OVER)
        emit c->takenOver();
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *m, const mosquitto_property *properties)
{
    auto *c = static_cast<MqttClient *>(self);
    ReplyTo replyTo;
    char *responseTopic = nullptr;
    if (mosquitto_property_read_string(properties, MQTT_PROP_RESPONSE_TOPIC, &responseTopic, false)) {
        replyTo.topic = QString::fromUtf8(responseTopic);
        std::free(responseTopic);
        void *data = nullptr;
        uint16_t length = 0;
        if (mosquitto_property_read_binary(properties, MQTT_PROP_CORRELATION_DATA, &data, &length, false)) {
            replyTo.correlation = QByteArray(static_cast<const char *>(data), length);
            std::free(data);
        }
    }
    char *name = nullptr, *value = nullptr;
    if (mosquitto_property_read_string_pair(properties, MQTT_PROP_USER_PROPERTY, &name, &value, false)) {
        if (std::strcmp(name, "instance") == 0)
            replyTo.instance = QByteArray(value);
        std::free(name);
        std::free(value);
    }
    emit c->messageReceived(QString::fromUtf8(m->topic),
                            QByteArray(static_cast<const char *>(m->payload), m->payloadlen), m->retain, replyTo);
}

void MqttClient::onPublish(mosquitto *, void *self, int mid, int rc, const mosquitto_property *)
{
    auto *c = static_cast<MqttClient *>(self);
    if (c->m_unacknowledged > 0)
        --c->m_unacknowledged;
    const QString topic = c->m_topicOf.take(mid);
    if (rc >= 0x80)
        emit c->publicationRefused(topic, reasonText(rc));
}

void MqttClient::onSubscribe(mosquitto *, void *self, int mid, int count, const int *granted, const mosquitto_property *)
{
    auto *c = static_cast<MqttClient *>(self);
    const QString topic = c->m_topicOf.take(mid);
    for (int k = 0; k < count; ++k) {
        if (granted[k] >= 0x80) {
            // Told once the callback is over: the bridge may end the connection.
            QMetaObject::invokeMethod(
                c, [c, topic, code = granted[k]] { emit c->subscriptionRefused(topic, reasonText(code)); },
                Qt::QueuedConnection);
        }
    }
}

void MqttClient::onLog(mosquitto *, void *self, int level, const char *text)
{
    // libmosquitto logs OpenSSL's reasons of a failed handshake ("OpenSSL Error[0]: error:...").
    static const QLatin1String prefix("OpenSSL Error");
    const QString line = QString::fromUtf8(text);
    if (level == MOSQ_LOG_ERR && line.startsWith(prefix)) {
        auto *c = static_cast<MqttClient *>(self);
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        c->m_tlsError = colon < 0 ? line : line.mid(colon + 2);
    }
}
