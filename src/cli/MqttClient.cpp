#include "cli/MqttClient.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QSocketNotifier>

#include <cerrno>
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

    int rc = MOSQ_ERR_SUCCESS;
    if (!config.user.isEmpty()) {
        rc = mosquitto_username_pw_set(m_mosq, config.user.toUtf8().constData(), config.password.toUtf8().constData());
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the user name is not taken"), rc);
    }
    if (!config.tlsCa.isEmpty()) {
        const QByteArray ca = fileArgument(config.tlsCa), cert = fileArgument(config.tlsCert),
                         key = fileArgument(config.tlsKey);
        rc = mosquitto_tls_set(m_mosq, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                               key.isEmpty() ? nullptr : key.constData(), nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the TLS files are not taken (readable PEM files are needed)"), rc);
    }
    if (!config.willTopic.isEmpty()) {
        rc = mosquitto_will_set_v5(m_mosq, config.willTopic.toUtf8().constData(), int(config.willPayload.size()),
                                   config.willPayload.constData(), 1, true, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            return fail(QStringLiteral("the will is not taken"), rc);
    }
    rc = mosquitto_property_add_int32(&m_connectProperties, MQTT_PROP_SESSION_EXPIRY_INTERVAL,
                                      config.sessionExpirySeconds);
    if (rc != MOSQ_ERR_SUCCESS)
        return fail(QStringLiteral("the session's expiry is not taken"), rc);
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
        failed(errorText(rc));
        return;
    }
    afterCall(MOSQ_ERR_SUCCESS);
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
        reason = rc == MOSQ_ERR_SUCCESS ? QStringLiteral("the connection was closed") : errorText(rc);
    if (m_connected) {
        unwatchSocket();
        m_connected = false;
        m_unacknowledged = 0;
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

void MqttClient::subscribe(const QStringList &topics)
{
    for (const QString &topic : topics) {
        const int rc = mosquitto_subscribe_v5(m_mosq, nullptr, topic.toUtf8().constData(), 1,
                                              MQTT_SUB_OPT_SEND_RETAIN_NEW, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            break;   // the connection is gone; the next one subscribes again
    }
    if (m_socket >= 0)
        afterCall(MOSQ_ERR_SUCCESS);
}

bool MqttClient::publish(const QString &topic, const QByteArray &payload, bool retained, int qos)
{
    if (!m_connected)
        return false;
    const int rc = mosquitto_publish_v5(m_mosq, nullptr, topic.toUtf8().constData(), int(payload.size()),
                                        payload.constData(), qos, retained, nullptr);
    if (rc == MOSQ_ERR_SUCCESS && qos > 0)
        ++m_unacknowledged;
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

void MqttClient::onDisconnect(mosquitto *, void *, int, const mosquitto_property *)
{
    // The loss is handled where the call into libmosquitto returns (afterCall).
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *m, const mosquitto_property *)
{
    auto *c = static_cast<MqttClient *>(self);
    emit c->messageReceived(QString::fromUtf8(m->topic),
                            QByteArray(static_cast<const char *>(m->payload), m->payloadlen), m->retain);
}

void MqttClient::onPublish(mosquitto *, void *self, int, int, const mosquitto_property *)
{
    auto *c = static_cast<MqttClient *>(self);
    if (c->m_unacknowledged > 0)
        --c->m_unacknowledged;
}
