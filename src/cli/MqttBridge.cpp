#include "cli/MqttBridge.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSerialPort>
#include <QStandardPaths>
#include <QSysInfo>

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


namespace {

constexpr int EventPollMs = 500;
constexpr int PortRetryMs = 2000;
constexpr int MaxOutbox = 100;
constexpr qint64 TakeoverWindowMs = 60000;
constexpr qint64 QuickLossMs = 5000;

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
        return QStringLiteral("brightness");
    case BoardService::Kind::Lighting:
        return QStringLiteral("lighting");
    default:
        return QStringLiteral("clock");
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
    // A reply that ended on a broken line says the board went away (checked once it is over).
    connect(&m_c.service, &BoardService::replyFinished, this, [this] {
        QTimer::singleShot(0, this, &MqttBridge::checkLink);
    });
    connect(&m_client, &MqttClient::connected, this, &MqttBridge::onConnected);
    connect(&m_client, &MqttClient::messageReceived, this,
            [this](const QString &t, const QByteArray &payload, bool retained, const MqttClient::ReplyTo &to) {
                onMessage({t, payload, to.topic, to.correlation}, retained);
            });
    connect(&m_client, &MqttClient::takenOver, this, [this] { m_takenOver = true; });
    connect(&m_client, &MqttClient::connectionLost, this, [this](const QString &reason) {
        // The broker ends the older of two connections with one client id at once (Mosquitto 2.0
        // without a reason code): a connection lost within seconds, or one the broker says was
        // taken over, counts as pushed off by a second bridge. The second time within a minute
        // ends this one, or the two would push each other off for ever.
        const bool pushedOff = std::exchange(m_takenOver, false)
                            || (m_connectedAt.isValid() && m_connectedAt.elapsed() < QuickLossMs);
        const QString hint = pushedOff ? QStringLiteral(" (lost at once: is a second bridge running with the id %1?)").arg(m_options.id)
                                       : QString();
        printErr(QStringLiteral("%1 Broker connection lost: %2; trying again%3").arg(isoTimestamp(false), reason, hint));
        if (!pushedOff)
            return;
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        m_takeovers.removeIf([now](qint64 t) { return now - t > TakeoverWindowMs; });
        m_takeovers << now;
        if (m_takeovers.size() >= 2) {
            m_client.closeGracefully(0);   // no further connection: it would push the other off
            fail(QStringLiteral("another bridge uses id %1").arg(m_options.id));
        }
    });
    connect(&m_client, &MqttClient::connectFailed, this, [this](const QString &reason, int retryMs) {
        printErr(QStringLiteral("%1 No broker connection (%2:%3): %4; next try in %5 s")
                     .arg(isoTimestamp(false), m_options.host)
                     .arg(m_options.brokerPort())
                     .arg(reason)
                     .arg(retryMs / 1000));
    });
    connect(&m_client, &MqttClient::subscriptionRefused, this, [this](const QString &t, const QString &reason) {
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
                publishJson(topic(QStringLiteral("events")),
                            QJsonObject{{QStringLiteral("line"), QString::fromLatin1(m_lastLine)},
                                        {QStringLiteral("temperature"), field(temperature)},
                                        {QStringLiteral("brightness"), field(brightness)},
                                        {QStringLiteral("lighting"), field(lighting)},
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
    connect(&m_verify, &QTimer::timeout, this, [this] {
        if (!m_stopping && m_presence == Presence::Present && m_c.service.isIdle() && !m_c.exchangeOptions().oneWay)
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
    QString error;
    if (!QDir().mkpath(m_stateDir))
        printErr(QStringLiteral("the state folder %1 cannot be made: requests taken at a stop are lost").arg(m_stateDir));
    else if (!m_state.load(m_stateDir + QStringLiteral("/state.json"), &error))
        printErr(QStringLiteral("the state file in %1 cannot be read: %2").arg(m_stateDir, error));
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
        // What the board shows is read first: a set of fewer than ten figures keeps the others.
        readBoard(true);
    }
    // The requests kept at the last stop, in the order they came.
    const QList<MqttIncoming> kept = std::exchange(m_state.pending, {});
    for (const MqttIncoming &in : kept) {
        printOut(QStringLiteral("%1 Applying a request kept at the last stop, from %2").arg(isoTimestamp(false), in.topic));
        onMessage(in, false);
    }
    if (!kept.isEmpty())
        saveState();
    publishInfo();
    m_eventPoll.start();
    if (m_options.verifyEverySeconds > 0)
        m_verify.start();
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
    // Every connection states the retained topics again: a broker that lost them (restarted
    // without persistence) has them back at once.
    m_client.publish(topic(QStringLiteral("status")), "online", true);
    for (auto it = m_retained.cbegin(); it != m_retained.cend(); ++it)
        m_client.publish(it.key(), it.value(), true);
    const QList<Outgoing> waiting = std::exchange(m_outbox, {});
    for (const Outgoing &o : waiting)
        send(o.topic, o.payload, false, o.correlation);
}

void MqttBridge::onMessage(const MqttIncoming &in, bool retained)
{
    // Only this run's topics: a session kept from a run with other groups still holds theirs.
    if (!m_subscriptions.contains(in.topic) || in.payload.isEmpty()) {
        // An empty payload clears a retained set at the broker: no request.
        if (in.payload.isEmpty())
            m_lastTaken.remove(in.topic);
        return;
    }
    if (m_stopping) {
        // Acknowledged to the broker already: kept for the next start.
        keep(in);
        return;
    }
    if (in.topic.endsWith(QLatin1String("/figures/set")))
        onFigureSet(in, retained);
    else
        onSetting(in.topic.section(QLatin1Char('/'), -2, -2), in);
}

void MqttBridge::onFigureSet(const MqttIncoming &in, bool retained)
{
    // A retained set that is the last one taken from its topic comes again because the broker
    // lost the session (a restart): it is not uploaded once more.
    if (retained && m_lastTaken.value(in.topic) == in.payload)
        return;
    const FigureSetRequest r = parseFigureSet(in.payload);
    if (!r.rejection.isEmpty())
        return reject(in, r.id, QStringLiteral("figures"), r.rejection);
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
        return reject(in, r.id, QStringLiteral("figures"), rejections.join(QStringLiteral("; ")), notShown);

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
    m_inFlight.insert(reply, in);
    whenFinished(reply, this, [this, in, notShown](BoardReply *finished) {
        m_inFlight.remove(finished);
        if (!m_keptAtStop.remove(finished))   // one kept for the next start reports then
            onUploadFinished(finished, in, notShown);
    });
}

void MqttBridge::onUploadFinished(BoardReply *reply, const MqttIncoming &in, const QJsonArray &notShown)
{
    const QJsonValue id = QJsonValue::fromVariant(reply->tag());
    if (reply->status() == BoardReply::Status::Invalid)
        return reject(in, id, QStringLiteral("figures"), reply->error(), notShown);
    JournalRecord record = newRecord(reply->startedAt(), QDateTime::currentDateTime(), JournalKind::Upload);
    QJsonObject o{{QStringLiteral("id"), id},
                  {QStringLiteral("request"), QStringLiteral("figures")},
                  {QStringLiteral("sent"), QJsonArray()},
                  {QStringLiteral("board"), QJsonArray()},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (!notShown.isEmpty())
        o.insert(QStringLiteral("not_shown"), notShown);
    if (reply->status() != BoardReply::Status::Done) {
        // Replaced while it waited (a withdrawn request is one a stop did not keep).
        o.insert(QStringLiteral("outcome"), QStringLiteral("superseded"));
        o.insert(QStringLiteral("by"), QJsonValue::fromVariant(reply->supersededBy()));
        record.started = record.finished;
        return finishRequest(&in, o, record);
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
    if (outcome == JournalOutcome::SentOk || outcome == JournalOutcome::SentUnverified) {
        m_state.shown = MqttShownSet{sent, id, in.topic, outcome == JournalOutcome::SentOk};
        saveState(false);
    }
    record.sent = sent;
    record.boardFigures = board;
    finishRequest(&in, o, record);
    printOut(QStringLiteral("%1 %2 [%3] from %4%5")
                 .arg(isoTimestamp(false), outcome, sent.join(QLatin1Char(',')), in.topic,
                      problem.isEmpty() ? QString() : QStringLiteral(": ") + problem));
    if (readBack)
        publishReading(r.readBack.reading);
}

void MqttBridge::readBoard(bool comeBack)
{
    if (m_c.exchangeOptions().oneWay) {
        // Nothing is read over a one-way link: an open port is the board.
        setPresence(Presence::Present);
        if (comeBack && m_state.shown && !m_c.service.isWaiting(BoardService::Kind::Upload))
            restoreShown();
        return;
    }
    whenFinished(m_c.service.read(), this, [this, comeBack](BoardReply *reply) {
        if (reply->status() == BoardReply::Status::Done)
            onReadFinished(reply->read(), comeBack);
    });
}

void MqttBridge::onReadFinished(const ReadResult &r, bool comeBack)
{
    if (r.outcome == ReadResult::ConnectionError) {
        printOut(QStringLiteral("%1 Board not read: no answer (a set of fewer than ten figures is rejected until "
                                "an upload is verified)")
                     .arg(isoTimestamp(false)));
        setPresence(Presence::Absent);
        return;
    }
    setPresence(Presence::Present);
    if (r.outcome != ReadResult::ReadOk)
        return;
    publishReading(r.reading);
    const QStringList shown = r.reading.figureTexts();
    printOut(QStringLiteral("%1 Board read: [%2]").arg(isoTimestamp(false), shown.join(QLatin1Char(','))));
    // A board that lost its figures (power, a swap) gets the last verified set again, unless a
    // newer set waits anyway.
    if (comeBack && m_state.shown && m_state.shown->texts != shown && !m_c.service.isWaiting(BoardService::Kind::Upload))
        restoreShown();
}

void MqttBridge::restoreShown()
{
    const MqttShownSet set = *m_state.shown;
    printOut(QStringLiteral("%1 The board does not show the last verified set [%2]: uploading it again")
                 .arg(isoTimestamp(false), set.texts.join(QLatin1Char(','))));
    BoardReply *reply = m_c.service.uploadTexts(set.texts, set.request.toVariant());
    whenFinished(reply, this, [this](BoardReply *finished) { onRestoreFinished(finished); });
}

void MqttBridge::onRestoreFinished(BoardReply *reply)
{
    if (reply->status() != BoardReply::Status::Done || !m_state.shown)
        return;   // a newer set took its place: that one reports
    const MqttShownSet set = *m_state.shown;
    const UploadResult &r = reply->upload();
    const bool readBack = r.verified && r.readBack.outcome == ReadResult::ReadOk;
    const QStringList board = readBack ? r.readBack.reading.figureTexts() : QStringList();
    auto [outcome, problem] = uploadOutcome(r, m_c.exchangeOptions(), reply->sent());
    if (outcome == JournalOutcome::SentOk || outcome == JournalOutcome::SentUnverified) {
        outcome = QStringLiteral("restored");
        problem.clear();
    }
    QJsonObject o{{QStringLiteral("id"), set.request},
                  {QStringLiteral("request"), QStringLiteral("figures")},
                  {QStringLiteral("outcome"), outcome},
                  {QStringLiteral("sent"), QJsonArray::fromStringList(reply->sent())},
                  {QStringLiteral("board"), QJsonArray::fromStringList(board)},
                  {QStringLiteral("at"), isoTimestamp(true)}};
    if (!problem.isEmpty())
        o.insert(QStringLiteral("reason"), problem);
    JournalRecord record = newRecord(reply->startedAt(), QDateTime::currentDateTime(), JournalKind::Upload);
    record.sent = reply->sent();
    record.boardFigures = board;
    finishRequest(nullptr, o, record);
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
    send(topic(QStringLiteral("board")), presence == Presence::Present ? "present" : "absent", true);
}

void MqttBridge::onSetting(const QString &name, const MqttIncoming &in)
{
    const SettingRequest r = parseSettingRequest(in.payload);
    if (!r.rejection.isEmpty())
        return reject(in, r.id, name, r.rejection);
    BoardService &service = m_c.service;
    BoardReply *reply = nullptr;
    const QVariant id = r.id.toVariant();
    if (name == QLatin1String("brightness")) {
        const int choice = brightnessChoice(r.value);
        if (choice < 0)
            return reject(in, r.id, name, QStringLiteral("brightness takes one of min, 25, 50, 75, 100, auto, not \"%1\"")
                                              .arg(shortened(r.value)));
        reply = service.setBrightness(
            brightnessCommandCode(choice, SettingsStore::storedAutomaticMode(m_c.settingsPath, true)), id);
    } else if (name == QLatin1String("lighting")) {
        const int choice = lightingChoice(r.value);
        if (choice < 0)
            return reject(in, r.id, name, QStringLiteral("lighting takes one of off, on, auto, not \"%1\"").arg(shortened(r.value)));
        reply = service.setLighting(
            lightingCommandCode(choice, SettingsStore::storedAutomaticMode(m_c.settingsPath, false)), id);
    } else {
        const QStringList arguments{r.value.trimmed()};
        if (!clockTime(arguments))
            return reject(in, r.id, name, QStringLiteral("clock takes now or a time \"dd.mm.yy hh:mm:ss\", not \"%1\"")
                                              .arg(shortened(r.value)));
        // Taken when the command goes out, so "now" is that moment.
        service.setClock([arguments] { return clockTime(arguments).value_or(QDateTime::currentDateTime()); });
        reply = service.setClock(id);
    }
    m_inFlight.insert(reply, in);
    whenFinished(reply, this, [this, in](BoardReply *finished) {
        m_inFlight.remove(finished);
        if (!m_keptAtStop.remove(finished))
            onSettingFinished(finished, in);
    });
}

void MqttBridge::onSettingFinished(BoardReply *reply, const MqttIncoming &in)
{
    const QByteArray command = reply->command();
    const QJsonValue id = QJsonValue::fromVariant(reply->tag());
    const QString name = settingName(reply->kind());
    if (reply->status() == BoardReply::Status::Invalid)
        return reject(in, id, name, reply->error());
    const QLatin1String kind = reply->kind() == BoardService::Kind::Brightness ? JournalKind::Brightness
                               : reply->kind() == BoardService::Kind::Lighting ? JournalKind::Lighting
                                                                               : JournalKind::Clock;
    JournalRecord record = newRecord(reply->startedAt(), QDateTime::currentDateTime(), kind);
    if (reply->status() != BoardReply::Status::Done) {
        record.started = record.finished;
        return finishRequest(&in,
                             QJsonObject{{QStringLiteral("id"), id},
                                         {QStringLiteral("request"), name},
                                         {QStringLiteral("outcome"), QStringLiteral("superseded")},
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
    finishRequest(&in, o, record);
    printOut(QStringLiteral("%1 %2 %3%4")
                 .arg(isoTimestamp(false), QString::fromLatin1(command), outcome,
                      reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
}

void MqttBridge::reject(const MqttIncoming &in, const QJsonValue &id, const QString &what, const QString &reason,
                        const QJsonArray &notShown)
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
    if (!notShown.isEmpty())
        o.insert(QStringLiteral("not_shown"), notShown);
    const QDateTime now = QDateTime::currentDateTime();
    const QLatin1String kind = what == QLatin1String("figures")      ? JournalKind::Upload
                               : what == QLatin1String("brightness") ? JournalKind::Brightness
                               : what == QLatin1String("lighting")   ? JournalKind::Lighting
                                                                     : JournalKind::Clock;
    finishRequest(&in, o, newRecord(now, now, kind));
    printOut(QStringLiteral("%1 Rejected %2: %3").arg(isoTimestamp(false), what, reason));
}

void MqttBridge::finishRequest(const MqttIncoming *in, const QJsonObject &result, JournalRecord record)
{
    const QByteArray payload = QJsonDocument(result).toJson(QJsonDocument::Compact);
    send(topic(QStringLiteral("result")), payload, false);
    if (in && isPublishTopic(in->responseTopic))
        send(in->responseTopic, payload, false, in->correlation);
    // The journal never holds the board's work up: a failure is told once.
    record.board = m_c.settings.port;
    record.boardId = m_options.id;
    record.source = JournalSource::Mqtt;
    record.request = idText(result.value(QLatin1String("id")));
    record.outcome = result.value(QLatin1String("outcome")).toString();
    record.reason = result.value(QLatin1String("reason")).toString();
    if (!record.started.isValid())
        record.started = record.finished;
    if (m_journal.isOpen() && !m_journal.record(record)) {
        const QString notice = m_journal.takeFailureNotice();
        if (!notice.isEmpty())
            printErr(notice);
    }
}

void MqttBridge::publishReading(const BoardReading &reading)
{
    QJsonObject o = readingJson(reading);
    o.insert(QStringLiteral("at"), isoTimestamp(true));
    // Where the figures shown came from: the last set this bridge had verified, or not known.
    const bool ours = m_state.shown && m_state.shown->texts == reading.figureTexts();
    o.insert(QStringLiteral("request"), ours ? m_state.shown->request : QJsonValue());
    o.insert(QStringLiteral("source"), ours ? QJsonValue(m_state.shown->source) : QJsonValue());
    publishJson(topic(QStringLiteral("state")), o, true);
}

void MqttBridge::publishInfo()
{
    const ProgramSettings &s = m_c.settings;
    QJsonArray shown;
    for (const bool slot : s.slotsShown())
        shown.append(slot);
    publishJson(topic(QStringLiteral("info")),
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
    if (m_client.isConnected()) {
        if (!m_client.publish(t, payload, retained, 1, correlation))
            printErr(QStringLiteral("%1 Not published on %2").arg(isoTimestamp(false), t));
        return;
    }
    if (retained)
        return;   // published with the others on the next connection
    m_outbox.append({t, payload, correlation});
    if (m_outbox.size() > MaxOutbox)
        m_outbox.removeFirst();
}

void MqttBridge::keep(const MqttIncoming &in)
{
    m_state.pending.append(in);
    saveState();
    printOut(QStringLiteral("%1 A request from %2 came while stopping: kept for the next start").arg(isoTimestamp(false), in.topic));
}

void MqttBridge::saveState(bool synced)
{
    QString error;
    if (m_state.save(m_stateDir + QStringLiteral("/state.json"), &error, synced)) {
        m_stateSaveFailed = false;
    } else if (!std::exchange(m_stateSaveFailed, true)) {
        printErr(QStringLiteral("the state file in %1 cannot be written: %2").arg(m_stateDir, error));
    }
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
    if (m_c.port.open(m_c.settings.port, m_c.settings.baudRate).outcome == PortOpen::Opened) {
        printOut(QStringLiteral("%1 The board's port is open again").arg(isoTimestamp(false)));
        readBoard(true);
    }
}

void MqttBridge::requestStop()
{
    if (std::exchange(m_stopping, true))
        return;
    // What waits is not started: it is kept for the next start, which applies it.
    for (const BoardService::Kind kind : {BoardService::Kind::Upload, BoardService::Kind::Brightness,
                                          BoardService::Kind::Lighting, BoardService::Kind::Clock}) {
        const BoardReply *waiting = m_c.service.waiting(kind);
        if (waiting && m_inFlight.contains(waiting)) {
            m_state.pending.append(m_inFlight.value(waiting));
            m_keptAtStop.insert(waiting);
        }
    }
    if (!m_keptAtStop.isEmpty()) {
        saveState();
        printOut(QStringLiteral("%1 %2 waiting request(s) kept for the next start").arg(isoTimestamp(false)).arg(m_keptAtStop.size()));
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
        // A clean disconnect sends no will: the status says so itself.
        send(topic(QStringLiteral("status")), "offline", true);
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
