#pragma once
// Where the window keeps its journal and for how long: section [Journal] of the settings file,
// `File=` (empty: journal.sqlite beside the data file; a relative path is taken from the
// settings file's folder) and `Retention_Days=` (1 to 36500, else 400). The section is the
// journal's own because the window rewrites [Settings] whole when it saves, which would drop
// any key it does not know.
#include <QString>

struct JournalPlace {
    QString file;
    int retentionDays = 400;
};

JournalPlace journalPlace(const QString &settingsFile, const QString &dataFile);
