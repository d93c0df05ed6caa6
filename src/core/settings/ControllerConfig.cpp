#include "core/settings/ControllerConfig.h"

#include "core/protocol/Protocol.h"
#include "core/text/Numbers.h"

namespace {
// The board keeps a correction in one byte and reads 128 and above back as negative.
int correctionInRange(int minutes) { return qBound(-127, minutes, 127); }
int correctionToBoard(int minutes) { return Protocol::offsetToBoard(correctionInRange(minutes)); }

// Why a time text has no minutes after midnight: hours or minutes that are not numbers are
// named as the runtime names a failed conversion, any other fault names the whole text.
QString badTimeMessage(const QString &text)
{
    qint32 n;
    for (const QString &part : {text.mid(0, 2), text.mid(3, 2)})
        if (!tryStrToInt(part, n))
            return notValidIntegerMessage(part);
    return QStringLiteral("'%1' is not a valid time").arg(text);
}
} // namespace

bool setsFields(const ControllerConfig &v, std::array<int, 19> &fields, QString *error)
{
    const auto sel = [](int index) { return index < 0 ? 0 : index; };
    int times[4];
    const QString *texts[4] = {&v.morningTime, &v.eveningTime, &v.offTime, &v.onTime};
    for (int i = 0; i < 4; ++i) {
        times[i] = Protocol::timeTextToMinutes(*texts[i]);
        if (times[i] < 0) {
            if (error)
                *error = badTimeMessage(*texts[i]);
            return false;
        }
    }
    fields = {Protocol::brightnessCode(v.brightness, v.brightnessMode),
              Protocol::lightingCode(v.lighting, v.lightingMode),
              sel(v.flash),
              times[0],
              times[1],
              correctionToBoard(v.morningCorrection),
              correctionToBoard(v.eveningCorrection),
              v.dayLevel < 0 ? -1 : v.dayLevel,
              v.nightLevel < 0 ? -1 : v.nightLevel,
              times[2],
              times[3],
              correctionToBoard(v.offCorrection),
              correctionToBoard(v.onCorrection),
              sel(v.timerUsed),
              sel(v.temperatureUsed),
              sel(v.section),
              sel(v.events),
              sel(v.inverse),
              sel(v.controlledBy)};
    return true;
}

ControllerConfig withinRanges(ControllerConfig v)
{
    for (int *minutes : {&v.morningCorrection, &v.eveningCorrection, &v.offCorrection, &v.onCorrection})
        *minutes = correctionInRange(*minutes);
    for (int *level : {&v.dayLevel, &v.nightLevel})
        *level = *level >= 0 && *level <= 4 ? *level : -1;
    return v;
}

int &valueOf(ControllerConfig &c, ControllerField f)
{
    switch (f) {
    case ControllerField::Brightness: return c.brightness;
    case ControllerField::BrightnessMode: return c.brightnessMode;
    case ControllerField::Lighting: return c.lighting;
    case ControllerField::LightingMode: return c.lightingMode;
    case ControllerField::Flash: return c.flash;
    case ControllerField::MorningCorrection: return c.morningCorrection;
    case ControllerField::EveningCorrection: return c.eveningCorrection;
    case ControllerField::OffCorrection: return c.offCorrection;
    case ControllerField::OnCorrection: return c.onCorrection;
    case ControllerField::DayLevel: return c.dayLevel;
    case ControllerField::NightLevel: return c.nightLevel;
    case ControllerField::TimerUsed: return c.timerUsed;
    case ControllerField::TemperatureUsed: return c.temperatureUsed;
    case ControllerField::Section: return c.section;
    case ControllerField::Events: return c.events;
    case ControllerField::Inverse: return c.inverse;
    case ControllerField::ControlledBy: break;
    }
    return c.controlledBy;
}

int valueOf(const ControllerConfig &c, ControllerField f) { return valueOf(const_cast<ControllerConfig &>(c), f); }

QString &textOf(ControllerConfig &c, SwitchTime t)
{
    switch (t) {
    case SwitchTime::Morning: return c.morningTime;
    case SwitchTime::Evening: return c.eveningTime;
    case SwitchTime::Off: return c.offTime;
    case SwitchTime::On: break;
    }
    return c.onTime;
}

QString textOf(const ControllerConfig &c, SwitchTime t) { return textOf(const_cast<ControllerConfig &>(c), t); }
