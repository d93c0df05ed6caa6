#include "cli/MqttBridge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/Output.h"
#include "cli/ProtocolLog.h"
#include "cli/ReadingReport.h"
#include "cli/Upload.h"
#include "core/figures/FigureFormat.h"
#include "core/figures/FigureStore.h"
#include "core/link/SerialLink.h"
#include "core/settings/SettingsStore.h"


namespace {

constexpr int EventPollMs = 500;
constexpr int PortRetryMs = 10000;
constexpr int MaxOutbox = 100;

QString shortened(const QString &text)
{
    return text.size() > 24 ? text.left(24) + QStringLiteral("...") : text;
}

QString sizeRejection(const QByteArray &payload)
{
    if (payload.size() > MaxPayloadBytes)
        return QStringLiteral("the payload is %1 bytes, more than %2").arg(payload.size()).arg(MaxPayloadBytes);
    return QString();
}

// The request id of a JSON object: a text, a number, or none.
bool takeId(const QJsonObject &o, QJsonValue &id, QString &rejection)
{
    const QJsonValue v = o.value(QLatin1String("id"));
    if (v.isUndefined() || v.isNull())
        return true;
    id = v;
    if (v.isString() || v.isDouble())
        return true;
    id = QJsonValue();
    rejection = QStringLiteral("\"id\" is neither a text nor a number");
    return false;
}

QJsonObject jsonObjectOf(const QByteArray &payload, QString &rejection)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError)
        rejection = QStringLiteral("the payload is not valid JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
    else if (!doc.isObject())
        rejection = QStringLiteral("the payload is not a JSON object");
    return doc.object();
}

QJsonArray textArray(const QStringList &texts)
{
    QJsonArray a;
    for (const QString &t : texts)
        a.append(t);
    return a;
}

QStringList figureTexts(const BoardReading &reading)
{
    QStringList texts;
    for (const QByteArray &f : reading.figures)
        texts << QString::fromLatin1(f);
    return texts;
}

QString settingName(BoardService::Kind kind)
{
    switch (kind) {
    case BoardService::Kind::Brightness:
        return QStringLiteral("brightness");
    case BoardService::Kind::Lighting:
        return QStringLiteral("lighting");
    default:
        return QStringLiteral("clock");
    }
}

} // namespace

FigureSetRequest parseFigureSet(const QByteArray &payload)
{
    FigureSetRequest r;
    r.rejection = sizeRejection(payload);
    if (!r.rejection.isEmpty())
        return r;
    const QJsonObject o = jsonObjectOf(payload, r.rejection);
    if (!r.rejection.isEmpty() || !takeId(o, r.id, r.rejection))
        return r;
    const QJsonValue figures = o.value(QLatin1String("figures"));
    if (!figures.isArray()) {
        r.rejection = QStringLiteral("\"figures\" is missing or not a list");
        return r;
    }
    const QJsonArray list = figures.toArray();
    if (list.isEmpty() || list.size() > 10) {
        r.rejection = QStringLiteral("\"figures\" holds %1 entries; 1 to 10 are taken").arg(list.size());
        return r;
    }
    QStringList taken;
    for (qsizetype k = 0; k < list.size(); ++k) {
        if (!list.at(k).isString()) {
            r.rejection = QStringLiteral("figure %1 is not a text").arg(k + 1);
            return r;
        }
        const QString figure = list.at(k).toString();
        if (!isPlainFigure(figure)) {
            r.rejection = QStringLiteral("figure %1 \"%2\" is not digits with at most one point").arg(k + 1).arg(shortened(figure));
            return r;
        }
        taken << figure;
    }
    r.figures = taken;
    return r;
}

SettingRequest parseSettingRequest(const QByteArray &payload)
{
    SettingRequest r;
    r.rejection = sizeRejection(payload);
    if (!r.rejection.isEmpty())
        return r;
    const QByteArray trimmed = payload.trimmed();
    if (!trimmed.startsWith('{')) {
        r.value = QString::fromUtf8(trimmed);
        return r;
    }
    const QJsonObject o = jsonObjectOf(trimmed, r.rejection);
    if (!r.rejection.isEmpty() || !takeId(o, r.id, r.rejection))
        return r;
    const QJsonValue value = o.value(QLatin1String("value"));
    if (!value.isString())
        r.rejection = QStringLiteral("\"value\" is missing or not a text");
    else
        r.value = value.toString();
    return r;
}

MqttBridge::MqttBridge(CliContext &context, const MqttOptions &options, MqttClient &client, QObject *parent)
    : QObject(parent), m_c(context), m_options(options), m_client(client), m_events(&context.session)
{
    m_subscriptions = subscriptions();
    connect(&m_c.service, &BoardService::idle, this, &MqttBridge::finishIfIdle);
    connect(&m_client, &MqttClient::connected, this, &MqttBridge::onConnected);
    connect(&m_client, &MqttClient::messageReceived, this, &MqttBridge::onMessage);
    connect(&m_client, &MqttClient::connectionLost, this, [this](const QString &reason) {
        // The broker ends the older of two connections with one client id at once.
        const QString hint = m_connectedAt.isValid() && m_connectedAt.elapsed() < 5000
                                 ? QStringLiteral(" (lost at once: is a second bridge running with the id %1?)").arg(m_options.id)
                                 : QString();
        printErr(QStringLiteral("%1 Broker connection lost: %2; trying again%3").arg(isoTimestamp(false), reason, hint));
    });
    connect(&m_client, &MqttClient::connectFailed, this, [this](const QString &reason, int retryMs) {
        printErr(QStringLiteral("%1 No broker connection (%2:%3): %4; next try in %5 s")
                     .arg(isoTimestamp(false), m_options.host)
                     .arg(m_options.brokerPort())
                     .arg(reason)
                     .arg(retryMs / 1000));
    });
    connect(&m_events, &EventListener::lineReceived, this, [this](const QByteArray &line) { m_lastLine = line; });
    connect(&m_events, &EventListener::eventReceived, this,
            [this](const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting) {
                // An event is news only now: none is kept for a later connection, where it would
                // crowd out the results.
                if (!m_client.isConnected())
                    return;
                const auto field = [](const QByteArray &f) { return f.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(f)); };
                publishJson(topic(QStringLiteral("events")),
                            QJsonObject{{QStringLiteral("line"), QString::fromLatin1(m_lastLine)},
                                        {QStringLiteral("temperature"), field(temperature)},
                                        {QStringLiteral("brightness"), field(brightness)},
                                        {QStringLiteral("lighting"), field(lighting)},
                                        {QStringLiteral("at"), isoTimestamp(true)}},
                            false);
            });
    m_eventPoll.setInterval(EventPollMs);
    connect(&m_eventPoll, &QTimer::timeout, this, &MqttBridge::pollEvents);
}

QString MqttBridge::topic(const QString &tail) const
{
    return m_options.prefix + QLatin1Char('/') + m_options.id + QLatin1Char('/') + tail;
}

QStringList MqttBridge::subscriptions() const
{
    QStringList topics{topic(QStringLiteral("figures/set")), topic(QStringLiteral("brightness/set")),
                       topic(QStringLiteral("lighting/set")), topic(QStringLiteral("clock/set"))};
    for (const QString &group : m_options.groups)
        topics << m_options.prefix + QStringLiteral("/group/") + group + QStringLiteral("/figures/set");
    return topics;
}

void MqttBridge::start()
{
    const ProgramSettings &s = m_c.settings;
    printOut(QStringLiteral("%1 Board %2 on port %3, broker %4:%5, topics %6/%2/...%7")
                 .arg(isoTimestamp(false), m_options.id, s.port, m_options.host)
                 .arg(m_options.brokerPort())
                 .arg(m_options.prefix,
                      m_options.groups.isEmpty() ? QString()
                                                 : QStringLiteral(", groups ") + m_options.groups.join(QLatin1Char(' '))));
    // The port stays open (the board's EVENT lines come in between uploads); a port that does not
    // open is tried again before each operation and every few seconds.
    const PortOpen opened = m_c.port.open(s.port, s.baudRate);
    if (opened.outcome != PortOpen::Opened) {
        m_nextPortTry = QDateTime::currentMSecsSinceEpoch() + PortRetryMs;
        printErr(QStringLiteral("%1 Port not open: %2").arg(isoTimestamp(false), opened.message));
    }
    // What the board shows is read first: a set of fewer than ten figures keeps the others.
    if (!m_c.exchangeOptions().oneWay)
        whenFinished(m_c.service.read(), this, [this](BoardReply *reply) { onReadFinished(reply->read()); });
    m_eventPoll.start();
    m_client.start();
}

void MqttBridge::onConnected(bool sessionPresent)
{
    m_connectedAt.start();
    printOut(QStringLiteral("%1 Connected to %2:%3 (%4)")
                 .arg(isoTimestamp(false), m_options.host)
                 .arg(m_options.brokerPort())
                 .arg(sessionPresent ? QStringLiteral("session kept") : QStringLiteral("new session")));
    m_client.subscribe(m_subscriptions);
    m_client.publish(topic(QStringLiteral("status")), "online", true);
    const QList<Outgoing> waiting = std::exchange(m_outbox, {});
    for (const Outgoing &o : waiting)
        send(o.topic, o.payload, o.retained);
}

void MqttBridge::onMessage(const QString &t, const QByteArray &payload, bool retained)
{
    if (m_stopping)
        return;
    // Only this run's topics: a session kept from a run with other groups still holds theirs.
    if (!m_subscriptions.contains(t))
        return;
    if (t.endsWith(QLatin1String("/figures/set")))
        onFigureSet(t, payload, retained);
    else if (t == topic(QStringLiteral("brightness/set")))
        onSetting(Setting::Brightness, payload);
    else if (t == topic(QStringLiteral("lighting/set")))
        onSetting(Setting::Lighting, payload);
    else if (t == topic(QStringLiteral("clock/set")))
        onSetting(Setting::Clock, payload);
}

void MqttBridge::onFigureSet(const QString &t, const QByteArray &payload, bool retained)
{
    // An empty payload clears a retained set at the broker: no request.
    if (payload.isEmpty()) {
        m_lastTaken.remove(t);
        return;
    }
    // A retained set that is the last one taken from its topic comes again because the broker
    // lost the session (a restart): it is not uploaded once more.
    if (retained && m_lastTaken.value(t) == payload)
        return;
    const FigureSetRequest r = parseFigureSet(payload);
    if (!r.rejection.isEmpty()) {
        reject(r.id, QStringLiteral("figures"), r.rejection);
        return;
    }
    m_lastTaken.insert(t, payload);
    // The latest set wins: one that waits is replaced (and told so). The texts are composed when
    // the upload starts, from what the board shows then.
    const QStringList figures = r.figures;
    BoardReply *reply = m_c.service.uploadComposed(
        [this, figures](QString *refusal) {
            const BoardState &board = m_c.service.state();
            if (figures.size() < 10 && board.shown.isEmpty()) {
                *refusal = QStringLiteral("%1 figures were given, and the board's other figures are not known (it was "
                                          "not read)")
                               .arg(figures.size());
                return QStringList();
            }
            // Formatted as the lines of a data file are; the slots not given keep what the board shows.
            QList<QByteArray> lines;
            for (const QString &f : figures)
                lines << f.toLatin1();
            QStringList texts = m_c.service.textsOf(figuresFromDataLines(lines, m_c.settings));
            for (qsizetype k = figures.size(); k < 10; ++k)
                texts[k] = board.shown.value(k);
            return texts;
        },
        r.id.toVariant());
    whenFinished(reply, this, [this, t](BoardReply *finished) { onUploadFinished(finished, t); });
}

void MqttBridge::onUploadFinished(BoardReply *reply, const QString &from)
{
    const QJsonValue id = QJsonValue::fromVariant(reply->tag());
    if (reply->status() == BoardReply::Status::Invalid)
        return reject(id, QStringLiteral("figures"), reply->error());
    if (reply->status() == BoardReply::Status::Superseded || reply->status() == BoardReply::Status::Withdrawn) {
        const bool superseded = reply->status() == BoardReply::Status::Superseded;
        QJsonObject o{{QStringLiteral("id"), id},
                      {QStringLiteral("request"), QStringLiteral("figures")},
                      {QStringLiteral("outcome"), superseded ? QStringLiteral("superseded") : QStringLiteral("withdrawn")},
                      {QStringLiteral("sent"), QJsonArray()},
                      {QStringLiteral("board"), QJsonArray()},
                      {QStringLiteral("at"), isoTimestamp(true)}};
        if (superseded)
            o.insert(QStringLiteral("by"), QJsonValue::fromVariant(reply->supersededBy()));
        publishJson(topic(QStringLiteral("result")), o, false);
        return;
    }
    const UploadResult &r = reply->upload();
    const QStringList sent = reply->sent();
    const bool readBack = r.verified && r.readBack.outcome == ReadResult::ReadOk;
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), QStringLiteral("figures")},
                  {QStringLiteral("outcome"), outcomeName(uploadOutcomeText(r))},
                  {QStringLiteral("sent"), textArray(sent)},
                  {QStringLiteral("board"), textArray(readBack ? figureTexts(r.readBack.reading) : QStringList())},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    const QString problem = uploadProblem(r, m_c.exchangeOptions(), sent);
    if (!problem.isEmpty())
        o.insert(QStringLiteral("reason"), problem);
    publishJson(topic(QStringLiteral("result")), o, false);
    printOut(QStringLiteral("%1 %2 [%3] from %4%5")
                 .arg(isoTimestamp(false), uploadOutcomeText(r), sent.join(QLatin1Char(',')), from,
                      problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
    if (readBack)
        publishReading(r.readBack.reading);
}

void MqttBridge::onReadFinished(const ReadResult &r)
{
    if (r.outcome == ReadResult::ReadOk) {
        publishReading(r.reading);
        printOut(QStringLiteral("%1 Board read: [%2]")
                     .arg(isoTimestamp(false), m_c.service.state().shown.join(QLatin1Char(','))));
    } else {
        printOut(QStringLiteral("%1 Board not read: a set of fewer than ten figures is rejected until an upload is "
                                "verified")
                     .arg(isoTimestamp(false)));
    }
}

void MqttBridge::onSetting(Setting setting, const QByteArray &payload)
{
    if (payload.isEmpty())
        return;
    const SettingRequest r = parseSettingRequest(payload);
    const QString name = setting == Setting::Brightness ? QStringLiteral("brightness")
                         : setting == Setting::Lighting ? QStringLiteral("lighting")
                                                        : QStringLiteral("clock");
    if (!r.rejection.isEmpty()) {
        reject(r.id, name, r.rejection);
        return;
    }
    BoardService &service = m_c.service;
    BoardReply *reply = nullptr;
    const QVariant id = r.id.toVariant();
    if (setting == Setting::Brightness) {
        const int choice = brightnessChoice(r.value);
        if (choice < 0)
            return reject(r.id, name, QStringLiteral("brightness takes one of min, 25, 50, 75, 100, auto, not \"%1\"")
                                          .arg(shortened(r.value)));
        reply = service.setBrightness(
            brightnessCommandCode(choice, SettingsStore::storedAutomaticMode(m_c.settingsPath, true)), id);
    } else if (setting == Setting::Lighting) {
        const int choice = lightingChoice(r.value);
        if (choice < 0)
            return reject(r.id, name, QStringLiteral("lighting takes one of off, on, auto, not \"%1\"").arg(shortened(r.value)));
        reply = service.setLighting(
            lightingCommandCode(choice, SettingsStore::storedAutomaticMode(m_c.settingsPath, false)), id);
    } else {
        const QStringList arguments{r.value.trimmed()};
        if (!clockTime(arguments))
            return reject(r.id, name, QStringLiteral("clock takes now or a time \"dd.mm.yy hh:mm:ss\", not \"%1\"")
                                          .arg(shortened(r.value)));
        // Taken when the command goes out, so "now" is that moment.
        service.setClock([arguments] { return clockTime(arguments).value_or(QDateTime::currentDateTime()); });
        reply = service.setClock(id);
    }
    whenFinished(reply, this, [this](BoardReply *finished) { onSettingFinished(finished); });
}

void MqttBridge::onSettingFinished(BoardReply *reply)
{
    const QByteArray command = reply->command();
    const QJsonValue id = QJsonValue::fromVariant(reply->tag());
    if (reply->status() != BoardReply::Status::Done) {
        QJsonObject o{{QStringLiteral("id"), id},
                      {QStringLiteral("request"), settingName(reply->kind())},
                      {QStringLiteral("outcome"), QStringLiteral("superseded")},
                      {QStringLiteral("by"), QJsonValue::fromVariant(reply->supersededBy())},
                      {QStringLiteral("at"), isoTimestamp(true)}};
        publishJson(topic(QStringLiteral("result")), o, false);
        return;
    }
    const SettingOutcome ended = settingOutcome(reply->exchange(), command, m_c.exchangeOptions());
    const QString outcome = outcomeName(ended.outcome), &reason = ended.reason;
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), settingName(reply->kind())},
                  {QStringLiteral("outcome"), outcome},
                  {QStringLiteral("command"), QString::fromLatin1(command)},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (!reason.isEmpty())
        o.insert(QStringLiteral("reason"), reason);
    publishJson(topic(QStringLiteral("result")), o, false);
    printOut(QStringLiteral("%1 %2 %3%4")
                 .arg(isoTimestamp(false), QString::fromLatin1(command), outcome,
                      reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
}

void MqttBridge::reject(const QJsonValue &id, const QString &what, const QString &reason)
{
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), what},
                  {QStringLiteral("outcome"), QStringLiteral("rejected")},
                  {QStringLiteral("reason"), reason},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (what == QLatin1String("figures")) {
        o.insert(QStringLiteral("sent"), QJsonArray());
        o.insert(QStringLiteral("board"), QJsonArray());
    }
    publishJson(topic(QStringLiteral("result")), o, false);
    printOut(QStringLiteral("%1 Rejected %2: %3").arg(isoTimestamp(false), what, reason));
}

void MqttBridge::publishReading(const BoardReading &reading)
{
    QJsonObject o = readingJson(reading);
    o.insert(QStringLiteral("at"), isoTimestamp(true));
    publishJson(topic(QStringLiteral("state")), o, true);
}

void MqttBridge::publishJson(const QString &t, const QJsonObject &object, bool retained)
{
    send(t, QJsonDocument(object).toJson(QJsonDocument::Compact), retained);
}

void MqttBridge::send(const QString &t, const QByteArray &payload, bool retained)
{
    if (m_client.publish(t, payload, retained))
        return;
    if (retained)
        m_outbox.removeIf([&t](const Outgoing &o) { return o.retained && o.topic == t; });
    m_outbox.append({t, payload, retained});
    if (m_outbox.size() > MaxOutbox)
        m_outbox.removeFirst();
}

void MqttBridge::pollEvents()
{
    if (m_c.link.state() == SerialLink::State::Open) {
        m_events.poll(m_c.settings.checksums);
        return;
    }
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_c.service.isBusy() || now < m_nextPortTry)
        return;
    m_nextPortTry = now + PortRetryMs;
    m_c.port.open(m_c.settings.port, m_c.settings.baudRate);
}

void MqttBridge::requestStop()
{
    if (std::exchange(m_stopping, true))
        return;
    // What waits is not started: each such request is told it was withdrawn.
    m_c.service.withdrawAll();
    finishIfIdle();
}

void MqttBridge::finishIfIdle()
{
    if (!m_stopping)
        return;
    // Once nothing runs (the running request's result is out).
    QTimer::singleShot(0, this, [this] {
        if (!m_c.service.isIdle())
            return;
        // A clean disconnect sends no will: the status says so itself.
        send(topic(QStringLiteral("status")), "offline", true);
        m_client.closeGracefully(3000);
        printOut(QStringLiteral("%1 Stopped").arg(isoTimestamp(false)));
        QCoreApplication::quit();
    });
}

int runMqttBridge(CliContext &c, const MqttOptions &o)
{
    MqttClient::Config config;
    if (!o.passwordFile.isEmpty()) {
        QFile file(o.passwordFile);
        if (!file.open(QIODevice::ReadOnly)) {
            printErr(QStringLiteral("cannot read the password file %1: %2").arg(o.passwordFile, file.errorString()));
            return ExitFileError;
        }
        if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
            printWarning(QStringLiteral("the password file %1 is readable by other users (chmod 600 it)")
                         .arg(o.passwordFile));
        config.password = QString::fromUtf8(file.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
        if (config.password.isEmpty()) {
            printErr(QStringLiteral("the password file %1 holds no password on its first line").arg(o.passwordFile));
            return ExitFileError;
        }
    }
    config.host = o.host;
    config.port = o.brokerPort();
    config.clientId = QString(o.prefix).replace(QLatin1Char('/'), QLatin1Char('-')) + QLatin1Char('-') + o.id;
    config.user = o.user;
    config.tlsCa = o.tlsCa;
    config.tlsCert = o.tlsCert;
    config.tlsKey = o.tlsKey;
    config.willTopic = o.prefix + QLatin1Char('/') + o.id + QStringLiteral("/status");
    config.willPayload = "offline";

    MqttClient client;
    QString error;
    if (!client.setUp(config, &error)) {
        printErr(error);
        return ExitConnectionError;
    }
    MqttBridge bridge(c, o, client);
    // SIGTERM or SIGINT: a running upload ends and reports, "offline" goes out, then the bridge ends.
    c.onSignal = [&bridge](int) { bridge.requestStop(); };
    bridge.start();
    const int code = QCoreApplication::exec();
    c.onSignal = nullptr;
    return code;
}
