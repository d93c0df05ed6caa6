#include "feed/FeedSchema.h"

#include <QJsonDocument>

namespace Feed {

namespace {

QString joined(const QString &prefix, const QString &name, QLatin1String tail)
{
    return prefix + QLatin1Char('/') + name + QLatin1Char('/') + tail;
}

bool isPlainChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
           || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_')
           || c == QLatin1Char('.');
}

} // namespace

QString boardTopic(const QString &prefix, const QString &board, QLatin1String tail)
{
    return joined(prefix, board, tail);
}

QString groupTopic(const QString &prefix, const QString &group, QLatin1String tail)
{
    return joined(prefix, GroupLevel + QLatin1Char('/') + group, tail);
}

QString everyBoardTopic(const QString &prefix, QLatin1String tail)
{
    return joined(prefix, QStringLiteral("+"), tail);
}

QString everyGroupTopic(const QString &prefix, QLatin1String tail)
{
    return groupTopic(prefix, QStringLiteral("+"), tail);
}

bool isPlainName(const QString &name)
{
    if (name.isEmpty() || name.size() > 64 || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name)
        if (!isPlainChar(c))
            return false;
    return true;
}

Topic parseTopic(const QString &prefix, const QString &topic)
{
    Topic t;
    if (!topic.startsWith(prefix + QLatin1Char('/')))
        return t;
    const QStringList levels = topic.mid(prefix.size() + 1).split(QLatin1Char('/'));
    const bool group = levels.value(0) == GroupLevel;
    const qsizetype first = group ? 1 : 0;
    if (levels.size() < first + 2 || levels.size() > first + 3 || !isPlainName(levels[first])
        || levels[0] == ResponseLevel)
        return t;
    t.kind = group ? Topic::Kind::Group : Topic::Kind::Board;
    t.name = levels[first];
    t.tail = levels.mid(first + 1).join(QLatin1Char('/'));
    return t;
}

QStringList outcomes()
{
    return {Outcome::SentOk,   Outcome::SentUnverified, Outcome::DataError, Outcome::ConnectionError, Outcome::Rejected,
            Outcome::Superseded, Outcome::Restored,     Outcome::Waiting,   Outcome::NotPublished};
}

bool isFailure(const QString &outcome)
{
    return outcome != Outcome::SentOk && outcome != Outcome::Restored && outcome != Outcome::Waiting
           && outcome != Outcome::Superseded;
}

QString outcomeLabel(const QString &outcome)
{
    if (outcome == Outcome::SentUnverified)
        return QStringLiteral("unverified");
    return QString(outcome).replace(QLatin1Char('-'), QLatin1Char(' '));
}

QJsonObject wordsJson()
{
    const QList<std::pair<const char *, QLatin1String>> names{
        {"SentOk", Outcome::SentOk},         {"SentUnverified", Outcome::SentUnverified}, {"DataError", Outcome::DataError},
        {"ConnectionError", Outcome::ConnectionError}, {"Rejected", Outcome::Rejected}, {"Superseded", Outcome::Superseded},
        {"Restored", Outcome::Restored},     {"Waiting", Outcome::Waiting},             {"NotPublished", Outcome::NotPublished}};
    QJsonObject outcome, label;
    QJsonArray failure;
    for (const auto &[name, word] : names) {
        outcome.insert(QLatin1String(name), QString(word));
        label.insert(word, outcomeLabel(word));
        if (isFailure(word))
            failure << QString(word);
    }
    return QJsonObject{{QStringLiteral("outcome"), outcome},
                       {QStringLiteral("label"), label},
                       {QStringLiteral("failure"), failure},
                       {QStringLiteral("status"), QJsonObject{{QStringLiteral("Online"), QString(Status::Online)},
                                                              {QStringLiteral("Offline"), QString(Status::Offline)}}},
                       {QStringLiteral("presence"), QJsonObject{{QStringLiteral("Present"), QString(Presence::Present)},
                                                                {QStringLiteral("Absent"), QString(Presence::Absent)}}}};
}

QJsonArray texts(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

QStringList textsOf(const QJsonValue &value)
{
    QStringList out;
    for (const QJsonValue &x : value.toArray())
        out << x.toString();
    return out;
}

QString isoTime(const QDateTime &t)
{
    return t.isValid() ? t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODateWithMs) : QString();
}

QDateTime timeOf(const QJsonValue &value, const QDateTime &fallback)
{
    const QDateTime t = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    return t.isValid() ? t : fallback;
}

QByteArray figureSetPayload(const QString &id, const QStringList &figures, const QDateTime &at)
{
    QJsonObject o{{Field::Id, id}, {Field::Figures, texts(figures)}};
    if (at.isValid())
        o.insert(Field::At, isoTime(at));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

Result parseResult(const QJsonObject &o, const QDateTime &receivedAt)
{
    Result r;
    // An id may be a number in a request from elsewhere: the centre's own are strings.
    const QJsonValue id = o.value(Field::Id);
    r.id = id.isDouble() ? QString::number(id.toDouble(), 'g', 17) : id.toString();
    r.request = o.value(Field::Request).toString();
    r.outcome = o.value(Field::Outcome).toString();
    r.reason = o.value(Field::Reason).toString();
    r.command = o.value(Field::Command).toString();
    r.sent = textsOf(o.value(Field::Sent));
    r.board = textsOf(o.value(Field::BoardFigures));
    r.at = timeOf(o.value(Field::At), receivedAt);
    return r;
}

Info parseInfo(const QJsonObject &o)
{
    Info info;
    for (const QJsonValue &g : o.value(Field::Groups).toArray())
        if (isPlainName(g.toString()))
            info.groups << g.toString();
    const int digits = o.value(Field::Digits).toInt(0);
    if (digits >= 1 && digits <= 6)
        info.digits = digits;
    const QJsonArray shown = o.value(Field::Shown).toArray();
    if (shown.size() == 10)
        for (const QJsonValue &s : shown)
            info.shown << s.toBool(true);
    return info;
}

} // namespace Feed
