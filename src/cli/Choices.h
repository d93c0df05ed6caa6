#pragma once
// The words of the controller commands and the clock's time text.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// min, 25, 50, 75, 100 (a "%" may follow) -> 0..4; auto -> 5; anything else -> -1.
int brightnessChoice(const QString &word);
// off -> 0, on -> 1, auto -> 2; anything else -> -1.
int lightingChoice(const QString &word);

// Nothing or "now": the computer's time. "dd.mm.yy hh:mm:ss", as one argument or two, with a
// two-digit year of this century. Nothing when the text is no valid date and time.
std::optional<QDateTime> clockTime(const QStringList &arguments);

// The code of an automatic selection with the automatic mode stored in the settings file
// (0 by time, 1 by schedule): no stored mode counts as by schedule, as the window picks
// "by schedule" when the auto item is chosen with no mode selected.
int brightnessCommandCode(int choice, int storedAutoMode);
int lightingCommandCode(int choice, int storedAutoMode);
