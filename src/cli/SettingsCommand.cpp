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

using SettingsStore::ProgramKey;
using SettingKey = ProgramKey;

// The key an argument names ("Digits", "tablo/digits"), or nullptr.
const SettingKey *findKey(const QString &name)
{
    const QString section = name.contains(QLatin1Char('/')) ? name.section(QLatin1Char('/'), 0, 0) : QString();
    return SettingsStore::programKey(section.isNull() ? QByteArray() : section.toLatin1(),
                                     name.section(QLatin1Char('/'), -1).toLatin1());
}

// Why `value` cannot be stored under `k`; empty when it can.
QString valueProblem(const SettingKey &k, const QString &value)
{
    bool ok = false;
    switch (k.kind) {
    case SettingKey::Number:
    case SettingKey::Selector: {
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
                error = QStringLiteral("settings: %1 %2, not \"%3\"").arg(QString::fromLatin1(k->key), problem, value);
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
            ProgramSettings s = model.program();
            QString value = argument.mid(argument.indexOf(QLatin1Char('=')) + 1);
            if (k->kind == SettingKey::Port)
                value = portFromArgument(value);
            k->set(s, value);
            model.setProgram(s);
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
        for (const SettingKey &k : SettingsStore::programKeys()) {
            if (QString::fromLatin1(k.section) != section)
                printOut(QLatin1Char('[') + (section = QString::fromLatin1(k.section)) + QLatin1Char(']'));
            printOut(QString::fromLatin1(k.key) + QLatin1Char('=') + k.get(model.program()));
        }
    }
    for (const SettingKey *k : shown)
        printOut(QString::fromLatin1(k->key) + QLatin1Char('=') + k->get(model.program()));
    return ExitOk;
}
