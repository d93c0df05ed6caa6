#pragma once
// The centre's page and its JSON API over HTTP(S), with live updates as server-sent events
// (GET /api/events, text/event-stream on a connection kept open).
//
// Nothing but the page's files and POST /api/login answers without a session. A session is a
// random token in an HttpOnly, SameSite=Strict cookie (Secure under TLS) that ends after a
// while idle and after a fixed time at most. Every POST but the login carries the session's CSRF
// token in X-CSRF-Token; a viewer cannot send. Failed logins of a user name or an address lock
// the next attempt out for a time that doubles with each failure.
#include <QDateTime>
#include <QHash>
#include <QHttpServerResponse>
#include <QList>
#include <QSet>
#include <QTimer>

#include "centre/Centre.h"
#include "centre/HttpListener.h"

#include <QPointer>
#include <QTcpSocket>
#include <QThreadPool>

class WebServer : public QObject {
    Q_OBJECT
public:
    // At most `maxConnections` connections at once; the rest are refused at once.
    WebServer(Centre &centre, bool tls, int maxConnections, QObject *parent = nullptr);
    void sslSetup(const QSslCertificate &cert, const QSslKey &key) { m_listener.setTls(cert, key); }
    // The port listened on, 0 when it cannot.
    quint16 listen(const QHostAddress &address, quint16 port);

private:
    void handleRequest(HttpConnection *connection, const HttpRequest &request);
    void answer(HttpConnection *connection, QHttpServerResponse response);
    // A login: its hashing runs on another thread, the answer is given when it is done.
    void startLogin(HttpConnection *connection, const HttpRequest &request);
    // True when the Host names this centre: its --listen host, a --public-name, or the address
    // the connection came to.
    bool ownHost(const HttpRequest &request) const;

    struct Session {
        QString user, role, hash;   // as stored when it began: a change there ends it
        QByteArray csrf;
        QDateTime created, seen;
    };
    struct Failures {
        int count = 0;
        QDateTime until;   // no attempt before this
    };

    QHttpServerResponse route(const HttpRequest &request);
    QHttpServerResponse api(const HttpRequest &request, const QByteArray &token, Session &session);
    QHttpServerResponse file(const QString &name);
    Session *sessionOf(const HttpRequest &request, QByteArray *token);
    bool sessionValid(const Session &s) const;
    bool userUnchanged(const Session &s) const;
    bool startEvents(const HttpRequest &request, HttpConnection *connection);
    void flush();
    void broadcast(const QJsonObject &message);

    Centre &m_centre;
    bool m_tls;
    HttpListener m_listener;
    QHash<QByteArray, Session> m_sessions;   // by token
    QHash<QString, Failures> m_failures;     // by user name and address together
    QThreadPool m_hashers;
    QSet<QString> m_hashing;                 // the logins whose hashing runs, by the same key
    struct Stream {
        QPointer<QTcpSocket> socket;
        QByteArray token;   // its session
    };
    QList<Stream> m_streams;
    QSet<QString> m_dirtyBoards, m_dirtySends;
    QTimer m_flush, m_sweep;
};
