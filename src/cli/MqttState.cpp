#include "cli/MqttState.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString b64(const QByteArray &bytes) { return QString::fromLatin1(bytes.toBase64()); }
QByteArray unb64(const QJsonValue &v) { return QByteArray::fromBase64(v.toString().toLatin1()); }

QJsonObject messageJson(const MqttIncoming &m)
{
    return {{QStringLiteral("topic"), m.topic},
            {QStringLiteral("payload"), b64(m.payload)},
            {QStringLiteral("response_topic"), m.responseTopic},
            {QStringLiteral("correlation"), b64(m.correlation)}};
}

MqttIncoming messageOf(const QJsonObject &o)
{
    return {o.value(QLatin1String("topic")).toString(), unb64(o.value(QLatin1String("payload"))),
            o.value(QLatin1String("response_topic")).toString(), unb64(o.value(QLatin1String("correlation")))};
}

bool writeAll(int fd, const QByteArray &content)
{
    qsizetype done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool isFigureText(const QString &text)
{
    if (text.isEmpty() || text.size() > 6 || text.count(QLatin1Char('.')) > 1 || text.startsWith(QLatin1Char('.')))
        return false;
    for (const QChar c : text)
        if (!c.isDigit() && c != QLatin1Char(' ') && c != QLatin1Char('.'))
            return false;
    return true;
}

bool MqttState::load(const QString &path, QString *error, QString *warning)
{
    QFile f(path);
    if (!f.exists())
        return true;
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    QJsonParseError parseError;
    const QJsonObject o = QJsonDocument::fromJson(f.read(4 << 20), &parseError).object();
    if (parseError.error != QJsonParseError::NoError) {
        *error = parseError.errorString();
        return false;
    }
    lastOrder = qint64(o.value(QLatin1String("last_order")).toDouble());
    for (const QJsonValue &v : o.value(QLatin1String("pending")).toArray()) {
        const QJsonObject m = v.toObject();
        // A file of an earlier version holds no order: its requests keep the order they are in.
        qint64 order = qint64(m.value(QLatin1String("order")).toDouble());
        if (order <= 0)
            order = ++lastOrder;
        lastOrder = qMax(lastOrder, order);
        pending.append({order, messageOf(m)});
    }
    // "shown" is the name an earlier version gave the last set it verified.
    QJsonObject s = o.value(QLatin1String("intent")).toObject();
    if (s.isEmpty())
        s = o.value(QLatin1String("shown")).toObject();
    if (!s.isEmpty()) {
        MqttIntent set;
        set.order = qint64(s.value(QLatin1String("order")).toDouble());
        set.request = s.value(QLatin1String("request"));
        set.source = s.value(QLatin1String("source")).toString();
        set.at = s.value(QLatin1String("at")).toString();
        set.verified = s.value(QLatin1String("verified")).toBool(true);
        set.refused = s.value(QLatin1String("refused")).toBool(false);
        for (const QJsonValue &t : s.value(QLatin1String("texts")).toArray())
            set.texts << t.toString();
        bool sound = set.texts.isEmpty() || set.texts.size() == 10;
        for (const QString &t : std::as_const(set.texts))
            sound = sound && isFigureText(t);
        if (!sound) {
            if (warning)
                *warning = QStringLiteral("the state file's set of figures is not ten figure texts: it is not put back");
            set.texts.clear();
            set.refused = true;
        }
        intent = set;
    }
    for (const QJsonValue &v : o.value(QLatin1String("answered")).toArray()) {
        const QJsonObject a = v.toObject();
        answered.append({a.value(QLatin1String("topic")).toString(), a.value(QLatin1String("id")).toString(),
                         a.value(QLatin1String("digest")).toString().toLatin1(), unb64(a.value(QLatin1String("result")))});
    }
    for (const QJsonValue &v : o.value(QLatin1String("outbox")).toArray()) {
        const QJsonObject m = v.toObject();
        outbox.append({m.value(QLatin1String("topic")).toString(), unb64(m.value(QLatin1String("payload"))),
                       unb64(m.value(QLatin1String("correlation")))});
    }
    for (const QJsonValue &v : o.value(QLatin1String("instances")).toArray())
        instances << v.toString().toLatin1();
    return true;
}

bool MqttState::save(const QString &path, QString *error, bool synced) const
{
    QJsonArray list;
    for (const MqttTaken &t : pending) {
        QJsonObject m = messageJson(t.message);
        m.insert(QStringLiteral("order"), double(t.order));
        list.append(m);
    }
    QJsonObject o{{QStringLiteral("last_order"), double(lastOrder)}, {QStringLiteral("pending"), list}};
    if (intent)
        o.insert(QStringLiteral("intent"), QJsonObject{{QStringLiteral("order"), double(intent->order)},
                                                       {QStringLiteral("request"), intent->request},
                                                       {QStringLiteral("source"), intent->source},
                                                       {QStringLiteral("at"), intent->at},
                                                       {QStringLiteral("texts"), QJsonArray::fromStringList(intent->texts)},
                                                       {QStringLiteral("verified"), intent->verified},
                                                       {QStringLiteral("refused"), intent->refused}});
    QJsonArray done, out, mine;
    for (const MqttAnswered &a : answered)
        done.append(QJsonObject{{QStringLiteral("topic"), a.topic}, {QStringLiteral("id"), a.id},
                                {QStringLiteral("digest"), QString::fromLatin1(a.digest)}, {QStringLiteral("result"), b64(a.result)}});
    for (const MqttOutgoing &m : outbox)
        out.append(QJsonObject{{QStringLiteral("topic"), m.topic}, {QStringLiteral("payload"), b64(m.payload)},
                               {QStringLiteral("correlation"), b64(m.correlation)}});
    for (const QByteArray &i : instances)
        mine.append(QString::fromLatin1(i));
    o.insert(QStringLiteral("answered"), done);
    o.insert(QStringLiteral("outbox"), out);
    o.insert(QStringLiteral("instances"), mine);
    const QByteArray content = QJsonDocument(o).toJson(QJsonDocument::Compact);

    // A new file, on the disk before it takes the old one's name; the folder synced after, so
    // the rename itself survives a power cut.
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".new";
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool ok = fd >= 0 && writeAll(fd, content) && (!synced || ::fsync(fd) == 0);
    const int saved = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok)
        ok = false;
    if (ok && ::rename(temporary.constData(), target.constData()) == 0) {
        if (!synced)
            return true;
        const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }
    *error = QString::fromLocal8Bit(std::strerror(ok ? errno : (saved ? saved : EIO)));
    ::unlink(temporary.constData());
    return false;
}

QByteArray MqttState::digest(const QByteArray &payload)
{
    return QCryptographicHash::hash(payload, QCryptographicHash::Sha256).toHex().left(32);
}

const MqttAnswered *MqttState::answeredFor(const QString &topic, const QString &id, const QByteArray &payload) const
{
    const QByteArray d = digest(payload);
    for (const MqttAnswered &a : answered)
        if (a.topic == topic && a.id == id && a.digest == d)
            return &a;
    return nullptr;
}

void MqttState::remember(const MqttAnswered &answer)
{
    answered.removeIf([&](const MqttAnswered &a) { return a.topic == answer.topic && a.id == answer.id && a.digest == answer.digest; });
    answered.append(answer);
    while (answered.size() > MaxAnswered)
        answered.removeFirst();
}
