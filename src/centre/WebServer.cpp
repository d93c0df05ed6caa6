#include "centre/WebServer.h"

#include <QFile>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QUrlQuery>

#include "feed/FeedSchema.h"

using Feed::logText;

namespace {

const QByteArray CookieName = "tablo_centre";
constexpr qsizetype MaxBody = 64 * 1024;
constexpr int LongestLockoutSeconds = 300;

QByteArray randomToken()
{
    QByteArray bytes(32, 0);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(bytes.data()),
                                         reinterpret_cast<quint32 *>(bytes.data() + bytes.size()));
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool sameBytes(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size() || a.isEmpty())
        return false;
    unsigned char d = 0;
    for (qsizetype k = 0; k < a.size(); ++k)
        d |= static_cast<unsigned char>(a[k] ^ b[k]);
    return d == 0;
}

QByteArray header(const HttpRequest &request, const QByteArray &name)
{
    return request.header(name);
}

QHttpServerResponse json(const QJsonObject &o, QHttpServerResponse::StatusCode status = QHttpServerResponse::StatusCode::Ok)
{
    return QHttpServerResponse("application/json", QJsonDocument(o).toJson(QJsonDocument::Compact), status);
}

QHttpServerResponse refusal(QHttpServerResponse::StatusCode status, const QString &why)
{
    return json(QJsonObject{{QStringLiteral("error"), why}}, status);
}

QDateTime timeParam(const QUrlQuery &q, const QString &name)
{
    const QString text = q.queryItemValue(name, QUrl::FullyDecoded);
    return text.isEmpty() ? QDateTime() : QDateTime::fromString(text, Qt::ISODateWithMs);
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

} // namespace

WebServer::WebServer(Centre &centre, bool tls, int maxConnections, QObject *parent)
    : QObject(parent), m_centre(centre), m_tls(tls), m_listener(maxConnections, MaxBody)
{
    connect(&m_listener, &HttpListener::request, this, &WebServer::handleRequest);
    // The hashing leaves a core to the centre's thread where there are two or more.
    m_hashers.setMaxThreadCount(qMax(1, QThread::idealThreadCount() - 1));
    connect(&m_centre, &Centre::boardChanged, this, [this](const QString &id) {
        m_dirtyBoards.insert(id);
        if (!m_flush.isActive())
            m_flush.start();
    });
    connect(&m_centre, &Centre::sendChanged, this, [this](const QString &id) {
        m_dirtySends.insert(id);
        if (!m_flush.isActive())
            m_flush.start();
    });
    // The page says at once when the centre lost the broker, and since when.
    connect(&m_centre, &Centre::brokerChanged, this, [this] {
        broadcast(QJsonObject{{QStringLiteral("type"), QStringLiteral("broker")}, {QStringLiteral("broker"), m_centre.brokerJson()}});
    });
    // Changes are gathered for a moment: a group set changes many tiles at once.
    m_flush.setSingleShot(true);
    m_flush.setInterval(150);
    connect(&m_flush, &QTimer::timeout, this, &WebServer::flush);
    m_sweep.setInterval(30000);
    connect(&m_sweep, &QTimer::timeout, this, [this] {
        // A page that is open (a wall display) keeps its session from idling out, not past its end.
        for (const Stream &k : std::as_const(m_streams))
            if (k.socket && m_sessions.contains(k.token))
                m_sessions[k.token].seen = QDateTime::currentDateTime();
        m_sessions.removeIf([this](const auto &it) { return !sessionValid(it.value()) || !userUnchanged(it.value()); });
        m_failures.removeIf([](const auto &it) { return it.value().until.addSecs(3600) < QDateTime::currentDateTime(); });
        broadcast(QJsonObject{{QStringLiteral("type"), QStringLiteral("ping")}});
    });
    m_sweep.start();
}

bool WebServer::sessionValid(const Session &s) const
{
    const QDateTime now = QDateTime::currentDateTime();
    return s.seen.addSecs(qint64(m_centre.options().sessionIdleMinutes) * 60) > now
           && s.created.addSecs(qint64(m_centre.options().sessionHours) * 3600) > now;
}

bool WebServer::userUnchanged(const Session &s) const
{
    // `tablo-centre user ...` writes the store while the centre runs: a user removed, or given
    // another role or password, ends their sessions. One indexed read per request.
    const std::optional<StoredUser> u = m_centre.store().user(s.user);
    return u && u->role == s.role && u->hash == s.hash;
}

WebServer::Session *WebServer::sessionOf(const HttpRequest &request, QByteArray *token)
{
    for (const QByteArray &part : header(request, "Cookie").split(';')) {
        const QByteArray c = part.trimmed();
        if (!c.startsWith(CookieName + '='))
            continue;
        const QByteArray t = c.mid(CookieName.size() + 1);
        auto it = m_sessions.find(t);
        if (it == m_sessions.end())
            continue;
        if (!sessionValid(*it) || !userUnchanged(*it)) {
            m_sessions.erase(it);
            return nullptr;
        }
        *token = t;
        return &*it;
    }
    return nullptr;
}

quint16 WebServer::listen(const QHostAddress &address, quint16 port)
{
    return m_listener.listen(address, port) ? m_listener.serverPort() : 0;
}

void WebServer::handleRequest(HttpConnection *connection, const HttpRequest &request)
{
    if (!ownHost(request))
        return answer(connection, refusal(QHttpServerResponse::StatusCode::MisdirectedRequest,
                                          QStringLiteral("this centre is not the host named")));
    if (request.url.path() == QLatin1String("/api/events") && request.method == HttpRequest::Method::Get
        && startEvents(request, connection))
        return;
    if (request.method == HttpRequest::Method::Post && request.url.path() == QLatin1String("/api/login")) {
        QHttpServerResponse r = route(request);   // the checks every POST passes
        if (r.statusCode() != QHttpServerResponse::StatusCode::Continue)
            return answer(connection, std::move(r));
        return startLogin(connection, request);
    }
    answer(connection, route(request));
}

void WebServer::answer(HttpConnection *connection, QHttpServerResponse r)
{
    const int status = int(r.statusCode());
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' '
                      + (status == 200 ? "OK" : status == 202 ? "Accepted" : status < 400 ? "OK" : "Error") + "\r\n";
    if (!r.mimeType().isEmpty())
        head += "Content-Type: " + r.mimeType() + "\r\n";
    for (const QByteArray name : {"Set-Cookie", "Retry-After", "Content-Disposition"})
        for (const QByteArray &value : r.headers(name))
            head += name + ": " + value + "\r\n";
    head += "X-Content-Type-Options: nosniff\r\nX-Frame-Options: DENY\r\nReferrer-Policy: no-referrer\r\n"
            "Cache-Control: no-store\r\n"
            "Content-Security-Policy: default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
            "connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'self'\r\n";
    if (m_tls)
        head += "Strict-Transport-Security: max-age=31536000\r\n";
    connection->respond(head, r.data());
}

bool WebServer::ownHost(const HttpRequest &request) const
{
    QByteArray host = request.header("Host").toLower();
    // HOST, HOST:PORT, [V6] or [V6]:PORT; a port must be the one listened on.
    QByteArray name = host, port;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0)
            return false;
        name = host.mid(1, close - 1);
        port = host.mid(close + 1);
        if (!port.isEmpty() && !port.startsWith(':'))
            return false;
        port = port.mid(1);
    } else if (host.count(':') == 1) {
        const qsizetype colon = host.indexOf(':');
        name = host.left(colon);
        port = host.mid(colon + 1);
    }
    if (name.isEmpty() || (!port.isEmpty() && port.toUInt() != m_listener.serverPort()))
        return false;
    const QString n = QString::fromLatin1(name);
    if (n == m_centre.options().listenHost.toLower())
        return true;
    for (const QString &p : m_centre.options().publicNames)
        if (n == p.toLower())
            return true;
    // An address names the centre when the connection came to it (no name to rebind).
    const QHostAddress a(n);
    return !a.isNull() && a.isEqual(request.local, QHostAddress::ConvertV4MappedToIPv4);
}

QHttpServerResponse WebServer::file(const QString &name)
{
    QFile f(QStringLiteral(":/centre/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return refusal(QHttpServerResponse::StatusCode::NotFound, QStringLiteral("not found"));
    const QByteArray type = name.endsWith(QLatin1String(".js"))    ? "text/javascript; charset=utf-8"
                            : name.endsWith(QLatin1String(".css")) ? "text/css; charset=utf-8"
                            : name.endsWith(QLatin1String(".svg")) ? "image/svg+xml"
                                                                   : "text/html; charset=utf-8";
    return QHttpServerResponse(type, f.readAll());
}

QHttpServerResponse WebServer::route(const HttpRequest &request)
{
    using Status = QHttpServerResponse::StatusCode;
    const QString path = request.url.path();
    const bool get = request.method == HttpRequest::Method::Get;
    const bool post = request.method == HttpRequest::Method::Post;
    if (get && (path == QLatin1String("/") || path == QLatin1String("/index.html")))
        return file(QStringLiteral("index.html"));
    if (get && (path == QLatin1String("/app.js") || path == QLatin1String("/style.css") || path == QLatin1String("/icon.svg")))
        return file(path.mid(1));
    if (!path.startsWith(QLatin1String("/api/")))
        return refusal(Status::NotFound, QStringLiteral("not found"));
    if (!get && !post)
        return refusal(Status::MethodNotAllowed, QStringLiteral("GET or POST"));
    if (post) {
        if (request.body.size() > MaxBody)
            return refusal(Status::PayloadTooLarge, QStringLiteral("the request is too large"));
        // A form of another site cannot send JSON, and a browser names the page a request came from.
        if (!header(request, "Content-Type").startsWith("application/json"))
            return refusal(Status::UnsupportedMediaType, QStringLiteral("JSON is taken"));
        const QByteArray origin = header(request, "Origin");
        const QByteArray own = (m_tls ? "https://" : "http://") + header(request, "Host");
        if (!origin.isEmpty() && origin != own)
            return refusal(Status::Forbidden, QStringLiteral("a request from another site"));
    }
    if (post && path == QLatin1String("/api/login"))
        return QHttpServerResponse(Status::Continue);   // passed: the login itself runs apart
    // The feed's words the page uses (outcomes, status, presence): no secret, no session needed.
    if (get && path == QLatin1String("/api/words"))
        return json(Feed::wordsJson());
    QByteArray token;
    Session *session = sessionOf(request, &token);
    if (!session)
        return refusal(Status::Unauthorized, QStringLiteral("log in first"));
    if (post && !sameBytes(header(request, "X-CSRF-Token"), session->csrf))
        return refusal(Status::Forbidden, QStringLiteral("the request lacks this session's CSRF token"));
    session->seen = QDateTime::currentDateTime();
    return api(request, token, *session);
}

void WebServer::startLogin(HttpConnection *connection, const HttpRequest &request)
{
    using Status = QHttpServerResponse::StatusCode;
    const QJsonObject body = QJsonDocument::fromJson(request.body).object();
    const QString name = body.value(QLatin1String("user")).toString();
    const QString password = body.value(QLatin1String("password")).toString();
    const QString address = request.remote.toString();
    // Failures lock out the name from that address only: behind a proxy, one user's bad guesses
    // lock out no one else.
    const QString key = name + QLatin1Char('\n') + address;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 wait = m_failures.contains(key) ? now.secsTo(m_failures[key].until) + 1 : 0;
    if (wait > 0 || m_hashing.contains(key)) {
        QHttpServerResponse r = refusal(Status::TooManyRequests,
                                        QStringLiteral("too many failed logins; try again in %1 s").arg(qMax<qint64>(wait, 1)));
        r.addHeader("Retry-After", QByteArray::number(qMax<qint64>(wait, 1)));
        return answer(connection, std::move(r));
    }
    // The hashing threads are few: logins beyond a queue's worth wait for another time.
    if (m_hashing.size() >= 16)
        return answer(connection, refusal(Status::ServiceUnavailable, QStringLiteral("too many logins at once; try again")));
    const std::optional<StoredUser> user = name.isEmpty() ? std::nullopt : m_centre.store().user(name);
    const QString problem = user ? storedHashProblem(user->hash) : QString();
    if (!problem.isEmpty())
        qWarning("the stored password hash of %s is refused (%s): no password logs in as that user",
                 qPrintable(logText(name.left(64))), qPrintable(problem));
    const QString stored = user && problem.isEmpty() ? user->hash : QString();
    m_hashing.insert(key);
    QPointer<HttpConnection> to(connection);
    QPointer<WebServer> self(this);
    m_hashers.start([=] {
        // An unknown name costs the same hashing as a known one (the dummy is made once, here).
        static const QString dummy = hashPassword(QStringLiteral("no such user"));
        const bool matches = passwordMatches(password, stored.isEmpty() ? dummy : stored);
        QMetaObject::invokeMethod(qApp, [=] {
            if (!self)
                return;
            self->m_hashing.remove(key);
            const bool ok = matches && user && problem.isEmpty();
            const QDateTime at = QDateTime::currentDateTime();
            if (!ok) {
                Failures &f = self->m_failures[key];
                ++f.count;
                f.until = at.addSecs(qMin<qint64>(qint64(1) << qMin(f.count - 1, 20), LongestLockoutSeconds));
                qWarning("failed login for %s from %s", qPrintable(logText(name.left(64))), qPrintable(address));
                if (to)
                    self->answer(to, refusal(Status::Unauthorized, QStringLiteral("wrong user name or password")));
                return;
            }
            self->m_failures.remove(key);
            const QByteArray token = randomToken();
            const Session s{user->name, user->role, user->hash, randomToken(), at, at};
            self->m_sessions.insert(token, s);
            qInfo("login: %s (%s) from %s", qPrintable(logText(s.user)), qPrintable(s.role), qPrintable(address));
            QHttpServerResponse r = json(QJsonObject{{QStringLiteral("user"), s.user},
                                                     {QStringLiteral("role"), s.role},
                                                     {QStringLiteral("csrf"), QString::fromLatin1(s.csrf)}});
            r.addHeader("Set-Cookie", CookieName + '=' + token + "; Path=/; HttpOnly; SameSite=Strict; Max-Age="
                                          + QByteArray::number(qint64(self->m_centre.options().sessionHours) * 3600)
                                          + (self->m_tls ? "; Secure" : ""));
            if (to)
                self->answer(to, std::move(r));
        });
    });
}

QHttpServerResponse WebServer::api(const HttpRequest &request, const QByteArray &token, Session &session)
{
    using Status = QHttpServerResponse::StatusCode;
    const QString path = request.url.path();
    const QUrlQuery query(request.url);
    const bool post = request.method == HttpRequest::Method::Post;
    const QJsonObject body = post ? QJsonDocument::fromJson(request.body).object() : QJsonObject();
    if (path == QLatin1String("/api/session") && !post)
        return json(QJsonObject{{QStringLiteral("user"), session.user},
                                {QStringLiteral("role"), session.role},
                                {QStringLiteral("csrf"), QString::fromLatin1(session.csrf)}});
    if (path == QLatin1String("/api/logout") && post) {
        m_sessions.remove(token);
        QHttpServerResponse r = json(QJsonObject{{QStringLiteral("user"), QString()}});
        r.addHeader("Set-Cookie", CookieName + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0" + (m_tls ? "; Secure" : ""));
        return r;
    }
    if (path == QLatin1String("/api/boards") && !post)
        return json(QJsonObject{{QStringLiteral("boards"), m_centre.boardsJson()},
                                {QStringLiteral("groups"), QJsonArray::fromStringList(m_centre.groups())},
                                {QStringLiteral("broker"), m_centre.brokerJson()}});
    if (path.startsWith(QLatin1String("/api/sends/")) && !post) {
        const QJsonObject s = m_centre.sendJson(path.mid(11));
        return s.isEmpty() ? refusal(Status::NotFound, QStringLiteral("no such send")) : json(s);
    }
    if (path == QLatin1String("/api/history") && !post) {
        const QString board = query.queryItemValue(QStringLiteral("board"), QUrl::FullyDecoded);
        if (!Feed::isPlainName(board))
            return refusal(Status::BadRequest, QStringLiteral("board=ID is needed"));
        QString error;
        if (query.hasQueryItem(QStringLiteral("at"))) {
            QDateTime at = timeParam(query, QStringLiteral("at"));
            if (!at.isValid())
                return refusal(Status::BadRequest, QStringLiteral("at= takes a time YYYY-MM-DDTHH:MM:SS"));
            // A time given to the second means that whole second: what finished in it counts.
            if (!query.queryItemValue(QStringLiteral("at")).contains(QLatin1Char('.')))
                at = at.addMSecs(999);
            const auto shown = m_centre.journal().shownAt(at, board, &error);
            if (!error.isEmpty())
                return refusal(Status::InternalServerError, error);
            QJsonObject o{{QStringLiteral("board"), board}, {QStringLiteral("at"), Feed::isoTime(at)}};
            if (shown)
                o.insert(QStringLiteral("shown"), QJsonObject{{QStringLiteral("figures"), QJsonArray::fromStringList(shown->figures)},
                                                              {QStringLiteral("since"), Feed::isoTime(shown->since)},
                                                              {QStringLiteral("request"), shown->request}});
            return json(o);
        }
        QDateTime until = query.hasQueryItem(QStringLiteral("to")) ? timeParam(query, QStringLiteral("to"))
                                                                  : QDateTime::currentDateTime();
        // A time to the second takes in that whole second.
        if (until.isValid() && !query.queryItemValue(QStringLiteral("to")).contains(QLatin1Char('.')) && until.time().msec() == 0)
            until = until.addMSecs(999);
        const QDateTime since = query.hasQueryItem(QStringLiteral("from")) ? timeParam(query, QStringLiteral("from"))
                                                                          : until.addDays(-30);
        if (!since.isValid() || !until.isValid())
            return refusal(Status::BadRequest, QStringLiteral("from= and to= take times YYYY-MM-DDTHH:MM:SS"));
        QJsonArray points;
        for (const JournalRecord &r : m_centre.journal().verifiedUploads(board, since, until, &error))
            points << QJsonObject{{QStringLiteral("at"), Feed::isoTime(r.finished)},
                                  {QStringLiteral("figures"), QJsonArray::fromStringList(r.boardFigures.isEmpty() ? r.sent : r.boardFigures)},
                                  {QStringLiteral("request"), r.request}};
        if (!error.isEmpty())
            return refusal(Status::InternalServerError, error);
        return json(QJsonObject{{QStringLiteral("board"), board},
                                {QStringLiteral("from"), Feed::isoTime(since)},
                                {QStringLiteral("to"), Feed::isoTime(until)},
                                {QStringLiteral("points"), points}});
    }
    if (path == QLatin1String("/api/audit") && !post) {
        const QList<SentSet> sends = m_centre.store().sends(timeParam(query, QStringLiteral("from")),
                                                            timeParam(query, QStringLiteral("to")), 5000);
        if (query.queryItemValue(QStringLiteral("format")) == QLatin1String("csv")) {
            QString csv = QStringLiteral("id,at,user,target");
            for (int k = 1; k <= 10; ++k)
                csv += QStringLiteral(",figure%1").arg(k);
            csv += QStringLiteral(",boards,verified,verified at,not verified\r\n");
            for (const SentSet &s : sends) {
                // A board that verified and lost it later is in both lists: when it verified, and
                // its latest answer.
                QStringList verified, verifiedAt, other;
                for (const QString &b : s.boards) {
                    const BoardAnswers a = s.answers.value(b);
                    if (a.verifiedAt().isValid()) {
                        verified << b;
                        verifiedAt << Feed::isoTime(a.verifiedAt());
                    }
                    if (!a.holds())
                        other << b + QLatin1Char(' ') + a.outcome();
                }
                QStringList row{s.id, Feed::isoTime(s.at), s.user, s.target};
                for (int k = 0; k < 10; ++k)
                    row << s.figures.value(k);
                row << s.boards.join(QLatin1Char(' ')) << verified.join(QLatin1Char(' ')) << verifiedAt.join(QLatin1Char(' '))
                    << other.join(QLatin1Char(' '));
                for (QString &f : row)
                    f = csvField(f);
                csv += row.join(QLatin1Char(',')) + QStringLiteral("\r\n");
            }
            QHttpServerResponse r("text/csv; charset=utf-8", csv.toUtf8());
            r.addHeader("Content-Disposition", "attachment; filename=\"tablo-audit.csv\"");
            return r;
        }
        QJsonArray out;
        for (const SentSet &s : sends)
            out << Centre::sendJson(s, &m_centre);
        return json(QJsonObject{{QStringLiteral("sends"), out}});
    }
    if (post && (path == QLatin1String("/api/send") || path == QLatin1String("/api/preview"))) {
        if (session.role != QLatin1String("publisher"))
            return refusal(Status::Forbidden, QStringLiteral("a viewer cannot send"));
        QString error;
        // A send that did not go out to every board (or that some refuse) carries the warning.
        const auto accepted = [&error](QJsonObject s) {
            if (!error.isEmpty())
                s.insert(QStringLiteral("warning"), error);
            return json(s, Status::Accepted);
        };
        if (path == QLatin1String("/api/send") && body.contains(QLatin1String("resend"))) {
            const QJsonObject s = m_centre.resend(body.value(QLatin1String("resend")).toString(), session.user, &error);
            if (s.isEmpty())
                return refusal(m_centre.brokerConnected() ? Status::UnprocessableEntity : Status::ServiceUnavailable, error);
            qInfo("resend %s by %s as %s", qPrintable(logText(body.value(QLatin1String("resend")).toString().left(64))),
                  qPrintable(logText(session.user)), qPrintable(s[QLatin1String("id")].toString()));
            return accepted(s);
        }
        const QString target = body.value(QLatin1String("target")).toString();
        QStringList figures;
        for (const QJsonValue &v : body.value(QLatin1String("figures")).toArray())
            figures << (v.isString() ? v.toString() : QStringLiteral("?"));
        if (path == QLatin1String("/api/preview")) {
            const QStringList boards = m_centre.targetBoards(target, &error);
            if (boards.isEmpty())
                return refusal(Status::UnprocessableEntity, error);
            // A board that refuses the figures is answered for itself; the others take them.
            const QJsonArray shows = m_centre.preview(boards, figures);
            int taking = 0;
            for (const QJsonValue &b : shows)
                taking += b[QLatin1String("rejections")].toArray().isEmpty() ? 1 : 0;
            return json(QJsonObject{{QStringLiteral("target"), target},
                                    {QStringLiteral("boards"), shows},
                                    {QStringLiteral("taking"), taking},
                                    {QStringLiteral("ok"), taking > 0}});
        }
        const QJsonObject s = m_centre.send(target, figures, session.user, &error);
        if (s.isEmpty())
            return refusal(m_centre.brokerConnected() ? Status::UnprocessableEntity : Status::ServiceUnavailable, error);
        qInfo("send %s by %s to %s: %s", qPrintable(s[QLatin1String("id")].toString()), qPrintable(logText(session.user)),
              qPrintable(logText(target)), qPrintable(logText(figures.join(QLatin1Char(',')))));
        return accepted(s);
    }
    return refusal(Status::NotFound, QStringLiteral("not found"));
}

bool WebServer::startEvents(const HttpRequest &request, HttpConnection *connection)
{
    QByteArray token;
    if (!sessionOf(request, &token))
        return false;   // answered 401 as any other request
    connection->takeOver();
    QTcpSocket *socket = connection->socket();
    // The answer's head now, its events as they come; the connection stays open.
    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
                  "X-Content-Type-Options: nosniff\r\nConnection: keep-alive\r\n\r\n");
    const QJsonObject first{{QStringLiteral("type"), QStringLiteral("boards")},
                            {QStringLiteral("boards"), m_centre.boardsJson()},
                            {QStringLiteral("broker"), m_centre.brokerJson()},
                            {QStringLiteral("groups"), QJsonArray::fromStringList(m_centre.groups())}};
    socket->write("retry: 2000\ndata: " + QJsonDocument(first).toJson(QJsonDocument::Compact) + "\n\n");
    m_streams.removeIf([](const Stream &k) { return !k.socket || k.socket->state() != QAbstractSocket::ConnectedState; });
    m_streams << Stream{socket, token};
    return true;
}

void WebServer::flush()
{
    QJsonArray boards, sends, groups;
    for (const QString &id : std::as_const(m_dirtyBoards))
        boards << m_centre.boardJson(id);
    for (const QString &id : std::as_const(m_dirtySends)) {
        const QJsonObject s = m_centre.sendJson(id);
        if (!s.isEmpty())
            sends << s;
    }
    m_dirtyBoards.clear();
    m_dirtySends.clear();
    broadcast(QJsonObject{{QStringLiteral("type"), QStringLiteral("update")},
                          {QStringLiteral("boards"), boards},
                          {QStringLiteral("sends"), sends},
                          {QStringLiteral("groups"), QJsonArray::fromStringList(m_centre.groups())}});
}

void WebServer::broadcast(const QJsonObject &message)
{
    const QByteArray event = "data: " + QJsonDocument(message).toJson(QJsonDocument::Compact) + "\n\n";
    m_streams.removeIf([](const Stream &k) { return !k.socket || k.socket->state() != QAbstractSocket::ConnectedState; });
    for (const Stream &k : std::as_const(m_streams)) {
        const auto session = m_sessions.constFind(k.token);
        if (session == m_sessions.cend() || !sessionValid(*session))
            k.socket->disconnectFromHost();   // the page asks again and is told to log in
        else
            k.socket->write(event);
    }
}
