#include "core/link/PortNames.h"

#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace PortNames {

QString devicePath(const QString &name)
{
    if (name.startsWith(QLatin1Char('/')))
        return name;
#ifdef Q_OS_WIN
    return name;
#else
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,9})$"));
    const QRegularExpressionMatch m = com.match(name);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n >= 1)
            return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    }
    return name;
#endif
}

bool naturalLess(const QString &a, const QString &b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ie = i, je = j;
            while (ie < a.size() && a[ie].isDigit())
                ++ie;
            while (je < b.size() && b[je].isDigit())
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

QStringList systemPorts()
{
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        const QString name = info.portName();
#else
        const QString name = info.systemLocation();
#endif
        if (!names.contains(name))
            names << name;
    }
    return names;
}

QStringList candidates(const QStringList &reported, const QString &remembered)
{
    QStringList names;
    for (const QString &name : reported) {
        if (!names.contains(name))
            names << name;
    }
    const QString rememberedPath = devicePath(remembered);
    const bool listed = std::any_of(names.cbegin(), names.cend(),
                                    [&](const QString &n) { return devicePath(n) == rememberedPath; });
    if (!remembered.isEmpty() && !listed)
        names << remembered;
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

} // namespace PortNames
