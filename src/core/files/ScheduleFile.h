#pragma once
// Today's two times from the schedule file "Shedule.shd".
#include <QDate>
#include <QString>

struct ScheduleLookup {
    enum Status { NoEntry, Found, Failed } status = NoEntry;
    int first = 0;   // minutes after midnight, corrections applied and wrapped into one day
    int second = 0;
    QString message; // on Failed: the general error report's text
};

// Reads the file at `path` (opened as given; `displayPath` is its full path for messages).
// Line 1 is a heading. Every further line up to today's is parsed by character position
// (1-based): 1-5 day "mm.dd", 7-8 and 10-11 first time hours and minutes, 16-17 and 19-20
// second time. The corrections are added and each time wrapped into 0..1439. The first line
// whose day equals today's "mm.dd" gives the result; lines after it are never examined.
// Messages: "Cannot open file \"%s\". %s" and "'%s' is not a valid integer value".
ScheduleLookup lookupSchedule(const QString &path, const QString &displayPath, const QDate &today,
                              int firstCorrection, int secondCorrection);
