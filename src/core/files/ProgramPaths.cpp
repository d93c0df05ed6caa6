#include "core/files/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const char SettingsName[] = "Quorvanel_tablo.ini";
const char DataName[] = "Tablo_data.tbl";
const char ScheduleName[] = "Shedule.shd";
const char JournalName[] = "journal.sqlite";
const char UserFolderName[] = "Exchange_Tablo";

QString inFolder(const QString &dir, const char *name)
{
    return QDir(dir).filePath(QString::fromLatin1(name));
}

// Copies the file beside the executable to a per-user path that has no file yet; the copy can
// be written whatever the original's mode.
void startFromCopy(const QString &original, const QString &own)
{
    if (QFileInfo::exists(own) || !QFileInfo::exists(original) || !QFile::copy(original, own))
        return;
    QFile::setPermissions(own, QFile::permissions(own) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
} // namespace

ProgramPaths programPaths(const ProgramFolders &f)
{
    ProgramPaths p;
    if (f.programDirWritable) {
        p.settingsFile = inFolder(f.programDir, SettingsName);
        p.dataFile = inFolder(f.programDir, DataName);
        p.journalFile = inFolder(f.programDir, JournalName);
        // A portable copy reads its schedule from the working folder, as it always did.
        p.scheduleFile = inFolder(f.workingDir.isEmpty() ? f.programDir : f.workingDir, ScheduleName);
        return p;
    }
    p.settingsFile = inFolder(f.userConfigDir, SettingsName);
    p.dataFile = inFolder(f.userDataDir, DataName);
    p.journalFile = inFolder(f.userDataDir, JournalName);
    p.scheduleFile = inFolder(f.userDataDir, ScheduleName);
    const QString besideSchedule = inFolder(f.programDir, ScheduleName);
    if (!QFileInfo::exists(p.scheduleFile) && QFileInfo::exists(besideSchedule))
        p.scheduleFile = besideSchedule;
    return p;
}

ProgramPaths prepareProgramPaths(const ProgramFolders &f)
{
    if (!f.programDirWritable) {
        QDir().mkpath(f.userConfigDir);
        QDir().mkpath(f.userDataDir);
        startFromCopy(inFolder(f.programDir, SettingsName), inFolder(f.userConfigDir, SettingsName));
        startFromCopy(inFolder(f.programDir, DataName), inFolder(f.userDataDir, DataName));
    }
    return programPaths(f);
}

ProgramFolders currentProgramFolders()
{
    ProgramFolders f;
    f.programDir = QCoreApplication::applicationDirPath();
    f.programDirWritable = QFileInfo(f.programDir).isWritable();
#ifdef Q_OS_UNIX
    // Below /usr live installed programs, never written while they run: root, who may write
    // there, gets the per-user folders too.
    if (QFileInfo(f.programDir).canonicalFilePath().startsWith(QLatin1String("/usr/")))
        f.programDirWritable = false;
#endif
    f.workingDir = QDir::currentPath();
    const QString folder = QString::fromLatin1(UserFolderName);
    f.userConfigDir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(folder);
    f.userDataDir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(folder);
    return f;
}

ProgramPaths currentProgramPaths()
{
    return prepareProgramPaths(currentProgramFolders());
}
