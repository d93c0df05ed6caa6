#include "core/link/PortNames.h"

#include "core/text/Numbers.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSerialPortInfo>

#include <algorithm>

namespace PortNames {

QString devicePath(const QString &name)
{
    if (name.startsWith(QLatin1Char('/'))) {
        const QFileInfo info(name);
        if (info.isSymLink()) {
            const QString target = info.canonicalFilePath();
            if (!target.isEmpty())
                return target;
        }
        return name;
    }
#ifdef Q_OS_WIN
    return name;
#else
    if (isComPortName(name)) {
        const int n = name.mid(3).toInt();
        if (n >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return name;
#endif
}

namespace {
// Only '0' .. '9' make numbers: other scripts' digits, compared as numbers of other values, would
// break the order's consistency.
bool isAsciiDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
} // namespace

bool naturalLess(const QString &a, const QString &b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            int ie = i, je = j;
            while (ie < a.size() && isAsciiDigit(a[ie]))
                ++ie;
            while (je < b.size() && isAsciiDigit(b[je]))
                ++je;
            QStringView da = QStringView(a).mid(i, ie - i), db = QStringView(b).mid(j, je - j);
            while (da.size() > 1 && da.front() == QLatin1Char('0'))
                da = da.mid(1);
            while (db.size() > 1 && db.front() == QLatin1Char('0'))
                db = db.mid(1);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

namespace {

// A path's final location, for telling whether two names reach the same device.
QString sameDeviceKey(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

QString describe(const QString &description, const QString &manufacturer)
{
    QStringList parts;
    for (const QString &part : {description.trimmed(), manufacturer.trimmed()}) {
        if (!part.isEmpty() && !parts.contains(part))
            parts << part;
    }
    return parts.join(QStringLiteral(", "));
}

void sortNaturally(QList<PortEntry> &entries)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const PortEntry &a, const PortEntry &b) { return naturalLess(a.name, b.name); });
}

} // namespace

QList<PortEntry> reportedPorts()
{
    QList<PortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = info.portName();
#else
        const QString name = info.systemLocation();
#endif
        if (std::none_of(ports.cbegin(), ports.cend(), [&](const PortEntry &e) { return e.name == name; }))
            ports << PortEntry{name, name, describe(info.description(), info.manufacturer())};
    }
    return ports;
}

QList<PortEntry> scanPorts(const QString &devRoot, const QList<PortEntry> &reported, const QString &remembered)
{
    // What the system says of each device, by where the device really is.
    QHash<QString, QString> descriptions;
    for (const PortEntry &port : reported)
        descriptions.insert(sameDeviceKey(port.device), port.description);

    const QString byIdFolder = QDir(devRoot).filePath(QStringLiteral("serial/by-id"));
    QList<PortEntry> stable;
    const QFileInfoList links =
        QDir(byIdFolder).entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &link : links) {
        const QString device = link.isSymLink() ? link.canonicalFilePath() : QString();
        if (device.isEmpty())
            continue; // not a link, or a link to nothing
        stable << PortEntry{link.absoluteFilePath(), device, descriptions.value(device)};
    }

    QList<PortEntry> plain;
    for (const PortEntry &port : reported) {
        if (std::none_of(plain.cbegin(), plain.cend(), [&](const PortEntry &e) { return e.name == port.name; }))
            plain << port;
    }

    if (!remembered.isEmpty()) {
        const auto named = [&](const PortEntry &e) { return e.name == remembered; };
        if (std::none_of(stable.cbegin(), stable.cend(), named) && std::none_of(plain.cbegin(), plain.cend(), named)) {
            const bool stableName = remembered.startsWith(byIdFolder + QLatin1Char('/'));
            const QString key = sameDeviceKey(devicePath(remembered));
            // A plain name of the same device ("COM1" for /dev/ttyS0) is listed under the
            // operator's name; a stable name never stands in for another one.
            auto same = std::find_if(plain.begin(), plain.end(),
                                     [&](const PortEntry &e) { return sameDeviceKey(e.device) == key; });
            if (!stableName && same != plain.end()) {
                same->name = remembered;
            } else {
                const QString device = devicePath(remembered);
                const bool present = QFileInfo::exists(device);
                (stableName ? stable : plain)
                    << PortEntry{remembered, present ? device : QString(), descriptions.value(key)};
            }
        }
    }

    sortNaturally(stable);
    sortNaturally(plain);
    return stable + plain;
}

QList<PortEntry> systemPortScan(const QString &remembered)
{
    return scanPorts(QStringLiteral("/dev"), reportedPorts(), remembered);
}

} // namespace PortNames
