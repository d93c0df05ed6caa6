#pragma once
// The answer to one request made of the board service: it finishes once, with the result as a
// value, or without one when a newer request replaced it, it was withdrawn, held back or could
// not be built. A caller may tag it (an MQTT request id, where it came from) to know it again.
#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "core/board/BoardSession.h"

class BoardReply : public QObject {
    Q_OBJECT
public:
    enum class Kind { Upload, Read, Brightness, Lighting, Clock, ControllerSettings };
    Q_ENUM(Kind)
    enum class Status {
        Waiting,      // asked, not started
        Running,      // its exchanges run
        Done,         // it ran: the result tells how it went
        Superseded,   // a newer request of its kind took its place before it started
        Withdrawn,    // what it asked for is no longer offered: nothing was sent
        Held,         // "SETS=" with values not known (the board was not read): nothing was sent
        Invalid       // the command could not be built (a time that is no time), or the upload's
                      // texts were refused when it started: nothing was sent
    };
    Q_ENUM(Status)

    explicit BoardReply(Kind kind, QObject *parent = nullptr) : QObject(parent), m_kind(kind) {}

    Kind kind() const { return m_kind; }
    Status status() const { return m_status; }
    bool isFinished() const { return m_status != Status::Waiting && m_status != Status::Running; }
    // It ran and the board took it: verified for an upload, a good reply for a read, "OK" for a command.
    bool succeeded() const;

    // The results, each for its kind.
    const UploadResult &upload() const { return m_upload; }
    const ReadResult &read() const { return m_read; }
    const ExchangeResult &exchange() const { return m_exchange; }
    // The command that went out or would have (brightness, lighting, clock, controller settings).
    QByteArray command() const { return m_command; }
    int code() const { return m_code; }
    // The ten texts an upload sent.
    QStringList sent() const { return m_sent; }
    // Held: the parts of "SETS=" that are not known. Invalid: why the command could not be built.
    QStringList unknown() const { return m_unknown; }
    QString error() const { return m_error; }
    // Superseded: the tag of the request that took its place.
    QVariant supersededBy() const { return m_supersededBy; }

    QVariant tag() const { return m_tag; }
    void setTag(const QVariant &tag) { m_tag = tag; }

    // The exchange options it ran with.
    ExchangeOptions options() const { return m_options; }
    QDateTime startedAt() const { return m_startedAt; }
    QDateTime finishedAt() const { return m_finishedAt; }

signals:
    void finished();

private:
    friend class BoardService;
    void finish(Status status);

    Kind m_kind;
    Status m_status = Status::Waiting;
    UploadResult m_upload;
    ReadResult m_read;
    ExchangeResult m_exchange;
    QByteArray m_command;
    int m_code = 0;
    QStringList m_sent;
    QStringList m_unknown;
    QString m_error;
    QVariant m_supersededBy;
    QVariant m_tag;
    QDateTime m_startedAt, m_finishedAt;
    ExchangeOptions m_options;
};

// Runs `handler` once `reply` has finished: at once when it already has, else when it does.
template <typename Handler>
void whenFinished(BoardReply *reply, QObject *context, Handler handler)
{
    if (reply->isFinished()) {
        handler(reply);
        return;
    }
    QObject::connect(reply, &BoardReply::finished, context, [reply, handler] { handler(reply); },
                     Qt::SingleShotConnection);
}
