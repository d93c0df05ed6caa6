#pragma once
// Serial port names: the device path of a name, the order ports are listed in, and the list of
// ports worth trying.
#include <QString>
#include <QStringList>

namespace PortNames {

// The device path of a port name: a text that starts with "/" is used as it is; "COMn" is
// /dev/ttyS(n-1) on Linux and stays "COMn" on Windows; anything else is used as it is.
QString devicePath(const QString &name);

// Orders names as people count: "ttyS2" before "ttyS10"; leading zeros of a number do not count.
bool naturalLess(const QString &a, const QString &b);

// The ports the system reports (device paths on Linux, "COMn" names on Windows), without repeats.
QStringList systemPorts();

// The names to try, in natural order: the reported ones, plus the remembered one when no reported
// name reaches the same device (a pseudo-terminal or a link to a port is never reported).
QStringList candidates(const QStringList &reported, const QString &remembered);

} // namespace PortNames
