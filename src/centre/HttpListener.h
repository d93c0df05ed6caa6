#pragma once
// The centre's own HTTP/1.1 reader in front of its handlers, with hard limits while reading: a
// request head over 16 KiB is refused (431) and a body over the limit (413) before either is held;
// a connection that sends nothing for 10 s, or takes over 30 s to send a request, is closed; at
// most a given number of connections are open at once and the rest are refused at once (503).
// An answer may be given later (a login's hashing runs off this thread).
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>
#include <functional>

struct HttpRequest {
    enum class Method { Get, Head, Post, Other };
    Method method = Method::Other;
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headerList;
    QByteArray body;
    QHostAddress remote, local;

    const QUrl &requestUrl() const { return url; }
    QByteArray header(const QByteArray &name) const;
};

class HttpConnection : public QObject {
    Q_OBJECT
public:
    HttpConnection(QTcpSocket *socket, qint64 maxBody, QObject *parent);
    QTcpSocket *socket() const { return m_socket; }
    // Answers the request being handled: `head` is the status line and headers, each ending in
    // CRLF, without Content-Length and Connection. The connection then reads the next request.
    void respond(const QByteArray &head, const QByteArray &body);
    // The connection is the handler's now (a stream of events): no time limits, no more requests.
    void takeOver();

signals:
    void request(HttpConnection *connection, const HttpRequest &request);
    void closed();

private:
    void readMore();
    void refuse(int status, const QByteArray &reason);
    void closeSoon();
    void finishWriting();

    QTcpSocket *m_socket;
    qint64 m_maxBody;
    enum class State { Head, Body, Handling, Closing, Taken } m_state = State::Head;
    QByteArray m_buffer;
    HttpRequest m_request;
    qint64 m_bodyLength = 0;
    bool m_keepAlive = true;
    QTimer m_idle, m_whole;
};

class HttpListener : public QTcpServer {
    Q_OBJECT
public:
    static constexpr qint64 MaxHead = 16 * 1024;

    HttpListener(int maxConnections, qint64 maxBody, QObject *parent = nullptr);
    void setTls(const QSslCertificate &cert, const QSslKey &key);
    int maxConnections() const { return m_max; }
    int open() const { return m_open; }

signals:
    void request(HttpConnection *connection, const HttpRequest &request);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    int m_max;
    qint64 m_maxBody;
    int m_open = 0;
    bool m_tls = false;
    QSslCertificate m_cert;
    QSslKey m_key;
    QTimer m_resume;
};
