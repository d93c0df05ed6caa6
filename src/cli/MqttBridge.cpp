#include "cli/MqttBridge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSerialPort>
#include <QStandardPaths>
#include <QRandomGenerator>
#include <QSysInfo>

#include <string_view>

#include "cli/Choices.h"
#include "cli/CliContext.h"
#include "cli/JsonCheck.h"
#include "cli/Output.h"
#include "cli/ProtocolLog.h"
#include "cli/ReadingReport.h"
#include "cli/Upload.h"
#include "core/figures/FigureCheck.h"
#include "core/figures/FigureFormat.h"
#include "core/figures/FigureStore.h"
#include "core/link/SerialLink.h"
#include "core/settings/SettingsStore.h"
#include "feed/FeedSchema.h"

// The journal keeps the outcome words of the feed.
static_assert(std::string_view(Feed::Outcome::SentOk.data()) == JournalOutcome::SentOk.data());
static_assert(std::string_view(Feed::Outcome::SentUnverified.data()) == JournalOutcome::SentUnverified.data());
static_assert(std::string_view(Feed::Outcome::DataError.data()) == JournalOutcome::DataError.data());
static_assert(std::string_view(Feed::Outcome::ConnectionError.data()) == JournalOutcome::ConnectionError.data());
static_assert(std::string_view(Feed::Outcome::Rejected.data()) == JournalOutcome::Rejected.data());


namespace {

constexpr int EventPollMs = 500;
constexpr int PortRetryMs = 2000;
constexpr int MaxInstances = 8;

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

// The payload's JSON object; a payload that does not parse, or holds a key twice (the parser
// would keep one of them silently), is rejected.
QJsonObject jsonObjectOf(const QByteArray &payload, QString &rejection)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError)
        rejection = QStringLiteral("the payload is not valid JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
    else if (!doc.isObject())
        rejection = QStringLiteral("the payload is not a JSON object");
    else if (hasDuplicateKeys(payload))
        rejection = QStringLiteral("the payload holds a key twice");
    return doc.object();
}

// A rejected payload's id as far as it can be found, so the result still names the request.
void findIdOfRejected(const QByteArray &payload, QJsonValue &id)
{
    if (!id.isNull() && !id.isUndefined())
        return;
    if (const std::optional<QString> found = findJsonId(payload))
        id = *found;
}

QString settingName(BoardService::Kind kind)
{
    switch (kind) {
    case BoardService::Kind::Brightness:
        return QString(Feed::Request::Brightness);
    case BoardService::Kind::Lighting:
        return QString(Feed::Request::Lighting);
    default:
        return QString(Feed::Request::Clock);
    }
}

JournalRecord newRecord(const QDateTime &started, const QDateTime &finished, const QString &kind)
{
    JournalRecord r;
    r.started = started;
    r.finished = finished;
    r.kind = kind;
    return r;
}

QString idText(const QJsonValue &id)
{
    if (id.isDouble())
        return QString::number(id.toDouble(), 'g', 17);
    return id.toString();
}

// A topic a result may be published on: no wildcard, no empty topic.
bool isPublishTopic(const QString &t)
{
    return !t.isEmpty() && !t.contains(QLatin1Char('+')) && !t.contains(QLatin1Char('#')) && t.size() < 1024;
}

QString defaultStateDir(const QString &id)
{
    // systemd's StateDirectory= (the unit's own folder); several are separated by ':'.
    const QString fromSystemd = qEnvironmentVariable("STATE_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    if (!fromSystemd.isEmpty())
        return fromSystemd;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/tablo-mqtt/") + id;
}

} // namespace

FigureSetRequest parseFigureSet(const QByteArray &payload)
{
    FigureSetRequest r;
    r.rejection = sizeRejection(payload);
    if (r.rejection.isEmpty()) {
        const QJsonObject o = jsonObjectOf(payload, r.rejection);
        if (r.rejection.isEmpty() && takeId(o, r.id, r.rejection)) {
            const QJsonValue figures = o.value(QLatin1String("figures"));
            const QJsonArray list = figures.toArray();
            if (!figures.isArray())
                r.rejection = QStringLiteral("\"figures\" is missing or not a list");
            else if (list.isEmpty() || list.size() > 10)
                r.rejection = QStringLiteral("\"figures\" holds %1 entries; 1 to 10 are taken").arg(list.size());
            QStringList taken;
            for (qsizetype k = 0; k < list.size() && r.rejection.isEmpty(); ++k) {
                const QString figure = list.at(k).toString();
                if (!list.at(k).isString())
                    r.rejection = QStringLiteral("figure %1 is not a text").arg(k + 1);
                else if (!isPlainFigure(figure))
                    r.rejection = QStringLiteral("figure %1 \"%2\" is not digits with at most one point").arg(k + 1).arg(shortened(figure));
                taken << figure;
            }
            const QJsonValue at = o.value(QLatin1String("at"));
            if (r.rejection.isEmpty() && !at.isUndefined() && !at.isNull()) {
                r.at = QDateTime::fromString(at.toString(), Qt::ISODateWithMs);
                if (!r.at.isValid())
                    r.rejection = QStringLiteral("\"at\" is not a time in ISO 8601");
            }
            if (r.rejection.isEmpty())
                r.figures = taken;
        }
    }
    if (!r.rejection.isEmpty())
        findIdOfRejected(payload, r.id);
    return r;
}

SettingRequest parseSettingRequest(const QByteArray &payload)
{
    SettingRequest r;
    r.rejection = sizeRejection(payload);
    const QByteArray trimmed = payload.trimmed();
    if (r.rejection.isEmpty() && !trimmed.startsWith('{')) {
        r.value = QString::fromUtf8(trimmed);
        return r;
    }
    if (r.rejection.isEmpty()) {
        const QJsonObject o = jsonObjectOf(trimmed, r.rejection);
        if (r.rejection.isEmpty() && takeId(o, r.id, r.rejection)) {
            const QJsonValue value = o.value(QLatin1String("value"));
            if (!value.isString())
                r.rejection = QStringLiteral("\"value\" is missing or not a text");
            else
                r.value = value.toString();
        }
    }
    if (!r.rejection.isEmpty())
        findIdOfRejected(payload, r.id);
    return r;
}

MqttBridge::MqttBridge(CliContext &context, const MqttOptions &options, MqttClient &client, QObject *parent)
    : QObject(parent), m_c(context), m_options(options), m_client(client), m_events(&context.session)
{
    m_stateDir = options.stateDir.isEmpty() ? defaultStateDir(options.id) : options.stateDir;
    m_subscriptions = subscriptions();
    connect(&m_c.service, &BoardService::idle, this, &MqttBridge::finishIfIdle);
    // What the board shows, as every finished exchange left it, goes into the journal beside
    // the requests; the request is named by its id.
    connect(&m_c.service, &BoardService::truthChanged, this, [this](const BoardTruth &truth) {
        JournalTruth t;
        t.at = truth.changed.isValid() ? truth.changed : QDateTime::currentDateTime();
        t.since = truth.since;
        t.board = m_c.settings.port;
        t.boardId = m_options.id;
        t.known = knownWord(truth.known);
        t.figures = truth.shown;
        t.sent = truth.sent;
        t.source = JournalSource::Mqtt;
        t.request = idText(QJsonValue::fromVariant(truth.request));
        t.reason = truth.reason;
        t.checked = truth.checked;
        m_journal.recordTruth(t);
        journalNotice();
    });
    // A reply that ended on a broken line says the board went away (checked once it is over).
    connect(&m_c.service, &BoardService::replyFinished, this, [this] {
        QTimer::singleShot(0, this, &MqttBridge::checkLink);
    });
    connect(&m_client, &MqttClient::connected, this, &MqttBridge::onConnected);
    connect(&m_client, &MqttClient::messageReceived, this,
            [this](const QString &t, const QByteArray &payload, bool retained, const MqttClient::ReplyTo &to) {
                onMessage({t, payload, to.topic, to.correlation}, retained, to.instance);
            });
    // A lost connection is only tried again, however often: a broker that restarts is no reason
    // to stop. A second bridge with this id is told by the broker itself (onOwnStatus).
    connect(&m_client, &MqttClient::connectionLost, this, [](const QString &reason) {
        printErr(QStringLiteral("%1 Broker connection lost: %2; trying again").arg(isoTimestamp(false), reason));
    });
    connect(&m_client, &MqttClient::connectFailed, this, [this](const QString &reason, int retryMs) {
        printErr(QStringLiteral("%1 No broker connection (%2:%3): %4; next try in %5 s")
                     .arg(isoTimestamp(false), m_options.host)
                     .arg(m_options.brokerPort())
                     .arg(reason)
                     .arg(retryMs / 1000));
    });
    connect(&m_client, &MqttClient::subscriptionRefused, this, [this](const QString &t, const QString &reason) {
        if (t == topic(Feed::Tail::Status)) {
            printWarning(QStringLiteral("the broker refused the subscription to %1: %2; a second bridge with id %3 cannot be "
                                        "told (let user %4 read it in the ACL)")
                             .arg(t, reason, m_options.id, m_options.user.isEmpty() ? QStringLiteral("(none)") : m_options.user));
            return;
        }
        fail(QStringLiteral("the broker refused the subscription to %1: %2 (does its ACL let user %3 read it?)")
                 .arg(t, reason, m_options.user.isEmpty() ? QStringLiteral("(none)") : m_options.user));
    });
    connect(&m_client, &MqttClient::publicationRefused, this, [](const QString &t, const QString &reason) {
        printErr(QStringLiteral("%1 The broker refused the message on %2: %3").arg(isoTimestamp(false), t, reason));
    });
    connect(&m_events, &EventListener::lineReceived, this, [this](const QByteArray &line) { m_lastLine = line; });
    connect(&m_events, &EventListener::eventReceived, this,
            [this](const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting) {
                // An event is news only now: none is kept for a later connection, where it would
                // crowd out the results.
                if (!m_client.isConnected())
                    return;
                const auto field = [](const QByteArray &f) { return f.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(f)); };
                publishJson(topic(Feed::Tail::Events),
                            QJsonObject{{QStringLiteral("line"), QString::fromLatin1(m_lastLine)},
                                        {QStringLiteral("temperature"), field(temperature)},
                                        {QString(Feed::Request::Brightness), field(brightness)},
                                        {QString(Feed::Request::Lighting), field(lighting)},
                                        {QStringLiteral("at"), isoTimestamp(true)}},
                            false);
            });
    // The port reports a read or resource error at once when the board's end goes (unplugged).
    if (QSerialPort *port = m_c.link.port())
        connect(port, &QSerialPort::errorOccurred, this, [this] { QTimer::singleShot(0, this, &MqttBridge::checkLink); },
                Qt::QueuedConnection);
    m_eventPoll.setInterval(EventPollMs);
    connect(&m_eventPoll, &QTimer::timeout, this, &MqttBridge::pollEvents);
    m_verify.setInterval(options.verifyEverySeconds * 1000);
    // Every tick while the board is idle, whatever the last exchange came to: a board that did
    // not answer once is read again, and a late reply never ends the schedule.
    connect(&m_verify, &QTimer::timeout, this, [this] {
        if (!m_stopping && m_c.service.isIdle() && !m_c.exchangeOptions().oneWay
            && m_c.link.state() == SerialLink::State::Open)
            readBoard(true);
    });
}

QString MqttBridge::topic(const QString &tail) const
{
    return m_options.prefix + QLatin1Char('/') + m_options.id + QLatin1Char('/') + tail;
}

QStringList MqttBridge::subscriptions() const
{
    QStringList topics;
    for (const char *what : {"figures", "brightness", "lighting", "clock"}) {
        const QString tail = QLatin1String(what) + QStringLiteral("/set");
        topics << topic(tail);
        for (const QString &group : m_options.groups)
            topics << m_options.prefix + QStringLiteral("/group/") + group + QLatin1Char('/') + tail;
    }
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
    QString error, warning;
    if (!QDir().mkpath(m_stateDir))
        printErr(QStringLiteral("the state folder %1 cannot be made: requests taken are not kept across a stop").arg(m_stateDir));
    else if (!m_state.load(m_stateDir + QStringLiteral("/state.json"), &error, &warning))
        printErr(QStringLiteral("the state file in %1 cannot be read: %2").arg(m_stateDir, error));
    if (!warning.isEmpty())
        printWarning(warning);
    if (!m_instance.isEmpty()) {
        m_state.instances << m_instance;
        while (m_state.instances.size() > MaxInstances)
            m_state.instances.removeFirst();
    }
    saveState();
    const QString journalPath = m_options.journal.isEmpty() ? m_stateDir + QStringLiteral("/journal.sqlite") : m_options.journal;
    if (!m_journal.open(journalPath, &error))
        printErr(QStringLiteral("The journal is not being written: %1").arg(error));
    else
        m_journal.prune(Journal::DefaultRetentionDays, QDateTime::currentDateTime());

    // The port stays open (the board's EVENT lines come in between uploads); a port that does not
    // open is tried again before each operation and every few seconds.
    const PortOpen opened = m_c.port.open(s.port, s.baudRate);
    if (opened.outcome != PortOpen::Opened) {
        m_nextPortTry = QDateTime::currentMSecsSinceEpoch() + PortRetryMs;
        printErr(QStringLiteral("%1 Port not open: %2").arg(isoTimestamp(false), opened.message));
        setPresence(Presence::Absent);
    } else {
    }
    publishInfo();
    m_eventPoll.start();
    if (m_options.verifyEverySeconds > 0)
        m_verify.start();
    // What the board shows is read first: a set of fewer than ten figures keeps the others,
    // and a set taken before a stop that the board shows already is not sent again. Then the
    // requests taken before the stop, then the broker's new ones, in that order.
    const auto resume = [this] {
        replayTaken();
        m_client.start();
    };
    if (opened.outcome == PortOpen::Opened)
        readBoard(true, resume);
    else
        resume();
}

void MqttBridge::onConnected(bool sessionPresent)
{
    printOut(QStringLiteral("%1 Connected to %2:%3 (%4)")
                 .arg(isoTimestamp(false), m_options.host)
                 .arg(m_options.brokerPort())
                 .arg(sessionPresent ? QStringLiteral("session kept") : QStringLiteral("new session")));
    m_client.subscribe(m_subscriptions);
    // The retained status, whoever published it, before this connection states its own: an
    // "online" from a connection this state never made is a second bridge with this id.
    m_client.subscribe({topic(Feed::Tail::Status)}, MqttClient::Retained::OnEverySubscription);
    // Every connection states the retained topics again: a broker that lost them (restarted
    // without persistence) has them back at once.
    m_client.publish(topic(Feed::Tail::Status), QByteArray(Feed::Status::Online.data()), true);
    for (auto it = m_retained.cbegin(); it != m_retained.cend(); ++it)
        m_client.publish(it.key(), it.value(), true);
    flushOutbox();
}

void MqttBridge::onMessage(const MqttIncoming &in, bool retained, const QByteArray &instance)
{
    if (in.topic == topic(Feed::Tail::Status))
        return onOwnStatus(in.payload, retained, instance);
    // Only this run's topics: a session kept from a run with other groups still holds theirs.
    if (!m_subscriptions.contains(in.topic) || in.payload.isEmpty()) {
        // An empty payload clears a retained set at the broker: no request.
        if (in.payload.isEmpty())
            m_lastTaken.remove(in.topic);
        return;
    }
    if (in.topic.endsWith(QLatin1String("/figures/set")))
        onFigureSet(in, retained, 0);
    else
        onSetting(in.topic.section(QLatin1Char('/'), -2, -2), in, 0);
}

void MqttBridge::onOwnStatus(const QByteArray &payload, bool retained, const QByteArray &instance)
{
    // The retained status as this connection found it: "online" from a connection that none
    // of this state's runs made is a second bridge with this id, which this connection has just
    // pushed off the broker. This one stops, and puts the other's status back as it was, so the
    // other one connects again and goes on. (A run of this state that died leaves its own token,
    // or its will's "offline".)
    if (!retained || payload != Feed::Status::Online.data() || instance.isEmpty() || m_state.instances.contains(instance) || m_twin)
        return;
    m_twin = true;
    m_client.publish(topic(Feed::Tail::Status), payload, true, 1, {}, instance);
    // Not inside the client's own callback: closing runs the client's loop.
    QTimer::singleShot(0, this, [this] {
        m_client.closeGracefully(1000);   // a clean disconnect sends no will
        fail(QStringLiteral("another bridge uses id %1 (its connection was taken over by this one): this one stops")
                 .arg(m_options.id));
    });
}

bool MqttBridge::answerAgain(const MqttIncoming &in, bool retained, const QJsonValue &id)
{
    for (const MqttTaken &t : std::as_const(m_state.pending))
        if (t.message.topic == in.topic && t.message.payload == in.payload)
            return true;   // delivered again while it is under way: its result follows
    const QString key = idText(id);
    if (key.isEmpty())
        return false;
    const MqttAnswered *done = m_state.answeredFor(in.topic, key, in.payload);
    if (!done)
        return false;
    // A retained set the broker brings again with a new subscription was answered already;
    // a message delivered again (QoS 1) is answered again, not applied again.
    if (!retained) {
        send(topic(Feed::Tail::Result), done->result, false);
        if (isPublishTopic(in.responseTopic))
            send(responseTopicFor(in.responseTopic), done->result, false, in.correlation);
        printOut(QStringLiteral("%1 Request %2 from %3 was answered before: answered again").arg(isoTimestamp(false), key, in.topic));
    }
    return true;
}

void MqttBridge::supersede(const MqttIncoming &in, qint64 order, const QJsonValue &id)
{
    // A set older than the newest set taken: answered as replaced by it, never sent.
    const QDateTime now = QDateTime::currentDateTime();
    finishRequest(&in, order,
                  QJsonObject{{QStringLiteral("id"), id},
                              {QStringLiteral("request"), QString(Feed::Request::Figures)},
                              {QStringLiteral("outcome"), QString(Feed::Outcome::Superseded)},
                              {QStringLiteral("by"), m_state.intent->request},
                              {QStringLiteral("sent"), QJsonArray()},
                              {QStringLiteral("board"), QJsonArray()},
                              {QStringLiteral("at"), isoTimestamp(true)}},
                  newRecord(now, now, JournalKind::Upload));
}

QString MqttBridge::pendingFull()
{
    return QStringLiteral("%1 requests taken wait already for the board; the broker keeps sending faster than it answers")
        .arg(MqttState::MaxPending);
}

qint64 MqttBridge::take(const MqttIncoming &in, const QJsonValue &figureSetId)
{
    const qint64 order = ++m_state.lastOrder;
    m_state.pending.append({order, in});
    if (in.topic.endsWith(QLatin1String("/figures/set"))) {
        MqttIntent intent;
        intent.order = order;
        intent.request = figureSetId;
        intent.source = in.topic;
        m_state.intent = intent;
    }
    saveState();
    if (m_stopping)
        printOut(QStringLiteral("%1 A request from %2 came while stopping: kept for the next start").arg(isoTimestamp(false), in.topic));
    return order;
}

void MqttBridge::replayTaken()
{
    // The requests taken before the last stop (or crash) and not answered, in the order taken.
    // Of the sets of figures only the newest goes to the board; the older ones are superseded.
    const QList<MqttTaken> taken = m_state.pending;
    for (const MqttTaken &t : taken) {
        const MqttIncoming &in = t.message;
        printOut(QStringLiteral("%1 Applying a request taken before the last stop, from %2").arg(isoTimestamp(false), in.topic));
        if (!m_subscriptions.contains(in.topic)) {
            const QString what = in.topic.section(QLatin1Char('/'), -2, -2);
            const QJsonValue id = what == QLatin1String("figures") ? parseFigureSet(in.payload).id
                                                                   : parseSettingRequest(in.payload).id;
            reject(in, id, what, QStringLiteral("the bridge no longer takes requests from %1").arg(in.topic), {}, t.order);
        } else if (in.topic.endsWith(QLatin1String("/figures/set"))) {
            onFigureSet(in, false, t.order);
        } else {
            onSetting(in.topic.section(QLatin1Char('/'), -2, -2), in, t.order);
        }
    }
}

void MqttBridge::onFigureSet(const MqttIncoming &in, bool retained, qint64 order)
{
    // A retained set without an id that is the last one taken from its topic comes again
    // because the broker lost the session (a restart): it is not uploaded once more.
    if (order == 0 && retained && m_lastTaken.value(in.topic) == in.payload)
        return;
    const FigureSetRequest r = parseFigureSet(in.payload);
    if (order == 0 && answerAgain(in, retained, r.id))
        return;
    if (!r.rejection.isEmpty())
        return reject(in, r.id, QString(Feed::Request::Figures), r.rejection, {}, order);
    m_lastTaken.insert(in.topic, in.payload);

    // Each figure given is checked as the board will show it (the slots not given keep what
    // the board shows): one the board would show as another number rejects the set; one for a
    // hidden slot is named in the result.
    FigureChecks checks = checkFigures(r.figures, m_c.settings);
    QJsonArray notShown;
    for (int k = 0; k < 10; ++k) {
        if (k >= r.figures.size())
            checks[k].outcome = FigureCheck::Outcome::Fine;
        else if (checks[k].outcome == FigureCheck::Outcome::NotShown)
            notShown.append(k + 1);
    }
    const QStringList rejections = figureRejections(checks);
    if (!rejections.isEmpty())
        return reject(in, r.id, QString(Feed::Request::Figures), rejections.join(QStringLiteral("; ")), notShown, order);

    // A set made before the newest one taken (both say when) is older news, whatever order
    // they came in: the retained sets of two groups at a start come in the order subscribed.
    if (order == 0 && r.at.isValid() && m_state.intent) {
        const QDateTime newest = QDateTime::fromString(m_state.intent->at, Qt::ISODateWithMs);
        if (newest.isValid() && r.at < newest)
            return supersede(in, 0, r.id);
    }
    // Written down before anything else happens to it; while stopping, that is all.
    if (order == 0 && m_state.pending.size() >= MqttState::MaxPending)
        return reject(in, r.id, QString(Feed::Request::Figures), pendingFull(), notShown);
    if (order == 0)
        order = take(in, r.id);
    if (m_state.intent && m_state.intent->order == order && r.at.isValid())
        m_state.intent->at = r.at.toString(Qt::ISODateWithMs);
    if (m_stopping)
        return;
    // Never an older set than the newest taken: one that a newer set overtook is answered so.
    if (m_state.intent && m_state.intent->order > order)
        return supersede(in, order, r.id);
    // Taken before a stop, composed and perhaps sent then, and shown by the board as read at
    // this start: it is there, nothing is sent again.
    const BoardState &board = m_c.service.state();
    const bool boardRead = board.known == BoardTruth::Known::Read || board.known == BoardTruth::Known::ReadBackExact;
    if (m_state.intent && m_state.intent->order == order && !m_state.intent->texts.isEmpty() && boardRead
        && board.shown == m_state.intent->texts) {
        m_state.intent->verified = true;
        const QDateTime now = QDateTime::currentDateTime();
        JournalRecord record = newRecord(now, now, JournalKind::Upload);
        record.sent = board.shown;
        record.boardFigures = board.shown;
        QJsonObject o{{QStringLiteral("id"), r.id},
                      {QStringLiteral("request"), QString(Feed::Request::Figures)},
                      {QStringLiteral("outcome"), QString(JournalOutcome::SentOk)},
                      {QStringLiteral("sent"), QJsonArray::fromStringList(board.shown)},
                      {QStringLiteral("board"), QJsonArray::fromStringList(board.shown)},
                      {QStringLiteral("at"), isoTimestamp(true)}};
        if (!notShown.isEmpty())
            o.insert(QStringLiteral("not_shown"), notShown);
        printOut(QStringLiteral("%1 The board shows the set taken before the stop already: not sent again").arg(isoTimestamp(false)));
        return finishRequest(&in, order, o, record);
    }

    // The latest set wins: one that waits is replaced (and told so). The texts are composed when
    // the upload starts, from what the board shows then.
    const QStringList figures = r.figures;
    BoardReply *reply = m_c.service.uploadComposed(
        [this, figures, order](QString *refusal) {
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
            // Written down before they are sent, without waiting for the disk: after a crash
            // a board that shows them is left alone; after a power cut the set taken is
            // composed and sent again.
            if (m_state.intent && m_state.intent->order == order) {
                m_state.intent->texts = texts;
                m_state.intent->verified = false;
                m_state.intent->refused = false;
                saveState(false);
            }
            return texts;
        },
        r.id.toVariant());
    m_inFlight.insert(reply, in);
    whenFinished(reply, this, [this, in, notShown, order](BoardReply *finished) {
        m_inFlight.remove(finished);
        if (!m_keptAtStop.remove(finished))   // one kept for the next start reports then
            onUploadFinished(finished, in, notShown, order);
    });
}

void MqttBridge::onUploadFinished(BoardReply *reply, const MqttIncoming &in, const QJsonArray &notShown, qint64 order)
{
    const QJsonValue id = QJsonValue::fromVariant(reply->tag());
    if (reply->status() == BoardReply::Status::Invalid)
        return reject(in, id, QString(Feed::Request::Figures), reply->error(), notShown, order);
    JournalRecord record = newRecord(reply->startedAt(), QDateTime::currentDateTime(), JournalKind::Upload);
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), QString(Feed::Request::Figures)},
                  {QStringLiteral("sent"), QJsonArray()},
                  {QStringLiteral("board"), QJsonArray()},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (!notShown.isEmpty())
        o.insert(QStringLiteral("not_shown"), notShown);
    if (reply->status() != BoardReply::Status::Done) {
        // Replaced while it waited (a withdrawn request is one a stop did not keep).
        o.insert(QStringLiteral("outcome"), QString(Feed::Outcome::Superseded));
        o.insert(QStringLiteral("by"), QJsonValue::fromVariant(reply->supersededBy()));
        record.started = record.finished;
        return finishRequest(&in, order, o, record);
    }
    const UploadResult &r = reply->upload();
    const QStringList sent = reply->sent();
    const bool readBack = r.verified && r.readBack.outcome == ReadResult::ReadOk;
    const QStringList board = readBack ? r.readBack.reading.figureTexts() : QStringList();
    const auto [outcome, problem] = uploadOutcome(r, m_c.exchangeOptions(), sent);
    o.insert(QStringLiteral("outcome"), outcome);
    o.insert(QStringLiteral("sent"), QJsonArray::fromStringList(sent));
    o.insert(QStringLiteral("board"), QJsonArray::fromStringList(board));
    if (!problem.isEmpty())
        o.insert(QStringLiteral("reason"), problem);
    notePresence(r.send);
    if (m_state.intent && m_state.intent->order == order) {
        // What became of the intent: shown, refused by the board, or in doubt (it may have
        // reached the board: a verify or a restart puts it back, never an older set).
        if (outcome == JournalOutcome::SentOk || outcome == JournalOutcome::SentUnverified)
            m_state.intent->verified = true;
        else if (outcome == JournalOutcome::DataError)
            m_state.intent->refused = true;
    }
    record.sent = sent;
    record.boardFigures = board;
    finishRequest(&in, order, o, record);
    printOut(QStringLiteral("%1 %2 [%3] from %4%5")
                 .arg(isoTimestamp(false), outcome, sent.join(QLatin1Char(',')), in.topic,
                      problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
    if (readBack)
        publishReading(r.readBack.reading);
}

void MqttBridge::readBoard(bool comeBack, const std::function<void()> &then)
{
    if (m_c.exchangeOptions().oneWay) {
        // Nothing is read over a one-way link: an open port is the board.
        setPresence(Presence::Present);
        if (comeBack && healable() && !m_c.service.isWaiting(BoardService::Kind::Upload))
            restoreShown();
        if (then)
            then();
        return;
    }
    whenFinished(m_c.service.read(), this, [this, comeBack, then](BoardReply *reply) {
        if (reply->status() == BoardReply::Status::Done)
            onReadFinished(reply->read(), comeBack);
        if (then)
            then();
    });
}

void MqttBridge::onReadFinished(const ReadResult &r, bool comeBack)
{
    notePresence(r.exchange);
    if (r.outcome == ReadResult::ConnectionError) {
        printOut(QStringLiteral("%1 Board not read: %2 (a set of fewer than ten figures is rejected until "
                                "an upload is verified)")
                     .arg(isoTimestamp(false),
                          r.exchange.reply.isEmpty() ? QStringLiteral("no answer") : QStringLiteral("a garbled answer")));
        return;
    }
    if (r.outcome != ReadResult::ReadOk)
        return;
    publishReading(r.reading);
    const QStringList shown = r.reading.figureTexts();
    printOut(QStringLiteral("%1 Board read: [%2]").arg(isoTimestamp(false), shown.join(QLatin1Char(','))));
    // A board that lost its figures (power, a swap, a set in doubt that never arrived) gets the
    // newest set taken, unless a newer one waits anyway; one that shows it is left alone.
    if (comeBack && healable() && m_state.intent->texts != shown && !m_c.service.isWaiting(BoardService::Kind::Upload))
        restoreShown();
}

void MqttBridge::restoreShown()
{
    const MqttIntent set = *m_state.intent;
    printOut(QStringLiteral("%1 The board does not show the newest set [%2]: uploading it again")
                 .arg(isoTimestamp(false), set.texts.join(QLatin1Char(','))));
    BoardReply *reply = m_c.service.uploadTexts(set.texts, set.request.toVariant());
    whenFinished(reply, this, [this, order = set.order](BoardReply *finished) { onRestoreFinished(finished, order); });
}

bool MqttBridge::healable() const
{
    // Not while the set itself is still to be applied (taken before a stop): that applies it.
    const auto isPending = [this](qint64 order) {
        return std::any_of(m_state.pending.cbegin(), m_state.pending.cend(), [order](const MqttTaken &t) { return t.order == order; });
    };
    return m_state.intent && !m_state.intent->texts.isEmpty() && !m_state.intent->refused && !isPending(m_state.intent->order);
}

void MqttBridge::notePresence(const ExchangeResult &exchange)
{
    // Any answer, even a garbled one, says the board is there; silence says it is not.
    if (exchange.outcome == ExchangeResult::Ok || exchange.outcome == ExchangeResult::Error
        || exchange.outcome == ExchangeResult::Read || !exchange.reply.isEmpty())
        setPresence(Presence::Present);
    else if (exchange.outcome == ExchangeResult::Timeout)
        setPresence(Presence::Absent);
}

void MqttBridge::onRestoreFinished(BoardReply *reply, qint64 order)
{
    if (reply->status() != BoardReply::Status::Done || !m_state.intent || m_state.intent->order != order)
        return;   // a newer set took its place: that one reports
    notePresence(reply->upload().send);
    const MqttIntent set = *m_state.intent;
    const UploadResult &r = reply->upload();
    const bool readBack = r.verified && r.readBack.outcome == ReadResult::ReadOk;
    const QStringList board = readBack ? r.readBack.reading.figureTexts() : QStringList();
    auto [outcome, problem] = uploadOutcome(r, m_c.exchangeOptions(), reply->sent());
    if (outcome == JournalOutcome::SentOk || outcome == JournalOutcome::SentUnverified) {
        outcome = QString(Feed::Outcome::Restored);
        problem.clear();
        m_state.intent->verified = true;
    } else if (outcome == JournalOutcome::DataError) {
        m_state.intent->refused = true;   // not put back again and again
    }
    QJsonObject o{{QStringLiteral("id"), set.request},
                  {QStringLiteral("request"), QString(Feed::Request::Figures)},
                  {QStringLiteral("outcome"), outcome},
                  {QStringLiteral("sent"), QJsonArray::fromStringList(reply->sent())},
                  {QStringLiteral("board"), QJsonArray::fromStringList(board)},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (!problem.isEmpty())
        o.insert(QStringLiteral("reason"), problem);
    JournalRecord record = newRecord(reply->startedAt(), QDateTime::currentDateTime(), JournalKind::Upload);
    record.sent = reply->sent();
    record.boardFigures = board;
    finishRequest(nullptr, 0, o, record);
    printOut(QStringLiteral("%1 %2 [%3]%4").arg(isoTimestamp(false), outcome, reply->sent().join(QLatin1Char(',')),
                                                problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
    if (readBack)
        publishReading(r.readBack.reading);
}

void MqttBridge::checkLink()
{
    if (m_c.link.state() == SerialLink::State::Failed && m_presence != Presence::Absent) {
        printErr(QStringLiteral("%1 The board's port broke (unplugged?): trying it again every %2 s")
                     .arg(isoTimestamp(false))
                     .arg(PortRetryMs / 1000));
        m_nextPortTry = QDateTime::currentMSecsSinceEpoch() + PortRetryMs;
        setPresence(Presence::Absent);
    }
}

void MqttBridge::setPresence(Presence presence)
{
    if (std::exchange(m_presence, presence) == presence)
        return;
    send(topic(Feed::Tail::Board), QByteArray(presence == Presence::Present ? Feed::Presence::Present.data() : Feed::Presence::Absent.data()), true);
}

void MqttBridge::onSetting(const QString &name, const MqttIncoming &in, qint64 order)
{
    const SettingRequest r = parseSettingRequest(in.payload);
    if (order == 0 && answerAgain(in, false, r.id))
        return;
    if (!r.rejection.isEmpty())
        return reject(in, r.id, name, r.rejection, {}, order);
    // Written down before it is acted on; while stopping, that is all.
    if (order == 0 && m_state.pending.size() >= MqttState::MaxPending)
        return reject(in, r.id, name, pendingFull());
    if (order == 0)
        order = take(in, QJsonValue());
    if (m_stopping)
        return;
    BoardService &service = m_c.service;
    BoardReply *reply = nullptr;
    const QVariant id = r.id.toVariant();
    if (name == QLatin1String("brightness")) {
        const int choice = brightnessChoice(r.value);
        if (choice < 0)
            return reject(in, r.id, name, QStringLiteral("brightness takes one of min, 25, 50, 75, 100, auto, not \"%1\"")
                                              .arg(shortened(r.value)), {}, order);
        reply = service.setBrightness(
            brightnessCommandCode(choice, SettingsStore::storedAutomaticMode(m_c.settingsPath, true)), id);
    } else if (name == QLatin1String("lighting")) {
        const int choice = lightingChoice(r.value);
        if (choice < 0)
            return reject(in, r.id, name, QStringLiteral("lighting takes one of off, on, auto, not \"%1\"").arg(shortened(r.value)),
                          {}, order);
        reply = service.setLighting(
            lightingCommandCode(choice, SettingsStore::storedAutomaticMode(m_c.settingsPath, false)), id);
    } else {
        const QStringList arguments{r.value.trimmed()};
        if (!clockTime(arguments))
            return reject(in, r.id, name, QStringLiteral("clock takes now or a time \"dd.mm.yy hh:mm:ss\", not \"%1\"")
                                              .arg(shortened(r.value)), {}, order);
        // Taken when the command goes out, so "now" is that moment.
        service.setClock([arguments] { return clockTime(arguments).value_or(QDateTime::currentDateTime()); });
        reply = service.setClock(id);
    }
    m_inFlight.insert(reply, in);
    whenFinished(reply, this, [this, in, order](BoardReply *finished) {
        m_inFlight.remove(finished);
        if (!m_keptAtStop.remove(finished))
            onSettingFinished(finished, in, order);
    });
}

void MqttBridge::onSettingFinished(BoardReply *reply, const MqttIncoming &in, qint64 order)
{
    const QByteArray command = reply->command();
    const QJsonValue id = QJsonValue::fromVariant(reply->tag());
    const QString name = settingName(reply->kind());
    if (reply->status() == BoardReply::Status::Invalid)
        return reject(in, id, name, reply->error(), {}, order);
    const QLatin1String kind = reply->kind() == BoardService::Kind::Brightness ? JournalKind::Brightness
                               : reply->kind() == BoardService::Kind::Lighting ? JournalKind::Lighting
                                                                               : JournalKind::Clock;
    JournalRecord record = newRecord(reply->startedAt(), QDateTime::currentDateTime(), kind);
    if (reply->status() != BoardReply::Status::Done) {
        record.started = record.finished;
        return finishRequest(&in, order,
                             QJsonObject{{QStringLiteral("id"), id},
                                         {QStringLiteral("request"), name},
                                         {QStringLiteral("outcome"), QString(Feed::Outcome::Superseded)},
                                         {QStringLiteral("by"), QJsonValue::fromVariant(reply->supersededBy())},
                                         {QStringLiteral("at"), isoTimestamp(true)}},
                             record);
    }
    // Over a one-way link the board's "OK" is never heard: "sent-unverified".
    const auto [outcome, reason] = commandOutcome(reply->exchange(), QString::fromLatin1(command), m_c.exchangeOptions());
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), name},
                  {QStringLiteral("outcome"), outcome},
                  {QStringLiteral("command"), QString::fromLatin1(command)},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (!reason.isEmpty())
        o.insert(QStringLiteral("reason"), reason);
    record.command = QString::fromLatin1(command);
    notePresence(reply->exchange());
    finishRequest(&in, order, o, record);
    printOut(QStringLiteral("%1 %2 %3%4")
                 .arg(isoTimestamp(false), QString::fromLatin1(command), outcome,
                      reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
}

void MqttBridge::reject(const MqttIncoming &in, const QJsonValue &id, const QString &what, const QString &reason,
                        const QJsonArray &notShown, qint64 order)
{
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), what},
                  {QStringLiteral("outcome"), QString(Feed::Outcome::Rejected)},
                  {QStringLiteral("reason"), reason},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (what == QLatin1String("figures")) {
        o.insert(QStringLiteral("sent"), QJsonArray());
        o.insert(QStringLiteral("board"), QJsonArray());
    }
    if (!notShown.isEmpty())
        o.insert(QStringLiteral("not_shown"), notShown);
    const QDateTime now = QDateTime::currentDateTime();
    const QLatin1String kind = what == QLatin1String("figures")      ? JournalKind::Upload
                               : what == QLatin1String("brightness") ? JournalKind::Brightness
                               : what == QLatin1String("lighting")   ? JournalKind::Lighting
                                                                     : JournalKind::Clock;
    finishRequest(&in, order, o, newRecord(now, now, kind));
    printOut(QStringLiteral("%1 Rejected %2: %3").arg(isoTimestamp(false), what, reason));
}

void MqttBridge::finishRequest(const MqttIncoming *in, qint64 order, QJsonObject result, JournalRecord record)
{
    // The answer names its board: a group's answers may share one response topic.
    result.insert(QStringLiteral("board_id"), m_options.id);
    const QByteArray payload = QJsonDocument(result).toJson(QJsonDocument::Compact);
    // Written down with the request done, then handed to the broker: a crash of the process in
    // between gives the result at the next start, never a second upload. Not waiting for the
    // disk here (the request itself was): after a power cut the set may be applied and answered
    // a second time, never lost or rolled back.
    if (order > 0)
        m_state.pending.removeIf([order](const MqttTaken &t) { return t.order == order; });
    const QString key = idText(result.value(QLatin1String("id")));
    if (in && !key.isEmpty())
        m_state.remember({in->topic, key, MqttState::digest(in->payload), payload});
    m_state.outbox.append({topic(Feed::Tail::Result), payload, {}});
    if (in && isPublishTopic(in->responseTopic))
        m_state.outbox.append({responseTopicFor(in->responseTopic), payload, in->correlation});
    while (m_state.outbox.size() > MqttState::MaxOutbox)
        m_state.outbox.removeFirst();
    saveState(false);
    flushOutbox();
    // The journal never holds the board's work up: a failure is told once.
    record.board = m_c.settings.port;
    record.boardId = m_options.id;
    record.source = JournalSource::Mqtt;
    record.request = idText(result.value(QLatin1String("id")));
    record.outcome = result.value(QLatin1String("outcome")).toString();
    record.reason = result.value(QLatin1String("reason")).toString();
    if (!record.started.isValid())
        record.started = record.finished;
    // A journal that could not be opened is tried again now and then by record() itself.
    m_journal.record(record);
    journalNotice();
}

void MqttBridge::journalNotice()
{
    // A failure is told once per run of failures, and so is writing again after it.
    const QString notice = m_journal.takeFailureNotice();
    if (!notice.isEmpty())
        printErr(QStringLiteral("%1 %2").arg(isoTimestamp(false), notice));
}

void MqttBridge::publishReading(const BoardReading &reading)
{
    QJsonObject o = readingJson(reading);
    o.insert(QStringLiteral("at"), isoTimestamp(true));
    // Where the figures shown came from: the last set this bridge had verified, or not known.
    const bool ours = m_state.intent && m_state.intent->texts == reading.figureTexts();
    o.insert(QStringLiteral("request"), ours ? m_state.intent->request : QJsonValue());
    o.insert(QStringLiteral("source"), ours ? QJsonValue(m_state.intent->source) : QJsonValue());
    publishJson(topic(Feed::Tail::State), o, true);
}

void MqttBridge::publishInfo()
{
    const ProgramSettings &s = m_c.settings;
    QJsonArray shown;
    for (const bool slot : s.slotsShown())
        shown.append(slot);
    publishJson(topic(Feed::Tail::Info),
                QJsonObject{{QStringLiteral("id"), m_options.id},
                            {QStringLiteral("version"), QCoreApplication::applicationVersion()},
                            {QStringLiteral("host"), QSysInfo::machineHostName()},
                            {QStringLiteral("port"), s.port},
                            {QStringLiteral("digits"), s.digits},
                            {QStringLiteral("shown"), shown},
                            {QStringLiteral("groups"), QJsonArray::fromStringList(m_options.groups)}},
                true);
}

void MqttBridge::publishJson(const QString &t, const QJsonObject &object, bool retained)
{
    send(t, QJsonDocument(object).toJson(QJsonDocument::Compact), retained);
}

void MqttBridge::send(const QString &t, const QByteArray &payload, bool retained, const QByteArray &correlation)
{
    if (retained)
        m_retained.insert(t, payload);
    if (m_client.isConnected() && !m_client.publish(t, payload, retained, 1, correlation))
        printErr(QStringLiteral("%1 Not published on %2").arg(isoTimestamp(false), t));
    // Retained topics go out with the others on the next connection; an answer given again
    // while away is given again when the request comes again.
}

QString MqttBridge::responseTopicFor(const QString &requested) const
{
    // Each board writes only below its own id: a response topic under the feed's response
    // folder is answered below the board's id there.
    const QString base = m_options.prefix + QStringLiteral("/response/");
    const QString own = base + m_options.id + QLatin1Char('/');
    if (requested.startsWith(base) && !requested.startsWith(own))
        return own + requested.mid(base.size());
    return requested;
}

void MqttBridge::flushOutbox()
{
    if (!m_client.isConnected() || m_state.outbox.isEmpty())
        return;
    qsizetype handed = 0;
    for (const MqttOutgoing &o : std::as_const(m_state.outbox)) {
        if (!m_client.publish(o.topic, o.payload, false, 1, o.correlation))
            break;
        ++handed;
    }
    if (handed == 0)
        return;
    // Handed over: at worst a crash before this is on the disk gives the same result twice.
    m_state.outbox.remove(0, handed);
    saveState(false);
}

bool MqttBridge::saveState(bool synced)
{
    QString error;
    if (m_state.save(m_stateDir + QStringLiteral("/state.json"), &error, synced)) {
        if (std::exchange(m_stateSaveFailed, false))
            printOut(QStringLiteral("%1 The state file in %2 is written again").arg(isoTimestamp(false), m_stateDir));
        return true;
    }
    if (!std::exchange(m_stateSaveFailed, true))
        printErr(QStringLiteral("%1 The state file in %2 cannot be written: %3; it keeps what it held before")
                     .arg(isoTimestamp(false), m_stateDir, error));
    return false;
}

void MqttBridge::pollEvents()
{
    if (m_c.link.state() == SerialLink::State::Open) {
        m_events.poll(m_c.settings.checksums);
        return;
    }
    checkLink();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_stopping || !m_c.service.isIdle() || now < m_nextPortTry)
        return;
    m_nextPortTry = now + PortRetryMs;
    const PortOpen opened = m_c.port.open(m_c.settings.port, m_c.settings.baudRate);
    if (opened.outcome == PortOpen::Opened) {
        m_portProblem.clear();
        printOut(QStringLiteral("%1 The board's port is open again").arg(isoTimestamp(false)));
        readBoard(true);
    } else if (std::exchange(m_portProblem, opened.message) != opened.message) {
        printErr(QStringLiteral("%1 Port not open: %2").arg(isoTimestamp(false), opened.message));
    }
}

void MqttBridge::requestStop()
{
    if (std::exchange(m_stopping, true))
        return;
    // What waits is not started: it stays written down for the next start, which applies it.
    for (const BoardService::Kind kind : {BoardService::Kind::Upload, BoardService::Kind::Brightness,
                                          BoardService::Kind::Lighting, BoardService::Kind::Clock}) {
        const BoardReply *waiting = m_c.service.waiting(kind);
        if (waiting && m_inFlight.contains(waiting))
            m_keptAtStop.insert(waiting);
    }
    if (!m_keptAtStop.isEmpty()) {
        if (saveState())
            printOut(QStringLiteral("%1 %2 waiting request(s) kept for the next start").arg(isoTimestamp(false)).arg(m_keptAtStop.size()));
        else
            printErr(QStringLiteral("%1 %2 waiting request(s) not answered: the state file cannot be written, the last one "
                                    "written holds what it held then")
                         .arg(isoTimestamp(false))
                         .arg(m_keptAtStop.size()));
    }
    m_c.service.withdrawAll();
    finishIfIdle();
}

void MqttBridge::fail(const QString &reason)
{
    printErr(reason);
    m_exitCode = ExitConnectionError;
    requestStop();
}

void MqttBridge::finishIfIdle()
{
    if (!m_stopping)
        return;
    // Once nothing runs (the running request's result is out).
    QTimer::singleShot(0, this, [this] {
        if (!m_c.service.isIdle())
            return;
        // A clean disconnect sends no will: the status says so itself (unless it is the
        // status of the other bridge with this id).
        if (!m_twin)
            send(topic(Feed::Tail::Status), QByteArray(Feed::Status::Offline.data()), true);
        m_client.closeGracefully(3000);
        printOut(QStringLiteral("%1 Stopped").arg(isoTimestamp(false)));
        QCoreApplication::exit(m_exitCode);
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
    config.willPayload = QByteArray(Feed::Status::Offline.data());
    const QByteArray instance = QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    config.instance = instance;

    MqttClient client;
    QString error;
    if (!client.setUp(config, &error)) {
        printErr(error);
        return ExitConnectionError;
    }
    MqttBridge bridge(c, o, client);
    bridge.setInstance(instance);
    // SIGTERM or SIGINT: a running upload ends and reports, "offline" goes out, then the bridge ends.
    c.onSignal = [&bridge](int) { bridge.requestStop(); };
    bridge.start();
    const int code = QCoreApplication::exec();
    c.onSignal = nullptr;
    return code;
}
