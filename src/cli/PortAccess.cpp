#include "cli/PortAccess.h"

#include <QRegularExpression>
#include <QSerialPort>

#include "core/link/QtSerialLink.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif

QString portFromArgument(const QString &name)
{
#ifdef Q_OS_UNIX
    static const QRegularExpression com(QRegularExpression::anchoredPattern(QStringLiteral("COM[0-9]+")));
    if (!name.isEmpty() && !name.contains(QLatin1Char('/')) && !com.match(name).hasMatch())
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

void PortAccess::close()
{
    // Closing releases the lock file and the exclusive mode.
    m_link.close();
}
