#pragma once
// The bridge's small state file: the requests it took from the broker (and acknowledged) but did
// not apply before it stopped, and the set the board was last verified to show. Written whole
// (a new file renamed over the old), so a crash leaves the old or the new content.
#include <QByteArray>
#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One message as it came from the broker, with its MQTT 5 response topic and correlation data.
struct MqttIncoming {
    QString topic;
    QByteArray payload;
    QString responseTopic;
    QByteArray correlation;
};

// The ten texts of the last set the board showed as sent, with where they came from.
struct MqttShownSet {
    QStringList texts;
    QJsonValue request;   // the request id (null: none)
    QString source;       // the topic the set came from
    bool verified = true; // read back (false: sent over a one-way link)
};

struct MqttState {
    QList<MqttIncoming> pending;
    std::optional<MqttShownSet> shown;

    // A missing file is an empty state; false with a reason when the file cannot be read or parsed.
    bool load(const QString &path, QString *error);
    // `synced`: on the disk before it returns (requests taken at a stop); otherwise only replaced
    // in one step (what the board was last verified to show, after every upload).
    bool save(const QString &path, QString *error, bool synced = true) const;
};
