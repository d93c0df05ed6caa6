#include "gui/SerialPort.h"

#include <QRegularExpression>
#include <QSerialPort>

SerialPort::SerialPort(QObject *parent) : QObject(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(int(e)); });
    connect(m_port, &QSerialPort::readyRead, this, &SerialPort::bytesArrived);
}

SerialPort::~SerialPort()
{
    if (m_state != State::None)
        close();
}

QString SerialPort::devicePath(const QString &name)
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

SerialPort::State SerialPort::open(const QString &name, const QString &baud, const QString &parity)
{
    if (m_state != State::None)
        close();
    m_broken = false;
    m_errors = 0;

    bool baudOk = false;
    const int rate = baud.trimmed().toInt(&baudOk);
    // A speed that is not a number cannot be set: the open fails like a missing port.
    if (name.isEmpty() || !baudOk || rate <= 0)
        return m_state = State::Failed;

    QSerialPort::Parity p = QSerialPort::NoParity;
    if (parity == QLatin1String("Odd"))
        p = QSerialPort::OddParity;
    else if (parity == QLatin1String("Even"))
        p = QSerialPort::EvenParity;
    else if (parity == QLatin1String("Mark"))
        p = QSerialPort::MarkParity;
    else if (parity == QLatin1String("Space"))
        p = QSerialPort::SpaceParity;

    m_port->setPortName(devicePath(name));
    m_port->setBaudRate(rate);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setParity(p);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->setReadBufferSize(2048);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_port->clearError();
        return m_state = State::Failed;
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

void SerialPort::close()
{
    if (m_port->isOpen()) {
        // The lines and the input queue are dropped while the port is still ours; errors of a
        // port whose other end has gone do not matter any more.
        m_state = State::None;
        m_port->setDataTerminalReady(false);
        m_port->setRequestToSend(false);
        m_port->clear(QSerialPort::Input);
        m_port->close();
        m_port->clearError();
    }
    m_state = State::None;
    m_broken = false;
}

void SerialPort::onError(int error)
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
    QMetaObject::invokeMethod(this, &SerialPort::failIfBroken, Qt::QueuedConnection);
}

void SerialPort::failIfBroken()
{
    if (!m_broken || m_state != State::Open)
        return;
    close();
    m_state = State::Failed;
}

void SerialPort::writeCommand(const QByteArray &bytes)
{
    failIfBroken();
    if (m_state != State::Open)
        return;
    // Whatever came in since the last read (an unsolicited event line, say) is dropped: clear()
    // empties the port object's own buffer as well as the driver's queue.
    m_port->clear(QSerialPort::Output);
    m_port->clear(QSerialPort::Input);
    for (const char c : bytes) {
        m_port->write(&c, 1);
        m_port->flush();
        failIfBroken();
        if (m_state != State::Open)
            return;
    }
    // A byte the line could not take at once gets about five seconds, like a timed write; what is
    // still pending after that is dropped.
    if (m_port->bytesToWrite() > 0 && !m_port->waitForBytesWritten(5000)) {
        failIfBroken();
        if (m_state == State::Open)
            m_port->clear(QSerialPort::Output);
    }
}

bool SerialPort::readBufferedByte(char &out)
{
    failIfBroken();
    if (m_state != State::Open || m_port->bytesAvailable() <= 0)
        return false;
    return m_port->getChar(&out);
}

bool SerialPort::readByte(char &out)
{
    if (readBufferedByte(out))
        return true;
    if (m_state != State::Open)
        return false;
    m_port->waitForReadyRead(1);
    return readBufferedByte(out);
}
