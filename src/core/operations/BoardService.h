#pragma once
// What the program does with the board, for the window, tablo-cli and the MQTT bridge alike:
// uploads figures with their read-back, reads the board, sets its brightness, lighting and
// clock, and sends the controller's settings. It holds the ten figures (the figure store) and
// what the board last reported and is known to show (the truth record, changed as each reply
// finishes).
//
// One request runs at a time; the others wait in the order they were asked. A newer request of
// a kind that still waits takes the waiting one's place, and the older reply finishes as
// superseded. A request takes its content when it starts, so a waiting upload carries the
// latest figures. Every request returns a reply that finishes once; nothing waits and nothing
// polls: a waiting request starts as soon as the one before it (and its reply's handlers) ends.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

#include "core/board/BoardSession.h"
#include "core/figures/FigureStore.h"
#include "core/operations/BoardReply.h"
#include "core/operations/BoardTruth.h"
#include "core/settings/ControllerConfig.h"

class SettingsModel;

class BoardService : public QObject {
    Q_OBJECT
public:
    using Kind = BoardReply::Kind;

    // The session and the settings are not owned and must outlive the service.
    BoardService(BoardSession &session, SettingsModel &settings, QObject *parent = nullptr);
    ~BoardService() override;

    // Before each operation's exchanges the port is selected again; by default reopenPort().
    void setPortSelection(std::function<void()> select) { m_selectPort = std::move(select); }
    // Opens the link again with the port, speed and parity of the settings; portReopened tells
    // whether it was closed before and whether the opening failed.
    void reopenPort();
    // Why the port did not open the last time it was tried.
    QString portError() const;
    // The ports of `candidates` that open with the settings' speed and parity, tried one by one
    // on the link (left as the last try left it). Nothing while the board is in use or a
    // request waits: then the answer is empty and `tried` false.
    QStringList openablePorts(const QStringList &candidates, bool *tried = nullptr);
    // The clock's time when "TIME=" goes out (tests set a fixed one).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }
    // The configuration a "SETS=" carries, settled when it starts, or the parts of it that are
    // not known (then nothing is sent); by default the settings' configuration.
    struct Settled {
        ControllerConfig config;
        QStringList unknown;
    };
    void setControllerSettle(std::function<Settled()> settle) { m_settle = std::move(settle); }

    // The command texts of brightness and lighting codes, as they go out and are shown.
    static QByteArray brightnessCommand(int code) { return "BRIG=" + QByteArray::number(code); }
    static QByteArray lightingCommand(int code) { return "LIGH=" + QByteArray::number(code); }

    // The request that runs: from its start until the handlers of its reply have returned.
    std::optional<Kind> running() const;
    bool isBusy() const { return m_running != nullptr; }
    bool hasWaiting() const { return !m_waiting.isEmpty(); }
    // Nothing runs and nothing waits.
    bool isIdle() const { return !isBusy() && m_waiting.isEmpty() && !m_session.isBusy(); }
    // A request of `kind` waits (not yet started).
    bool isWaiting(Kind kind) const;
    // The reply of the request of `kind` that waits, or null.
    BoardReply *waiting(Kind kind) const;

    // The ten figures the program holds, with the data file's load and save.
    FigureStore &figures() { return m_figures; }
    const FigureStore &figures() const { return m_figures; }
    // What the board last reported and what is known of its figures; changed only as replies
    // finish (and by event lines, which fold their values into the reading).
    const BoardTruth &state() const { return m_state; }
    const BoardTruth &truth() const { return m_state; }
    // An event line's values (empty: not in the line), which replace the reading's.
    void takeEvent(const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting);

    // ---- Requests ----
    // The figures of the store for the shown slots (the blank value for the others), taken when
    // the upload starts.
    BoardReply *upload(const QVariant &tag = {});
    // Ten final texts, as they are.
    BoardReply *uploadTexts(const QStringList &texts, const QVariant &tag = {});
    // The texts an upload of ten figures carries: a shown slot its figure, a hidden one the
    // blank value, each with the fill of the settings' digits. `shown` defaults to the slots the
    // settings show.
    QStringList textsOf(const QStringList &figures, std::optional<std::array<bool, 10>> shown = {}) const;
    // Texts composed when the upload starts (from what the board shows then, say); a composer
    // that sets its text argument refuses the upload, which then finishes as invalid.
    using Composer = std::function<QStringList(QString *refusal)>;
    BoardReply *uploadComposed(Composer compose, const QVariant &tag = {});
    BoardReply *read(const QVariant &tag = {});
    // "BRIG=" and "LIGH=" with a code (brightness 0..6, lighting 0..3).
    BoardReply *setBrightness(int code, const QVariant &tag = {});
    BoardReply *setLighting(int code, const QVariant &tag = {});
    // "TIME=" with the time at which it goes out.
    BoardReply *setClock(const QVariant &tag = {});
    // "SETS=" with the configuration settled when it starts (or `config` as given), once every
    // value of the settings' configuration is known.
    BoardReply *sendControllerSettings(std::optional<ControllerConfig> config = {}, const QVariant &tag = {});

    // Waiting requests that `withdrawn` picks finish as withdrawn: nothing is sent for them.
    void withdraw(const std::function<bool(const BoardReply *)> &withdrawn);
    // Every waiting request finishes as withdrawn; the running one ends as it ends.
    void withdrawAll() { withdraw([](const BoardReply *) { return true; }); }

signals:
    void busyChanged(bool busy);
    void portReopened(bool wasClosed, bool failed);
    // A request begins (after busyChanged), before its first exchange.
    void started(BoardReply *reply);
    // Every reply that finishes, after its own handlers: for the views and the journal.
    void replyFinished(BoardReply *reply);
    // Nothing runs and nothing waits any more.
    void idle();
    // The board state changed (a reading, an upload, an answer, an event).
    void stateChanged();
    // The figures, how they are known, since when or the request behind them changed (before
    // the reply's own handlers run); `previous` is the record as it was.
    void truthChanged(const BoardTruth &truth, const BoardTruth &previous);

private:
    struct Request {
        QPointer<BoardReply> reply;
        int code = 0;                               // brightness, lighting
        std::optional<QStringList> texts;          // upload: as given; none: from the store
        Composer compose;                          // upload: composed when it starts
        std::optional<ControllerConfig> config;    // controller settings: as given
    };
    BoardReply *request(Kind kind, Request r, const QVariant &tag);
    void runNext();
    void run(Request r);
    void finish(BoardReply *reply, BoardReply::Status status);

    BoardSession &m_session;
    SettingsModel &m_settings;
    std::function<void()> m_selectPort;
    std::function<QDateTime()> m_now;
    std::function<Settled()> m_settle;
    BoardReply *m_running = nullptr;
    bool m_starting = false;   // runNext() is under way: no second start from inside it
    QList<Request> m_waiting;
    FigureStore m_figures;
    BoardTruth m_state;
};
