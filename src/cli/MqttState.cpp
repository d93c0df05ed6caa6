#include "cli/MqttState.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cstdio>

bool MqttState::load(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonObject o = QJsonDocument::fromJson(f.readAll(), &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return false;
    }
    for (const QJsonValue &v : o.value(QLatin1String("pending")).toArray()) {
        const QJsonObject m = v.toObject();
        pending.append({m.value(QLatin1String("topic")).toString(),
                        QByteArray::fromBase64(m.value(QLatin1String("payload")).toString().toLatin1()),
                        m.value(QLatin1String("response_topic")).toString(),
                        QByteArray::fromBase64(m.value(QLatin1String("correlation")).toString().toLatin1())});
    }
    const QJsonObject s = o.value(QLatin1String("shown")).toObject();
    const QJsonArray texts = s.value(QLatin1String("texts")).toArray();
    if (texts.size() == 10) {
        MqttShownSet set;
        for (const QJsonValue &t : texts)
            set.texts << t.toString();
        set.request = s.value(QLatin1String("request"));
        set.source = s.value(QLatin1String("source")).toString();
        set.verified = s.value(QLatin1String("verified")).toBool(true);
        shown = set;
    }
    return true;
}

bool MqttState::save(const QString &path, QString *error, bool synced) const
{
    QJsonArray list;
    for (const MqttIncoming &m : pending)
        list.append(QJsonObject{{QStringLiteral("topic"), m.topic},
                                {QStringLiteral("payload"), QString::fromLatin1(m.payload.toBase64())},
                                {QStringLiteral("response_topic"), m.responseTopic},
                                {QStringLiteral("correlation"), QString::fromLatin1(m.correlation.toBase64())}});
    QJsonObject o{{QStringLiteral("pending"), list}};
    if (shown)
        o.insert(QStringLiteral("shown"), QJsonObject{{QStringLiteral("texts"), QJsonArray::fromStringList(shown->texts)},
                                                      {QStringLiteral("request"), shown->request},
                                                      {QStringLiteral("source"), shown->source},
                                                      {QStringLiteral("verified"), shown->verified}});
    const QByteArray content = QJsonDocument(o).toJson();
    if (!synced) {
        // A fresh file renamed over the old one: never half written, without waiting for the disk.
        QFile f(path + QStringLiteral(".new"));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size() && f.flush()) {
            f.close();
            if (std::rename(QFile::encodeName(f.fileName()).constData(), QFile::encodeName(path).constData()) == 0)
                return true;
        }
        *error = f.errorString();
        return false;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) < 0 || !f.commit()) {
        *error = f.errorString();
        return false;
    }
    return true;
}
