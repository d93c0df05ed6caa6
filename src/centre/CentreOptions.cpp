#include "centre/CentreOptions.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>

#include "feed/FeedSchema.h"

QString defaultDatabase()
{
    QString dir = qEnvironmentVariable("STATE_DIRECTORY").split(QLatin1Char(':')).value(0);
    if (dir.isEmpty()) {
        const QString state = qEnvironmentVariable("XDG_STATE_HOME");
        dir = (state.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/state") : state) + QStringLiteral("/tablo-centre");
    }
    QDir().mkpath(dir);
    return dir + QStringLiteral("/centre.sqlite");
}

bool parseCentreOptions(const QStringList &args, CentreOptions &o, QString *error)
{
    const QStringList valued{"broker", "prefix", "client-name", "monitor-user", "monitor-password-file", "publisher-user",
                             "publisher-password-file", "tls-ca", "broker-cert", "broker-key", "listen", "tls-cert",
                             "tls-key", "https-cert", "https-key", "db", "db-password-file", "session-idle-minutes", "session-hours",
                             "public-name", "max-connections"};
    for (qsizetype k = 0; k < args.size(); ++k) {
        QString name = args[k], value;
        if (!name.startsWith(QLatin1String("--"))) {
            *error = QStringLiteral("unexpected argument \"%1\"").arg(name);
            return false;
        }
        name = name.mid(2);
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        } else if (valued.contains(name)) {
            if (k + 1 >= args.size()) {
                *error = QStringLiteral("--%1 needs a value").arg(name);
                return false;
            }
            value = args[++k];
        }
        if (!valued.contains(name)) {
            *error = QStringLiteral("unknown option --%1").arg(name);
            return false;
        }
        bool ok = true;
        // The last --broker or --listen wins whole: one without a port means the default port.
        if (name == QLatin1String("broker")) {
            ok = Feed::parseHostPort(value, o.brokerHost, o.brokerPort);
        } else if (name == QLatin1String("listen")) {
            ok = Feed::parseHostPort(value, o.listenHost, o.listenPort);
            if (ok && o.listenPort == 0)
                o.listenPort = CentreOptions::DefaultListenPort;
        } else if (name == QLatin1String("prefix")) {
            // The bridge's rule and message: a prefix no bridge can be started with is refused.
            const QString why = Feed::prefixProblem(value);
            if (!why.isEmpty()) {
                *error = why;
                return false;
            }
        } else if (name == QLatin1String("client-name")) {
            ok = Feed::isPlainName(value);
        } else if (name == QLatin1String("public-name")) {
            // A host name or address as a browser puts it in Host, without a port.
            ok = !value.isEmpty() && value.size() <= 253 && !value.contains(QLatin1Char(':'))
                 && value.toLower() == QString::fromLatin1(value.toLatin1()).toLower()
                 && std::all_of(value.cbegin(), value.cend(), [](QChar c) {
                        return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.');
                    });
            if (ok)
                o.publicNames << value;
        } else if (name == QLatin1String("max-connections")) {
            o.maxConnections = value.toInt(&ok);
            ok = ok && o.maxConnections > 0 && o.maxConnections <= 100000;
        } else if (name == QLatin1String("session-idle-minutes") || name == QLatin1String("session-hours")) {
            const int n = value.toInt(&ok);
            ok = ok && n > 0 && n <= 10000;
            (name == QLatin1String("session-hours") ? o.sessionHours : o.sessionIdleMinutes) = n;
        }
        if (!ok) {
            *error = QStringLiteral("--%1 does not take \"%2\"").arg(name, value);
            return false;
        }
        QString *target = name == QLatin1String("prefix")                    ? &o.prefix
                          : name == QLatin1String("client-name")             ? &o.clientName
                          : name == QLatin1String("monitor-user")            ? &o.monitorUser
                          : name == QLatin1String("monitor-password-file")   ? &o.monitorPasswordFile
                          : name == QLatin1String("publisher-user")          ? &o.publisherUser
                          : name == QLatin1String("publisher-password-file") ? &o.publisherPasswordFile
                          : name == QLatin1String("tls-ca")                  ? &o.tlsCa
                          : name == QLatin1String("broker-cert")             ? &o.tlsCert
                          : name == QLatin1String("broker-key")              ? &o.tlsKey
                          // The page's certificate: --tls-cert/--tls-key, also spelt --https-*.
                          : name == QLatin1String("tls-cert") || name == QLatin1String("https-cert") ? &o.httpsCert
                          : name == QLatin1String("tls-key") || name == QLatin1String("https-key")   ? &o.httpsKey
                          : name == QLatin1String("db")                      ? &o.db
                          : name == QLatin1String("db-password-file")        ? &o.dbPasswordFile
                                                                             : nullptr;
        if (target)
            *target = value;
    }
    if (o.httpsCert.isEmpty() != o.httpsKey.isEmpty()) {
        *error = QStringLiteral("--tls-cert and --tls-key go together");
        return false;
    }
    if (!o.monitorUser.isEmpty() && o.monitorPasswordFile.isEmpty()) {
        *error = QStringLiteral("--monitor-user needs --monitor-password-file");
        return false;
    }
    if (!o.publisherUser.isEmpty() && o.publisherPasswordFile.isEmpty()) {
        *error = QStringLiteral("--publisher-user needs --publisher-password-file");
        return false;
    }
    if (o.db.isEmpty())
        o.db = defaultDatabase();
    return true;
}

bool readPasswordFile(const QString &path, QString *password, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, f.errorString());
        return false;
    }
    QByteArray line = f.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    *password = QString::fromUtf8(line);
    return true;
}
