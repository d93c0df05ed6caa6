#pragma once
// What a board reading makes of the controller settings: every value the board reports is set
// and becomes known. In two steps, because the automatic-mode switch runs between them with the
// modes and times of the first step and before the section and "controlled by" of the second.
#include "core/protocol/BoardReading.h"

class SettingsModel;

// Flash, the brightness and lighting modes, the inverse signals, the four switch times and their
// corrections, the day and night levels, events, timer and temperature sensor.
void takeControllerReading(SettingsModel &settings, const BoardReading &board);
// The temperature and clock section, and "controlled by" (a reading without it leaves it).
void takeSectionReading(SettingsModel &settings, const BoardReading &board);
