#include "cli/PortAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/link/PortNames.h"
#include "core/link/QtSerialLink.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

LockHolder portLockHolder(const QString &devicePath)
{
    LockHolder holder;
#ifdef Q_OS_UNIX
    // QSerialPort names its lock file after the port name without "/dev/", "/" becoming "_".
    QString name = devicePath.startsWith(QLatin1String("/dev/")) ? devicePath.mid(5) : devicePath;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders{QStringLiteral("/var/lock"),   QStringLiteral("/etc/locks"),
                              QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                              QStringLiteral("/tmp"),        QStringLiteral("/var/tmp"),
                              QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock")};
    for (const QString &folder : folders) {
        QFile lock(folder + QStringLiteral("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        // The lock file holds the pid and the program's name, one a line.
        const QList<QByteArray> lines = lock.read(4096).split('\n');
        bool ok = false;
        const qint64 pid = lines.value(0).trimmed().toLongLong(&ok);
        if (!ok || pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno == ESRCH))
            continue;
        holder.pid = pid;
        holder.program = QString::fromLocal8Bit(lines.value(1).trimmed());
        break;
    }
#else
    Q_UNUSED(devicePath);
#endif
    return holder;
}

PortAccess::PortAccess(QtSerialLink &link) : m_link(link)
{
    // The link clears the port's error after a failed open: the reason is caught on its way.
    m_errors = QObject::connect(link.port(), &QSerialPort::errorOccurred, link.port(), [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError) {
            m_error = e;
            m_errorText = m_link.port()->errorString();
        }
    });
}

PortAccess::~PortAccess()
{
    // The link outlives this object and reports errors still when it closes.
    QObject::disconnect(m_errors);
}

PortOpen PortAccess::open(const QString &name, const QString &baud)
{
    m_error = QSerialPort::NoError;
    m_errorText.clear();
    const QString device = PortNames::devicePath(name);
    PortOpen result;
    if (m_link.open(name, baud, QStringLiteral("None")) == SerialLink::State::Open) {
#if defined(Q_OS_UNIX) && defined(TIOCGEXCL)
        // QSerialPort asks for exclusive use; make sure of it, so no other process can open the
        // device while we talk (root is not held back by it: the lock file is what counts then).
        int exclusive = 0;
        const int fd = int(m_link.port()->handle());
        if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && !exclusive)
            ::ioctl(fd, TIOCEXCL);
#endif
        result.outcome = PortOpen::Opened;
        return result;
    }

    const LockHolder holder = portLockHolder(device);
    if (holder.pid > 0) {
        result.outcome = PortOpen::Busy;
        result.message = QStringLiteral("Port %1 is in use by another program (pid %2%3)")
                             .arg(name)
                             .arg(holder.pid)
                             .arg(holder.program.isEmpty() ? QString() : QStringLiteral(", ") + holder.program);
        return result;
    }
    bool busy = m_error == QSerialPort::PermissionError && m_errorText.contains(QLatin1String("lock"));
#ifdef Q_OS_UNIX
    // A device opened for exclusive use by a program without the lock file answers EBUSY.
    if (!busy && m_error == QSerialPort::PermissionError) {
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
        else
            busy = errno == EBUSY;
    }
#endif
    if (busy) {
        result.outcome = PortOpen::Busy;
        result.message = QStringLiteral("Port %1 is in use by another program").arg(name);
        return result;
    }
    result.outcome = PortOpen::Failed;
    result.message = QStringLiteral("cannot open port %1 (%2): %3")
                         .arg(name, device, m_errorText.isEmpty() ? QStringLiteral("no such port or bad baud rate")
                                                                  : m_errorText);
    return result;
}

void PortAccess::close()
{
    m_link.close();
}
