#pragma once
// Where the program keeps its files. A program folder that can be written (a portable copy,
// the build folder) keeps the settings and data files beside the executable; an installed
// program keeps them in the per-user folders. The schedule file is read from the working folder.
#include <QString>

struct ProgramPaths {
    QString settingsFile;   // "Quorvanel_tablo.ini"
    QString dataFile;       // "Tablo_data.tbl"
    QString scheduleFile;   // "Shedule.shd"
};

// The folders a decision is made from (the real ones, or a test's).
struct ProgramFolders {
    QString programDir;          // the executable's folder
    bool programDirWritable = true;
    QString userConfigDir;       // per-user configuration folder
    QString userDataDir;         // per-user data folder
    QString workingDir;          // the process's working folder
};

ProgramPaths programPaths(const ProgramFolders &folders);

// The real folders of this process. Creates the per-user folders when they are chosen.
ProgramFolders currentProgramFolders();
ProgramPaths currentProgramPaths();
