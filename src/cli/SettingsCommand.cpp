#include "cli/SettingsCommand.h"

#include <QDir>
#include <QFileInfo>
#include <functional>

#include "cli/CliContext.h"
#include "cli/Output.h"
#include "cli/PortAccess.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"

namespace {

struct SettingKey {
    enum Kind { Text, Port, Baud, Flag, Number };
    QString section, key;
    Kind kind = Text;
    int lo = 0, hi = 0;   // the range of a number
    std::function<QString(const ProgramSettings &)> get;
    std::function<void(SettingsModel &, const QString &)> set;
};

SettingKey number(const char *section, const char *key, int lo, int hi, int ProgramSettings::*member,
                  void (SettingsModel::*setter)(int))
{
    return {QLatin1String(section), QLatin1String(key), SettingKey::Number, lo, hi,
            [member](const ProgramSettings &s) { return QString::number(s.*member); },
            [setter](SettingsModel &m, const QString &v) { (m.*setter)(v.toInt()); }};
}

SettingKey flag(const char *section, const QString &key, std::function<bool(const ProgramSettings &)> get,
                std::function<void(SettingsModel &, bool)> set)
{
    return {QLatin1String(section), key, SettingKey::Flag, 0, 1,
            [get](const ProgramSettings &s) { return get(s) ? QStringLiteral("1") : QStringLiteral("0"); },
            [set](SettingsModel &m, const QString &v) { set(m, v == QLatin1String("1")); }};
}

SettingKey flag(const char *section, const char *key, bool ProgramSettings::*member, void (SettingsModel::*setter)(bool))
{
    return flag(section, QLatin1String(key), [member](const ProgramSettings &s) { return s.*member; },
                [setter](SettingsModel &m, bool on) { (m.*setter)(on); });
}

// The keys in the order the window saves them.
const QList<SettingKey> &settingKeys()
{
    static const QList<SettingKey> keys = [] {
        QList<SettingKey> k;
        k << SettingKey{QStringLiteral("Settings"), QStringLiteral("BaudRAte"), SettingKey::Baud, 0, 0,
                        [](const ProgramSettings &s) { return s.baudRate; },
                        [](SettingsModel &m, const QString &v) { m.setBaudRate(v); }};
        k << SettingKey{QStringLiteral("Settings"), QStringLiteral("Port_Number"), SettingKey::Port, 0, 0,
                        [](const ProgramSettings &s) { return s.port; },
                        [](SettingsModel &m, const QString &v) { m.setPort(portFromArgument(v)); }};
        k << flag("Settings", "Auto_Load", &ProgramSettings::autoLoad, &SettingsModel::setAutoLoad);
        k << number("Settings", "Auto_Load_Intvl", 1000, 1000000, &ProgramSettings::autoLoadIntervalMs,
                    &SettingsModel::setAutoLoadInterval);
        k << flag("Settings", "Send_If_Changed", &ProgramSettings::sendIfChanged, &SettingsModel::setSendIfChanged);
        k << number("Settings", "Attempts", 1, 10, &ProgramSettings::attempts, &SettingsModel::setAttempts);
        k << number("Settings", "Timeout_for_command", 400, 10000, &ProgramSettings::timeoutMs, &SettingsModel::setTimeout);
        k << flag("Settings", "Manage_Checksumms", &ProgramSettings::checksums, &SettingsModel::setChecksums);
        k << number("Tablo", "Products", 1, 10, &ProgramSettings::productCount, &SettingsModel::setProductCount);
        k << number("Tablo", "Valutas", 1, 5, &ProgramSettings::currencyCount, &SettingsModel::setCurrencyCount);
        k << flag("Tablo", "Show_B_L", &ProgramSettings::lightingControl, &SettingsModel::setLightingControl);
        k << flag("Tablo", "Show_Brig", &ProgramSettings::brightnessControl, &SettingsModel::setBrightnessControl);
        // Row r's first show box holds slot 2r - 1, its second slot 2r.
        for (bool second : {false, true}) {
            for (int r = 1; r <= 5; ++r) {
                const int slot = 2 * r - (second ? 0 : 1);
                k << flag("Tablo", QStringLiteral("%1%2").arg(r).arg(second ? "a_st_Currency" : "st_Currency"),
                          [slot](const ProgramSettings &s) { return s.shown[slot - 1]; },
                          [slot](SettingsModel &m, bool on) { m.setShown(slot, on); });
            }
        }
        k << flag("Tablo", "Replys", &ProgramSettings::oneWay, &SettingsModel::setOneWay);
        for (int n = 1; n <= 10; ++n)
            k << SettingKey{QStringLiteral("Tablo"), QStringLiteral("Name_%1").arg(n), SettingKey::Text, 0, 0,
                            [n](const ProgramSettings &s) { return s.productNames[n - 1]; },
                            [n](SettingsModel &m, const QString &v) { m.setProductName(n, v); }};
        for (int n = 1; n <= 5; ++n)
            k << SettingKey{QStringLiteral("Tablo"), QStringLiteral("VAL_%1").arg(n), SettingKey::Text, 0, 0,
                            [n](const ProgramSettings &s) { return s.currencies[n - 1]; },
                            [n](SettingsModel &m, const QString &v) { m.setCurrency(n, v); }};
        k << number("Tablo", "Board_type", 0, 1, &ProgramSettings::boardType, &SettingsModel::setBoardType);
        k << number("Tablo", "Digits", 1, 5, &ProgramSettings::digits, &SettingsModel::setDigits);
        k << number("Tablo", "Fill_char", 0, 1, &ProgramSettings::fillMode, &SettingsModel::setFillMode);
        return k;
    }();
    return keys;
}

// The key an argument names ("Digits", "tablo/digits"), or nullptr.
const SettingKey *findKey(const QString &name)
{
    const QString section = name.contains(QLatin1Char('/')) ? name.section(QLatin1Char('/'), 0, 0) : QString();
    const QString key = name.section(QLatin1Char('/'), -1);
    for (const SettingKey &k : settingKeys()) {
        if (k.key.compare(key, Qt::CaseInsensitive) == 0
            && (section.isNull() || k.section.compare(section, Qt::CaseInsensitive) == 0))
            return &k;
    }
    return nullptr;
}

// Why `value` cannot be stored under `k`; empty when it can.
QString valueProblem(const SettingKey &k, const QString &value)
{
    bool ok = false;
    switch (k.kind) {
    case SettingKey::Number: {
        const int v = value.toInt(&ok);
        if (!ok || v < k.lo || v > k.hi)
            return QStringLiteral("takes %1 to %2").arg(k.lo).arg(k.hi);
        return {};
    }
    case SettingKey::Flag:
        return value == QLatin1String("0") || value == QLatin1String("1") ? QString() : QStringLiteral("takes 0 or 1");
    case SettingKey::Baud: {
        const int v = value.toInt(&ok);
        return ok && v > 0 && v <= 4000000 ? QString() : QStringLiteral("takes a number of bits per second, as 9600");
    }
    case SettingKey::Port:
        if (value.isEmpty())
            return QStringLiteral("takes a port name, as /dev/ttyUSB0 (tablo-cli ports lists them)");
        [[fallthrough]];
    case SettingKey::Text:
        // The file holds 8-bit text, one line per key; blanks around a value are not read back.
        for (const QChar c : value) {
            if (c.unicode() < 0x20 || c.unicode() > 0xFF || c.unicode() == 0x7F)
                return QStringLiteral("takes Latin-1 text without control characters");
        }
        if (value != value.trimmed())
            return QStringLiteral("takes text without blanks at its ends");
        return {};
    }
    return {};
}

} // namespace

bool checkSettingArguments(const QStringList &arguments, QString &error)
{
    for (const QString &argument : arguments) {
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const SettingKey *k = findKey(name);
        if (!k) {
            error = QStringLiteral("settings: no key \"%1\" (tablo-cli settings lists them)").arg(name);
            return false;
        }
        if (argument.contains(QLatin1Char('='))) {
            const QString value = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
            if (const QString problem = valueProblem(*k, value); !problem.isEmpty()) {
                error = QStringLiteral("settings: %1 %2, not \"%3\"").arg(k->key, problem, value);
                return false;
            }
        }
    }
    return true;
}

int runSettings(CliContext &c)
{
    const bool present = QFileInfo::exists(c.settingsPath);
    SettingsModel model(c.settingsPath);
    model.setProgram(present ? SettingsStore::loadProgram(c.settingsPath) : ProgramSettings());

    QList<const SettingKey *> shown;
    bool changed = false;
    for (const QString &argument : c.options.arguments) {
        const SettingKey *k = findKey(argument.section(QLatin1Char('='), 0, 0));
        shown << k;
        if (argument.contains(QLatin1Char('='))) {
            k->set(model, argument.mid(argument.indexOf(QLatin1Char('=')) + 1));
            changed = true;
        }
    }
    if (changed) {
        // The per-user folder may not be there yet on a machine where the window never ran.
        QDir().mkpath(QFileInfo(c.settingsPath).absolutePath());
        QString error;
        if (!model.saveProgram(&error)) {
            printErr(error);
            return ExitFileError;
        }
    } else if (!present) {
        printWarning(QStringLiteral("there is no settings file %1 yet: these are the defaults; "
                                "KEY=VALUE creates it")
                     .arg(c.settingsPath));
    }

    if (shown.isEmpty()) {
        QString section;
        for (const SettingKey &k : settingKeys()) {
            if (k.section != section)
                printOut(QLatin1Char('[') + (section = k.section) + QLatin1Char(']'));
            printOut(k.key + QLatin1Char('=') + k.get(model.program()));
        }
    }
    for (const SettingKey *k : shown)
        printOut(k->key + QLatin1Char('=') + k->get(model.program()));
    return ExitOk;
}
