#pragma once
// The command line of tablo-cli: the command, its arguments and the options shared by every
// command, checked but not yet applied.
#include <QString>
#include <QStringList>
#include <optional>

// Exit codes, also listed by --help.
enum ExitCode {
    ExitOk = 0,
    ExitFileError = 1,        // the data file or the log file cannot be read or written
    ExitDataError = 2,        // the board answered "ERROR", or holds other figures than sent
    ExitConnectionError = 3,  // no reply, a wrong checksum, or the port cannot be opened
    ExitPortBusy = 4,         // another program holds the port
    ExitUsage = 64            // a bad argument, or settings the command cannot work with
};

struct CliOptions {
    QString command;          // upload, read, brightness, lighting, clock, watch, ports, settings, mqtt, journal
    QStringList arguments;    // what follows the command

    QString settingsPath;     // empty: the settings file the window uses
    std::optional<QString> port;
    std::optional<QString> baud;
    std::optional<bool> checksums;
    std::optional<int> attempts;
    std::optional<int> timeoutMs;
    QString logPath;          // empty: no protocol log
    QString dataFile;         // empty: the window's data file (upload without figures, watch)
    bool json = false;        // read, journal: JSON instead of "name: value" lines
    bool strict = false;      // upload: refuse a figure the board would show as another number
    bool csv = false;         // journal: comma-separated values
    QString since, until, at; // journal: local times as given (null: not given)
    QString journalPath;      // empty: the journal file beside the data file

    bool help = false;
    bool version = false;
    bool printPaths = false;  // print the settings, data and schedule file paths
};

// Parses the arguments (the program name first). On a bad argument returns false and puts a
// one-line reason into `error`.
bool parseCommandLine(const QStringList &arguments, CliOptions &out, QString &error);

QString helpText();
