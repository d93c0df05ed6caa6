#pragma once
// Whether the board shows each requested figure as the number it was given: the rule behind the
// upload warnings, the refusal of tablo-cli upload --strict and a verified result of a set.
#include <QChar>
#include <QString>
#include <QStringList>
#include <array>

struct ProgramSettings;

struct FigureCheck {
    enum class Outcome {
        Fine,      // the board shows the same number in its own format ("0.5" as "0.5000")
        Changed,   // the board shows another number: cut, padded into a larger one, no number given
        NotShown   // a hidden slot: it carries the blank value, the request is not checked
    };
    Outcome outcome = Outcome::Fine;
    QString requested;   // the figure as given
    QString shown;       // the slot's text as it goes out (fill and padding included)
    bool number = true;     // the request is empty or a number: digits, at most one point, blanks around
    bool sameValue = true;  // the slot's cells stand for the requested number (a hidden slot's too)
};

using FigureChecks = std::array<FigureCheck, 10>;

// Checks the ten requested figures (missing ones count as empty) against what an upload sends:
// each is formatted as a data-file line (figuresFromDataLines) and framed (figureFrame).
FigureChecks checkFigures(const QStringList &requested, const std::array<bool, 10> &shown, int digits, QChar fill,
                          bool blankMode);
// The same with the show flags, digits and fill of `settings`.
FigureChecks checkFigures(const QStringList &requested, const ProgramSettings &settings);

// figure 2 "123456" would show as "12345" (`slot` counts from 1).
QString figureRejection(int slot, const FigureCheck &check);
// One rejection for each Changed slot, in slot order; empty when none is.
QStringList figureRejections(const FigureChecks &checks);

// The number a figure text stands for, as a digit string: blanks dropped, leading zeros of the
// whole part and trailing zeros of the fraction dropped ("01.50" and "1.5" are "1.5"; zero is "").
QString figureValue(const QString &text);
