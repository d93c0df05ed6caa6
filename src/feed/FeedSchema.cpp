#include "feed/FeedSchema.h"

#include <QFile>
#include <QJsonDocument>

#include <algorithm>

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

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
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

QString reservedLevel(const QString &level)
{
    if (level == QLatin1String(".") || level == QLatin1String(".."))
        return QStringLiteral("\"%1\" is no name (\".\", \"..\" and names starting with '$' are refused)").arg(level);
    if (level.startsWith(QLatin1Char('$')))
        return QStringLiteral("\"%1\" starts with '$', which marks the broker's own topics").arg(level);
    return QString();
}

QString prefixProblem(const QString &prefix)
{
    const QStringList levels = prefix.split(QLatin1Char('/'));
    for (const QString &level : levels) {
        const QString why = reservedLevel(level);
        if (!why.isEmpty())
            return QStringLiteral("--prefix %1: %2").arg(prefix, why);
    }
    const bool malformed = prefix.contains(QLatin1Char('+')) || prefix.contains(QLatin1Char('#'))
                           || prefix.contains(QChar(0))
                           || std::any_of(levels.cbegin(), levels.cend(), [](const QString &l) { return l.isEmpty(); });
    return malformed ? QStringLiteral("--prefix takes topic levels separated by '/', without '+', '#' or an empty level")
                     : QString();
}

bool parseHostPort(const QString &text, QString &host, int &port)
{
    QStringView rest(text);
    QString name;
    if (rest.startsWith(QLatin1Char('['))) {
        const qsizetype close = rest.indexOf(QLatin1Char(']'));
        if (close < 2)
            return false;
        const QStringView address = rest.mid(1, close - 1);
        for (const QChar c : address)
            if (!(isHexDigit(c) || c == QLatin1Char(':') || c == QLatin1Char('.')))
                return false;
        name = address.toString();
        rest = rest.mid(close + 1);
    } else {
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        const QStringView before = colon < 0 ? rest : rest.left(colon);
        if (before.isEmpty())
            return false;
        // QChar::isSpace covers line ends and the non-breaking space too; !isPrint control and
        // invisible format characters (a zero-width space).
        for (const QChar c : before)
            if (c == QLatin1Char('[') || c == QLatin1Char(']') || c.isSpace() || !c.isPrint())
                return false;
        name = before.toString();
        rest = colon < 0 ? QStringView() : rest.mid(colon);
    }
    int number = 0;
    if (!rest.isEmpty()) {
        if (rest.size() < 2 || rest.size() > 6 || !rest.startsWith(QLatin1Char(':')))
            return false;
        for (const QChar c : rest.mid(1))
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        number = rest.mid(1).toInt();
        if (number < 1 || number > 65535)
            return false;
    }
    host = name;
    port = number;
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

QString logText(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
                 || c.category() == QChar::Separator_Paragraph || c.category() == QChar::Other_Format)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

bool readBrokerPassword(const QString &path, QString *password, QString *error, QString *warning)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther))
        *warning = QStringLiteral("the password file %1 is readable by other users (chmod 600 it)").arg(path);
    *password = QString::fromUtf8(file.readLine(4096)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    if (password->isEmpty()) {
        *error = QStringLiteral("the password file %1 holds no password on its first line").arg(path);
        return false;
    }
    return true;
}

} // namespace Feed
