#pragma once
// The conversation with the board over one serial link: the command exchange (frame, write,
// wait for the reply lines, repeat after a time-out or "ERROR") and the operations built on it.
// One thread, nothing blocks: the link's bytes and the ticker's ticks drive an operation, which
// reports its end through the callback it was started with. An operation started while another
// runs is refused with the Busy outcome.
#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "core/protocol/BoardReading.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ProgramSettings.h"

class ExchangeTicker;
class SerialLink;
struct ControllerConfig;

struct ExchangeOptions {
    int attempts = 1;        // times a command is sent at most; below one it is still sent once
    int timeoutMs = 1000;    // reply time-out of each attempt
    bool checksums = false;  // commands carry their byte sum
    bool oneWay = false;     // the board never answers: nothing is read
};

// The exchange options the operator has set.
inline ExchangeOptions exchangeOptionsOf(const ProgramSettings &s)
{
    return ExchangeOptions{s.attempts, s.timeoutMs, s.checksums, s.oneWay};
}

struct ExchangeResult {
    // Ok: "OK" (or a one-way link). Error: "ERROR" on the last attempt. Timeout: no final reply
    // on the last attempt. Read: a line beginning with "READ" (in `reply`). Busy: refused,
    // nothing was sent. NotSent: the command could not be built, nothing was sent.
    enum Outcome { Ok, Error, Timeout, Read, Busy, NotSent };
    Outcome outcome = NotSent;
    QByteArray reply;        // the last line of the last attempt that was not the echo
    int attempts = 0;        // times the command was written
};

struct ReadResult {
    // ReadOk: a good reply, in `reading`. DataError: "ERROR", or a reply that does not parse.
    // ConnectionError: no reply, or a wrong or missing checksum. NotRead: the board answered
    // "OK" instead. OneWay: nothing was sent (the board cannot answer). Busy: refused.
    enum Outcome { ReadOk, DataError, ConnectionError, NotRead, OneWay, Busy };
    Outcome outcome = Busy;
    ExchangeResult exchange;
    BoardReading reading;    // the session's last reading; updated when ReadOk
};

struct UploadResult {
    // SentOk: accepted and the read-back matches (or the link is one-way). DataError: "ERROR"
    // to "SEND=", or the read-back differs or does not parse. ConnectionError: no reply to
    // "SEND=" or to the read-back, or the read-back's checksum is wrong. Unacknowledged: a "READ"
    // line instead of "OK"; nothing is reported. Busy: refused, nothing was sent.
    enum Outcome { SentOk, DataError, ConnectionError, Unacknowledged, Busy };
    Outcome outcome = Busy;
    ExchangeResult send;
    bool verified = false;   // a read-back ran; its result is in `readBack`
    ReadResult readBack;
    QString expected;        // the texts sent, joined
    QString readBackText;    // the ten figures the board returned, joined (empty without a good reply)
};

class BoardSession : public QObject {
    Q_OBJECT
public:
    static constexpr int TickMs = 10;
    static constexpr int ProgressMax = 1000;

    // The link is not owned and must outlive the session. Without a ticker the session makes
    // its own real-time one.
    explicit BoardSession(SerialLink *link, ExchangeTicker *ticker = nullptr, QObject *parent = nullptr);

    SerialLink *link() const { return m_link; }
    // True from the start of an operation (or a bare exchange) to its end.
    bool isBusy() const { return m_busy; }
    // True while an exchange writes or waits.
    bool isExchanging() const { return m_exchanging; }
    // Whether anyone shows the wait's progress. Without it the wait is one timer event up to the
    // tick that ends it (the time-out counts the same), so a silent board costs nothing.
    void setProgressShown(bool shown);
    // The line being received: shared with the event listener, which may finish a line an
    // exchange began, and the other way round.
    Protocol::LineAssembler &lines() { return m_lines; }
    // The last good "READ" reply (a 31-field reply keeps the earlier field 32).
    const BoardReading &lastReading() const { return m_lastReading; }

    // ---- Operations: each ends by calling `done` once (at once when refused) ----
    // Frames `command`, writes it and waits for the reply, again after a time-out or "ERROR"
    // while attempts remain.
    void startExchange(const QByteArray &command, const ExchangeOptions &options,
                       std::function<void(const ExchangeResult &)> done);
    void startUpload(const QStringList &texts, const ExchangeOptions &options,
                     std::function<void(const UploadResult &)> done);
    void startRead(const ExchangeOptions &options, std::function<void(const ReadResult &)> done);
    // A controller setting ("BRIG=", "LIGH=", "TIME=", "SETS=" ...): the progress ends at its
    // maximum when the board says "OK".
    void startSetting(const QByteArray &command, const ExchangeOptions &options,
                      std::function<void(const ExchangeResult &)> done);

    // Writes `command` and CR LF as they are: no frame, no checksum, no wait. Allowed at any
    // time, also during another exchange's wait (the answer is left to the event listener).
    void sendBare(const QByteArray &command);

signals:
    void busyChanged(bool busy);
    // Around every exchange: the event poll and the data-file poll stop meanwhile.
    void exchangeStarted();
    void exchangeFinished();
    // Each attempt: the framed command without its CR LF.
    void commandShown(const QString &command);
    // Every completed line an exchange receives, the echo and empty lines included.
    void lineReceived(const QByteArray &line);
    // The progress of the wait, 0..ProgressMax.
    void progressChanged(int value);
    // Before each board operation's exchange (an upload's read-back included): the owner
    // selects and reopens the port with the operator's current settings.
    void portReopenRequested();
    // A read begins (an operator's read or an upload's read-back).
    void readStarted();

private:
    void setBusy(bool busy);
    // The exchange of an operation: `done` follows the last attempt.
    void runExchange(const QByteArray &command, const ExchangeOptions &options,
                     std::function<void(const ExchangeResult &)> done);
    void writeAttempt();
    void takeReplyBytes();
    void endAttempt(ExchangeResult::Outcome outcome);
    void runRead(const ExchangeOptions &options, std::function<void(const ReadResult &)> done);
    ReadResult readResultOf(const ExchangeResult &exchange, const ExchangeOptions &options);
    void onTick(int intervalMs);
    // Milliseconds from now to the tick that ends the wait: the first one past the time-out.
    int untilTimeout() const;
    void setProgress(int value);

    SerialLink *m_link;
    ExchangeTicker *m_ticker;
    Protocol::LineAssembler m_lines;
    BoardReading m_lastReading;
    bool m_busy = false;
    bool m_exchanging = false;
    // The exchange in progress.
    QByteArray m_framed, m_shown;      // as written; without CR LF (what an echo looks like)
    ExchangeOptions m_options;
    int m_attemptsLeft = 0;
    ExchangeResult m_result;
    std::function<void(const ExchangeResult &)> m_exchangeDone;
    bool m_waiting = false;            // an attempt waits for its reply
    bool m_modemLine = false;          // a modem clock or message-list line came: its "OK" is not the reply
    int m_elapsedMs = 0;
    int m_progress = 0;
    bool m_progressShown = true;
};
