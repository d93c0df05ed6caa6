#pragma once
// The options of tablo-cli mqtt: the broker, the board's id and groups, the topic prefix, TLS and
// the broker account. They are taken out of the command line before the options every command
// shares are parsed, so the shared parser stays as it is.
#include <QString>
#include <QStringList>

struct MqttOptions {
    bool given = false;        // at least one of the options below was on the command line
    QString host;
    int port = 0;              // 0: 1883, or 8883 with TLS
    QString id;
    QStringList groups;
    QString prefix = QStringLiteral("tablo");
    QString tlsCa, tlsCert, tlsKey;
    QString user;
    QString passwordFile;
    QString stateDir;          // empty: $STATE_DIRECTORY, else the per-user data folder
    QString journal;           // empty: journal.sqlite in the state folder
    int verifyEverySeconds = 0;   // 0: the board is read only when it comes back

    int brokerPort() const { return port ? port : (tlsCa.isEmpty() ? 1883 : 8883); }
};

// Removes the mqtt options (as "--name value" or "--name=value") from `arguments` into `out`.
// On a value that is missing or malformed returns false with a one-line reason in `error`.
bool takeMqttOptions(QStringList &arguments, MqttOptions &out, QString &error);

// The checks that need the whole of the options: what mqtt requires, and that nothing but mqtt
// got its options.
bool checkMqttOptions(const MqttOptions &options, const QString &command, QString &error);

// A duration: seconds, or a number with s, m or h ("90", "30s", "5m", "1h"); -1 when it is none.
int durationSeconds(const QString &text);

QString mqttHelpText();
