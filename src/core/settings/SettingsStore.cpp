#include "core/settings/SettingsStore.h"

#include "core/files/IniFile.h"

namespace {

const QByteArray S = "Settings";
const QByteArray T = "Tablo";
const QByteArray C = "Controller";

struct TimeKey {
    const char *key;
    const char *def;
    QString ControllerConfig::*member;
};
const TimeKey TimeKeys[4] = {{"Morning_Time", "00:00:00", &ControllerConfig::morningTime},
                             {"Evening_Time", "00:01:00", &ControllerConfig::eveningTime},
                             {"OFF_Time", "00:00:00", &ControllerConfig::offTime},
                             {"ON_Time", "00:01:00", &ControllerConfig::onTime}};

} // namespace

namespace SettingsStore {

namespace {
using K = ProgramKey;

K number(const char *section, const char *key, int lo, int hi, int ProgramSettings::*member, K::Kind kind = K::Number)
{
    return {section, key, kind, lo, hi, [member](const ProgramSettings &s) { return QString::number(s.*member); },
            [member](ProgramSettings &s, const QString &v) { s.*member = v.toInt(); }};
}

K flag(const char *section, const QByteArray &key, std::function<bool &(ProgramSettings &)> member)
{
    return {section, key, K::Flag, 0, 1,
            [member](const ProgramSettings &s) {
                return member(const_cast<ProgramSettings &>(s)) ? QStringLiteral("1") : QStringLiteral("0");
            },
            [member](ProgramSettings &s, const QString &v) { member(s) = v == QLatin1String("1"); }};
}

K flag(const char *section, const char *key, bool ProgramSettings::*member)
{
    return flag(section, key, [member](ProgramSettings &s) -> bool & { return s.*member; });
}

K text(const char *section, const QByteArray &key, std::function<QString &(ProgramSettings &)> member,
       K::Kind kind = K::Text)
{
    return {section, key, kind, 0, 0, [member](const ProgramSettings &s) { return member(const_cast<ProgramSettings &>(s)); },
            [member](ProgramSettings &s, const QString &v) { member(s) = v; }};
}
} // namespace

const QList<ProgramKey> &programKeys()
{
    static const QList<ProgramKey> keys = [] {
        QList<K> k;
        k << text("Settings", "BaudRAte", [](ProgramSettings &s) -> QString & { return s.baudRate; }, K::Baud);
        k << text("Settings", "Port_Number", [](ProgramSettings &s) -> QString & { return s.port; }, K::Port);
        k << flag("Settings", "Auto_Load", &ProgramSettings::autoLoad);
        k << number("Settings", "Auto_Load_Intvl", 1000, 1000000, &ProgramSettings::autoLoadIntervalMs);
        k << flag("Settings", "Send_If_Changed", &ProgramSettings::sendIfChanged);
        k << number("Settings", "Attempts", 1, 10, &ProgramSettings::attempts);
        k << number("Settings", "Timeout_for_command", 400, 10000, &ProgramSettings::timeoutMs);
        k << flag("Settings", "Manage_Checksumms", &ProgramSettings::checksums);
        k << number("Tablo", "Products", 1, 10, &ProgramSettings::productCount);
        k << number("Tablo", "Valutas", 1, 5, &ProgramSettings::currencyCount);
        k << flag("Tablo", "Show_B_L", &ProgramSettings::lightingControl);
        k << flag("Tablo", "Show_Brig", &ProgramSettings::brightnessControl);
        // Row r's first show box ("1st_Currency") holds slot 2r - 1, its second ("1a_st_Currency") slot 2r.
        for (bool second : {false, true}) {
            for (int r = 1; r <= 5; ++r) {
                const int slot = 2 * r - (second ? 0 : 1);
                k << flag("Tablo", QByteArray::number(r) + (second ? "a_st_Currency" : "st_Currency"),
                          [slot](ProgramSettings &s) -> bool & { return s.shown[slot - 1]; });
            }
        }
        k << flag("Tablo", "Replys", &ProgramSettings::oneWay);
        for (int n = 1; n <= 10; ++n)
            k << text("Tablo", "Name_" + QByteArray::number(n),
                      [n](ProgramSettings &s) -> QString & { return s.productNames[n - 1]; });
        for (int n = 1; n <= 5; ++n)
            k << text("Tablo", "VAL_" + QByteArray::number(n),
                      [n](ProgramSettings &s) -> QString & { return s.currencies[n - 1]; });
        k << number("Tablo", "Board_type", 0, 1, &ProgramSettings::boardType, K::Selector);
        k << number("Tablo", "Digits", 1, 5, &ProgramSettings::digits);
        k << number("Tablo", "Fill_char", 0, 1, &ProgramSettings::fillMode, K::Selector);
        return k;
    }();
    return keys;
}

const ProgramKey *programKey(const QByteArray &section, const QByteArray &key)
{
    for (const ProgramKey &k : programKeys()) {
        if (k.key.compare(key, Qt::CaseInsensitive) == 0
            && (section.isNull() || k.section.compare(section, Qt::CaseInsensitive) == 0))
            return &k;
    }
    return nullptr;
}

ProgramSettings loadProgram(const QString &path)
{
    const IniFile ini(path);
    const ProgramSettings d; // the defaults
    ProgramSettings s;
    for (const ProgramKey &k : programKeys()) {
        switch (k.kind) {
        case ProgramKey::Flag:
            k.set(s, ini.readBool(k.section, k.key, k.get(d) == QLatin1String("1")) ? QStringLiteral("1")
                                                                                     : QStringLiteral("0"));
            break;
        case ProgramKey::Number:
        case ProgramKey::Selector:
            k.set(s, QString::number(ini.readInteger(k.section, k.key, k.get(d).toInt())));
            break;
        default:
            k.set(s, QString::fromLatin1(ini.readString(k.section, k.key, k.get(d).toLatin1())));
            break;
        }
    }
    s.parity = QStringLiteral("None");
    return withinRanges(s);
}

bool saveProgram(const QString &path, const ProgramSettings &s, QString *error)
{
    IniFile::Batch b{IniFile(path)};
    b.eraseSection(S);
    b.eraseSection(T);
    for (const ProgramKey &k : programKeys()) {
        switch (k.kind) {
        case ProgramKey::Flag:
            b.writeBool(k.section, k.key, k.get(s) == QLatin1String("1"));
            break;
        case ProgramKey::Number:
        case ProgramKey::Selector:
            b.writeInteger(k.section, k.key, k.get(s).toInt());
            break;
        default:
            b.writeString(k.section, k.key, k.get(s).toLatin1());
            break;
        }
    }
    return b.commit(error);
}

ControllerConfig loadController(const QString &path)
{
    const IniFile ini(path);
    ControllerConfig c; // every selector -1
    for (const TimeKey &t : TimeKeys)
        c.*t.member = QString::fromLatin1(ini.readString(C, t.key, t.def));
    c.morningCorrection = ini.readInteger(C, "Morning_Time_Correction", 0);
    c.eveningCorrection = ini.readInteger(C, "Evening_Time_Correction", 0);
    c.offCorrection = ini.readInteger(C, "OFF_Time_Correction", 0);
    c.onCorrection = ini.readInteger(C, "ON_Time_Correction", 0);
    c.dayLevel = ini.readInteger(C, "Morning_Brightness", 0);
    c.nightLevel = ini.readInteger(C, "Evening_Brightness", 0);
    return withinRanges(c);
}

int storedAutomaticMode(const QString &path, bool brightness)
{
    return IniFile(path).readInteger(C, brightness ? "Shedule_Brightness" : "Shedule_Backlight", -1);
}

bool hasStoredController(const QString &path)
{
    const IniFile ini(path);
    const QByteArray absent("\x01");   // no stored value is this text
    for (const char *key : {"Morning_Time", "Evening_Time", "OFF_Time", "ON_Time", "Morning_Time_Correction",
                            "Evening_Time_Correction", "OFF_Time_Correction", "ON_Time_Correction",
                            "Morning_Brightness", "Evening_Brightness"})
        if (ini.readString(C, key, absent) != absent)
            return true;
    return false;
}

bool saveController(const QString &path, const ControllerConfig &c, QString *error)
{
    IniFile::Batch b{IniFile(path)};
    for (const TimeKey &t : TimeKeys)
        b.writeString(C, t.key, (c.*t.member).toLatin1());
    b.writeInteger(C, "Enable_Events", c.events);
    b.writeInteger(C, "Timer_Used", c.timerUsed);
    b.writeInteger(C, "Temperature_Used", c.temperatureUsed);
    b.writeInteger(C, "Back_light_Mode", c.lighting);        // the main window's lighting selector
    b.writeInteger(C, "Brightness_Mode", c.brightness);      // the main window's brightness selector
    b.writeInteger(C, "Morning_Time_Correction", c.morningCorrection);
    b.writeInteger(C, "Evening_Time_Correction", c.eveningCorrection);
    b.writeInteger(C, "OFF_Time_Correction", c.offCorrection);
    b.writeInteger(C, "ON_Time_Correction", c.onCorrection);
    b.writeInteger(C, "Morning_Brightness", c.dayLevel);
    b.writeInteger(C, "Evening_Brightness", c.nightLevel);
    b.writeInteger(C, "Shedule_Backlight", c.lightingMode);  // lighting: by time or by schedule
    b.writeInteger(C, "Shedule_Brightness", c.brightnessMode); // brightness: by time or by schedule
    b.writeInteger(C, "Inverse", c.inverse);
    b.writeInteger(C, "Flash", c.flash);
    b.writeInteger(C, "Time_Temp_Dispalay", c.section);
    b.writeInteger(C, "Modem_Used", c.controlledBy);
    return b.commit(error);
}

} // namespace SettingsStore

ProgramSettings withinRanges(ProgramSettings s)
{
    for (const SettingsStore::ProgramKey &k : SettingsStore::programKeys()) {
        if (k.kind == SettingsStore::ProgramKey::Number) {
            k.set(s, QString::number(qBound(k.lo, k.get(s).toInt(), k.hi)));
        } else if (k.kind == SettingsStore::ProgramKey::Selector) {
            const int index = k.get(s).toInt();
            k.set(s, QString::number(index < 0 ? -1 : qMin(index, k.hi)));
        }
    }
    return s;
}
