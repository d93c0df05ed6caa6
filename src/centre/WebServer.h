#pragma once
// The centre's page and its JSON API over HTTP(S), with live updates as server-sent events
// (GET /api/events, text/event-stream on a connection kept open).
//
// Nothing but the page's files and POST /api/login answers without a session. A session is a
// random token in an HttpOnly, SameSite=Strict cookie (Secure under TLS) that ends after a
// while idle and after a fixed time at most. Every POST but the login carries the session's CSRF
// token in X-CSRF-Token; a viewer cannot send. Failed logins of a user name or an address lock
// the next attempt out for a time that doubles with each failure.
#include <QAbstractHttpServer>
#include <QDateTime>
#include <QHash>
#include <QHttpServerResponse>
#include <QList>
#include <QSet>
#include <QTimer>

#include "centre/Centre.h"

#include <QPointer>
#include <QTcpSocket>

class WebServer : public QAbstractHttpServer {
    Q_OBJECT
public:
    WebServer(Centre &centre, bool tls, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    struct Session {
        QString user, role;
        QByteArray csrf;
        QDateTime created, seen;
    };
    struct Failures {
        int count = 0;
        QDateTime until;   // no attempt before this
    };

    QHttpServerResponse route(const QHttpServerRequest &request);
    QHttpServerResponse login(const QHttpServerRequest &request);
    QHttpServerResponse api(const QHttpServerRequest &request, const QByteArray &token, Session &session);
    QHttpServerResponse file(const QString &name);
    Session *sessionOf(const QHttpServerRequest &request, QByteArray *token);
    bool sessionValid(const Session &s) const;
    bool startEvents(const QHttpServerRequest &request, QTcpSocket *socket);
    void flush();
    void broadcast(const QJsonObject &message);

    Centre &m_centre;
    bool m_tls;
    QHash<QByteArray, Session> m_sessions;   // by token
    QHash<QString, Failures> m_failures;     // by "user:NAME" and "addr:ADDRESS"
    struct Stream {
        QPointer<QTcpSocket> socket;
        QByteArray token;   // its session
    };
    QList<Stream> m_streams;
    QSet<QString> m_dirtyBoards, m_dirtySends;
    QTimer m_flush, m_sweep;
};
