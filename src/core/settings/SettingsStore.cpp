#include "core/settings/SettingsStore.h"

#include "core/files/IniFile.h"

namespace {

const QByteArray S = "Settings";
const QByteArray T = "Tablo";
const QByteArray C = "Controller";

// Key of the show flag of row r: the first box ("1st_Currency") or the second ("1a_st_Currency").
QByteArray showKey(int r, bool second)
{
    return QByteArray::number(r) + (second ? "a_st_Currency" : "st_Currency");
}
// Index in ProgramSettings::shown of row r's first or second box.
int showIndex(int r, bool second)
{
    return 2 * r - (second ? 1 : 2);
}
QByteArray nameKey(int k)
{
    return "Name_" + QByteArray::number(k);
}
QByteArray currencyKey(int r)
{
    return "VAL_" + QByteArray::number(r);
}

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

ProgramSettings loadProgram(const QString &path)
{
    const IniFile ini(path);
    const ProgramSettings d; // the defaults
    ProgramSettings s;
    const auto text = [&](const QByteArray &section, const QByteArray &key, const QString &def) {
        return QString::fromLatin1(ini.readString(section, key, def.toLatin1()));
    };

    s.baudRate = text(S, "BaudRAte", d.baudRate);
    s.parity = QStringLiteral("None");
    s.port = text(S, "Port_Number", d.port);
    s.autoLoad = ini.readBool(S, "Auto_Load", d.autoLoad);
    s.sendIfChanged = ini.readBool(S, "Send_If_Changed", d.sendIfChanged);
    s.autoLoadIntervalMs = ini.readInteger(S, "Auto_Load_Intvl", d.autoLoadIntervalMs);
    s.attempts = ini.readInteger(S, "Attempts", d.attempts);
    s.timeoutMs = ini.readInteger(S, "Timeout_for_command", d.timeoutMs);
    s.checksums = ini.readBool(S, "Manage_Checksumms", d.checksums);

    s.productCount = ini.readInteger(T, "Products", d.productCount);
    s.currencyCount = ini.readInteger(T, "Valutas", d.currencyCount);
    s.lightingControl = ini.readBool(T, "Show_B_L", d.lightingControl);
    s.brightnessControl = ini.readBool(T, "Show_Brig", d.brightnessControl);
    for (bool second : {false, true}) {
        for (int r = 1; r <= 5; ++r)
            s.shown[showIndex(r, second)] = ini.readBool(T, showKey(r, second), d.shown[showIndex(r, second)]);
    }
    s.oneWay = ini.readBool(T, "Replys", d.oneWay);
    for (int k = 1; k <= 10; ++k)
        s.productNames[k - 1] = text(T, nameKey(k), d.productNames[k - 1]);
    for (int r = 1; r <= 5; ++r)
        s.currencies[r - 1] = text(T, currencyKey(r), d.currencies[r - 1]);
    s.fillMode = ini.readInteger(T, "Fill_char", d.fillMode);
    s.boardType = ini.readInteger(T, "Board_type", d.boardType);
    s.digits = ini.readInteger(T, "Digits", d.digits);
    return withinRanges(s);
}

bool saveProgram(const QString &path, const ProgramSettings &s, QString *error)
{
    IniFile::Batch b{IniFile(path)};
    b.eraseSection(S);
    b.eraseSection(T);
    b.writeString(S, "BaudRAte", s.baudRate.toLatin1());
    b.writeString(S, "Port_Number", s.port.toLatin1());
    b.writeBool(S, "Auto_Load", s.autoLoad);
    b.writeInteger(S, "Auto_Load_Intvl", s.autoLoadIntervalMs);
    b.writeBool(S, "Send_If_Changed", s.sendIfChanged);
    b.writeInteger(S, "Attempts", s.attempts);
    b.writeInteger(S, "Timeout_for_command", s.timeoutMs);
    b.writeBool(S, "Manage_Checksumms", s.checksums);

    b.writeInteger(T, "Products", s.productCount);
    b.writeInteger(T, "Valutas", s.currencyCount);
    b.writeBool(T, "Show_B_L", s.lightingControl);
    b.writeBool(T, "Show_Brig", s.brightnessControl);
    for (bool second : {false, true}) {
        for (int r = 1; r <= 5; ++r)
            b.writeBool(T, showKey(r, second), s.shown[showIndex(r, second)]);
    }
    b.writeBool(T, "Replys", s.oneWay);
    for (int k = 1; k <= 10; ++k)
        b.writeString(T, nameKey(k), s.productNames[k - 1].toLatin1());
    for (int r = 1; r <= 5; ++r)
        b.writeString(T, currencyKey(r), s.currencies[r - 1].toLatin1());
    b.writeInteger(T, "Board_type", s.boardType);
    b.writeInteger(T, "Digits", s.digits);
    b.writeInteger(T, "Fill_char", s.fillMode);
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
