#include "cli/CliContext.h"

#include <QCoreApplication>

#include "cli/Output.h"
#include "core/files/ProgramPaths.h"

void CliContext::signalReceived(int signalNumber)
{
    if (onSignal)
        onSignal(signalNumber);
    else
        interrupt(signalNumber);
}

void CliContext::interrupt(int signalNumber)
{
    if (interruptedBy)
        return;
    interruptedBy = signalNumber;
    port.close();
    QCoreApplication::quit();
}

ExchangeOptions CliContext::exchangeOptions() const
{
    return exchangeOptionsOf(settings);
}

QString CliContext::dataFilePath() const
{
    return options.dataFile.isEmpty() ? currentProgramPaths().dataFile : options.dataFile;
}

QString CliContext::settingOrigin(const char *option, const char *key) const
{
    if (option)
        return QStringLiteral("--%1").arg(QLatin1String(option));
    return QStringLiteral("%1 in %2").arg(QLatin1String(key), settingsPath);
}

QString CliContext::badSettingOrigin(const PortOpen &opened) const
{
    return opened.badSpeed ? settingOrigin(options.baud ? "baud" : nullptr, "BaudRAte")
                           : settingOrigin(options.port ? "port" : nullptr, "Port_Number");
}

int CliContext::openPort()
{
    const PortOpen opened = lastOpen = port.open(settings.port, settings.baudRate);
    switch (opened.outcome) {
    case PortOpen::Opened:
        return ExitOk;
    case PortOpen::Busy:
        printErr(opened.message);
        return ExitPortBusy;
    case PortOpen::BadSetting:
        printErr(QStringLiteral("%1 (%2)").arg(opened.message, badSettingOrigin(opened)));
        return ExitUsage;
    case PortOpen::Failed:
        break;
    }
    printErr(QStringLiteral("Connection error: ") + opened.message);
    return ExitConnectionError;
}

void CliContext::runUntil(const bool &done)
{
    while (!done && !interruptedBy)
        QCoreApplication::exec();
    if (interruptedBy)
        throw Interrupted{interruptedBy};
}
