#include "core/journal/JournalPlace.h"

#include <QDir>
#include <QFileInfo>

#include "core/files/IniFile.h"
#include "core/journal/Journal.h"

JournalPlace journalPlace(const QString &settingsFile, const QString &dataFile)
{
    const IniFile ini(settingsFile);
    JournalPlace place;
    const QString file = QString::fromLocal8Bit(ini.readString("Journal", "File", QByteArray()));
    place.file = file.isEmpty() ? QFileInfo(dataFile).dir().filePath(QStringLiteral("journal.sqlite"))
                                : QFileInfo(settingsFile).dir().filePath(file);
    const int days = ini.readInteger("Journal", "Retention_Days", Journal::DefaultRetentionDays);
    place.retentionDays = days >= 1 && days <= 36500 ? days : Journal::DefaultRetentionDays;
    return place;
}
