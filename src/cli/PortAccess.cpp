#include "cli/PortAccess.h"

#include <QSerialPort>

#include "core/link/QtSerialLink.h"
#include "core/text/Numbers.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

QString portFromArgument(const QString &name)
{
#ifdef Q_OS_UNIX
    if (!name.isEmpty() && !name.contains(QLatin1Char('/'))
        && !(name.startsWith(QLatin1String("COM")) && isDigits(QStringView(name).mid(3))))
        return QStringLiteral("/dev/") + name;
#endif
    return name;
}

PortOpen PortAccess::open(const QString &name, const QString &baud)
{
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
        readLines();
        result.outcome = PortOpen::Opened;
        return result;
    }
    // The link tells why in the operator's words: who holds the port, the group that may open
    // it, a lock file left by a dead process, a speed that is no number.
    result.message = m_link.lastOpenError();
    switch (m_link.lastOpenProblem()) {
    case QtSerialLink::OpenProblem::Busy:
        result.outcome = PortOpen::Busy;
        break;
    case QtSerialLink::OpenProblem::NoName:
    case QtSerialLink::OpenProblem::BadSpeed:
        result.outcome = PortOpen::BadSetting;
        result.badSpeed = m_link.lastOpenProblem() == QtSerialLink::OpenProblem::BadSpeed;
        break;
    default:
        result.outcome = PortOpen::Failed;
        break;
    }
    return result;
}

void PortAccess::readLines()
{
#ifdef Q_OS_UNIX
    // Every line of the board ends in CR LF, and no byte before the end is of use: in canonical
    // mode the driver wakes this process when a CR or an LF came instead of for every byte (a
    // hundred wake-ups for one upload's replies at 9600 Bd). Nothing else changes: no echo, no
    // signals, no erase, kill or end-of-file character (a disabled one is no character at all),
    // no CR or LF translation. The driver keeps at most 4095 bytes of an unfinished line: a
    // longer line reaches the protocol cut to its first 4094 bytes and its CR (it is no reply of
    // the board's either way; before, it was dropped whole).
    const int fd = int(m_link.port()->handle());
    termios t;
    if (::tcgetattr(fd, &t) != 0)
        return;   // the byte-wise reading stays
    t.c_lflag |= ICANON;
    t.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL | ISIG | IEXTEN);
    t.c_iflag &= ~tcflag_t(ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF);
    for (const int special : {VEOF, VEOL2, VERASE, VKILL})
        t.c_cc[special] = _POSIX_VDISABLE;
    t.c_cc[VEOL] = '\r';
    ::tcsetattr(fd, TCSANOW, &t);
#endif
}

void PortAccess::close()
{
    // Closing releases the lock file and the exclusive mode.
    m_link.close();
}
