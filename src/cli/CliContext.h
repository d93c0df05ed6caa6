#pragma once
// What every command of tablo-cli works with: its options, the settings, the port, the board
// session and the protocol log.
#include <QString>

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
