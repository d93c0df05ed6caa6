#include "core/figures/FigureCheck.h"

#include <QByteArray>
#include <QList>

#include "core/figures/FigureFormat.h"
#include "core/figures/FigureFrame.h"
#include "core/figures/FigureStore.h"
#include "core/settings/ProgramSettings.h"

namespace {

bool onlyBlanks(const QString &text)
{
    for (const QChar c : text) {
        if (c != QLatin1Char(' '))
            return false;
    }
    return true;
}

// Blanks around a figure are empty cells, not part of the number.
QString withoutOuterBlanks(QString text)
{
    while (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

} // namespace

FigureChecks checkFigures(const QStringList &requested, const std::array<bool, 10> &shown, int digits, QChar fill,
                          bool blankMode)
{
    // The uploads' own formatting: each figure as a data-file line, then the frame that goes out.
    QList<QByteArray> lines;
    for (int k = 0; k < 10; ++k)
        lines << requested.value(k).toLatin1();
    const QStringList cells = figuresFromDataLines(lines, {}, QChar(), digits, fill, blankMode);
    const QStringList texts = figureFrame(cells, shown, digits, fill).texts;
    const QString blank = blankFigure(digits, fill);

    FigureChecks checks;
    for (int k = 0; k < 10; ++k) {
        FigureCheck &c = checks[k];
        c.requested = requested.value(k);
        c.shown = texts.value(k);
        const QString figure = withoutOuterBlanks(c.requested);
        c.number = figure.isEmpty() || isPlainFigure(figure);
        // The value is compared on the slot's `digits` cells: the padding that fills a frame of
        // fewer digits up to five falls beyond the board's cells.
        const QString onBoard = shown[k] ? cells.value(k) : blank;
        if (figure.isEmpty()) {
            // No figure asked for: the slot gets its blank value. With the blank fill that is an
            // empty slot, as asked; with the zero fill the board shows zeros, which read as the
            // figure 0 that nobody gave (a missing price must not show as a price of 0).
            c.sameValue = onlyBlanks(onBoard);
        } else {
            c.sameValue = c.number && figureValue(figure) == figureValue(onBoard);
        }
        c.outcome = !shown[k]       ? FigureCheck::Outcome::NotShown
                    : c.sameValue ? FigureCheck::Outcome::Fine
                                  : FigureCheck::Outcome::Changed;
    }
    return checks;
}

FigureChecks checkFigures(const QStringList &requested, const ProgramSettings &s)
{
    return checkFigures(requested, s.slotsShown(), s.digits, s.fillChar(), s.fillMode == 1);
}

QString figureRejection(int slot, const FigureCheck &check)
{
    return QStringLiteral("figure %1 \"%2\" would show as \"%3\"").arg(slot).arg(check.requested, check.shown);
}

QStringList figureRejections(const FigureChecks &checks)
{
    QStringList out;
    for (int k = 0; k < 10; ++k) {
        if (checks[k].outcome == FigureCheck::Outcome::Changed)
            out << figureRejection(k + 1, checks[k]);
    }
    return out;
}

QString figureValue(const QString &text)
{
    QString t = text;
    t.remove(QLatin1Char(' '));
    QString whole = t.section(QLatin1Char('.'), 0, 0);
    QString fraction = t.contains(QLatin1Char('.')) ? t.section(QLatin1Char('.'), 1) : QString();
    while (whole.startsWith(QLatin1Char('0')))
        whole.remove(0, 1);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return fraction.isEmpty() ? whole : whole + QLatin1Char('.') + fraction;
}
