#pragma once
// The feed between the boards' bridges and the centre, in one place: the topics and how they are
// made and read, the words of a bridge's status, a board's presence and a request's outcome, the
// JSON field names, and the few JSON helpers both sides need.
//
//   <prefix>/<id>/status       retained: online / offline
//   <prefix>/<id>/info         retained JSON: id, version, host, port, digits, shown, groups
//   <prefix>/<id>/state        retained JSON: the last reading, the request whose set it shows
//   <prefix>/<id>/board        retained: present / absent
//   <prefix>/<id>/result       one JSON answer per request: id, request, outcome, sent, board, reason, at
//   <prefix>/<id>/events       the board's EVENT lines
//   <prefix>/<id>/figures/set  a set for one board: {"id", "figures": [...]}
//   <prefix>/group/<g>/figures/set   a set for a group (kept at the broker)
#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLatin1String>
#include <QString>
#include <QStringList>

namespace Feed {

// The levels after a board's id.
namespace Tail {
inline constexpr QLatin1String Status{"status"};
inline constexpr QLatin1String Info{"info"};
inline constexpr QLatin1String State{"state"};
inline constexpr QLatin1String Board{"board"};
inline constexpr QLatin1String Result{"result"};
inline constexpr QLatin1String Events{"events"};
inline constexpr QLatin1String FiguresSet{"figures/set"};
inline constexpr QLatin1String BrightnessSet{"brightness/set"};
inline constexpr QLatin1String LightingSet{"lighting/set"};
inline constexpr QLatin1String ClockSet{"clock/set"};
} // namespace Tail

// The second level of a group's topics and of request-response answers; neither is a board id.
inline constexpr QLatin1String GroupLevel{"group"};
inline constexpr QLatin1String ResponseLevel{"response"};

// <prefix>/<board>/<tail>, <prefix>/group/<group>/<tail>, and their wildcards over every board
// and every group.
QString boardTopic(const QString &prefix, const QString &board, QLatin1String tail);
QString groupTopic(const QString &prefix, const QString &group, QLatin1String tail);
QString everyBoardTopic(const QString &prefix, QLatin1String tail);
QString everyGroupTopic(const QString &prefix, QLatin1String tail);

// What a topic under `prefix` names: a board's or a group's topic with its tail, or nothing (an
// other prefix, a name that is not plain, the response level).
struct Topic {
    enum class Kind { None, Board, Group };
    Kind kind = Kind::None;
    QString name;   // the board id or the group name
    QString tail;   // "status", "figures/set", ...
};
Topic parseTopic(const QString &prefix, const QString &topic);

// Letters, digits, '-', '_' and '.' (1 to 64, not "." or ".."): a board id or group name.
bool isPlainName(const QString &name);

// Why `level` cannot be a level of a topic the feed makes (an id, a group, a level of the
// prefix), or empty when it can: "." and ".." read as a folder and its parent wherever a name
// becomes a path, and a level that starts with '$' belongs to the broker ($SYS).
QString reservedLevel(const QString &level);
// Why `prefix` cannot be the first levels of the feed's topics, as the message for its option
// ("--prefix ..."), or empty when it can: levels separated by '/', none empty or reserved, no
// '+', '#' or NUL.
QString prefixProblem(const QString &prefix);

// HOST, HOST:PORT, [IPV6] or [IPV6]:PORT: a broker's or a listener's address. `port` is 0 when
// none is given, so an earlier value never survives a later one. A host holds no blank (nor a
// line end or a non-breaking space), no control or invisible character, '[' or ']'. False on
// anything else, leaving both unchanged.
bool parseHostPort(const QString &text, QString &host, int &port);

namespace Status {
inline constexpr QLatin1String Online{"online"};
inline constexpr QLatin1String Offline{"offline"};
} // namespace Status

namespace Presence {
inline constexpr QLatin1String Present{"present"};
inline constexpr QLatin1String Absent{"absent"};
} // namespace Presence

// A result's "request".
namespace Request {
inline constexpr QLatin1String Figures{"figures"};
inline constexpr QLatin1String Brightness{"brightness"};
inline constexpr QLatin1String Lighting{"lighting"};
inline constexpr QLatin1String Clock{"clock"};
} // namespace Request

// A result's "outcome", and the centre's own words for a board of a send.
namespace Outcome {
inline constexpr QLatin1String SentOk{"sent-ok"};   // read back exactly as sent
inline constexpr QLatin1String SentUnverified{"sent-unverified"};
inline constexpr QLatin1String DataError{"data-error"};
inline constexpr QLatin1String ConnectionError{"connection-error"};
inline constexpr QLatin1String Rejected{"rejected"};
inline constexpr QLatin1String Superseded{"superseded"};
inline constexpr QLatin1String Restored{"restored"};   // the last verified set uploaded again
inline constexpr QLatin1String Waiting{"waiting"};      // no answer yet
inline constexpr QLatin1String NotPublished{"not-published"};
} // namespace Outcome

// Every outcome word above, in that order.
QStringList outcomes();
// An outcome that says the board does not (or may not) show the set: not verified, restored,
// waiting or superseded.
bool isFailure(const QString &outcome);
// The words of an outcome in a sentence: "unverified", "data error".
QString outcomeLabel(const QString &outcome);
// The words above as one JSON object for the page: {"outcome": {"SentOk": "sent-ok", ...},
// "label": {"sent-ok": "sent ok", ...}, "failure": [...], "status": {...}, "presence": {...}}.
QJsonObject wordsJson();

namespace Field {
inline constexpr QLatin1String Id{"id"};
inline constexpr QLatin1String BoardId{"board_id"};
inline constexpr QLatin1String Request{"request"};
inline constexpr QLatin1String Outcome{"outcome"};
inline constexpr QLatin1String Reason{"reason"};
inline constexpr QLatin1String Sent{"sent"};
inline constexpr QLatin1String BoardFigures{"board"};   // a result's figures read back
inline constexpr QLatin1String Command{"command"};
inline constexpr QLatin1String At{"at"};
inline constexpr QLatin1String Figures{"figures"};
inline constexpr QLatin1String Digits{"digits"};
inline constexpr QLatin1String Shown{"shown"};
inline constexpr QLatin1String Groups{"groups"};
inline constexpr QLatin1String Host{"host"};
inline constexpr QLatin1String Version{"version"};
} // namespace Field

// JSON helpers.
QJsonArray texts(const QStringList &list);
QStringList textsOf(const QJsonValue &value);   // the strings of an array
// An ISO 8601 time with milliseconds and its offset; invalid: "".
QString isoTime(const QDateTime &t);
// A time in ISO 8601; `fallback` when it is none.
QDateTime timeOf(const QJsonValue &value, const QDateTime &fallback);

// A set's payload {"id", "figures", "at"}: "at", when the set was made, orders sets that reach a
// board out of order (the retained sets of two groups at a bridge's start).
QByteArray figureSetPayload(const QString &id, const QStringList &figures, const QDateTime &at = {});

// A result as the centre reads it.
struct Result {
    QString id, request, outcome, reason, command;
    QStringList sent, board;
    QDateTime at;
};
Result parseResult(const QJsonObject &o, const QDateTime &receivedAt);

// A board's retained info as the centre reads it: values outside their range are left out.
struct Info {
    QStringList groups;   // plain names only
    int digits = 0;       // 1..6, or 0 when not given
    QList<bool> shown;    // ten flags, or none
};
Info parseInfo(const QJsonObject &o);

// Outside text for a log line: in double quotes, with '"', '\\' and every control character
// escaped, so no line break or forged line gets through.
QString logText(const QString &text);

// Reads a broker password file: the first line, without its line end. False with the reason in
// `error` when it cannot be read or holds no password; a file that others may read is named in
// `warning`.
bool readBrokerPassword(const QString &path, QString *password, QString *error, QString *warning);

} // namespace Feed
