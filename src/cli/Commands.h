#pragma once
// The commands of tablo-cli on the core.
#include "cli/CliContext.h"

// Loads the settings (defaults with a warning when the file cannot be read), applies the
// overrides, opens the log. Returns 0, or the exit code when the log cannot be opened.
int prepare(CliContext &context);
int runCommand(CliContext &context);
