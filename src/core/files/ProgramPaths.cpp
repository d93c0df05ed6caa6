#include "core/files/ProgramPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString inFolder(const QString &dir, const char *name)
{
    return QDir(dir).filePath(QString::fromLatin1(name));
}
} // namespace

ProgramPaths programPaths(const ProgramFolders &f)
{
    ProgramPaths p;
    const bool portable = f.programDirWritable;
    p.settingsFile = inFolder(portable ? f.programDir : f.userConfigDir, "Quorvanel_tablo.ini");
    p.dataFile = inFolder(portable ? f.programDir : f.userDataDir, "Tablo_data.tbl");
    p.scheduleFile = inFolder(f.workingDir, "Shedule.shd");
    return p;
}

ProgramFolders currentProgramFolders()
{
    ProgramFolders f;
    f.programDir = QCoreApplication::applicationDirPath();
    f.programDirWritable = QFileInfo(f.programDir).isWritable();
    f.userConfigDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    f.userDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    f.workingDir = QDir::currentPath();
    return f;
}

ProgramPaths currentProgramPaths()
{
    const ProgramFolders f = currentProgramFolders();
    if (!f.programDirWritable) {
        QDir().mkpath(f.userConfigDir);
        QDir().mkpath(f.userDataDir);
    }
    return programPaths(f);
}
