#include "centre/Centre.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSet>

#include "feed/FeedSchema.h"
#include "feed/MqttClient.h"
#include "core/figures/FigureCheck.h"
#include "core/figures/FigureFormat.h"

using namespace Feed;

namespace {

constexpr int KeptSends = 500;   // sends kept in memory for their progress
// How long the broker keeps the centre's session (its subscriptions and the results for them)
// while the centre is stopped.
constexpr quint32 SessionExpirySeconds = 7 * 24 * 3600;

const QString GroupTarget = QStringLiteral("group:"), BoardTarget = QStringLiteral("board:"),
              BoardsTarget = QStringLiteral("boards:");

QString newSendId()
{
    return QStringLiteral("c%1-%2")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")))
        .arg(QRandomGenerator::system()->generate() & 0xffffff, 6, 16, QLatin1Char('0'));
}

// The set topics a send went to: its group's, or each of its boards' that the centre published
// (not those it answered itself, for refused figures or no broker).
QStringList publishedTargets(const SentSet &s)
{
    const auto publishedTo = [&s](const QString &b) {
        const QList<BoardAnswer> &events = s.answers.value(b).events;
        return events.isEmpty() || events.constFirst().via != AnswerVia::Centre
               || events.constFirst().outcome != Outcome::NotPublished;
    };
    if (s.target.startsWith(GroupTarget))
        return std::any_of(s.boards.cbegin(), s.boards.cend(), publishedTo) ? QStringList{s.target} : QStringList();
    QStringList out;
    for (const QString &b : s.boards) {
        const QList<BoardAnswer> &events = s.answers.value(b).events;
        if (events.isEmpty() || events.constFirst().via != AnswerVia::Centre)
            out << BoardTarget + b;
    }
    return out;
}

} // namespace

Centre::Centre(const CentreOptions &options, QObject *parent) : QObject(parent), m_options(options) {}

Centre::~Centre()
{
    for (MqttClient *c : {m_publisher.get(), m_monitor.get()})
        if (c)
            c->closeGracefully(2000);
}

bool Centre::start(QString *error)
{
    QString dbPassword;
    if (!m_options.dbPasswordFile.isEmpty() && !readPasswordFile(m_options.dbPasswordFile, &dbPassword, error))
        return false;
    if (!m_journal.open(m_options.db, error, Journal::Access::Write, dbPassword))
        return false;
    // A database made before the centre made its files private may be open to others.
    if (!m_options.db.startsWith(QLatin1String("postgres"))
        && (QFile::permissions(m_options.db) & (QFileDevice::ReadGroup | QFileDevice::ReadOther)))
        qWarning("the database %s, with the users' password hashes, is readable by other users (chmod 600 it)",
                 qPrintable(m_options.db));
    m_store = std::make_unique<Store>(m_journal.connectionName());
    if (!m_store->createTables(error))
        return false;
    // The recent sends with their answers: the answers that come while starting count, and the
    // last set of each target says what each board should show.
    const QList<SentSet> recent = m_store->sends(QDateTime(), QDateTime(), KeptSends);
    for (auto it = recent.crbegin(); it != recent.crend(); ++it) {
        m_sends.insert(it->id, *it);
        m_sendOrder << it->id;
        for (const QString &t : publishedTargets(*it))
            m_expected.insert(t, ExpectedSet{it->id, it->figures, it->at, it->target});
    }

    m_brokerLostSince = QDateTime::currentDateTime();   // not connected yet
    const auto makeClient = [&](const QString &user, const QString &passwordFile, const QString &role,
                                std::unique_ptr<MqttClient> &client) {
        MqttClient::Config c;
        c.host = m_options.brokerHost;
        c.port = m_options.port();
        // A fixed id and a kept session: what comes for the centre while it is stopped waits at
        // the broker.
        c.clientId = m_options.clientName + QLatin1Char('-') + role;
        c.user = user;
        // The bridge's rule: an empty password file is refused, one others may read is warned of.
        QString warning;
        if (!passwordFile.isEmpty() && !Feed::readBrokerPassword(passwordFile, &c.password, error, &warning))
            return false;
        if (!warning.isEmpty())
            qWarning("%s", qPrintable(warning));
        c.tlsCa = m_options.tlsCa;
        c.tlsCert = m_options.tlsCert;
        c.tlsKey = m_options.tlsKey;
        c.sessionExpirySeconds = SessionExpirySeconds;
        client = std::make_unique<MqttClient>();
        if (!client->setUp(c, error))
            return false;
        connect(client.get(), &MqttClient::connectFailed, this, [this, role](const QString &reason, int retryMs) {
            qWarning("%s: no broker connection: %s; next try in %d s", qPrintable(role), qPrintable(reason), retryMs / 1000);
            brokerLinkChanged();
        });
        connect(client.get(), &MqttClient::connectionLost, this, [this, role](const QString &reason) {
            qWarning("%s: broker connection lost: %s", qPrintable(role), qPrintable(reason));
            brokerLinkChanged();
        });
        connect(client.get(), &MqttClient::takenOver, this, [id = c.clientId] {
            qWarning("another client connected as \"%s\" and took this centre's session: give each centre its own "
                     "--client-name",
                     qPrintable(id));
        });
        connect(client.get(), &MqttClient::subscriptionRefused, this, [role](const QString &topic, const QString &reason) {
            qWarning("%s: the broker refused the subscription to %s: %s", qPrintable(role), qPrintable(topic), qPrintable(reason));
        });
        return true;
    };
    if (!makeClient(m_options.monitorUser, m_options.monitorPasswordFile, QStringLiteral("monitor"), m_monitor))
        return false;
    const QString &p = m_options.prefix;
    connect(m_monitor.get(), &MqttClient::connected, this, [this, p](bool sessionPresent) {
        qInfo("monitor: connected to %s:%d as %s (%s)", qPrintable(m_options.brokerHost), m_options.port(),
              qPrintable(m_options.clientName + QStringLiteral("-monitor")), sessionPresent ? "session kept" : "new session");
        // Every retained topic again, also in a kept session: the picture starts from them.
        QStringList topics;
        for (const QLatin1String tail : {Tail::Result, Tail::State, Tail::Status, Tail::Board, Tail::Info, Tail::FiguresSet})
            topics << everyBoardTopic(p, tail);
        topics << everyGroupTopic(p, Tail::FiguresSet);
        m_monitor->subscribe(topics, MqttClient::Retained::OnEverySubscription);
        brokerLinkChanged();
    });
    connect(m_monitor.get(), &MqttClient::messageReceived, this,
            [this](const QString &topic, const QByteArray &payload, bool) { onMessage(topic, payload); });
    if (!m_options.publisherUser.isEmpty()) {
        if (!makeClient(m_options.publisherUser, m_options.publisherPasswordFile, QStringLiteral("publisher"), m_publisher))
            return false;
        connect(m_publisher.get(), &MqttClient::connected, this, [this] {
            qInfo("publisher: connected to %s:%d", qPrintable(m_options.brokerHost), m_options.port());
            brokerLinkChanged();
        });
        m_publisher->start();
    }
    m_monitor->start();
    return true;
}

bool Centre::brokerConnected() const
{
    return m_monitor && m_monitor->isConnected() && (!m_publisher || m_publisher->isConnected());
}

void Centre::brokerLinkChanged()
{
    const bool up = brokerConnected();
    if (up == !m_brokerLostSince.isValid())
        return;
    m_brokerLostSince = up ? QDateTime() : QDateTime::currentDateTime();
    emit brokerChanged();
}

QJsonObject Centre::brokerJson() const
{
    const bool monitor = m_monitor && m_monitor->isConnected();
    return QJsonObject{{QStringLiteral("connected"), brokerConnected()},
                       {QStringLiteral("since"), isoTime(m_brokerLostSince)},
                       {QStringLiteral("monitor"), monitor},
                       {QStringLiteral("publisher"), m_publisher ? m_publisher->isConnected() : monitor}};
}

BoardView &Centre::board(const QString &id)
{
    auto it = m_boards.find(id);
    if (it == m_boards.end()) {
        it = m_boards.insert(id, BoardView{});
        it->id = id;
        // What it was last verified to show, until it tells anew.
        if (const auto shown = m_journal.shownAt(QDateTime::currentDateTime(), id)) {
            it->verified = shown->figures;
            it->verifiedAt = shown->since;
        }
    }
    return *it;
}

void Centre::onMessage(const QString &topic, const QByteArray &payload)
{
    const Topic t = parseTopic(m_options.prefix, topic);
    if (t.kind == Topic::Kind::Group) {
        if (t.tail == Tail::FiguresSet)
            onSetSeen(GroupTarget + t.name, payload);
        return;
    }
    if (t.kind != Topic::Kind::Board)
        return;
    if (t.tail == Tail::FiguresSet)
        return onSetSeen(BoardTarget + t.name, payload);
    if (t.tail != Tail::Status && t.tail != Tail::Board && t.tail != Tail::Info && t.tail != Tail::State
        && t.tail != Tail::Result)
        return;
    if (payload.isEmpty() && !m_boards.contains(t.name))
        return;   // a retained topic cleared at the broker
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    BoardView &b = board(t.name);
    if (t.tail == Tail::Status) {
        b.status = QString::fromUtf8(payload).trimmed();
    } else if (t.tail == Tail::Board) {
        b.presence = QString::fromUtf8(payload).trimmed();
    } else if (t.tail == Tail::Info) {
        b.info = o;
        const Info info = parseInfo(o);
        b.groups = info.groups;
        if (info.digits)
            b.digits = info.digits;
        for (qsizetype k = 0; k < info.shown.size(); ++k)
            b.shown[k] = info.shown[k];
    } else if (t.tail == Tail::State) {
        onState(b, o);
    } else {
        onResult(b, o);
    }
    emit boardChanged(b.id);
}

void Centre::onState(BoardView &b, const QJsonObject &o)
{
    const QStringList figures = textsOf(o.value(Field::Figures));
    if (figures.isEmpty())
        return;
    b.figures = figures;
    b.figuresAt = timeOf(o.value(Field::At), QDateTime::currentDateTime());
    // A reading that names the request whose set it shows: that send's verification, when its
    // result never reached the centre (it came while the broker lost the centre's session).
    const auto s = m_sends.find(o.value(Field::Request).toString());
    if (s == m_sends.end() || !s->boards.contains(b.id))
        return;
    if (addAnswer(*s, b.id, BoardAnswer{QString(Outcome::SentOk), QString(), b.figuresAt, QString(AnswerVia::State)})
        && b.figuresAt > b.verifiedAt) {
        b.verified = figures;
        b.verifiedAt = b.figuresAt;
    }
}

void Centre::onResult(BoardView &b, const QJsonObject &o)
{
    const Result r = parseResult(o, QDateTime::currentDateTime());
    JournalRecord j;
    j.started = j.finished = r.at;
    j.kind = r.request == Request::Figures ? QString(JournalKind::Upload) : r.request;
    j.boardId = b.id;
    j.source = JournalSource::Mqtt;
    j.request = r.id;
    j.outcome = r.outcome;
    j.sent = r.sent;
    j.boardFigures = r.board;
    j.command = r.command;
    j.reason = r.reason;
    if (!m_journal.record(j)) {
        const QString notice = m_journal.takeFailureNotice();
        if (!notice.isEmpty())
            qWarning("%s", qPrintable(notice));
    }

    // A superseded set is followed by the result of the one that replaced it.
    if (r.outcome != Outcome::Superseded) {
        b.outcome = r.outcome;
        b.reason = r.reason;
        b.request = r.request;
        b.outcomeAt = r.at;
    }
    if (r.request != Request::Figures)
        return;
    if (!r.board.isEmpty()) {
        b.figures = r.board;
        b.figuresAt = r.at;
    }
    if (r.outcome == Outcome::SentOk) {
        b.verified = r.board.isEmpty() ? r.sent : r.board;
        b.verifiedAt = r.at;
    }
    const auto s = m_sends.find(r.id);
    if (s == m_sends.end())
        return;
    // Only the boards the send was meant for: a board that joined the group later, or answers an
    // id it took from elsewhere, does not count.
    if (!s->boards.contains(b.id)) {
        qInfo("%s answered %s to send %s, which was not sent to it: not counted", qPrintable(b.id), qPrintable(r.outcome),
              qPrintable(s->id));
        return;
    }
    addAnswer(*s, b.id, BoardAnswer{r.outcome, r.reason, r.at, QString(AnswerVia::Result)});
}

bool Centre::addAnswer(SentSet &s, const QString &board, const BoardAnswer &a)
{
    BoardAnswers &answers = s.answers[board];
    if (!answers.isNews(a))
        return false;
    answers.events << a;
    if (!m_store->addAnswer(s.id, board, int(answers.events.size()), a))
        qWarning("the answer of %s to send %s is not stored", qPrintable(board), qPrintable(s.id));
    emit sendChanged(s.id);
    return true;
}

void Centre::onSetSeen(const QString &target, const QByteArray &payload)
{
    if (payload.isEmpty())
        return;
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    const QString id = o.value(Field::Id).toString();
    QStringList figures = textsOf(o.value(Field::Figures));
    if (figures.isEmpty() || figures.size() > 10)
        return;
    for (const QString &f : figures)
        if (!isPlainFigure(f))
            return;   // the bridges reject it: nothing is expected of them
    // The centre's own sets are known already (with their time).
    if (!id.isEmpty() && m_sends.contains(id))
        return;
    const auto known = m_expected.constFind(target);
    if (known != m_expected.cend() && known->id == id && known->figures == figures)
        return;
    m_expected.insert(target, ExpectedSet{id, figures, QDateTime::currentDateTime(), target});
    for (const BoardView &b : std::as_const(m_boards))
        if (target == BoardTarget + b.id || (target.startsWith(GroupTarget) && b.groups.contains(target.mid(GroupTarget.size()))))
            emit boardChanged(b.id);
}

const ExpectedSet *Centre::expectedFor(const BoardView &b) const
{
    const ExpectedSet *latest = nullptr;
    const auto consider = [&](const QString &target) {
        const auto it = m_expected.constFind(target);
        if (it != m_expected.cend() && (!latest || it->at > latest->at))
            latest = &*it;
    };
    consider(BoardTarget + b.id);
    for (const QString &g : b.groups)
        consider(GroupTarget + g);
    return latest;
}

QList<int> Centre::mismatches(const BoardView &b) const
{
    // Slots (from 1) whose number differs from the set the board should show; hidden slots and
    // slots the set left alone are not compared.
    QList<int> out;
    const ExpectedSet *e = expectedFor(b);
    if (!e || b.figures.size() < e->figures.size())
        return out;
    for (qsizetype k = 0; k < e->figures.size(); ++k)
        if (b.shown[k] && figureValue(e->figures[k]) != figureValue(b.figures[k]))
            out << int(k + 1);
    return out;
}

QStringList Centre::groups() const
{
    QSet<QString> all;
    for (const BoardView &b : m_boards)
        for (const QString &g : b.groups)
            all.insert(g);
    QStringList out(all.cbegin(), all.cend());
    out.sort();
    return out;
}

QJsonObject Centre::boardJson(const QString &id) const
{
    const auto it = m_boards.constFind(id);
    if (it == m_boards.cend())
        return {};
    const BoardView &b = *it;
    const ExpectedSet *e = expectedFor(b);
    const QList<int> differ = mismatches(b);
    QJsonArray differing, shown;
    for (int k : differ)
        differing << k;
    for (bool s : b.shown)
        shown << s;
    const bool online = b.status == Status::Online;
    const bool present = b.presence != Presence::Absent;
    QJsonObject o{{QStringLiteral("id"), b.id},
                  {QStringLiteral("groups"), texts(b.groups)},
                  {QStringLiteral("online"), online},
                  {QStringLiteral("status"), b.status},
                  {QStringLiteral("present"), present},
                  {QStringLiteral("presence"), b.presence},
                  {QStringLiteral("host"), b.info.value(Field::Host)},
                  {QStringLiteral("version"), b.info.value(Field::Version)},
                  {QStringLiteral("digits"), b.digits},
                  {QStringLiteral("shown"), shown},
                  {QStringLiteral("figures"), texts(b.figures)},
                  {QStringLiteral("figuresAt"), isoTime(b.figuresAt)},
                  {QStringLiteral("verified"), texts(b.verified)},
                  {QStringLiteral("verifiedAt"), isoTime(b.verifiedAt)},
                  {QStringLiteral("outcome"), b.outcome},
                  {QStringLiteral("reason"), b.reason},
                  {QStringLiteral("outcomeAt"), isoTime(b.outcomeAt)},
                  {QStringLiteral("mismatch"), differing},
                  {QStringLiteral("marked"), !online || !present || (!b.outcome.isEmpty() && isFailure(b.outcome))
                                                 || !differ.isEmpty()}};
    if (e)
        o.insert(QStringLiteral("expected"), QJsonObject{{QStringLiteral("id"), e->id},
                                                         {QStringLiteral("figures"), texts(e->figures)},
                                                         {QStringLiteral("at"), isoTime(e->at)},
                                                         {QStringLiteral("target"), e->target}});
    return o;
}

QJsonArray Centre::boardsJson() const
{
    QStringList ids = m_boards.keys();
    ids.sort();
    QJsonArray out;
    for (const QString &id : ids)
        out << boardJson(id);
    return out;
}

QStringList Centre::targetBoards(const QString &target, QString *error) const
{
    QStringList out;
    if (target.startsWith(GroupTarget)) {
        const QString g = target.mid(GroupTarget.size());
        if (!isPlainName(g)) {
            *error = QStringLiteral("\"%1\" is no group name").arg(g);
            return {};
        }
        for (const BoardView &b : m_boards)
            if (b.groups.contains(g))
                out << b.id;
        if (out.isEmpty())
            *error = QStringLiteral("no board is known in group \"%1\"").arg(g);
    } else if (target.startsWith(BoardTarget) || target.startsWith(BoardsTarget)) {
        for (const QString &id : target.mid(target.indexOf(QLatin1Char(':')) + 1).split(QLatin1Char(','))) {
            if (!m_boards.contains(id)) {
                *error = QStringLiteral("no board \"%1\" is known").arg(id);
                return {};
            }
            if (!out.contains(id))
                out << id;
        }
        if (target.startsWith(BoardTarget) && out.size() != 1) {
            *error = QStringLiteral("board: takes one id");
            return {};
        }
    } else {
        *error = QStringLiteral("the target is \"group:NAME\" or \"board:ID\"");
    }
    out.sort();
    return out;
}

QJsonArray Centre::preview(const QStringList &boards, const QStringList &figures) const
{
    QJsonArray out;
    for (const QString &id : boards) {
        const BoardView &b = m_boards[id];
        const FigureChecks checks = checkFigures(figures, b.shown, b.digits, QLatin1Char('0'), false);
        QStringList shows, rejections;
        for (int k = 0; k < 10; ++k) {
            if (k >= figures.size())
                shows << b.figures.value(k);   // a slot not given keeps what the board shows
            else if (checks[k].outcome == FigureCheck::Outcome::NotShown)
                shows << QString();
            else
                shows << checks[k].shown;
            if (k < figures.size() && checks[k].outcome == FigureCheck::Outcome::Changed)
                rejections << figureRejection(k + 1, checks[k]);
        }
        out << QJsonObject{{QStringLiteral("id"), id},
                           {QStringLiteral("online"), b.status == Status::Online},
                           {QStringLiteral("shows"), texts(shows)},
                           {QStringLiteral("rejections"), texts(rejections)}};
    }
    return out;
}

QString Centre::setTopic(const QString &target) const
{
    return target.startsWith(GroupTarget)
               ? groupTopic(m_options.prefix, target.mid(GroupTarget.size()), Tail::FiguresSet)
               : boardTopic(m_options.prefix, target.mid(target.indexOf(QLatin1Char(':')) + 1), Tail::FiguresSet);
}

bool Centre::publishSet(const QString &target, const QString &id, const QStringList &figures, QString *why)
{
    MqttClient *client = m_publisher ? m_publisher.get() : m_monitor.get();
    // A group's set is kept at the broker: a board that starts or joins later shows it at once.
    if (client->publish(setTopic(target), figureSetPayload(id, figures, QDateTime::currentDateTime()),
                        target.startsWith(GroupTarget), 1))
        return true;
    *why = client->publishError();
    return false;
}

QJsonObject Centre::send(const QString &target, const QStringList &figures, const QString &user, QString *error)
{
    if (figures.isEmpty() || figures.size() > 10) {
        *error = QStringLiteral("1 to 10 figures are taken, not %1").arg(figures.size());
        return {};
    }
    for (qsizetype k = 0; k < figures.size(); ++k) {
        if (!isPlainFigure(figures[k])) {
            *error = QStringLiteral("figure %1 \"%2\" is not digits with at most one point").arg(k + 1).arg(figures[k].left(20));
            return {};
        }
    }
    // The boards are fixed now: a group stands for the members the centre knows of at this moment.
    const QStringList boards = targetBoards(target, error);
    if (boards.isEmpty())
        return {};
    // A board that would show a figure as another number refuses the set for itself only.
    QHash<QString, QString> refused;
    QStringList why;
    for (const QJsonValue &c : preview(boards, figures)) {
        const QStringList rejections = textsOf(c[QLatin1String("rejections")]);
        if (!rejections.isEmpty()) {
            refused.insert(c[QLatin1String("id")].toString(), rejections.join(QStringLiteral("; ")));
            why << c[QLatin1String("id")].toString() + QStringLiteral(": ") + rejections.join(QStringLiteral("; "));
        }
    }
    if (refused.size() == boards.size()) {
        *error = why.join(QStringLiteral("; "));
        return {};
    }
    const QDateTime now = QDateTime::currentDateTime();
    const SentSet made{newSendId(), now, user, target, figures, boards, {}};
    // Written down first: a send the database cannot keep is not made.
    if (!m_store->addSend(made, error))
        return {};
    m_sendOrder << made.id;
    while (m_sendOrder.size() > KeptSends)
        m_sends.remove(m_sendOrder.takeFirst());
    SentSet &s = *m_sends.insert(made.id, made);
    for (auto it = refused.cbegin(); it != refused.cend(); ++it)
        addAnswer(s, it.key(), BoardAnswer{QString(Outcome::Rejected), it.value(), now, QString(AnswerVia::Centre)});

    QStringList targets;
    if (target.startsWith(GroupTarget)) {
        targets << target;   // the refused boards get it too, and refuse it themselves
    } else {
        for (const QString &b : boards)
            if (!refused.contains(b))
                targets << BoardTarget + b;
    }
    // The link can break between two publications: the boards whose set went out keep it, and
    // the answer says which did not get it.
    QStringList unpublished;
    qsizetype unreached = 0;
    for (const QString &t : targets) {
        QString reason;
        if (publishSet(t, s.id, figures, &reason)) {
            m_expected.insert(t, ExpectedSet{s.id, figures, s.at, target});
            continue;
        }
        unpublished << QStringLiteral("%1 (%2)").arg(t, reason);
        for (const QString &b : boards)
            if (!refused.contains(b) && (t == BoardTarget + b || t.startsWith(GroupTarget))) {
                ++unreached;
                addAnswer(s, b, BoardAnswer{QString(Outcome::NotPublished), reason, now, QString(AnswerVia::Centre)});
            }
    }
    for (const QString &b : boards)
        emit boardChanged(b);
    if (unpublished.size() == targets.size()) {
        *error = QStringLiteral("not published to %1").arg(unpublished.join(QStringLiteral(", ")));
        return {};
    }
    QStringList warnings;
    if (!unpublished.isEmpty())
        warnings << QStringLiteral("not sent to every board: %1 of %2 did not get it, not published to %3")
                        .arg(unreached)
                        .arg(boards.size())
                        .arg(unpublished.join(QStringLiteral(", ")));
    if (!refused.isEmpty())
        warnings << QStringLiteral("refused by %1").arg(why.join(QStringLiteral("; ")));
    *error = warnings.join(QStringLiteral("; "));
    return sendJson(s, this);
}

QJsonObject Centre::resend(const QString &sendId, const QString &user, QString *error)
{
    const auto it = m_sends.constFind(sendId);
    if (it == m_sends.cend()) {
        *error = QStringLiteral("no send \"%1\" is known").arg(sendId);
        return {};
    }
    QStringList failed;
    for (const QString &b : it->boards)
        if (!it->answers.value(b).holds())
            failed << b;
    if (failed.isEmpty()) {
        *error = QStringLiteral("every board verified it");
        return {};
    }
    return send(BoardsTarget + failed.join(QLatin1Char(',')), it->figures, user, error);
}

QString Centre::summary(const SentSet &s) const
{
    int verified = 0;
    QStringList notes;
    for (const QString &b : s.boards) {
        const BoardAnswers a = s.answers.value(b);
        const QString outcome = a.outcome();
        if (a.holds())
            ++verified;
        else if (a.verifiedAt().isValid())
            notes << b + QLatin1Char(' ') + outcomeLabel(outcome) + QStringLiteral(" after verifying");
        else if (outcome != Outcome::Waiting)
            notes << b + QLatin1Char(' ') + outcomeLabel(outcome);
        else if (m_boards.value(b).status != Status::Online)
            notes << b + QLatin1Char(' ') + QString(Status::Offline);
        else
            notes << b + QLatin1Char(' ') + QString(Outcome::Waiting);
    }
    return QStringLiteral("%1 of %2 verified").arg(verified).arg(s.boards.size())
           + (notes.isEmpty() ? QString() : QStringLiteral("; ") + notes.join(QStringLiteral("; ")));
}

QJsonObject Centre::sendJson(const SentSet &s, const Centre *centre)
{
    QJsonArray boards;
    int verified = 0, failed = 0;
    for (const QString &b : s.boards) {
        const BoardAnswers a = s.answers.value(b);
        const bool online = centre->m_boards.value(b).status == Status::Online;
        const QString outcome = a.outcome();
        if (a.holds())
            ++verified;
        else if (outcome != Outcome::Waiting)
            ++failed;
        QJsonArray events;
        for (const BoardAnswer &e : a.events)
            events << QJsonObject{{QStringLiteral("outcome"), e.outcome},
                                  {QStringLiteral("reason"), e.reason},
                                  {QStringLiteral("at"), isoTime(e.at)},
                                  {QStringLiteral("via"), e.via}};
        // The latest answer, when the board first verified it, and every answer in order.
        boards << QJsonObject{{QStringLiteral("id"), b},
                              {QStringLiteral("outcome"), outcome},
                              {QStringLiteral("reason"), a.events.isEmpty() ? QString() : a.events.constLast().reason},
                              {QStringLiteral("at"), a.events.isEmpty() ? QString() : isoTime(a.events.constLast().at)},
                              {QStringLiteral("verifiedAt"), isoTime(a.verifiedAt())},
                              {QStringLiteral("holds"), a.holds()},
                              {QStringLiteral("events"), events},
                              {QStringLiteral("online"), online}};
    }
    return QJsonObject{{QStringLiteral("id"), s.id},
                       {QStringLiteral("at"), isoTime(s.at)},
                       {QStringLiteral("user"), s.user},
                       {QStringLiteral("target"), s.target},
                       {QStringLiteral("figures"), texts(s.figures)},
                       {QStringLiteral("boards"), boards},
                       {QStringLiteral("verified"), verified},
                       {QStringLiteral("failed"), failed},
                       {QStringLiteral("waiting"), int(s.boards.size()) - verified - failed},
                       {QStringLiteral("summary"), centre->summary(s)}};
}

QJsonObject Centre::sendJson(const QString &id) const
{
    const auto it = m_sends.constFind(id);
    return it == m_sends.cend() ? QJsonObject() : sendJson(*it, this);
}
