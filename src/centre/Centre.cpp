#include "centre/Centre.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>

#include "feed/MqttClient.h"
#include "core/figures/FigureCheck.h"
#include "core/figures/FigureFormat.h"

namespace {

constexpr int KeptSends = 500;   // sends kept in memory for their progress

QJsonArray texts(const QStringList &l)
{
    return QJsonArray::fromStringList(l);
}

QStringList textsOf(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &x : v.toArray())
        out << x.toString();
    return out;
}

QDateTime timeOf(const QJsonValue &v)
{
    QDateTime t = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
    return t.isValid() ? t : QDateTime::currentDateTime();
}

QString iso(const QDateTime &t)
{
    return t.isValid() ? t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs) : QString();
}

QString newSendId()
{
    return QStringLiteral("c%1-%2")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")))
        .arg(QRandomGenerator::system()->generate() & 0xffffff, 6, 16, QLatin1Char('0'));
}

// The word of a failed outcome in a summary.
QString outcomeWords(const QString &outcome)
{
    if (outcome == QLatin1String("sent-unverified"))
        return QStringLiteral("unverified");
    QString w = outcome;
    return w.replace(QLatin1Char('-'), QLatin1Char(' '));
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
    m_store = std::make_unique<Store>(m_journal.connectionName());
    if (!m_store->createTables(error))
        return false;
    // The last set of each target, so a restarted centre still knows what each board should show.
    const QList<SentSet> recent = m_store->sends(QDateTime(), QDateTime(), KeptSends);
    for (auto it = recent.crbegin(); it != recent.crend(); ++it) {
        m_sends.insert(it->id, *it);
        m_sendOrder << it->id;
        const QStringList targets = it->target.startsWith(QLatin1String("boards:"))
                                        ? QStringList(it->boards).replaceInStrings(QRegularExpression(QStringLiteral("^")),
                                                                                   QStringLiteral("board:"))
                                        : QStringList{it->target};
        for (const QString &t : targets)
            m_expected.insert(t, ExpectedSet{it->id, it->figures, it->at, it->target});
    }

    const auto makeClient = [&](const QString &user, const QString &passwordFile, const QString &role,
                                std::unique_ptr<MqttClient> &client) {
        MqttClient::Config c;
        c.host = m_options.brokerHost;
        c.port = m_options.port();
        c.clientId = QStringLiteral("tablo-centre-%1-%2").arg(role).arg(QRandomGenerator::system()->generate(), 8, 16, QLatin1Char('0'));
        c.user = user;
        if (!passwordFile.isEmpty() && !readPasswordFile(passwordFile, &c.password, error))
            return false;
        c.tlsCa = m_options.tlsCa;
        c.tlsCert = m_options.tlsCert;
        c.tlsKey = m_options.tlsKey;
        // No kept session: each connection subscribes anew and so gets every retained topic again.
        c.sessionExpirySeconds = 0;
        client = std::make_unique<MqttClient>();
        if (!client->setUp(c, error))
            return false;
        connect(client.get(), &MqttClient::connectFailed, this, [role](const QString &reason, int retryMs) {
            qWarning("%s: no broker connection: %s; next try in %d s", qPrintable(role), qPrintable(reason), retryMs / 1000);
        });
        connect(client.get(), &MqttClient::connectionLost, this, [role](const QString &reason) {
            qWarning("%s: broker connection lost: %s", qPrintable(role), qPrintable(reason));
        });
        return true;
    };
    if (!makeClient(m_options.monitorUser, m_options.monitorPasswordFile, QStringLiteral("monitor"), m_monitor))
        return false;
    const QString p = m_options.prefix + QLatin1Char('/');
    connect(m_monitor.get(), &MqttClient::connected, this, [this, p] {
        qInfo("monitor: connected to %s:%d", qPrintable(m_options.brokerHost), m_options.port());
        m_monitor->subscribe({p + QStringLiteral("+/result"), p + QStringLiteral("+/state"), p + QStringLiteral("+/status"),
                              p + QStringLiteral("+/board"), p + QStringLiteral("+/info"), p + QStringLiteral("+/figures/set"),
                              p + QStringLiteral("group/+/figures/set")});
    });
    connect(m_monitor.get(), &MqttClient::messageReceived, this,
            [this](const QString &topic, const QByteArray &payload, bool) { onMessage(topic, payload); });
    if (!m_options.publisherUser.isEmpty()) {
        if (!makeClient(m_options.publisherUser, m_options.publisherPasswordFile, QStringLiteral("publisher"), m_publisher))
            return false;
        connect(m_publisher.get(), &MqttClient::connected, this, [this] {
            qInfo("publisher: connected to %s:%d", qPrintable(m_options.brokerHost), m_options.port());
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
    const QString p = m_options.prefix + QLatin1Char('/');
    if (!topic.startsWith(p))
        return;
    const QStringList levels = topic.mid(p.size()).split(QLatin1Char('/'));
    if (levels.size() == 4 && levels[0] == QLatin1String("group") && isPlainName(levels[1]))
        return onSetSeen(QStringLiteral("group:") + levels[1], payload);
    if (levels.size() == 3 && isPlainName(levels[0]) && levels[0] != QLatin1String("group"))
        return onSetSeen(QStringLiteral("board:") + levels[0], payload);
    if (levels.size() != 2 || !isPlainName(levels[0]) || levels[0] == QLatin1String("group"))
        return;
    const QString &kind = levels[1];
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    if (payload.isEmpty() && !m_boards.contains(levels[0]))
        return;   // a retained topic cleared at the broker
    BoardView &b = board(levels[0]);
    if (kind == QLatin1String("status")) {
        b.status = QString::fromUtf8(payload).trimmed();
    } else if (kind == QLatin1String("board")) {
        b.presence = QString::fromUtf8(payload).trimmed();
    } else if (kind == QLatin1String("info")) {
        b.info = o;
        QStringList groups;
        for (const QJsonValue &g : o.value(QLatin1String("groups")).toArray())
            if (isPlainName(g.toString()))
                groups << g.toString();
        b.groups = groups;
        const int digits = o.value(QLatin1String("digits")).toInt(0);
        if (digits >= 1 && digits <= 6)
            b.digits = digits;
        const QJsonArray shown = o.value(QLatin1String("shown")).toArray();
        if (shown.size() == 10)
            for (int k = 0; k < 10; ++k)
                b.shown[k] = shown[k].toBool(true);
    } else if (kind == QLatin1String("state")) {
        const QStringList figures = textsOf(o.value(QLatin1String("figures")));
        if (!figures.isEmpty()) {
            b.figures = figures;
            b.figuresAt = timeOf(o.value(QLatin1String("at")));
        }
    } else if (kind == QLatin1String("result")) {
        onResult(b, o);
    } else {
        return;
    }
    emit boardChanged(b.id);
}

void Centre::onResult(BoardView &b, const QJsonObject &r)
{
    const QString request = r.value(QLatin1String("request")).toString();
    const QString outcome = r.value(QLatin1String("outcome")).toString();
    const QString reason = r.value(QLatin1String("reason")).toString();
    const QString id = r.value(QLatin1String("id")).toString();
    const QDateTime at = timeOf(r.value(QLatin1String("at")));
    const QStringList sent = textsOf(r.value(QLatin1String("sent"))), read = textsOf(r.value(QLatin1String("board")));

    JournalRecord j;
    j.started = j.finished = at;
    j.kind = request == QLatin1String("figures") ? QString(JournalKind::Upload) : request;
    j.boardId = b.id;
    j.source = JournalSource::Mqtt;
    j.request = id;
    j.outcome = outcome;
    j.sent = sent;
    j.boardFigures = read;
    j.command = r.value(QLatin1String("command")).toString();
    j.reason = reason;
    if (!m_journal.record(j)) {
        const QString notice = m_journal.takeFailureNotice();
        if (!notice.isEmpty())
            qWarning("%s", qPrintable(notice));
    }

    // A superseded set is followed by the result of the one that replaced it.
    if (outcome != QLatin1String("superseded")) {
        b.outcome = outcome;
        b.reason = reason;
        b.request = request;
        b.outcomeAt = at;
    }
    if (request == QLatin1String("figures")) {
        if (!read.isEmpty()) {
            b.figures = read;
            b.figuresAt = at;
        }
        if (outcome == QLatin1String("sent-ok")) {
            b.verified = read.isEmpty() ? sent : read;
            b.verifiedAt = at;
        }
    }
    auto s = m_sends.find(id);
    if (s != m_sends.end() && request == QLatin1String("figures")) {
        if (!s->boards.contains(b.id))
            s->boards << b.id;   // it joined the group after the send
        const BoardAnswer a{outcome, reason, at};
        s->answers.insert(b.id, a);
        m_store->putAnswer(s->id, b.id, a);
        emit sendChanged(s->id);
    }
}

void Centre::onSetSeen(const QString &target, const QByteArray &payload)
{
    if (payload.isEmpty())
        return;
    const QJsonObject o = QJsonDocument::fromJson(payload).object();
    const QString id = o.value(QLatin1String("id")).toString();
    QStringList figures = textsOf(o.value(QLatin1String("figures")));
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
        if (target == QStringLiteral("board:") + b.id || (target.startsWith(QLatin1String("group:")) && b.groups.contains(target.mid(6))))
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
    consider(QStringLiteral("board:") + b.id);
    for (const QString &g : b.groups)
        consider(QStringLiteral("group:") + g);
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
    const bool online = b.status == QLatin1String("online");
    const bool present = b.presence != QLatin1String("absent");
    QJsonObject o{{QStringLiteral("id"), b.id},
                  {QStringLiteral("groups"), texts(b.groups)},
                  {QStringLiteral("online"), online},
                  {QStringLiteral("status"), b.status},
                  {QStringLiteral("present"), present},
                  {QStringLiteral("presence"), b.presence},
                  {QStringLiteral("host"), b.info.value(QLatin1String("host"))},
                  {QStringLiteral("version"), b.info.value(QLatin1String("version"))},
                  {QStringLiteral("digits"), b.digits},
                  {QStringLiteral("shown"), shown},
                  {QStringLiteral("figures"), texts(b.figures)},
                  {QStringLiteral("figuresAt"), iso(b.figuresAt)},
                  {QStringLiteral("verified"), texts(b.verified)},
                  {QStringLiteral("verifiedAt"), iso(b.verifiedAt)},
                  {QStringLiteral("outcome"), b.outcome},
                  {QStringLiteral("reason"), b.reason},
                  {QStringLiteral("outcomeAt"), iso(b.outcomeAt)},
                  {QStringLiteral("mismatch"), differing},
                  {QStringLiteral("marked"), !online || !present || (!b.outcome.isEmpty() && b.outcome != QLatin1String("sent-ok"))
                                                 || !differ.isEmpty()}};
    if (e)
        o.insert(QStringLiteral("expected"), QJsonObject{{QStringLiteral("id"), e->id},
                                                         {QStringLiteral("figures"), texts(e->figures)},
                                                         {QStringLiteral("at"), iso(e->at)},
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
    if (target.startsWith(QLatin1String("group:"))) {
        const QString g = target.mid(6);
        if (!isPlainName(g)) {
            *error = QStringLiteral("\"%1\" is no group name").arg(g);
            return {};
        }
        for (const BoardView &b : m_boards)
            if (b.groups.contains(g))
                out << b.id;
        if (out.isEmpty())
            *error = QStringLiteral("no board is known in group \"%1\"").arg(g);
    } else if (target.startsWith(QLatin1String("board:")) || target.startsWith(QLatin1String("boards:"))) {
        for (const QString &id : target.mid(target.indexOf(QLatin1Char(':')) + 1).split(QLatin1Char(','))) {
            if (!m_boards.contains(id)) {
                *error = QStringLiteral("no board \"%1\" is known").arg(id);
                return {};
            }
            if (!out.contains(id))
                out << id;
        }
        if (target.startsWith(QLatin1String("board:")) && out.size() != 1) {
            *error = QStringLiteral("board: takes one id");
            return {};
        }
    } else {
        *error = QStringLiteral("the target is \"group:NAME\" or \"board:ID\"");
    }
    out.sort();
    return out;
}

QJsonArray Centre::preview(const QStringList &boards, const QStringList &figures, bool *allFine) const
{
    QJsonArray out;
    *allFine = true;
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
        if (!rejections.isEmpty())
            *allFine = false;
        out << QJsonObject{{QStringLiteral("id"), id},
                           {QStringLiteral("online"), b.status == QLatin1String("online")},
                           {QStringLiteral("shows"), texts(shows)},
                           {QStringLiteral("rejections"), texts(rejections)}};
    }
    return out;
}

QString Centre::setTopic(const QString &target) const
{
    return target.startsWith(QLatin1String("group:"))
               ? QStringLiteral("%1/group/%2/figures/set").arg(m_options.prefix, target.mid(6))
               : QStringLiteral("%1/%2/figures/set").arg(m_options.prefix, target.mid(target.indexOf(QLatin1Char(':')) + 1));
}

bool Centre::publishSet(const QString &target, const QString &id, const QStringList &figures)
{
    MqttClient *client = m_publisher ? m_publisher.get() : m_monitor.get();
    const QByteArray payload = QJsonDocument(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("figures"), texts(figures)}})
                                   .toJson(QJsonDocument::Compact);
    // A group's set is kept at the broker: a board that starts or joins later shows it at once.
    return client->publish(setTopic(target), payload, target.startsWith(QLatin1String("group:")), 1);
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
    const QStringList boards = targetBoards(target, error);
    if (boards.isEmpty())
        return {};
    bool fine = true;
    const QJsonArray checks = preview(boards, figures, &fine);
    if (!fine) {
        QStringList why;
        for (const QJsonValue &c : checks)
            for (const QJsonValue &r : c[QLatin1String("rejections")].toArray())
                why << c[QLatin1String("id")].toString() + QStringLiteral(": ") + r.toString();
        *error = why.join(QStringLiteral("; "));
        return {};
    }
    SentSet s{newSendId(), QDateTime::currentDateTime(), user, target, figures, boards, {}};
    for (const QString &b : boards)
        s.answers.insert(b, BoardAnswer{QStringLiteral("waiting"), QString(), QDateTime()});
    // Written down first: a send the database cannot keep is not made.
    if (!m_store->addSend(s, error))
        return {};
    const QStringList targets = target.startsWith(QLatin1String("boards:"))
                                    ? QStringList(boards).replaceInStrings(QRegularExpression(QStringLiteral("^")), QStringLiteral("board:"))
                                    : QStringList{target};
    QStringList unpublished;
    for (const QString &t : targets)
        if (!publishSet(t, s.id, figures))
            unpublished << t;
    if (!unpublished.isEmpty()) {
        *error = QStringLiteral("not published (no broker connection) to %1").arg(unpublished.join(QStringLiteral(", ")));
        for (const QString &t : unpublished)
            for (const QString &b : boards)
                if (t == QStringLiteral("board:") + b || !t.startsWith(QLatin1String("board:"))) {
                    const BoardAnswer a{QStringLiteral("not-published"), *error, QDateTime::currentDateTime()};
                    s.answers.insert(b, a);
                    m_store->putAnswer(s.id, b, a);
                }
    }
    for (const QString &t : targets)
        if (!unpublished.contains(t))
            m_expected.insert(t, ExpectedSet{s.id, figures, s.at, target});
    m_sends.insert(s.id, s);
    m_sendOrder << s.id;
    while (m_sendOrder.size() > KeptSends)
        m_sends.remove(m_sendOrder.takeFirst());
    for (const QString &b : boards)
        emit boardChanged(b);
    if (unpublished.size() == targets.size())
        return {};
    error->clear();
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
        if (it->answers.value(b).outcome != QLatin1String("sent-ok"))
            failed << b;
    if (failed.isEmpty()) {
        *error = QStringLiteral("every board verified it");
        return {};
    }
    return send(QStringLiteral("boards:") + failed.join(QLatin1Char(',')), it->figures, user, error);
}

QString Centre::summary(const SentSet &s) const
{
    int verified = 0;
    QStringList notes;
    for (const QString &b : s.boards) {
        const BoardAnswer a = s.answers.value(b);
        if (a.outcome == QLatin1String("sent-ok"))
            ++verified;
        else if (a.outcome != QLatin1String("waiting"))
            notes << b + QLatin1Char(' ') + outcomeWords(a.outcome);
        else if (m_boards.value(b).status != QLatin1String("online"))
            notes << b + QStringLiteral(" offline");
        else
            notes << b + QStringLiteral(" waiting");
    }
    return QStringLiteral("%1 of %2 verified").arg(verified).arg(s.boards.size())
           + (notes.isEmpty() ? QString() : QStringLiteral("; ") + notes.join(QStringLiteral("; ")));
}

QJsonObject Centre::sendJson(const SentSet &s, const Centre *centre)
{
    QJsonArray boards;
    int verified = 0, failed = 0;
    for (const QString &b : s.boards) {
        const BoardAnswer a = s.answers.value(b, BoardAnswer{QStringLiteral("waiting"), QString(), QDateTime()});
        const bool online = centre->m_boards.value(b).status == QLatin1String("online");
        if (a.outcome == QLatin1String("sent-ok"))
            ++verified;
        else if (a.outcome != QLatin1String("waiting"))
            ++failed;
        boards << QJsonObject{{QStringLiteral("id"), b},
                              {QStringLiteral("outcome"), a.outcome},
                              {QStringLiteral("reason"), a.reason},
                              {QStringLiteral("at"), iso(a.at)},
                              {QStringLiteral("online"), online}};
    }
    return QJsonObject{{QStringLiteral("id"), s.id},
                       {QStringLiteral("at"), iso(s.at)},
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
