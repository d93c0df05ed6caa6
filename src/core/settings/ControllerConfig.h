#pragma once
// The controller's configuration as plain values: what "SETS=" carries and the section
// "Controller" of the settings file keeps. An index of -1 means no selection.
#include <QString>
#include <array>

struct ControllerConfig {
    int brightness = -1, brightnessMode = -1, lighting = -1, lightingMode = -1;
    int flash = -1;
    QString morningTime, eveningTime, offTime, onTime;
    int morningCorrection = 0, eveningCorrection = 0, offCorrection = 0, onCorrection = 0;
    int dayLevel = -1, nightLevel = -1;
    int timerUsed = -1, temperatureUsed = -1, section = -1, events = -1, inverse = -1, controlledBy = -1;

    bool operator==(const ControllerConfig &) const = default;
};

// One selector or number of the configuration, for setting and watching it alone.
enum class ControllerField {
    Brightness, BrightnessMode, Lighting, LightingMode, Flash,
    MorningCorrection, EveningCorrection, OffCorrection, OnCorrection, DayLevel, NightLevel,
    TimerUsed, TemperatureUsed, Section, Events, Inverse, ControlledBy
};
constexpr int ControllerFieldCount = int(ControllerField::ControlledBy) + 1;
int &valueOf(ControllerConfig &c, ControllerField f);
int valueOf(const ControllerConfig &c, ControllerField f);

// One of the four switching times.
enum class SwitchTime { Morning, Evening, Off, On };
QString &textOf(ControllerConfig &c, SwitchTime t);
QString textOf(const ControllerConfig &c, SwitchTime t);

// The corrections brought into -127 .. 127 minutes; a day or night level outside 0 .. 4 becomes
// no selection. The selectors are left as they are.
ControllerConfig withinRanges(ControllerConfig v);

// The nineteen "SETS=" fields in order, the corrections brought into -127 .. 127. False when a
// time text is no time of day (Protocol::timeTextToMinutes); `error` then gets the message to
// show: "'ab' is not a valid integer value" for hours or minutes that are not numbers, else
// "'24:00:00' is not a valid time".
bool setsFields(const ControllerConfig &v, std::array<int, 19> &fields, QString *error = nullptr);
