#pragma once
// Opening the serial port for tablo-cli, telling a port that another program holds (the window,
// a second tablo-cli) from one that cannot be opened at all.
#include <QSerialPort>
#include <QString>

class QtSerialLink;

struct PortOpen {
    enum Outcome { Opened, Busy, Failed };
    Outcome outcome = Failed;
    QString message;   // why it did not open, one line
};

// The process that holds the lock file QSerialPort takes for `devicePath` ("LCK..name" in one
// of the lock folders): its pid and program name, or pid 0 when no live process holds it.
struct LockHolder {
    qint64 pid = 0;
    QString program;
};
LockHolder portLockHolder(const QString &devicePath);

class PortAccess {
public:
    explicit PortAccess(QtSerialLink &link);
    ~PortAccess();
    PortAccess(const PortAccess &) = delete;
    PortAccess &operator=(const PortAccess &) = delete;

    // Opens `name` (a "COMn" name or a device path) at `baud`, no parity. The port is opened
    // for this process alone: QSerialPort takes the lock file and sets TIOCEXCL, which is
    // checked (and set where missing).
    PortOpen open(const QString &name, const QString &baud);
    void close();

private:
    QtSerialLink &m_link;
    QMetaObject::Connection m_errors;
    QSerialPort::SerialPortError m_error = QSerialPort::NoError;
    QString m_errorText;
};
