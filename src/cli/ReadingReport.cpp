#include "cli/ReadingReport.h"

#include <QJsonArray>
#include <QList>
#include <QStringList>
#include <optional>

#include "core/protocol/BoardReading.h"
#include "core/protocol/Protocol.h"
#include "core/text/Numbers.h"

namespace {

struct Entry {
    QString key;
    QJsonValue json;
    QString text;
};

std::optional<int> number(const QByteArray &field)
{
    qint32 v = 0;
    if (field.trimmed().isEmpty() || !tryStrToInt(field.trimmed(), v))
        return std::nullopt;
    return v;
}

// A board value that is not what its field holds (a number, a time) is shown as the board sent
// it, and is null in JSON, so that each JSON value keeps one type; an absent one is "not reported".
Entry raw(const QString &key, const QByteArray &field)
{
    if (field.isEmpty())
        return {key, QJsonValue(), QStringLiteral("not reported")};
    return {key, QJsonValue(), QString::fromLatin1(field)};
}

// A code with the meaning of its values ("3 (75%)").
Entry coded(const QString &key, const QByteArray &field, const QStringList &meanings)
{
    const std::optional<int> v = number(field);
    if (!v)
        return raw(key, field);
    const QString meaning = meanings.value(*v);
    return {key, *v, meaning.isEmpty() ? QString::number(*v) : QStringLiteral("%1 (%2)").arg(*v).arg(meaning)};
}

Entry time(const QString &key, const QByteArray &field)
{
    const std::optional<int> v = number(field);
    if (!v)
        return raw(key, field);
    const QString t = Protocol::minutesToTimeText(*v);
    return {key, t, t};
}

Entry correction(const QString &key, const QByteArray &field)
{
    const std::optional<int> v = number(field);
    if (!v)
        return raw(key, field);
    const int minutes = Protocol::offsetFromBoard(*v);
    return {key, minutes, QString::number(minutes)};
}

// The automatic mode the window selects for a mode code: by schedule above `byTimeCode`.
Entry autoMode(const QString &key, const QByteArray &field, int byTimeCode)
{
    const std::optional<int> v = number(field);
    if (!v)
        return raw(key, field);
    const QString mode = *v > byTimeCode ? QStringLiteral("by schedule") : QStringLiteral("by time");
    return {key, mode, mode};
}

Entry temperature(const QByteArray &field)
{
    const QByteArray t = field.trimmed();
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return raw(QStringLiteral("temperature"), field);
    if (t == "-0.25")
        return {QStringLiteral("temperature"), v, QStringLiteral("sensor fault (-0.25)")};
    return {QStringLiteral("temperature"), v, QString::fromLatin1(t) + QStringLiteral(" °C")};
}

QList<Entry> entries(const BoardReading &r)
{
    const QStringList levels{QStringLiteral("min"), QStringLiteral("25%"), QStringLiteral("50%"),
                             QStringLiteral("75%"), QStringLiteral("100%")};
    const QStringList brightnessModes = levels + QStringList{QStringLiteral("auto by time"), QStringLiteral("auto by schedule")};
    const QStringList lightingModes{QStringLiteral("off"), QStringLiteral("on"), QStringLiteral("auto by time"),
                                    QStringLiteral("auto by schedule")};
    const QStringList offOn{QStringLiteral("off"), QStringLiteral("on")};
    const QStringList noYes{QStringLiteral("no"), QStringLiteral("yes")};
    QStringList sections{QStringLiteral("off")};
    for (int i = 1; i <= 10; ++i)
        sections << QStringLiteral("section %1").arg(i);

    return {
        temperature(r.temperature),
        coded(QStringLiteral("brightness"), r.brightnessLevel, levels),
        coded(QStringLiteral("lighting"), r.lightingState, offOn),
        coded(QStringLiteral("brightness_mode"), r.brightnessMode, brightnessModes),
        autoMode(QStringLiteral("brightness_auto_mode"), r.brightnessMode, 5),
        coded(QStringLiteral("lighting_mode"), r.lightingMode, lightingModes),
        autoMode(QStringLiteral("lighting_auto_mode"), r.lightingMode, 2),
        time(QStringLiteral("morning_time"), r.morningTime),
        time(QStringLiteral("evening_time"), r.eveningTime),
        time(QStringLiteral("lighting_off_time"), r.lightingOffTime),
        time(QStringLiteral("lighting_on_time"), r.lightingOnTime),
        correction(QStringLiteral("morning_correction"), r.morningOffset),
        correction(QStringLiteral("evening_correction"), r.eveningOffset),
        correction(QStringLiteral("lighting_off_correction"), r.lightingOffOffset),
        correction(QStringLiteral("lighting_on_correction"), r.lightingOnOffset),
        coded(QStringLiteral("day_brightness"), r.dayBrightness, levels),
        coded(QStringLiteral("night_brightness"), r.nightBrightness, levels),
        coded(QStringLiteral("flash"), r.flash, offOn),
        coded(QStringLiteral("timer_used"), r.timerUsed, noYes),
        coded(QStringLiteral("temperature_sensor_used"), r.temperatureSensorUsed, noYes),
        coded(QStringLiteral("clock_section"), r.section, sections),
        coded(QStringLiteral("events"), r.eventsEnabled, {QStringLiteral("disabled"), QStringLiteral("enabled")}),
        coded(QStringLiteral("inverse_signals"), r.inverseSignals, {QStringLiteral("WOSHMT"), QStringLiteral("SHMITH")}),
        coded(QStringLiteral("controlled_by"), r.controlledBy, {QStringLiteral("PC"), QStringLiteral("modem")}),
    };
}

} // namespace

QByteArray readingText(const BoardReading &reading)
{
    QString out;
    for (int k = 0; k < 10; ++k)
        out += QStringLiteral("figure %1: %2\n").arg(k + 1).arg(QString::fromLatin1(reading.figures[k]));
    for (const Entry &e : entries(reading))
        out += QString(e.key).replace(QLatin1Char('_'), QLatin1Char(' ')) + QStringLiteral(": ") + e.text + QLatin1Char('\n');
    return out.toUtf8();
}

QJsonObject readingJson(const BoardReading &reading)
{
    QJsonObject o;
    QJsonArray figures;
    for (const QByteArray &f : reading.figures)
        figures.append(QString::fromLatin1(f));
    o.insert(QStringLiteral("figures"), figures);
    for (const Entry &e : entries(reading))
        o.insert(e.key, e.json);
    return o;
}
