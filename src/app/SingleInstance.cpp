#include "app/SingleInstance.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <cerrno>
#include <cstring>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
QString userSuffix()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("-%1").arg(::getuid());
#else
    return QStringLiteral("-") + qEnvironmentVariable("USERNAME");
#endif
}
} // namespace

SingleInstance::SingleInstance(const QString &mapName, const QString &title, const QString &lockDir, QObject *parent)
    : QObject(parent)
{
    const QDir dir = lockDir.isEmpty() ? QDir::temp() : QDir(lockDir);
    m_lockPath = dir.filePath(mapName + userSuffix() + QStringLiteral(".lock"));
    m_serverName = title + userSuffix();
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

SingleInstance::Result SingleInstance::start()
{
    // A running instance that answers ends this start at once.
    {
        QLocalSocket probe;
#ifdef Q_OS_LINUX
        probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
#endif
        probe.connectToServer(m_serverName, QIODevice::WriteOnly);
        if (probe.waitForConnected(1000)) {
            QByteArray msg;
            QDataStream(&msg, QIODevice::WriteOnly) << Message << quint32(0) << quint32(0);
            probe.write(msg);
            probe.waitForBytesWritten(1000);
            probe.disconnectFromServer();
            return OtherAnswered;
        }
    }
    m_lock = std::make_unique<QLockFile>(m_lockPath);
    // A live holder is never stale; one whose process has gone is.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Run;
    if (m_lock->error() == QLockFile::LockFailedError) {
        // Another instance holds the lock but nothing answers: run as a full instance.
        m_heldElsewhere = true;
        return Run;
    }
    // The lock cannot be made at all: the system's own text for the reason.
    QFile probe(m_lockPath);
    if (!probe.open(QIODevice::ReadWrite))
        m_error = probe.errorString();
    else
        m_error = QString::fromLocal8Bit(std::strerror(EACCES));
    return LockFailed;
}

bool SingleInstance::listen()
{
    m_server = new QLocalServer(this);
#ifdef Q_OS_LINUX
    m_server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
#else
    // Remove a leftover name only when nothing answers on it.
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (!probe.waitForConnected(200) && probe.error() == QLocalSocket::ConnectionRefusedError)
        QLocalServer::removeServer(m_serverName);
#endif
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *s = m_server->nextPendingConnection()) {
            // The running instance takes no action on the message.
            ++m_messages;
            connect(s, &QLocalSocket::readyRead, s, [s] { s->readAll(); });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    return m_server->listen(m_serverName);
}
