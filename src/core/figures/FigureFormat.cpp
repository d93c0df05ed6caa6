#include "core/figures/FigureFormat.h"

#include <QtGlobal>

FormatResult formatFigure(const QString &text, const QString &previous, QChar lastKey, int digits,
                          QChar fillChar, bool blankMode, bool boardRead)
{
    const int d = qMax(0, digits);
    QString t = text;
    FormatResult result;

    // A point typed into a figure that already has one: the old point goes, the new one stays.
    if (lastKey == QLatin1Char('.')) {
        const int f = t.indexOf(QLatin1Char('.'));
        const int s = f < 0 ? -1 : t.lastIndexOf(QLatin1Char('.'));
        if (s > f) {
            if (f < previous.size() && previous.at(f) == QLatin1Char('.'))
                t.remove(f, 1);
            else
                t.remove(s, 1);
        }
    }

    // Character pass: surplus points, foreign characters and a leading point go.
    bool point = false;
    int i = 0;
    while (i < t.size()) {
        const QChar c = t.at(i);
        const bool isPoint = c == QLatin1Char('.');
        bool drop = false;
        if (point && isPoint)
            drop = true;
        else if (!boardRead && !isPoint && !(c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                 && !(blankMode && c == QLatin1Char(' ')))
            drop = true;
        else if (isPoint && i == 0)
            drop = true;
        if (drop) {
            t.remove(i, 1);
            ++result.removed;
            continue;
        }
        if (isPoint)
            point = true;
        ++i;
    }

    // A point after more than D cells cannot be shown.
    if (point) {
        const int p = t.indexOf(QLatin1Char('.'));
        if (p >= d + 1) {
            t.remove(p, 1);
            point = false;
        }
    }

    // Register of D cells: cut on the right or fill on the right.
    const int target = d + (point ? 1 : 0);
    if (t.size() > target)
        t.truncate(target);
    while (t.size() < target)
        t.append(fillChar);

    result.text = t;
    return result;
}

QString blankFigure(int digits, QChar fillChar)
{
    return QString(qMax(0, digits), fillChar);
}

bool isPlainFigure(const QString &text)
{
    int digits = 0;
    int points = 0;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (c == QLatin1Char('.'))
            ++points;
        else
            return false;
    }
    return digits > 0 && points <= 1;
}
