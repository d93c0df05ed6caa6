#pragma once
// Serial port names: the device path of a name, the order ports are listed in, and the port scan.
#include <QList>
#include <QString>
#include <QStringList>

namespace PortNames {

// The device path of a port name: "COMn" is /dev/ttyS(n-1) on Linux and stays "COMn" on
// Windows; a path that is a link (/dev/serial/by-id/usb-..., a link to a pseudo-terminal) is the
// device the link points to now, so a converter that comes back under another number after a
// replug is still reached by its stable name; any other text is used as it is.
QString devicePath(const QString &name);

// Orders names as people count: "ttyS2" before "ttyS10"; leading zeros of a number do not count.
// Numbers are runs of '0' .. '9'; any other character is compared as it is.
bool naturalLess(const QString &a, const QString &b);

// One entry of the port list: the name to show and store, the device it reaches now (empty when
// a stable name points nowhere, the converter being unplugged), and what the system says of the
// device ("FT232R USB UART, FTDI"; may be empty), for a tool tip.
struct PortEntry {
    QString name;
    QString device;
    QString description;
    bool operator==(const PortEntry &) const = default;
};

// The ports the system reports, each under its device path, with its description.
QList<PortEntry> reportedPorts();

// The port list over the device folder `devRoot` ("/dev" on Linux): first each link in
// <devRoot>/serial/by-id under its full path, which stays the same whatever number the converter
// gets, then the reported ports under their plain names; the remembered name is kept in its group
// when nothing listed has that name (a pseudo-terminal, an unplugged converter, "COM3"). Each group
// is in natural order, without repeats.
QList<PortEntry> scanPorts(const QString &devRoot, const QList<PortEntry> &reported, const QString &remembered);

// scanPorts over this system's /dev and reported ports.
QList<PortEntry> systemPortScan(const QString &remembered);

} // namespace PortNames
