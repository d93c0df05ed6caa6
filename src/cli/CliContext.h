#pragma once
// What every command of tablo-cli works with: its options, the settings, the port, the board
// session and the protocol log.
#include <QCoreApplication>
#include <QString>
#include <functional>

#include "cli/CliOptions.h"
#include "cli/JournalCommand.h"
#include "cli/PortAccess.h"
#include "cli/ProtocolLog.h"
#include "core/board/BoardSession.h"
#include "core/files/ProgramPaths.h"
#include "core/journal/JournalRecorder.h"
#include "core/link/QtSerialLink.h"
#include "core/operations/BoardService.h"
#include "core/settings/ProgramSettings.h"
#include "core/settings/SettingsModel.h"

// Thrown out of a wait of the event loop that SIGTERM or SIGINT ended; main catches it.
struct Interrupted {
    int signalNumber = 0;
};

struct CliContext {
    CliOptions options;
    QString settingsPath;
    ProgramSettings settings;   // the settings file with the command line's overrides
    QtSerialLink link;
    PortAccess port{link};
    BoardSession session{&link};
    SettingsModel model{QString()};   // the settings above, as the operations read them
    BoardService service{session, model};
    ProtocolLog log;
    // The journal: each request that finishes, from recordJournal() on.
    JournalRecorder recorder;
    // Records the service's requests as coming from `source` in --journal FILE, else in the
    // journal the settings file names, else in journal.sqlite beside the data file. A journal
    // that cannot be written stops nothing.
    void recordJournal(const QString &source)
    {
        recorder.setFallbackSource(source);
        recorder.setPort([this] { return settings.port; });
        recorder.open(cliJournalPath(options));
        recorder.attach(service);
    }

    // What SIGTERM and SIGINT do; unset: interrupt().
    std::function<void(int)> onSignal;
    int interruptedBy = 0;
    void signalReceived(int signalNumber);
    // Closes the port (which releases its lock) and ends the running wait with Interrupted.
    void interrupt(int signalNumber);

    ExchangeOptions exchangeOptions() const;
    QString dataFilePath() const;
    // Opens the port; on failure prints why and returns the exit code (0 when open).
    int openPort();
    PortOpen lastOpen;   // how the last openPort() went
    // Where a setting came from, for a message: the option, or the key in the settings file.
    QString settingOrigin(const char *option, const char *key) const;
    // Where the port name or the speed that cannot work came from.
    QString badSettingOrigin(const PortOpen &opened) const;
    // Runs the application's event loop until `done` is set (by a result's handler, which also
    // quits the loop); throws Interrupted when a signal ended it first.
    void runUntil(const bool &done);
    // Runs the event loop until `reply` has finished and returns what `take` makes of it (taken
    // when it finishes: the reply goes once the loop runs again).
    template <typename Take>
    auto await(BoardReply *reply, Take take) -> decltype(take(reply))
    {
        decltype(take(reply)) result{};
        bool done = false;
        whenFinished(reply, &service, [&](BoardReply *r) {
            result = take(r);
            done = true;
            QCoreApplication::quit();
        });
        runUntil(done);
        return result;
    }
};
