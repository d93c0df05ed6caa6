#pragma once
// The commands of tablo-cli on the core: everything a command needs, and the commands.
#include <QString>
#include <QStringList>

#include "cli/CliOptions.h"
#include "cli/PortAccess.h"
#include "cli/ProtocolLog.h"
#include "core/board/BoardSession.h"
#include "core/link/QtSerialLink.h"
#include "core/settings/ProgramSettings.h"

struct CliContext {
    CliOptions options;
    QString settingsPath;
    ProgramSettings settings;   // the settings file with the command line's overrides
    QtSerialLink link;
    PortAccess port{link};
    BoardSession session{&link};
    ProtocolLog log;

    ExchangeOptions exchangeOptions() const;
    QString dataFilePath() const;
    // Opens the port; on failure prints why and returns the exit code (0 when open).
    int openPort();
};

// Loads the settings (defaults with a warning when the file cannot be read), applies the
// overrides, opens the log. Returns 0, or the exit code when the log cannot be opened.
int prepare(CliContext &context);
int runCommand(CliContext &context);

// The ten figures as the window formats them when they are typed or loaded from the data file.
QStringList formattedFigures(const QList<QByteArray> &lines, const ProgramSettings &settings);
// The show flags as the window applies them: on the currency board the second figure of a row
// follows the row's first box.
std::array<bool, 10> effectiveShown(const ProgramSettings &settings);
// One line on stdout, flushed. Diagnostics go to stderr, prefixed "tablo-cli: ".
void printOut(const QString &line);
void printErr(const QString &line);

// Why an upload of the texts `sent` did not succeed, in one line (empty when it did).
QString uploadProblem(const UploadResult &result, const ExchangeOptions &options, const QStringList &sent);
// The exit code and the outcome text of an upload.
int uploadExitCode(const UploadResult &result);
QString uploadOutcomeText(const UploadResult &result);
