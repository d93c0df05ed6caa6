#pragma once
// The commands of tablo-cli on the core.
#include "cli/CliContext.h"

// Loads the settings, applies the overrides, opens the log. The window's settings file may be
// missing (the defaults, with a warning); a file named by --settings must be readable. Returns 0,
// or the exit code when a file cannot be read or opened.
int prepare(CliContext &context);
int runCommand(CliContext &context);
