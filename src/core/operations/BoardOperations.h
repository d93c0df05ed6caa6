#pragma once
// What the program does with the board, without a window: uploads figures with their read-back,
// reads the board, sets its brightness, lighting and clock, and sends the controller's
// settings. One operation at a time: a request that arrives while one runs waits (the latest of
// each kind) and runs as soon as the board is free. Each operation ends with a signal carrying
// its result; nothing waits.
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <functional>

#include "core/board/BoardSession.h"
#include "core/figures/FigureStore.h"
#include "core/settings/ControllerConfig.h"

class SettingsModel;

class BoardOperations : public QObject {
    Q_OBJECT
public:
    enum class Kind { Upload, Read, Brightness, Lighting, Clock, ControllerSettings };
    Q_ENUM(Kind)

    // The session and the settings are not owned and must outlive the service.
    BoardOperations(BoardSession &session, SettingsModel &settings, QObject *parent = nullptr);

    // Before each operation's exchanges the port is selected again; by default reopenPort().
    void setPortSelection(std::function<void()> select) { m_selectPort = std::move(select); }
    // Opens the link again with the port, speed and parity of the settings; portReopened tells
    // whether it was closed before and whether the opening failed.
    void reopenPort();
    // Why the port did not open the last time it was tried.
    QString portError() const;
    // The ports of `candidates` that open with the settings' speed and parity, tried one by one
    // on the link (left as the last try left it); none while an operation runs.
    QStringList openablePorts(const QStringList &candidates);
    // The clock's time when "TIME=" goes out (tests set a fixed one).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    // Whether a waiting request may start now besides the board being free (the windows' own
    // work may not be interrupted); by default always.
    void setReady(std::function<bool()> ready) { m_ready = std::move(ready); }

    // The command texts of brightness and lighting codes, as they go out and are shown.
    static QByteArray brightnessCommand(int code) { return "BRIG=" + QByteArray::number(code); }
    static QByteArray lightingCommand(int code) { return "LIGH=" + QByteArray::number(code); }
    // The code a brightness or lighting command carries.
    static int codeOf(const QByteArray &command) { return command.mid(5).toInt(); }

    // The operation that runs: from its start until the handlers of its result have returned
    // (what they request meanwhile waits for it).
    std::optional<Kind> running() const { return m_running; }
    bool isBusy() const { return m_running.has_value(); }
    bool hasWaiting() const { return !m_waiting.isEmpty(); }

    // The ten figures the program holds, with the data file's load and save.
    FigureStore &figures() { return m_figures; }
    const FigureStore &figures() const { return m_figures; }

    // Ten final texts, uploaded and read back.
    void requestUpload(const QStringList &texts);
    // The texts an upload of ten figures carries: a shown slot its figure, a hidden one the
    // blank value, each with the fill of the settings' digits. `shown` defaults to the slots the
    // settings show.
    QStringList uploadTexts(const QStringList &figures, std::optional<std::array<bool, 10>> shown = {}) const;
    void requestFigures(const QStringList &figures, std::optional<std::array<bool, 10>> shown = {})
    {
        requestUpload(uploadTexts(figures, shown));
    }
    void requestRead();
    // "BRIG=" and "LIGH=" with a code (brightness 0..6, lighting 0..3).
    void requestBrightness(int code);
    void requestLighting(int code);
    // "TIME=" with the time at which it goes out.
    void requestClock();
    // "SETS=" with `config` (the values the caller settled on), once every value of the
    // settings' configuration is known.
    void requestControllerSettings(const ControllerConfig &config);

signals:
    void busyChanged(bool busy);
    void portReopened(bool wasClosed, bool failed);
    // An operation begins (after busyChanged), before its first exchange.
    void operationStarted(BoardOperations::Kind kind);
    void uploadFinished(const UploadResult &result);
    void readFinished(const ReadResult &result);
    // Brightness, lighting, clock or controller settings: the command and how it went.
    void settingFinished(BoardOperations::Kind kind, const QByteArray &command, const ExchangeResult &result);
    // "SETS=" was not sent: the values named are not known (the board was not read).
    void controllerSettingsHeld(const QStringList &unknown);
    // A time of the configuration is no time of day: nothing was sent.
    void controllerSettingsInvalid(const QString &message);

private:
    struct Request {
        Kind kind;
        QStringList texts;   // upload
        int code = 0;        // brightness, lighting
        ControllerConfig config;   // controller settings
    };
    void request(const Request &r);
    void runNext();
    void run(const Request &r);
    void finish();

    BoardSession &m_session;
    SettingsModel &m_settings;
    std::function<void()> m_selectPort;
    std::function<QDateTime()> m_now;
    std::function<bool()> m_ready;
    std::optional<Kind> m_running;
    bool m_retrying = false;   // a retry of the waiting requests is due
    QList<Request> m_waiting;
    FigureStore m_figures;
};
