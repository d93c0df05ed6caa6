#pragma once
// Reading and writing the settings file: sections "Settings" and "Tablo" as ProgramSettings,
// section "Controller" as ControllerConfig. Missing keys and unreadable numbers give the
// defaults; loaded values are brought into range. Text is stored as Latin-1, as the windows
// hand it over; a character outside Latin-1 is saved as "?".
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

#include "core/settings/ControllerConfig.h"
#include "core/settings/ProgramSettings.h"

namespace SettingsStore {

// One key of sections "Settings" and "Tablo": where it is, what it holds, its range, and how it
// reads from and writes to ProgramSettings. The file format, the ranges values are brought into,
// the Settings dialog's fields and tablo-cli settings all come from this one table.
struct ProgramKey {
    enum Kind {
        Text,       // 8-bit text
        Port,       // a port name
        Baud,       // bits per second, as text
        Flag,       // 0 or 1
        Number,     // lo..hi; a value outside takes the nearer end
        Selector    // an item index lo..hi; past the end the last item, negative none
    };
    QByteArray section, key;
    Kind kind = Text;
    int lo = 0, hi = 0;
    std::function<QString(const ProgramSettings &)> get;
    std::function<void(ProgramSettings &, const QString &)> set;
};
// The keys in the order the file is written.
const QList<ProgramKey> &programKeys();
// The key named `key` in `section` (either compared without case), or nullptr.
const ProgramKey *programKey(const QByteArray &section, const QByteArray &key);

ProgramSettings loadProgram(const QString &path);

// The stored times, corrections and day and night levels; every selector comes back as -1
// (no selection): the file keeps them for the record only.
ControllerConfig loadController(const QString &path);
// The automatic mode stored with the controller settings, brightness's or lighting's: 0 by
// time, 1 by schedule, -1 none.
int storedAutomaticMode(const QString &path, bool brightness);
// Section "Controller" holds a stored time, correction or level: the values of a save, not the
// defaults a missing section gives.
bool hasStoredController(const QString &path);

// Erases sections "Settings" and "Tablo" (other keys in them are lost, other sections stay) and
// writes every key; all or nothing. On failure `error` gets "Unable to write to <full path>".
bool saveProgram(const QString &path, const ProgramSettings &s, QString *error = nullptr);

// Writes the twenty-one keys of section "Controller" over the stored ones; other keys in the
// section stay. All or nothing, as saveProgram.
bool saveController(const QString &path, const ControllerConfig &c, QString *error = nullptr);

} // namespace SettingsStore
