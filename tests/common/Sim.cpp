#include "Sim.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

QString Sim::program()
{
#ifdef BOARD_SIM_PATH
    return QStringLiteral(BOARD_SIM_PATH);
#else
    return QStringLiteral("tablo-board-sim");
#endif
}

Sim::Sim(const QStringList &options, int timeoutMs)
    : m_dir(std::make_unique<QTemporaryDir>()), m_proc(std::make_unique<QProcess>())
{
    m_rawPath = QDir(m_dir->path()).filePath(QStringLiteral("received.raw"));
    QStringList args{QStringLiteral("--raw"), m_rawPath, QStringLiteral("--quit-on-eof")};
    args += options;
    m_proc->setProcessChannelMode(QProcess::SeparateChannels);
    m_proc->start(program(), args);
    if (!m_proc->waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program(), m_proc->errorString());
        return;
    }
    QByteArray line;
    if (!waitForLine([](const QByteArray &l) { return l.startsWith("PORT "); }, timeoutMs, &line)) {
        m_error = QStringLiteral("no PORT line; stderr: %1").arg(QString::fromLocal8Bit(m_proc->readAllStandardError()));
        m_port.clear();
    }
}

Sim::~Sim()
{
    if (m_proc->state() != QProcess::NotRunning) {
        m_proc->write("quit\n");
        m_proc->closeWriteChannel();
        if (!m_proc->waitForFinished(3000)) {
            m_proc->kill();
            m_proc->waitForFinished(3000);
        }
    }
}

void Sim::takeOutput()
{
    const QByteArray data = m_proc->readAllStandardOutput();
    if (data.isEmpty())
        return;
    m_out += data;
    m_partial += data;
    int nl;
    while ((nl = m_partial.indexOf('\n')) >= 0) {
        QByteArray l = m_partial.left(nl);
        m_partial.remove(0, nl + 1);
        if (l.endsWith('\r'))
            l.chop(1);
        if (l.startsWith("PORT "))
            m_port = QString::fromLocal8Bit(l.mid(5));
        m_lines << l;
    }
}

bool Sim::waitForLine(const std::function<bool(const QByteArray &)> &match, int timeoutMs, QByteArray *line)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        takeOutput();
        for (int i = 0; i < m_lines.size(); ++i) {
            if (match(m_lines[i])) {
                if (line)
                    *line = m_lines[i];
                m_lines.removeAt(i);
                return true;
            }
        }
        if (deadline.hasExpired() || m_proc->state() == QProcess::NotRunning)
            return false;
        m_proc->waitForReadyRead(int(qBound<qint64>(qint64(1), deadline.remainingTime(), qint64(100))));
    }
}

bool Sim::control(const QString &command, int timeoutMs)
{
    post(command);
    const QByteArray okLine = "CTL OK " + command.toLocal8Bit();
    const QByteArray errTail = ": " + command.toLocal8Bit();
    QByteArray line;
    if (!waitForLine([&](const QByteArray &l) { return l == okLine || (l.startsWith("CTL ERROR ") && l.endsWith(errTail)); },
                     timeoutMs, &line))
        return false;
    return line == okLine;
}

void Sim::post(const QString &command)
{
    m_proc->write(command.toLocal8Bit() + '\n');
}

QByteArray Sim::output()
{
    takeOutput();
    return m_out;
}

QByteArray Sim::received() const
{
    QFile f(m_rawPath);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

int Sim::receivedCount(const QByteArray &needle) const
{
    return int(received().count(needle));
}

bool Sim::waitForReceived(const QByteArray &needle, int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    while (receivedCount(needle) < count) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
    return true;
}
