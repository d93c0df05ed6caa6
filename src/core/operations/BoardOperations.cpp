#include "core/operations/BoardOperations.h"

#include <QTimer>
#include <utility>

#include "core/figures/FigureFrame.h"
#include "core/link/SerialLink.h"
#include "core/settings/SettingsModel.h"

BoardOperations::BoardOperations(BoardSession &session, SettingsModel &settings, QObject *parent)
    : QObject(parent), m_session(session), m_settings(settings)
{
    m_selectPort = [this] { reopenPort(); };
    m_now = [] { return QDateTime::currentDateTime(); };
    connect(&m_session, &BoardSession::portReopenRequested, this, [this] {
        if (m_running)
            m_selectPort();
    });
}

void BoardOperations::reopenPort()
{
    const ProgramSettings &s = m_settings.program();
    SerialLink *link = m_session.link();
    const bool wasClosed = link->state() == SerialLink::State::Closed;
    if (!wasClosed)
        link->close();
    link->open(s.port, s.baudRate, s.parity);
    emit portReopened(wasClosed, link->state() == SerialLink::State::Failed);
}

QStringList BoardOperations::uploadTexts(const QStringList &figures, std::optional<std::array<bool, 10>> shown) const
{
    const ProgramSettings &s = m_settings.program();
    return figureFrame(figures, shown.value_or(s.slotsShown()), s.digits, s.fillChar()).texts;
}

QString BoardOperations::portError() const { return m_session.link()->lastOpenError(); }

QStringList BoardOperations::openablePorts(const QStringList &candidates)
{
    if (isBusy() || m_session.isBusy())
        return {};
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

void BoardOperations::requestUpload(const QStringList &texts) { request({Kind::Upload, texts, 0, {}}); }
void BoardOperations::requestRead() { request({Kind::Read, {}, 0, {}}); }
void BoardOperations::requestBrightness(int code) { request({Kind::Brightness, {}, code, {}}); }
void BoardOperations::requestLighting(int code) { request({Kind::Lighting, {}, code, {}}); }
void BoardOperations::requestClock() { request({Kind::Clock, {}, 0, {}}); }
void BoardOperations::requestControllerSettings(const ControllerConfig &config)
{
    request({Kind::ControllerSettings, {}, 0, config});
}

void BoardOperations::request(const Request &r)
{
    // The latest request of a kind replaces a waiting one and goes to the back.
    m_waiting.removeIf([&r](const Request &w) { return w.kind == r.kind; });
    m_waiting.append(r);
    runNext();
}

void BoardOperations::runNext()
{
    if (m_running || m_waiting.isEmpty())
        return;
    if (m_session.isBusy() || (m_ready && !m_ready())) {
        // Another exchange on the session, or the windows' work on a result, runs: try again shortly.
        if (!std::exchange(m_retrying, true))
            QTimer::singleShot(20, this, [this] {
                m_retrying = false;
                runNext();
            });
        return;
    }
    run(m_waiting.takeFirst());
}

void BoardOperations::run(const Request &r)
{
    QByteArray command;
    switch (r.kind) {
    case Kind::Upload:
    case Kind::Read:
        break;
    case Kind::Brightness:
        command = brightnessCommand(r.code);
        break;
    case Kind::Lighting:
        command = lightingCommand(r.code);
        break;
    case Kind::Clock:
        command = "TIME=" + m_now().toString(QStringLiteral("dd.MM.yy hh:mm:ss")).toLatin1();
        break;
    case Kind::ControllerSettings: {
        // Never a made-up value over the board's configuration, never a time that is no time.
        if (const QStringList unknown = m_settings.unknownSetsParts(); !unknown.isEmpty()) {
            emit controllerSettingsHeld(unknown);
            return runNext();
        }
        std::array<int, 19> fields;
        QString error;
        if (!setsFields(r.config, fields, &error)) {
            emit controllerSettingsInvalid(error);
            return runNext();
        }
        command = Protocol::buildSetsCommand(fields);
        break;
    }
    }

    m_running = r.kind;
    emit busyChanged(true);
    emit operationStarted(r.kind);
    const ExchangeOptions options = exchangeOptionsOf(m_settings.program());
    if (r.kind == Kind::Upload) {
        m_session.startUpload(r.texts, options, [this](const UploadResult &result) {
            emit uploadFinished(result);
            finish();
        });
    } else if (r.kind == Kind::Read) {
        m_session.startRead(options, [this](const ReadResult &result) {
            emit readFinished(result);
            finish();
        });
    } else {
        m_session.startSetting(command, options, [this, kind = r.kind, command](const ExchangeResult &result) {
            emit settingFinished(kind, command, result);
            finish();
        });
    }
}

void BoardOperations::finish()
{
    m_running.reset();
    emit busyChanged(false);
    runNext();
}
