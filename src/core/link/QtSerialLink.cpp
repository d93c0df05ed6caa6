#include "core/link/QtSerialLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTimer>

#include "core/link/PortNames.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// A program that holds a port open.
struct Holder {
    qint64 pid = 0;
    QString program;
    QString staleLock;   // a lock file left by a process that no longer runs
    qint64 stalePid = 0;
};

QString programOf(qint64 pid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

// The holder named by a serial lock file "LCK..<name>" (QSerialPort, minicom, lockdev: the pid
// on the first line), when that process still runs.
Holder lockHolder(const QString &device)
{
    QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
                                 QStringLiteral("/tmp"), QStringLiteral("/var/tmp"), QStringLiteral("/var/lock/lockdev"),
                                 QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
    Holder stale;
    for (const QString &folder : folders) {
        QFile lock(folder + QStringLiteral("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = lock.readAll().split('\n');
        const qint64 pid = lines.value(0).trimmed().toLongLong();
        if (pid <= 0)
            continue;
        if (!QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid))) {
            stale = {0, QString(), lock.fileName(), pid};
            continue;
        }
        QString program = programOf(pid);
        if (program.isEmpty())
            program = QString::fromLocal8Bit(lines.value(1).trimmed());
        return {pid, program, {}, 0};
    }
    return stale;
}

// A process that has the device open, as far as /proc lets us look (our own processes, or all
// of them for root).
Holder openedBy(const QString &device)
{
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : pids) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QFileInfoList fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryInfoList(QDir::AllEntries | QDir::System);
        for (const QFileInfo &fd : fds) {
            if (fd.symLinkTarget() == device)
                return {pid, programOf(pid), {}, 0};
        }
    }
    return {};
}

QString userName()
{
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QStringLiteral("$USER") : user;
}

bool mayNotOpen(const QString &device)
{
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
}
#endif

} // namespace

QtSerialLink::QtSerialLink(QObject *parent) : SerialLink(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(int(e)); });
    connect(m_port, &QSerialPort::readyRead, this, &SerialLink::bytesArrived);
    m_writeTimeout = new QTimer(this);
    m_writeTimeout->setSingleShot(true);
    m_writeTimeout->setInterval(5000);
    connect(m_writeTimeout, &QTimer::timeout, this, [this] {
        failIfBroken();
        if (m_state == State::Open && m_port->bytesToWrite() > 0)
            m_port->clear(QSerialPort::Output);
    });
    connect(m_port, &QSerialPort::bytesWritten, this, [this] {
        if (m_port->bytesToWrite() == 0)
            m_writeTimeout->stop();
    });
}

QtSerialLink::~QtSerialLink()
{
    if (m_state != State::Closed)
        close();
}

SerialLink::State QtSerialLink::open(const QString &name, const QString &baud, const QString &parity)
{
    if (m_state != State::Closed)
        close();
    m_broken = false;
    m_errors = 0;
    m_openProblem = OpenProblem::None;
    m_openError.clear();

    bool baudOk = false;
    const int rate = baud.trimmed().toInt(&baudOk);
    if (name.isEmpty())
        return openFailed(OpenProblem::NoName, QStringLiteral("No serial port is chosen."));
    if (!baudOk || rate <= 0) // a speed that is not a number cannot be set
        return openFailed(OpenProblem::BadSpeed, QStringLiteral("%1 cannot be opened: the speed \"%2\" is not a number of bits per second.")
                                                     .arg(name, baud));

    QSerialPort::Parity p = QSerialPort::NoParity;
    if (parity == QLatin1String("Odd"))
        p = QSerialPort::OddParity;
    else if (parity == QLatin1String("Even"))
        p = QSerialPort::EvenParity;
    else if (parity == QLatin1String("Mark"))
        p = QSerialPort::MarkParity;
    else if (parity == QLatin1String("Space"))
        p = QSerialPort::SpaceParity;

    const QString device = PortNames::devicePath(name);
    m_port->setPortName(device);
    m_port->setBaudRate(rate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setParity(p);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->setReadBufferSize(2048);
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port->error();
        const QString reason = m_port->errorString();
        m_port->clearError();
        if (error == QSerialPort::DeviceNotFoundError
#ifdef Q_OS_UNIX
            || !QFileInfo::exists(device)
#endif
        )
            return openFailed(OpenProblem::NotPresent, QStringLiteral("%1 is not present: no such device").arg(name));
#ifdef Q_OS_UNIX
        if (mayNotOpen(device)) {
            QString group = QFileInfo(device).group();
            if (group.isEmpty() || group == QLatin1String("root"))
                group = QStringLiteral("dialout");
            return openFailed(OpenProblem::NoPermission,
                              QStringLiteral("No permission to open %1: add yourself to the %2 group with: sudo usermod -aG %2 %3"
                                 " — then log out and in again")
                                  .arg(name, group, userName()));
        }
        // Refused although we may open it: a lock file or the exclusive mode of another program.
        Holder holder = lockHolder(device);
        // A lock file of a process that died (killed, or a crash) that we may not remove: no one
        // holds the port, but every open fails until the file is gone.
        if (holder.pid == 0 && !holder.staleLock.isEmpty() && error == QSerialPort::PermissionError)
            return openFailed(OpenProblem::Other,
                              QStringLiteral("%1 cannot be opened: the lock file %2 is left over from process %3, which "
                                             "no longer runs; remove it with: sudo rm %2")
                                  .arg(name, holder.staleLock)
                                  .arg(holder.stalePid));
        if (holder.pid == 0 && error == QSerialPort::PermissionError)
            holder = openedBy(device);
        if (holder.pid != 0 || error == QSerialPort::PermissionError) {
            QString text = QStringLiteral("%1 is in use by another program").arg(name);
            if (holder.pid != 0) {
                text += holder.program.isEmpty() ? QStringLiteral(" (pid %1)").arg(holder.pid)
                                                 : QStringLiteral(": %1 (pid %2)").arg(holder.program).arg(holder.pid);
                // Two services that take every USB serial converter they see.
                if (holder.program == QLatin1String("ModemManager"))
                    text += QStringLiteral(" — stop it with: sudo systemctl disable --now ModemManager");
                else if (holder.program.startsWith(QLatin1String("brltty")))
                    text += QStringLiteral(" — remove it with: sudo apt-get remove brltty");
            }
            return openFailed(OpenProblem::Busy, text);
        }
#else
        if (error == QSerialPort::PermissionError)
            return openFailed(OpenProblem::Busy, QStringLiteral("%1 is in use by another program").arg(name));
#endif
        return openFailed(OpenProblem::Other, QStringLiteral("%1 cannot be opened: %2").arg(name, reason));
    }
    m_state = State::Open;
    // A pseudo-terminal has no modem lines: setting them fails there, and the port is
    // still usable.
    m_port->setRequestToSend(true);
    m_port->setDataTerminalReady(true);
    if (m_port->error() == QSerialPort::UnsupportedOperationError)
        m_port->clearError();
    failIfBroken();
    return m_state;
}

SerialLink::State QtSerialLink::openFailed(OpenProblem problem, const QString &text)
{
    m_openProblem = problem;
    m_openError = text;
    return m_state = State::Failed;
}

void QtSerialLink::close()
{
    m_writeTimeout->stop();
    if (m_port->isOpen()) {
        // The lines and the input queue are dropped while the port is still ours; errors of a
        // port whose other end has gone do not matter any more.
        m_state = State::Closed;
        m_port->setDataTerminalReady(false);
        m_port->setRequestToSend(false);
        m_port->clear(QSerialPort::Input);
        m_port->close();
        m_port->clearError();
    }
    m_state = State::Closed;
    m_broken = false;
}

void QtSerialLink::onError(int error)
{
    const auto e = QSerialPort::SerialPortError(error);
    if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError)
        return;
    if (m_state != State::Open)
        return;
    ++m_errors;
    if (m_broken)
        return;
    // Only the first error counts. The port is closed once control is back outside the serial
    // port's own code: soon by the next read or write, at the latest by the queued call, so a
    // port whose other end hung up cannot flood the event loop with errors.
    m_broken = true;
    QMetaObject::invokeMethod(this, &QtSerialLink::failIfBroken, Qt::QueuedConnection);
}

void QtSerialLink::failIfBroken()
{
    if (!m_broken || m_state != State::Open)
        return;
    close();
    m_state = State::Failed;
}

void QtSerialLink::write(const QByteArray &bytes)
{
    failIfBroken();
    if (m_state != State::Open)
        return;
    // Whatever came in since the last read (an unsolicited event line, say) is dropped: clear()
    // empties the port object's own buffer as well as the driver's queue.
    m_port->clear(QSerialPort::Output);
    m_port->clear(QSerialPort::Input);
    // The whole command in one write: the line sends its bytes back to back all the same, and
    // a byte per system call cost a hundred calls (and as many wake-ups) per upload.
    m_port->write(bytes);
    m_port->flush();
    failIfBroken();
    if (m_state != State::Open)
        return;
    // A byte the line could not take at once gets about five seconds, like a timed write, while
    // the event loop goes on; what is still pending after that is dropped.
    if (m_port->bytesToWrite() > 0)
        m_writeTimeout->start();
}

bool QtSerialLink::readBufferedByte(char &out)
{
    failIfBroken();
    if (m_state != State::Open || m_port->bytesAvailable() <= 0)
        return false;
    return m_port->getChar(&out);
}
