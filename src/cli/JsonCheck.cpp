#include "cli/JsonCheck.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <vector>

namespace {

// JSON's number: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(QByteArrayView t)
{
    qsizetype i = 0;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < t.size() && t.at(i) >= '0' && t.at(i) <= '9')
            ++i;
        return i > from;
    };
    if (i < t.size() && t.at(i) == '-')
        ++i;
    if (i < t.size() && t.at(i) == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < t.size() && t.at(i) == '.' && (++i, !digits()))
        return false;
    if (i < t.size() && (t.at(i) == 'e' || t.at(i) == 'E')) {
        ++i;
        if (i < t.size() && (t.at(i) == '+' || t.at(i) == '-'))
            ++i;
        if (!digits())
            return false;
    }
    return i == t.size();
}

// The index after the closing quote of the string that opens at `from`, or -1 when it is not closed.
qsizetype stringEnd(const QByteArray &t, qsizetype from)
{
    for (qsizetype i = from + 1; i < t.size(); ++i) {
        if (t.at(i) == '\\')
            ++i;
        else if (t.at(i) == '"')
            return i + 1;
    }
    return -1;
}

// A string token ("..." with its quotes) decoded by Qt's own parser; none when it does not decode.
std::optional<QString> decoded(const QByteArray &token)
{
    const QJsonDocument d = QJsonDocument::fromJson("[" + token + "]");
    if (!d.isArray() || d.array().size() != 1 || !d.array().at(0).isString())
        return std::nullopt;
    return d.array().at(0).toString();
}

struct Level {
    bool object = false;
    bool keyNext = false;   // the next string of this object is a key
    QSet<QString> keys;     // the object's keys so far
};

// Walks the text and calls onKey(level, depth, key, end) for each object key: `level` its object
// (the keys before it), `depth` 1 for the outermost object, `end` the index after the key. Stops
// when onKey returns false or a string breaks off.
template <typename OnKey>
void walkKeys(const QByteArray &t, OnKey onKey)
{
    std::vector<Level> levels;
    for (qsizetype i = 0; i < t.size(); ++i) {
        switch (t.at(i)) {
        case '{':
            levels.push_back({true, true, {}});
            break;
        case '[':
            levels.push_back({false, false, {}});
            break;
        case '}':
        case ']':
            if (!levels.empty())
                levels.pop_back();
            break;
        case ',':
            if (!levels.empty() && levels.back().object)
                levels.back().keyNext = true;
            break;
        case '"': {
            const qsizetype end = stringEnd(t, i);
            if (end < 0)
                return;
            if (!levels.empty() && levels.back().keyNext) {
                Level &level = levels.back();
                level.keyNext = false;
                // A key that does not decode is kept as written.
                const QByteArray token = t.mid(i, end - i);
                const QString key = decoded(token).value_or(QString::fromUtf8(token));
                if (!onKey(level, int(levels.size()), key, end))
                    return;
                level.keys.insert(key);
            }
            i = end - 1;
            break;
        }
        default:
            break;
        }
    }
}

bool isJsonBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The text or number value after a key that ends at `at`: none for any other value, and for a
// number that is not closed by a blank, ',' or '}' (it may have been cut short).
std::optional<QString> textOrNumberAt(const QByteArray &t, qsizetype at)
{
    while (at < t.size() && isJsonBlank(t.at(at)))
        ++at;
    if (at >= t.size() || t.at(at) != ':')
        return std::nullopt;
    ++at;
    while (at < t.size() && isJsonBlank(t.at(at)))
        ++at;
    if (at >= t.size())
        return std::nullopt;
    if (t.at(at) == '"') {
        const qsizetype end = stringEnd(t, at);
        return end < 0 ? std::nullopt : decoded(t.mid(at, end - at));
    }
    qsizetype end = at;
    while (end < t.size() && QByteArrayView("0123456789+-.eE").contains(t.at(end)))
        ++end;
    if (end >= t.size() || !(isJsonBlank(t.at(end)) || t.at(end) == ',' || t.at(end) == '}'))
        return std::nullopt;
    const QByteArrayView number = QByteArrayView(t).sliced(at, end - at);
    if (!isJsonNumber(number))
        return std::nullopt;
    return QString::fromLatin1(number);
}

} // namespace

bool hasDuplicateKeys(const QByteArray &json)
{
    bool duplicate = false;
    walkKeys(json, [&duplicate](const Level &level, int, const QString &key, qsizetype) {
        duplicate = level.keys.contains(key);
        return !duplicate;
    });
    return duplicate;
}

std::optional<QString> findJsonId(const QByteArray &payload)
{
    std::optional<QString> id;
    walkKeys(payload, [&](const Level &, int depth, const QString &key, qsizetype end) {
        if (depth == 1 && key == QLatin1String("id"))
            id = textOrNumberAt(payload, end);
        return true;
    });
    return id;
}
