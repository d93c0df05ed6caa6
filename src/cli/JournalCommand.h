#pragma once
// tablo-cli journal: the records of the journal file (text, JSON or CSV), or what was known of
// the board's figures at a given time, and how.
#include <QDateTime>
#include <QString>
#include <optional>

struct CliOptions;

// A local time "YYYY-MM-DDTHH:MM:SS" (a space may stand for the T); none when the text is not
// one or names no local time (a day that does not exist, an hour skipped by the clock change).
std::optional<QDateTime> journalTime(const QString &text);

// The journal command's arguments and options; false with `error` on a bad one.
bool checkJournalArguments(const CliOptions &options, QString &error);

int runJournal(const CliOptions &options);
