#pragma once
// The command line of tablo-centre: the broker and its two users (one that watches, one that
// publishes sets), the page's address and certificate, the database.
#include <QString>
#include <QStringList>

struct CentreOptions {
    QString brokerHost = QStringLiteral("127.0.0.1");
    int brokerPort = 0;   // 0: 1883, or 8883 with TLS
    QString prefix = QStringLiteral("tablo");
    // The broker client ids are NAME-monitor and NAME-publisher: fixed, so the broker keeps the
    // centre's session (its subscriptions and the results that came meanwhile) across restarts.
    QString clientName = QStringLiteral("tablo-centre");
    QString monitorUser, monitorPasswordFile;
    QString publisherUser, publisherPasswordFile;
    QString tlsCa, tlsCert, tlsKey;   // the broker's TLS
    QString listenHost = QStringLiteral("127.0.0.1");
    static constexpr int DefaultListenPort = 8480;
    int listenPort = DefaultListenPort;
    QString httpsCert, httpsKey;      // the page's TLS
    QString db;                       // a file or postgresql://USER@HOST[:PORT]/DB
    QString dbPasswordFile;
    int sessionIdleMinutes = 30;
    int sessionHours = 12;
    QStringList publicNames;          // more names the page's Host may give (--public-name)
    int maxConnections = 256;         // connections to the page at once

    int port() const { return brokerPort ? brokerPort : (tlsCa.isEmpty() ? 1883 : 8883); }
};

// The database when --db is not given: centre.sqlite in $STATE_DIRECTORY (systemd's
// StateDirectory=), else $XDG_STATE_HOME/tablo-centre or ~/.local/state/tablo-centre.
QString defaultDatabase();

// Parses the options after the program name (the "user" subcommand takes its own). False with
// the reason in `error`.
bool parseCentreOptions(const QStringList &args, CentreOptions &o, QString *error);

// The first line of a password file, without its line end. False with the reason in `error`.
bool readPasswordFile(const QString &path, QString *password, QString *error);
