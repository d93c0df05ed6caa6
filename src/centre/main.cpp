// tablo-centre: the chain's centre. One web page where the chain sees every board on the MQTT
// broker and sends its rates; `tablo-centre user ...` keeps the page's users.
#include <QCoreApplication>
#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QTextStream>

#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "centre/Centre.h"
#include "centre/Store.h"
#include "centre/WebServer.h"
#include "feed/FeedSchema.h"
#include "feed/Signals.h"

namespace {

const char Help[] = R"(Usage: tablo-centre [OPTION]...
  or:  tablo-centre user add NAME --role viewer|publisher [--db ...]
  or:  tablo-centre user remove NAME [--db ...]
  or:  tablo-centre user list [--db ...]
"user add" reads the password from stdin (at least 8 characters) and stores its salted hash;
adding a user that exists replaces its role and password.

The chain's centre: a web page that shows every board on the MQTT broker (its bridge, its figures,
its last result) and sends a group's or a board's figures, with history and audit.

Broker:
  --broker HOST[:PORT]            the MQTT broker (default 127.0.0.1:1883; 8883 with --tls-ca)
  --prefix PREFIX                 the topics' first levels, as the bridges': separated by '/',
                                  none empty, . or .. or starting with $ (default tablo)
  --client-name NAME              the broker client ids are NAME-monitor and NAME-publisher
                                  (default tablo-centre); the broker keeps their sessions, with
                                  the results that come while the centre is stopped, for 7 days.
                                  Two centres on one broker need two names
  --monitor-user NAME             the broker user that reads the boards' topics
  --monitor-password-file FILE    its password: the file's first line
  --publisher-user NAME           the broker user that publishes sets (default: the monitor user)
  --publisher-password-file FILE  its password
  --tls-ca FILE                   TLS to the broker with this CA certificate (PEM)
  --broker-cert FILE, --broker-key FILE
                                  a client certificate and key for the broker
Page:
  --listen HOST[:PORT]            where the page is served (default 127.0.0.1:8480)
  --tls-cert FILE, --tls-key FILE serve the page over HTTPS with this certificate and key (PEM;
                                  also spelt --https-cert, --https-key)
  --session-idle-minutes N        a session ends after N minutes unused (default 30)
  --session-hours N               and after N hours at most (default 12)
  --public-name NAME              a name the page is reached by, besides the --listen host
                                  (repeatable); a request naming another Host is refused (421)
  --max-connections N             connections to the page at once (default 256; fewer when
                                  the descriptor limit is lower); more are refused at once
Database (the journal of every result, the users, the sends):
  --db FILE                       an SQLite file (default centre.sqlite in $STATE_DIRECTORY, else
                                  ~/.local/state/tablo-centre)
  --db postgresql://USER@HOST[:PORT]/DB
                                  a PostgreSQL database (?host=/run/postgresql for its socket)
  --db-password-file FILE         the database user's password
  --help, --version
)";

// Every log line is one line: a line break (or other control character) that outside text
// brought in is written escaped.
void logMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QString text = qFormatLogMessage(type, context, message);
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('?');
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
    if (type == QtFatalMsg)
        std::abort();
}

// The connections the page may hold at once: the option, less when the descriptor limit (raised
// to its hard limit first) leaves too few beside the centre's own (broker, database, files).
int connectionBudget(int wanted)
{
    constexpr rlim_t Reserve = 32;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return wanted;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= rlim_t(wanted) + Reserve)
        return wanted;
    const int budget = limit.rlim_cur > Reserve + 4 ? int(limit.rlim_cur - Reserve) : 4;
    qWarning("the descriptor limit is %llu: at most %d connections to the page at once",
             static_cast<unsigned long long>(limit.rlim_cur), budget);
    return budget;
}

int fail(const QString &message, int code = 1)
{
    std::fprintf(stderr, "tablo-centre: %s\n", qPrintable(message));
    return code;
}

// The password from stdin: one line, not echoed on a terminal.
QString readPassword()
{
    const bool tty = ::isatty(STDIN_FILENO);
    termios saved{};
    if (tty) {
        std::fprintf(stderr, "Password: ");
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fprintf(stderr, "\n");
    }
    return line;
}

int userCommand(QStringList args)
{
    const QString what = args.value(0);
    const QString name = what == QLatin1String("list") ? QString() : args.value(1);
    args = args.mid(what == QLatin1String("list") ? 1 : 2);
    QString role;
    const qsizetype r = args.indexOf(QStringLiteral("--role"));
    if (r >= 0) {
        role = args.value(r + 1);
        args.remove(r, qMin<qsizetype>(2, args.size() - r));
    }
    CentreOptions o;
    QString error;
    if (!parseCentreOptions(args, o, &error))
        return fail(error, 64);
    if (what != QLatin1String("add") && what != QLatin1String("remove") && what != QLatin1String("list"))
        return fail(QStringLiteral("user takes add, remove or list"), 64);
    if (what != QLatin1String("list") && !Feed::isPlainName(name))
        return fail(QStringLiteral("a user name is letters, digits, '-', '_' and '.'"), 64);
    if (what == QLatin1String("add") && role != QLatin1String("viewer") && role != QLatin1String("publisher"))
        return fail(QStringLiteral("--role takes viewer or publisher"), 64);
    QString dbPassword;
    if (!o.dbPasswordFile.isEmpty() && !readPasswordFile(o.dbPasswordFile, &dbPassword, &error))
        return fail(error);
    Journal journal;
    if (!journal.open(o.db, &error, Journal::Access::Write, dbPassword))
        return fail(error);
    Store store(journal.connectionName());
    if (!store.createTables(&error))
        return fail(error);
    if (what == QLatin1String("list")) {
        for (const StoredUser &u : store.users())
            std::printf("%s %s\n", qPrintable(u.name), qPrintable(u.role));
        return 0;
    }
    if (what == QLatin1String("remove"))
        return store.removeUser(name, &error) ? 0 : fail(error);
    const QString password = readPassword();
    if (password.size() < 8)
        return fail(QStringLiteral("the password is shorter than 8 characters"), 64);
    if (!store.putUser(StoredUser{name, role, hashPassword(password)}, &error))
        return fail(error);
    std::printf("user %s (%s) stored\n", qPrintable(name), qPrintable(role));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // What the centre makes (the database with its password hashes, its folders) is its own alone.
    ::umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tablo-centre"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TABLO_VERSION));
    qSetMessagePattern(QStringLiteral("%{time yyyy-MM-ddTHH:mm:ss} %{if-warning}warning: %{endif}%{if-critical}error: %{endif}%{message}"));
    qInstallMessageHandler(logMessage);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        std::fputs(Help, stdout);
        return 0;
    }
    if (args.contains(QLatin1String("--version"))) {
        std::printf("tablo-centre %s\n", TABLO_VERSION);
        return 0;
    }
    if (args.value(0) == QLatin1String("user"))
        return userCommand(args.mid(1));

    CentreOptions o;
    QString error;
    if (!parseCentreOptions(args, o, &error))
        return fail(error + QStringLiteral(" (see --help)"), 64);
    Centre centre(o);
    if (!centre.start(&error))
        return fail(error);
    const bool tls = !o.httpsCert.isEmpty();
    WebServer server(centre, tls, connectionBudget(o.maxConnections));
    if (tls) {
        QFile cert(o.httpsCert), key(o.httpsKey);
        if (!cert.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("the HTTPS certificate or key cannot be read"));
        const QSslCertificate c(&cert, QSsl::Pem);
        const QByteArray keyPem = key.readAll();
        QSslKey k(keyPem, QSsl::Rsa, QSsl::Pem);
        if (k.isNull())
            k = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
        if (c.isNull() || k.isNull())
            return fail(QStringLiteral("the HTTPS certificate or key is no PEM file of one"));
        server.sslSetup(c, k);
    }
    const QHostAddress address(o.listenHost == QLatin1String("localhost") ? QStringLiteral("127.0.0.1") : o.listenHost);
    if (address.isNull())
        return fail(QStringLiteral("--listen takes an address, not \"%1\"").arg(o.listenHost), 64);
    const quint16 port = server.listen(address, quint16(o.listenPort));
    if (port == 0)
        return fail(QStringLiteral("cannot listen on %1:%2").arg(o.listenHost).arg(o.listenPort));
    qInfo("page on %s://%s:%u/, database %s", tls ? "https" : "http", qPrintable(address.toString()), port,
          qPrintable(o.db.startsWith(QLatin1String("postgres")) ? o.db.section(QLatin1Char('?'), 0, 0) : o.db));
    TerminationSignals signals_;
    QObject::connect(&signals_, &TerminationSignals::received, &app, [] { QCoreApplication::quit(); });
    if (!signals_.install())
        return fail(QStringLiteral("the termination signals cannot be caught"));
    return app.exec();
}
