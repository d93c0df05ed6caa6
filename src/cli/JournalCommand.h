#pragma once
// tablo-cli journal: the records of the journal file (text, JSON or CSV), or what was known of
// the board's figures at a given time, and how.
#include <QDateTime>
#include <QString>
#include <optional>

struct CliOptions;

// A time "YYYY-MM-DDTHH:MM:SS[.mmm][+HH:MM|Z]" as journalTimeFromText() reads it; none when the
// text is not one.
std::optional<QDateTime> journalTime(const QString &text);

// The journal file tablo-cli uses: --journal FILE, else [Journal] File= of the settings file
// (as the window reads it), else journal.sqlite beside the data file.
QString cliJournalPath(const CliOptions &options);

// The journal command's arguments and options; false with `error` on a bad one.
bool checkJournalArguments(const CliOptions &options, QString &error);

int runJournal(const CliOptions &options);
