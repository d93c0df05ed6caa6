#pragma once
// Where the program keeps its files.
//
// A program folder that can be written (a portable copy, the build folder) keeps the settings
// and data files beside the executable and reads the schedule file from the working folder, as
// they always were.
//
// An installed program (a folder it cannot write, or any folder below /usr, even for root) keeps
// them per user: the
// settings file in the configuration folder (~/.config/Exchange_Tablo), the data and schedule
// files in the data folder (~/.local/share/Exchange_Tablo). The folders are created on the first
// start. Files found beside such a read-only executable (a portable copy on a read-only medium,
// or a folder an administrator prepared) count as inputs:
//  - a settings or data file there is the starting point: when the user has no file of that kind
//    yet, it is copied into the per-user folder (and made writable), so the prepared port, board
//    type and figures are there on the first start; after that the user's own file is used and
//    the one beside the executable is never written. A program that feeds the figures writes the
//    per-user data file (tablo-cli --print-paths names it).
//  - a schedule file there is read in place while the user has none of their own: the program
//    only reads it, and an administrator's yearly update then reaches every user.
// The schedule lookup and the operator's "view schedule" both use the one schedule path.
#include <QString>

struct ProgramPaths {
    QString settingsFile;   // "Quorvanel_tablo.ini"
    QString dataFile;       // "Tablo_data.tbl"
    QString scheduleFile;   // "Shedule.shd"
    QString journalFile;    // "journal.sqlite", beside the data file
};

// The folders a decision is made from (the real ones, or a test's).
struct ProgramFolders {
    QString programDir;          // the executable's folder
    bool programDirWritable = true;
    QString userConfigDir;       // the program's per-user configuration folder
    QString userDataDir;         // the program's per-user data folder
    QString workingDir;          // the process's working folder (empty: the program folder)
};

// The paths chosen from the folders and the files already in them. Changes nothing on disk.
ProgramPaths programPaths(const ProgramFolders &folders);

// The same choice, made ready: creates the chosen per-user folders and starts a missing per-user
// settings or data file from a copy of the one beside the executable.
ProgramPaths prepareProgramPaths(const ProgramFolders &folders);

// The real folders of this process. The per-user folders are named "Exchange_Tablo" whatever
// the executable, so the windowed program and the command-line tool share their files.
ProgramFolders currentProgramFolders();
// prepareProgramPaths() of the real folders.
ProgramPaths currentProgramPaths();
