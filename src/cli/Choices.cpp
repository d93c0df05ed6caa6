#include "cli/Choices.h"

#include "core/text/Numbers.h"


#include "core/operations/ControllerWorkflow.h"

int brightnessChoice(const QString &word)
{
    QString w = word.trimmed().toLower();
    if (w.endsWith(QLatin1Char('%')))
        w.chop(1);
    const QStringList words{QStringLiteral("min"), QStringLiteral("25"), QStringLiteral("50"), QStringLiteral("75"),
                            QStringLiteral("100"), QStringLiteral("auto")};
    return int(words.indexOf(w));
}

int lightingChoice(const QString &word)
{
    const QStringList words{QStringLiteral("off"), QStringLiteral("on"), QStringLiteral("auto")};
    return int(words.indexOf(word.trimmed().toLower()));
}

std::optional<QDateTime> clockTime(const QStringList &arguments)
{
    const QString text = arguments.join(QLatin1Char(' ')).trimmed();
    if (text.isEmpty() || text == QLatin1String("now"))
        return QDateTime::currentDateTime();
    // DD.MM.YY hh:mm:ss
    const QLatin1String shape("00.00.00 00:00:00");
    if (text.size() != shape.size())
        return std::nullopt;
    for (qsizetype k = 0; k < text.size(); ++k)
        if (shape.at(k) == QLatin1Char('0') ? !isDigits(QStringView(text).mid(k, 1)) : text.at(k) != shape.at(k))
            return std::nullopt;
    const auto n = [&](int i) { return QStringView(text).mid(3 * (i - 1), 2).toInt(); };
    // Qt reads "yy" as 19yy; the board is told only the two digits, but the date must exist.
    const QDate date(2000 + n(3), n(2), n(1));
    const QTime time(n(4), n(5), n(6));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    // The board's clock is a plain wall clock: the time asked is the time it is told, also in
    // the hour a change to summer time skips (a local QDateTime there is invalid and would
    // give an empty "TIME=").
    return QDateTime(date, time, Qt::UTC);
}

// The window's rule: no stored mode counts as by schedule.
int brightnessCommandCode(int choice, int storedAutoMode)
{
    return ControllerWorkflow::brightnessCode(choice, storedAutoMode);
}

int lightingCommandCode(int choice, int storedAutoMode)
{
    return ControllerWorkflow::lightingCode(choice, storedAutoMode);
}
