#pragma once
// Opening the serial port for tablo-cli, telling a port that another program holds (the window,
// a second tablo-cli) from one that cannot be opened at all, and from settings it cannot be
// opened with.
#include <QString>

class QtSerialLink;

struct PortOpen {
    enum Outcome { Opened, Busy, BadSetting, Failed };
    Outcome outcome = Failed;
    QString message;   // why it did not open, one line
    bool badSpeed = false;   // BadSetting: the baud rate (else the port name)
};

// A port name as the operator types it: "ttyUSB0" is /dev/ttyUSB0; "COMn" and paths stay.
QString portFromArgument(const QString &name);

class PortAccess {
public:
    explicit PortAccess(QtSerialLink &link) : m_link(link) {}

    // Opens `name` (a "COMn" name or a device path) at `baud`, no parity. The port is opened
    // for this process alone: QSerialPort takes the lock file and sets TIOCEXCL, which is
    // checked (and set where missing).
    PortOpen open(const QString &name, const QString &baud);
    void close();

private:
    void readLines();   // the driver hands over whole lines
    QtSerialLink &m_link;
};
