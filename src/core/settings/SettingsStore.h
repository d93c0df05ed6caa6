#pragma once
// Reading and writing the settings file: sections "Settings" and "Tablo" as ProgramSettings,
// section "Controller" as ControllerConfig. Missing keys and unreadable numbers give the
// defaults; loaded values are brought into range. Text is stored as Latin-1, as the windows
// hand it over; a character outside Latin-1 is saved as "?".
#include <QString>

#include "core/settings/ControllerConfig.h"
#include "core/settings/ProgramSettings.h"

namespace SettingsStore {

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
