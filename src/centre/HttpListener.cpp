#include "centre/HttpListener.h"

#include <QSslSocket>
#include <QTcpSocket>

#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int IdleMs = 10000;        // nothing sent for this long: closed
constexpr int WholeRequestMs = 30000;   // a request not whole by then: closed
constexpr int LingerMs = 2000;       // after a refusal, the peer's rest is read and dropped this long
constexpr qint64 SocketBuffer = 32 * 1024;

QByteArray reasonOf(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 408: return "Request Timeout";
    case 413: return "Content Too Large";
    case 431: return "Request Header Fields Too Large";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    case 505: return "HTTP Version Not Supported";
    default: return "Error";
    }
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &h : headerList)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    return QByteArray();
}

HttpConnection::HttpConnection(QTcpSocket *socket, qint64 maxBody, QObject *parent)
    : QObject(parent), m_socket(socket), m_maxBody(maxBody)
{
    socket->setParent(this);
    // Qt reads no more from the kernel than this until it is taken: what a peer sends beyond the
    // request being read waits there, not in memory.
    socket->setReadBufferSize(SocketBuffer);
    m_request.remote = socket->peerAddress();
    m_request.local = socket->localAddress();
    m_idle.setSingleShot(true);
    m_idle.setInterval(IdleMs);
    m_whole.setSingleShot(true);
    m_whole.setInterval(WholeRequestMs);
    const auto timedOut = [this] {
        if (m_state == State::Head && m_buffer.isEmpty())
            m_socket->abort();   // an idle kept-alive connection: no answer owed
        else if (m_state == State::Head || m_state == State::Body) {
            // Told why, as far as the kernel takes it at once, and closed now.
            refuse(408, "the request came too slowly");
            m_socket->flush();
            m_socket->abort();
        }
        else if (m_state == State::Closing)
            m_socket->abort();
    };
    connect(&m_idle, &QTimer::timeout, this, timedOut);
    connect(&m_whole, &QTimer::timeout, this, timedOut);
    m_idle.start();
    m_whole.start();
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readMore);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        emit closed();
        deleteLater();
    });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::RemoteHostClosedError && m_socket->state() != QAbstractSocket::UnconnectedState)
            m_socket->abort();
    });
    connect(socket, &QTcpSocket::bytesWritten, this, &HttpConnection::finishWriting);
}

void HttpConnection::finishWriting()
{
    if (m_state != State::Closing || m_socket->bytesToWrite() > 0)
        return;
    // Our side is done; the peer may still be sending what it was told is refused, so its rest
    // is read and dropped for a moment, letting it read the answer.
    if (qobject_cast<QSslSocket *>(m_socket))
        m_socket->disconnectFromHost();
    else
        ::shutdown(int(m_socket->socketDescriptor()), SHUT_WR);
}

void HttpConnection::readMore()
{
    if (m_state == State::Closing || m_state == State::Taken) {
        m_socket->skip(m_socket->bytesAvailable());
        return;
    }
    if (m_state == State::Handling)
        return;   // the next request waits in the socket's bounded buffer
    if (m_socket->bytesAvailable() > 0 || !m_buffer.isEmpty()) {
        m_idle.start();
        if (!m_whole.isActive())
            m_whole.start();
    }
    if (m_state == State::Head) {
        const qint64 room = HttpListener::MaxHead + 4 - m_buffer.size();
        if (room > 0)
            m_buffer += m_socket->read(room);
        qsizetype end = m_buffer.indexOf("\r\n\r\n");
        qsizetype skip = 4;
        const qsizetype bare = m_buffer.indexOf("\n\n");
        if (bare >= 0 && (end < 0 || bare < end)) {
            end = bare;
            skip = 2;
        }
        if (end < 0 || end > HttpListener::MaxHead) {
            if (m_buffer.size() > HttpListener::MaxHead)
                refuse(431, "the request's head is over 16 KiB");
            return;
        }
        const QList<QByteArray> lines = m_buffer.left(end).split('\n');
        m_buffer.remove(0, end + skip);
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        if (first.size() != 3 || !first[1].startsWith('/'))
            return refuse(400, "a request line METHOD /PATH HTTP/1.1 is needed");
        if (first[2] != "HTTP/1.1" && first[2] != "HTTP/1.0")
            return refuse(505, "HTTP/1.1 is spoken");
        m_request.method = first[0] == "GET"    ? HttpRequest::Method::Get
                           : first[0] == "POST" ? HttpRequest::Method::Post
                           : first[0] == "HEAD" ? HttpRequest::Method::Head
                                                : HttpRequest::Method::Other;
        m_request.url = QUrl::fromEncoded(first[1]);
        m_request.headerList.clear();
        m_request.body.clear();
        qint64 length = -1;
        for (qsizetype k = 1; k < lines.size(); ++k) {
            QByteArray line = lines[k];
            if (line.endsWith('\r'))
                line.chop(1);
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0 || line.startsWith(' ') || line.startsWith('\t') || line.left(colon).contains(' '))
                return refuse(400, "a malformed header");
            const QByteArray name = line.left(colon), value = line.mid(colon + 1).trimmed();
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
                bool ok = value.size() <= 18 && !value.isEmpty();
                for (char c : value)
                    ok = ok && c >= '0' && c <= '9';
                const qint64 n = ok ? value.toLongLong() : -1;
                if (!ok || (length >= 0 && n != length))
                    return refuse(400, "a malformed Content-Length");
                length = n;
            } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
                return refuse(501, "a body is taken with Content-Length only");
            }
            m_request.headerList.append({name, value});
        }
        if (length > m_maxBody)
            return refuse(413, "the request is too large");
        const QByteArray connection = m_request.header("Connection").toLower();
        m_keepAlive = first[2] == "HTTP/1.1" ? !connection.contains("close") : connection.contains("keep-alive");
        if (length > 0 && m_request.header("Expect").toLower() == "100-continue")
            m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
        m_bodyLength = qMax<qint64>(length, 0);
        m_state = State::Body;
    }
    if (m_state == State::Body) {
        const qint64 fromBuffer = qMin<qint64>(m_bodyLength - m_request.body.size(), m_buffer.size());
        m_request.body += m_buffer.left(fromBuffer);
        m_buffer.remove(0, fromBuffer);
        const qint64 need = m_bodyLength - m_request.body.size();
        if (need > 0)
            m_request.body += m_socket->read(need);
        if (m_request.body.size() < m_bodyLength)
            return;
        m_state = State::Handling;
        m_idle.stop();
        m_whole.stop();
        emit request(this, m_request);
    }
}

void HttpConnection::respond(const QByteArray &head, const QByteArray &body)
{
    if (m_state != State::Handling)
        return;
    m_socket->write(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: "
                    + (m_keepAlive ? "keep-alive" : "close") + "\r\n\r\n" + body);
    if (!m_keepAlive)
        return closeSoon();
    m_state = State::Head;
    m_request.body.clear();
    m_idle.start();
    // A request that came meanwhile is read now.
    QTimer::singleShot(0, this, &HttpConnection::readMore);
}

void HttpConnection::takeOver()
{
    m_state = State::Taken;
    m_idle.stop();
    m_whole.stop();
}

void HttpConnection::refuse(int status, const QByteArray &reason)
{
    const QByteArray body = "{\"error\":\"" + reason + "\"}";
    m_socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonOf(status)
                    + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
                    + "\r\nConnection: close\r\n\r\n" + body);
    closeSoon();
}

void HttpConnection::closeSoon()
{
    m_state = State::Closing;
    m_buffer.clear();
    m_request = HttpRequest();
    m_whole.stop();
    m_idle.start(LingerMs);
    m_socket->skip(m_socket->bytesAvailable());
    finishWriting();
}

HttpListener::HttpListener(int maxConnections, qint64 maxBody, QObject *parent)
    : QTcpServer(parent), m_max(maxConnections), m_maxBody(maxBody)
{
    // Out of descriptors, accepting stops: it starts again a moment later.
    m_resume.setSingleShot(true);
    m_resume.setInterval(200);
    connect(&m_resume, &QTimer::timeout, this, [this] { resumeAccepting(); });
    connect(this, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) { m_resume.start(); });
}

void HttpListener::setTls(const QSslCertificate &cert, const QSslKey &key)
{
    m_tls = true;
    m_cert = cert;
    m_key = key;
}

void HttpListener::incomingConnection(qintptr descriptor)
{
    if (m_open >= m_max) {
        static const char busy[] = "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\nRetry-After: 10\r\n\r\n";
        ::send(int(descriptor), busy, sizeof busy - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
        ::close(int(descriptor));
        return;
    }
    QTcpSocket *socket;
    if (m_tls) {
        auto *ssl = new QSslSocket;
        ssl->setLocalCertificate(m_cert);
        ssl->setPrivateKey(m_key);
        socket = ssl;
    } else {
        socket = new QTcpSocket;
    }
    if (!socket->setSocketDescriptor(descriptor)) {
        ::close(int(descriptor));
        delete socket;
        return;
    }
    if (m_tls)
        static_cast<QSslSocket *>(socket)->startServerEncryption();
    ++m_open;
    auto *connection = new HttpConnection(socket, m_maxBody, this);
    connect(connection, &QObject::destroyed, this, [this] { --m_open; });
    connect(connection, &HttpConnection::request, this, &HttpListener::request);
}
