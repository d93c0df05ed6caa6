#pragma once
#include <QByteArray>
#include <QString>
#include <QStringView>

// Whole-number conversion with the runtime's rules: leading blanks skipped, optional sign,
// decimal digits, or hexadecimal after "$", "0x" or "x" (any case). Anything else fails,
// as does a decimal beyond 32 bits; hexadecimal up to $FFFFFFFF wraps to a negative value.
bool tryStrToInt(const QByteArray &text, qint32 &out);
inline bool tryStrToInt(const QString &text, qint32 &out) { return tryStrToInt(text.toLatin1(), out); }

// The runtime's message for a failed conversion: 'abc' is not a valid integer value
QString notValidIntegerMessage(const QString &text);

// `text` is `min` to `max` ASCII digits and nothing else.
bool isDigits(QStringView text, qsizetype min = 1, qsizetype max = 1 << 30);
// `text` is "COM" and a number of at most nine digits, as a port is named on Windows.
bool isComPortName(QStringView text);

// Rounding to the nearest integer, halves to even (the runtime's Round).
int roundHalfEven(double v);
