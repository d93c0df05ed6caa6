#include "core/text/Numbers.h"
#include <cmath>

bool tryStrToInt(const QByteArray &text, qint32 &out)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool neg = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        neg = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < n && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    } else if (i < n && (text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    }
    if (i >= n)
        return false;
    quint64 v = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        v = v * (hex ? 16 : 10) + d;
        if (hex ? v > 0xFFFFFFFFull : v > 0x80000000ull)
            return false;
    }
    if (hex) {
        // Negated as unsigned: "-$80000000" must not overflow a signed negation.
        const quint32 u = static_cast<quint32>(v);
        out = static_cast<qint32>(neg ? 0u - u : u);
        return true;
    }
    if (!neg && v > 0x7FFFFFFFull)
        return false;
    out = neg ? static_cast<qint32>(-static_cast<qint64>(v)) : static_cast<qint32>(v);
    return true;
}

QString notValidIntegerMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

int roundHalfEven(double v)
{
    return static_cast<int>(std::nearbyint(v)); // default rounding mode: to nearest, ties to even
}

// These shapes are checked by hand, not with a regular expression: compiling one brings in the
// expression library's pages, most of a megabyte of a small program's memory.
bool isDigits(QStringView text, qsizetype min, qsizetype max)
{
    if (text.size() < min || text.size() > max)
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

bool isComPortName(QStringView text)
{
    return text.startsWith(QLatin1String("COM")) && isDigits(text.mid(3), 1, 9);
}
