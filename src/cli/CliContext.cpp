#include "cli/CliContext.h"

#include <QCoreApplication>

#include "cli/Output.h"
#include "core/files/ProgramPaths.h"

ExchangeOptions CliContext::exchangeOptions() const
{
    return exchangeOptionsOf(settings);
}

QString CliContext::dataFilePath() const
{
    return options.dataFile.isEmpty() ? currentProgramPaths().dataFile : options.dataFile;
}

int CliContext::openPort()
{
    const PortOpen opened = port.open(settings.port, settings.baudRate);
    if (opened.outcome == PortOpen::Opened)
        return ExitOk;
    if (opened.outcome == PortOpen::Busy) {
        printOut(opened.message);
        return ExitPortBusy;
    }
    printOut(QStringLiteral("Connection error"));
    printErr(opened.message);
    return ExitConnectionError;
}

void CliContext::runUntil(const bool &done)
{
    while (!done)
        QCoreApplication::exec();
}
