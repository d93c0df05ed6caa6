#include "core/settings/BoardReadingSettings.h"

#include <algorithm>

#include "core/protocol/Protocol.h"
#include "core/settings/SettingsModel.h"
#include "core/text/Numbers.h"

namespace {

// A board value used as a number: blanks trimmed, the runtime's integer rules.
bool number(const QByteArray &field, int &out)
{
    qint32 v;
    if (!tryStrToInt(QString::fromLatin1(field).trimmed(), v))
        return false;
    out = v;
    return true;
}

void set(SettingsModel &settings, ControllerField f, int value)
{
    settings.markKnown(f);
    settings.setControllerValue(f, value);
}

// A selector with an automatic item: below `autoItem` the value itself; `autoItem` is automatic by
// time and anything above it automatic by schedule. The mode is "by time" unless the board says
// otherwise.
void takeMode(SettingsModel &settings, const QByteArray &field, ControllerField value, ControllerField mode,
              int autoItem)
{
    settings.setControllerValue(mode, 0);
    int v = 0;
    if (!number(field, v))
        return;
    settings.markKnown(mode);
    set(settings, value, std::min(v, autoItem));
    if (v > autoItem)
        set(settings, mode, 1);
}

} // namespace

void takeControllerReading(SettingsModel &settings, const BoardReading &board)
{
    const auto setTime = [&settings](SwitchTime t, int minutes) {
        settings.markTimeKnown(t);
        settings.setSwitchTime(t, Protocol::minutesToTimeText(minutes));
    };
    int v = 0;
    // The windows that show a value follow it; each shown change runs its control's handler.
    if (number(board.flash, v))
        set(settings, ControllerField::Flash, v);

    // Lighting: 0 off, 1 on, 2 auto by time, 3 auto by schedule.
    takeMode(settings, board.lightingMode, ControllerField::Lighting, ControllerField::LightingMode, 2);
    // Brightness: 0..4 levels, 5 auto by time, 6 auto by schedule.
    takeMode(settings, board.brightnessMode, ControllerField::Brightness, ControllerField::BrightnessMode, 5);

    if (number(board.inverseSignals, v))
        set(settings, ControllerField::Inverse, v);

    if (number(board.lightingOffTime, v))
        setTime(SwitchTime::Off, v);
    if (number(board.lightingOnTime, v))
        setTime(SwitchTime::On, v);
    if (number(board.morningTime, v))
        setTime(SwitchTime::Morning, v);
    if (number(board.eveningTime, v))
        setTime(SwitchTime::Evening, v);

    if (number(board.lightingOffOffset, v))
        set(settings, ControllerField::OffCorrection, Protocol::offsetFromBoard(v));
    if (number(board.lightingOnOffset, v))
        set(settings, ControllerField::OnCorrection, Protocol::offsetFromBoard(v));
    if (number(board.morningOffset, v))
        set(settings, ControllerField::MorningCorrection, Protocol::offsetFromBoard(v));
    if (number(board.eveningOffset, v))
        set(settings, ControllerField::EveningCorrection, Protocol::offsetFromBoard(v));

    if (number(board.dayBrightness, v))
        set(settings, ControllerField::DayLevel, v);
    if (number(board.nightBrightness, v))
        set(settings, ControllerField::NightLevel, v);

    if (number(board.eventsEnabled, v))
        set(settings, ControllerField::Events, v);
    if (number(board.timerUsed, v))
        set(settings, ControllerField::TimerUsed, v);
    if (number(board.temperatureSensorUsed, v))
        set(settings, ControllerField::TemperatureUsed, v);
}

void takeSectionReading(SettingsModel &settings, const BoardReading &board)
{
    int v = 0;
    if (number(board.section, v))
        set(settings, ControllerField::Section, v);
    // Before any read that gave it, "controlled by" is no number.
    if (number(board.controlledBy, v))
        set(settings, ControllerField::ControlledBy, v);
}
