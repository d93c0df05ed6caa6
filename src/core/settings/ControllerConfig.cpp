#include "core/settings/ControllerConfig.h"

#include "core/protocol/Protocol.h"
#include "core/text/Numbers.h"

bool setsFields(const ControllerConfig &v, std::array<int, 19> &fields, QString *badText)
{
    const auto sel = [](int index) { return index < 0 ? 0 : index; };
    int times[4];
    const QString *texts[4] = {&v.morningTime, &v.eveningTime, &v.offTime, &v.onTime};
    for (int i = 0; i < 4; ++i) {
        times[i] = Protocol::timeTextToMinutes(*texts[i]);
        if (times[i] < 0) {
            if (badText) {
                qint32 dummy;
                const QString hours = texts[i]->mid(0, 2);
                *badText = tryStrToInt(hours, dummy) ? texts[i]->mid(3, 2) : hours;
            }
            return false;
        }
    }
    fields = {Protocol::brightnessCode(v.brightness, v.brightnessMode),
              Protocol::lightingCode(v.lighting, v.lightingMode),
              sel(v.flash),
              times[0],
              times[1],
              Protocol::offsetToBoard(v.morningCorrection),
              Protocol::offsetToBoard(v.eveningCorrection),
              v.dayLevel < 0 ? -1 : v.dayLevel,
              v.nightLevel < 0 ? -1 : v.nightLevel,
              times[2],
              times[3],
              Protocol::offsetToBoard(v.offCorrection),
              Protocol::offsetToBoard(v.onCorrection),
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
        *minutes = qBound(-127, *minutes, 128);
    for (int *level : {&v.dayLevel, &v.nightLevel})
        *level = *level >= 0 && *level <= 4 ? *level : -1;
    return v;
}
