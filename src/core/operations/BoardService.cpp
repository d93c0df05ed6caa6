#include "core/operations/BoardService.h"

#include <utility>

#include "core/figures/FigureFrame.h"
#include "core/link/SerialLink.h"
#include "core/settings/SettingsModel.h"

bool BoardReply::succeeded() const
{
    if (m_status != Status::Done)
        return false;
    switch (m_kind) {
    case Kind::Upload:
        return m_upload.outcome == UploadResult::SentOk;
    case Kind::Read:
        return m_read.outcome == ReadResult::ReadOk;
    default:
        return m_exchange.outcome == ExchangeResult::Ok;
    }
}

void BoardReply::finish(Status status)
{
    m_status = status;
    m_finishedAt = QDateTime::currentDateTime();
}

BoardService::BoardService(BoardSession &session, SettingsModel &settings, QObject *parent)
    : QObject(parent), m_session(session), m_settings(settings)
{
    m_selectPort = [this] { reopenPort(); };
    m_now = [] { return QDateTime::currentDateTime(); };
    connect(&m_session, &BoardSession::portReopenRequested, this, [this] {
        if (m_running)
            m_selectPort();
    });
    // An exchange started on the session directly (not through a request) holds the waiting
    // requests back; its end lets them go.
    connect(&m_session, &BoardSession::busyChanged, this, [this](bool busy) {
        if (!busy)
            runNext();
    }, Qt::QueuedConnection);
}

BoardService::~BoardService() = default;

void BoardService::reopenPort()
{
    const ProgramSettings &s = m_settings.program();
    SerialLink *link = m_session.link();
    const bool wasClosed = link->state() == SerialLink::State::Closed;
    if (!wasClosed)
        link->close();
    link->open(s.port, s.baudRate, s.parity);
    emit portReopened(wasClosed, link->state() == SerialLink::State::Failed);
}

QStringList BoardService::textsOf(const QStringList &figures, std::optional<std::array<bool, 10>> shown) const
{
    const ProgramSettings &s = m_settings.program();
    return figureFrame(figures, shown.value_or(s.slotsShown()), s.digits, s.fillChar()).texts;
}

QString BoardService::portError() const { return m_session.link()->lastOpenError(); }

QStringList BoardService::openablePorts(const QStringList &candidates, bool *tried)
{
    if (tried)
        *tried = false;
    if (!isIdle())
        return {};
    if (tried)
        *tried = true;
    const ProgramSettings &s = m_settings.program();
    SerialLink *link = m_session.link();
    QStringList openable;
    for (const QString &name : candidates) {
        if (link->state() != SerialLink::State::Closed)
            link->close();
        if (link->open(name, s.baudRate, s.parity) == SerialLink::State::Open)
            openable << name;
    }
    return openable;
}

std::optional<BoardService::Kind> BoardService::running() const
{
    if (!m_running)
        return std::nullopt;
    return m_running->kind();
}

bool BoardService::isWaiting(Kind kind) const { return waiting(kind) != nullptr; }

BoardReply *BoardService::waiting(Kind kind) const
{
    for (const Request &r : m_waiting)
        if (r.reply && r.reply->kind() == kind)
            return r.reply;
    return nullptr;
}

void BoardService::takeEvent(const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting)
{
    BoardReading &r = m_state.reading;
    const BoardReading before = r;
    r.temperature = temperature;
    r.brightnessLevel = brightness;
    r.lightingState = lighting;
    if (r.temperature != before.temperature || r.brightnessLevel != before.brightnessLevel
        || r.lightingState != before.lightingState)
        emit stateChanged();
}

BoardReply *BoardService::upload(const QVariant &tag) { return request(Kind::Upload, {}, tag); }

BoardReply *BoardService::uploadTexts(const QStringList &texts, const QVariant &tag)
{
    Request r;
    r.texts = texts;
    return request(Kind::Upload, r, tag);
}

BoardReply *BoardService::uploadComposed(Composer compose, const QVariant &tag)
{
    Request r;
    r.compose = std::move(compose);
    return request(Kind::Upload, r, tag);
}

BoardReply *BoardService::read(const QVariant &tag) { return request(Kind::Read, {}, tag); }

BoardReply *BoardService::setBrightness(int code, const QVariant &tag)
{
    Request r;
    r.code = code;
    return request(Kind::Brightness, r, tag);
}

BoardReply *BoardService::setLighting(int code, const QVariant &tag)
{
    Request r;
    r.code = code;
    return request(Kind::Lighting, r, tag);
}

BoardReply *BoardService::setClock(const QVariant &tag) { return request(Kind::Clock, {}, tag); }

BoardReply *BoardService::sendControllerSettings(std::optional<ControllerConfig> config, const QVariant &tag)
{
    Request r;
    r.config = std::move(config);
    return request(Kind::ControllerSettings, r, tag);
}

BoardReply *BoardService::request(Kind kind, Request r, const QVariant &tag)
{
    auto *reply = new BoardReply(kind, this);
    reply->setTag(tag);
    reply->m_code = r.code;
    if (kind == Kind::Brightness)
        reply->m_command = brightnessCommand(r.code);
    else if (kind == Kind::Lighting)
        reply->m_command = lightingCommand(r.code);
    r.reply = reply;
    // A newer request of a kind that still waits takes the older one's place.
    for (Request &w : m_waiting) {
        if (w.reply && w.reply->kind() == kind) {
            BoardReply *replaced = std::exchange(w.reply, reply);
            w = r;
            replaced->m_supersededBy = tag;
            finish(replaced, BoardReply::Status::Superseded);
            return reply;
        }
    }
    m_waiting.append(r);
    runNext();
    return reply;
}

void BoardService::withdraw(const std::function<bool(const BoardReply *)> &withdrawn)
{
    QList<BoardReply *> out;
    m_waiting.removeIf([&](const Request &r) {
        if (!r.reply || !withdrawn(r.reply))
            return false;
        out << r.reply;
        return true;
    });
    for (BoardReply *reply : out)
        finish(reply, BoardReply::Status::Withdrawn);
    if (!out.isEmpty() && isIdle())
        emit idle();
}

void BoardService::finish(BoardReply *reply, BoardReply::Status status)
{
    reply->finish(status);
    // The one place the truth about the board changes, before anyone hears of the reply.
    const BoardTruth before = m_state;
    if (m_state.apply(*reply)) {
        if (!m_state.sameTruth(before))
            emit truthChanged(m_state, before);
        emit stateChanged();
    }
    emit reply->finished();
    emit replyFinished(reply);
    reply->deleteLater();
}

void BoardService::runNext()
{
    // One start at a time: a request that ends at once (held, one-way) starts the next from here.
    if (m_starting)
        return;
    m_starting = true;
    while (!m_running && !m_waiting.isEmpty() && !m_session.isBusy()) {
        Request r = m_waiting.takeFirst();
        if (r.reply)
            run(r);
    }
    m_starting = false;
    if (isIdle())
        emit idle();
}

void BoardService::run(Request r)
{
    BoardReply *reply = r.reply;
    QByteArray command = reply->m_command;
    switch (reply->kind()) {
    case Kind::Upload:
        // A waiting upload carries the figures as they are when it starts.
        if (r.compose) {
            QString refusal;
            reply->m_sent = r.compose(&refusal);
            if (!refusal.isEmpty()) {
                reply->m_error = refusal;
                finish(reply, BoardReply::Status::Invalid);
                return;
            }
        } else {
            reply->m_sent = r.texts ? *r.texts : textsOf(m_figures.figures());
        }
        break;
    case Kind::Read:
    case Kind::Brightness:
    case Kind::Lighting:
        break;
    case Kind::Clock:
        command = "TIME=" + m_now().toString(QStringLiteral("dd.MM.yy hh:mm:ss")).toLatin1();
        break;
    case Kind::ControllerSettings: {
        // Never a made-up value over the board's configuration, never a time that is no time.
        Settled settled;
        if (r.config)
            settled.config = *r.config;
        else if (m_settle)
            settled = m_settle();
        else
            settled = {m_settings.controller(), m_settings.unknownSetsParts()};
        if (!settled.unknown.isEmpty()) {
            reply->m_unknown = settled.unknown;
            finish(reply, BoardReply::Status::Held);
            return;
        }
        const ControllerConfig &config = settled.config;
        std::array<int, 19> fields;
        QString error;
        if (!setsFields(config, fields, &error)) {
            reply->m_error = error;
            finish(reply, BoardReply::Status::Invalid);
            return;
        }
        command = Protocol::buildSetsCommand(fields);
        break;
    }
    }
    reply->m_command = command;
    reply->m_status = BoardReply::Status::Running;
    reply->m_startedAt = QDateTime::currentDateTime();
    m_running = reply;
    emit busyChanged(true);
    emit started(reply);
    const ExchangeOptions options = exchangeOptionsOf(m_settings.program());
    reply->m_options = options;
    const auto done = [this, reply] {
        finish(reply, BoardReply::Status::Done);
        // Whatever the handlers asked for meanwhile waited for them; now it may start.
        m_running = nullptr;
        emit busyChanged(false);
        runNext();
    };
    switch (reply->kind()) {
    case Kind::Upload:
        m_session.startUpload(reply->m_sent, options, [this, reply, done](const UploadResult &result) {
            reply->m_upload = result;
            reply->m_read = result.readBack;
            done();
        });
        break;
    case Kind::Read:
        m_session.startRead(options, [this, reply, done](const ReadResult &result) {
            reply->m_read = result;
            reply->m_exchange = result.exchange;
            if (result.outcome == ReadResult::ReadOk) {
                // The board's figures for the shown slots, unless an upload waits: it carries
                // figures that were asked for and must not be replaced by the board's old ones.
                if (!isWaiting(Kind::Upload)) {
                    const std::array<bool, 10> shown = m_settings.program().slotsShown();
                    for (int k = 1; k <= 10; ++k)
                        if (shown[k - 1])
                            m_figures.setFigure(k, QString::fromLatin1(result.reading.figures[k - 1]), true);
                }
            }
            done();
        });
        break;
    default:
        m_session.startSetting(command, options, [reply, done](const ExchangeResult &result) {
            reply->m_exchange = result;
            done();
        });
        break;
    }
}
