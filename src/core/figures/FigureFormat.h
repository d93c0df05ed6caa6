#pragma once
// The text form of a figure: formatting of whatever reaches a figure field.
#include <QChar>
#include <QString>

struct FormatResult {
    QString text;    // the figure text
    int removed = 0; // characters removed by the character pass (for the caret)
};

// Normalises `text` into figure text form.
//  previous   the slot's stored figure text before this change (for moving the point)
//  lastKey    the last character typed into any figure field (QChar() when none)
//  digits     number of digit cells, 1..5
//  fillChar   '0' or ' '
//  blankMode  blank mode keeps blanks in the character pass
//  boardRead  a board read is in progress: the character pass keeps every character
FormatResult formatFigure(const QString &text, const QString &previous, QChar lastKey, int digits,
                          QChar fillChar, bool blankMode, bool boardRead);

// `digits` copies of the fill character: what a slot whose show box is off carries.
QString blankFigure(int digits, QChar fillChar);

// A figure as a script or a feed gives it: digits with at most one decimal point, at least one
// digit, nothing else (no comma, sign or blank). What the formatter then makes of it (cut, padded)
// is a separate question.
bool isPlainFigure(const QString &text);
