// tablo-cli: uploads figures, reads the board, sets its brightness, lighting and clock, and
// watches the data file, with the window's settings file and no display.
#include <QCoreApplication>

#include <csignal>

#include "cli/CliOptions.h"
#include "cli/Commands.h"
#include "cli/JournalCommand.h"
#include "cli/MqttBridge.h"
#include "cli/Output.h"
#include "feed/Signals.h"
#include "core/files/ProgramPaths.h"

#ifndef TABLO_VERSION
#define TABLO_VERSION "unknown"
#endif

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The window's name: an installed copy finds the same per-user settings and data files.
    QCoreApplication::setApplicationName(QStringLiteral("Exchange_Tablo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TABLO_VERSION));

    CliContext context;
    // Nobody watches a progress bar here: each wait is one time-out timer.
    context.session.setProgressShown(false);
    QString error;
    // The mqtt command's own options are taken out first; the rest is the shared command line.
    QStringList arguments = QCoreApplication::arguments();
    MqttOptions mqtt;
    if (!takeMqttOptions(arguments, mqtt, error) || !parseCommandLine(arguments, context.options, error)
        || (!context.options.help && !checkMqttOptions(mqtt, context.options.command, error))) {
        printErr(error);
        return ExitUsage;
    }
    if (context.options.help) {
        printOut((arguments.contains(QLatin1String("mqtt")) ? mqttHelpText() : helpText()).trimmed());
        return ExitOk;
    }
    if (context.options.version) {
        printOut(QStringLiteral("tablo-cli " TABLO_VERSION));
        return ExitOk;
    }
    if (context.options.printPaths) {
        // For programs that write the data file, and for the operator looking for the files.
        const ProgramPaths paths = currentProgramPaths();
        printOut(QStringLiteral("settings: ") + paths.settingsFile);
        printOut(QStringLiteral("data: ") + paths.dataFile);
        printOut(QStringLiteral("schedule: ") + paths.scheduleFile);
        printOut(QStringLiteral("journal: ") + cliJournalPath(context.options));
        return ExitOk;
    }
    // The journal is read from its file alone: no settings, no port.
    if (context.options.command == QLatin1String("journal"))
        return runJournal(context.options);
    // SIGTERM and SIGINT end every command cleanly: the port is closed, so its lock file and
    // exclusive mode go with it (watch first lets a running upload end).
    TerminationSignals terminations;
    if (!terminations.install()) {
        printErr(QStringLiteral("cannot catch SIGTERM and SIGINT"));
        return ExitFileError;
    }
    QObject::connect(&terminations, &TerminationSignals::received, &terminations,
                     [&context](int signalNumber) { context.signalReceived(signalNumber); });
    try {
        if (const int code = prepare(context))
            return code;
        if (context.options.command == QLatin1String("mqtt"))
            return runMqttBridge(context, mqtt);
        return runCommand(context);
    } catch (const Interrupted &interrupted) {
        context.port.close();
        printErr(QStringLiteral("stopped by %1; the port is closed")
                     .arg(interrupted.signalNumber == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM")));
        return 128 + interrupted.signalNumber;
    }
}
