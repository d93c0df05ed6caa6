#pragma once
// Looks into a JSON payload's text where QJsonDocument cannot: a key given twice (the parser
// keeps the last one silently) and the request id of a payload that does not parse.
#include <QByteArray>
#include <QString>
#include <optional>

// Whether an object anywhere in `json` holds one key twice. Keys are compared after their escapes
// are decoded ("a" and "\u0061" are one key). Meant for text that parses as JSON.
bool hasDuplicateKeys(const QByteArray &json);

// The "id" of the outermost object, also when the payload does not parse as JSON (cut short, a
// bad value further on), so a rejection can still name the request: a text decoded, a number as
// written ("17", "-2.5e3"). None when there is no such key before the text breaks off, or its
// value is neither a text nor a number. A key given twice yields the last, as QJsonDocument does.
std::optional<QString> findJsonId(const QByteArray &payload);
