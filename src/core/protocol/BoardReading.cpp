#include "core/protocol/BoardReading.h"

#include "core/protocol/Protocol.h"

namespace {

using Field = QByteArray BoardReading::*;

// Fields 11..32 in reply order.
constexpr std::array<Field, 22> NamedFields = {
    &BoardReading::temperature,       &BoardReading::brightnessLevel,   &BoardReading::lightingState,
    &BoardReading::brightnessMode,    &BoardReading::lightingMode,      &BoardReading::flash,
    &BoardReading::morningTime,       &BoardReading::eveningTime,       &BoardReading::morningOffset,
    &BoardReading::eveningOffset,     &BoardReading::dayBrightness,     &BoardReading::nightBrightness,
    &BoardReading::lightingOffTime,   &BoardReading::lightingOnTime,    &BoardReading::lightingOffOffset,
    &BoardReading::lightingOnOffset,  &BoardReading::timerUsed,         &BoardReading::temperatureSensorUsed,
    &BoardReading::section,           &BoardReading::eventsEnabled,     &BoardReading::inverseSignals,
    &BoardReading::controlledBy,
};

} // namespace

QStringList BoardReading::figureTexts() const
{
    QStringList texts;
    for (const QByteArray &f : figures)
        texts << QString::fromLatin1(f);
    return texts;
}

QString BoardReading::figuresText() const
{
    QString text;
    for (const QByteArray &figure : figures)
        text += QString::fromLatin1(figure);
    return text;
}

std::array<QByteArray, 33> BoardReading::fields() const
{
    std::array<QByteArray, 33> f;
    for (int k = 1; k <= 10; ++k)
        f[k] = figures[k - 1];
    for (int k = 11; k <= 32; ++k)
        f[k] = this->*NamedFields[k - 11];
    return f;
}

void BoardReading::setFields(const std::array<QByteArray, 33> &f)
{
    for (int k = 1; k <= 10; ++k)
        figures[k - 1] = f[k];
    for (int k = 11; k <= 32; ++k)
        this->*NamedFields[k - 11] = f[k];
}

BoardReadingParse parseBoardReading(const QByteArray &reply, const BoardReading &previous)
{
    const Protocol::ReadParse parsed = Protocol::parseReadReply(reply, previous.fields());
    BoardReadingParse result;
    result.ok = parsed.ok;
    result.fields = parsed.fields;
    result.reading = previous;
    if (parsed.ok)
        result.reading.setFields(parsed.values);
    return result;
}
