#include "core/board/BoardSession.h"

#include <algorithm>
#include <optional>

#include "core/board/ExchangeTicker.h"
#include "core/figures/FigureFrame.h"
#include "core/link/SerialLink.h"

namespace {

// n / d rounded to the nearest integer, halves to even (d > 0, n >= 0).
int divRoundHalfEven(int n, int d)
{
    const int q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && (q % 2) != 0))
        return q + 1;
    return q;
}

// The progress stops advancing once it has reached this.
constexpr int ProgressHold = 850;

} // namespace

BoardSession::BoardSession(SerialLink *link, ExchangeTicker *ticker, QObject *parent)
    : QObject(parent), m_link(link), m_ticker(ticker ? ticker : new QtExchangeTicker(this))
{
    connect(m_ticker, &ExchangeTicker::ticked, this, &BoardSession::onTick);
    connect(m_link, &SerialLink::bytesArrived, this, &BoardSession::takeReplyBytes);
}

void BoardSession::setBusy(bool busy)
{
    m_busy = busy;
    emit busyChanged(busy);
}

// ---- The exchange ----

void BoardSession::startExchange(const QByteArray &command, const ExchangeOptions &options,
                                 std::function<void(const ExchangeResult &)> done)
{
    if (m_busy) {
        done(ExchangeResult{ExchangeResult::Busy, {}, 0});
        return;
    }
    setBusy(true);
    runExchange(command, options, [this, done = std::move(done)](const ExchangeResult &result) {
        setBusy(false);
        done(result);
    });
}

void BoardSession::runExchange(const QByteArray &command, const ExchangeOptions &options,
                               std::function<void(const ExchangeResult &)> done)
{
    m_exchanging = true;
    emit exchangeStarted();
    m_framed = Protocol::frameCommand(command, options.checksums);
    m_shown = m_framed.chopped(2);   // without CR LF: also what an echo of the command looks like
    m_options = options;
    // A count below one still sends the command once.
    m_attemptsLeft = options.attempts;
    m_result = ExchangeResult{};
    m_exchangeDone = std::move(done);
    writeAttempt();
}

void BoardSession::writeAttempt()
{
    --m_attemptsLeft;
    ++m_result.attempts;
    m_result.reply.clear();
    m_lines.clearAll();
    m_modemLine = false;
    setProgress(0);
    emit commandShown(QString::fromLatin1(m_shown));
    m_link->write(m_framed);
    // A one-way board never answers.
    if (m_options.oneWay) {
        endAttempt(ExchangeResult::Ok);
        return;
    }
    m_elapsedMs = 0;
    m_waiting = true;
    m_ticker->start(TickMs);
    if (!m_progressShown)
        m_ticker->quietFor(untilTimeout());
    takeReplyBytes();   // the link does not signal bytes that were buffered already
}

void BoardSession::takeReplyBytes()
{
    char c;
    while (m_waiting && m_link->readBufferedByte(c)) {
        if (m_lines.feed(c) != Protocol::LineAssembler::Line)
            continue;   // no line yet, or an overlong line that was dropped whole
        const QByteArray line = m_lines.line();
        QByteArray &reply = m_result.reply;
        if (line != m_shown)
            reply = line;   // the echo of the command is not a reply
        emit lineReceived(line);
        if (!m_waiting)
            return;   // a receiver ended the wait (a bare command discarded the input)
        // Every line is judged by the current reply, also an echo that left it as it was.
        std::optional<ExchangeResult::Outcome> outcome;
        if (reply.startsWith("READ"))
            outcome = ExchangeResult::Read;
        // After a modem clock or message-list line, its "OK" does not answer the command.
        if (reply.mid(1, 4) == "CCLK" || reply.mid(3, 4) == "CMGL")
            m_modemLine = true;
        if (reply == "OK" && !m_modemLine)
            outcome = ExchangeResult::Ok;
        if (reply == "ERROR")
            outcome = ExchangeResult::Error;
        if (outcome) {
            endAttempt(*outcome);
            return;
        }
    }
}

void BoardSession::onTick(int intervalMs)
{
    if (!m_waiting)
        return;
    m_elapsedMs += intervalMs;
    if (m_progress < ProgressHold && m_options.timeoutMs > 0) {
        const int step = 5 * divRoundHalfEven(intervalMs * 1000, m_options.timeoutMs);
        setProgress(std::min(m_progress + step, ProgressMax));
    }
    if (m_elapsedMs > m_options.timeoutMs) {
        endAttempt(ExchangeResult::Timeout);
        return;
    }
    // Once the progress holds, only the tick that ends the wait matters: the first one past the
    // time-out. A reply arriving meanwhile ends the wait on its own.
    if (m_progress >= ProgressHold || m_options.timeoutMs <= 0 || !m_progressShown)
        m_ticker->quietFor(untilTimeout());
}

int BoardSession::untilTimeout() const
{
    return (std::max(m_options.timeoutMs, 0) / TickMs + 1) * TickMs - m_elapsedMs;
}

void BoardSession::setProgressShown(bool shown)
{
    m_progressShown = shown;
    if (m_waiting)
        shown ? m_ticker->start(TickMs) : m_ticker->quietFor(untilTimeout());
}

void BoardSession::endAttempt(ExchangeResult::Outcome outcome)
{
    m_waiting = false;
    m_ticker->stop();
    m_result.outcome = outcome;
    if ((outcome == ExchangeResult::Timeout || outcome == ExchangeResult::Error) && m_attemptsLeft > 0) {
        writeAttempt();
        return;
    }
    m_exchanging = false;
    emit exchangeFinished();
    std::exchange(m_exchangeDone, nullptr)(m_result);
}

void BoardSession::setProgress(int value)
{
    m_progress = value;
    emit progressChanged(value);
}

// ---- Operations ----

void BoardSession::startRead(const ExchangeOptions &options, std::function<void(const ReadResult &)> done)
{
    if (m_busy) {
        done(ReadResult{ReadResult::Busy, {ExchangeResult::Busy, {}, 0}, m_lastReading});
        return;
    }
    if (options.oneWay) {
        done(ReadResult{ReadResult::OneWay, {ExchangeResult::NotSent, {}, 0}, m_lastReading});
        return;
    }
    setBusy(true);
    runRead(options, [this, done = std::move(done)](const ReadResult &result) {
        setBusy(false);
        done(result);
    });
}

void BoardSession::runRead(const ExchangeOptions &options, std::function<void(const ReadResult &)> done)
{
    emit portReopenRequested();
    emit readStarted();
    runExchange("READ=", options, [this, options, done = std::move(done)](const ExchangeResult &exchange) {
        done(readResultOf(exchange, options));
    });
}

ReadResult BoardSession::readResultOf(const ExchangeResult &exchange, const ExchangeOptions &options)
{
    ReadResult result;
    result.exchange = exchange;
    switch (exchange.outcome) {
    case ExchangeResult::Read:
        // A wrong or missing checksum counts as no reply at all.
        if (options.checksums && !Protocol::checksumOk(exchange.reply)) {
            result.outcome = ReadResult::ConnectionError;
        } else if (const BoardReadingParse parsed = parseBoardReading(exchange.reply, m_lastReading); parsed.ok) {
            m_lastReading = parsed.reading;
            result.outcome = ReadResult::ReadOk;
            setProgress(ProgressMax);
        } else {
            result.outcome = ReadResult::DataError;
        }
        break;
    case ExchangeResult::Error:
        result.outcome = ReadResult::DataError;
        break;
    case ExchangeResult::Timeout:
        result.outcome = ReadResult::ConnectionError;
        break;
    default:
        result.outcome = ReadResult::NotRead;
        break;
    }
    result.reading = m_lastReading;
    return result;
}

void BoardSession::startUpload(const QStringList &texts, const ExchangeOptions &options,
                               std::function<void(const UploadResult &)> done)
{
    if (m_busy) {
        done(UploadResult{});
        return;
    }
    setBusy(true);
    const auto finish = [this, done](const UploadResult &result) {
        setBusy(false);
        done(result);
    };

    const FigureFrame frame = figureFrame(texts);
    UploadResult result;
    result.expected = frame.expected;
    emit portReopenRequested();
    runExchange(frame.payload, options, [=, this](const ExchangeResult &send) mutable {
        result.send = send;
        switch (send.outcome) {
        case ExchangeResult::Timeout:
            result.outcome = UploadResult::ConnectionError;
            return finish(result);
        case ExchangeResult::Error:
            result.outcome = UploadResult::DataError;
            return finish(result);
        case ExchangeResult::Ok:
            break;
        default:
            result.outcome = UploadResult::Unacknowledged;
            return finish(result);
        }
        setProgress(ProgressMax);
        if (options.oneWay) {
            result.outcome = UploadResult::SentOk;
            return finish(result);
        }
        // The board must return exactly the texts sent, fill characters included.
        result.verified = true;
        runRead(options, [=, this](const ReadResult &readBack) mutable {
            result.readBack = readBack;
            if (readBack.outcome == ReadResult::ReadOk)
                result.readBackText = readBack.reading.figuresText();
            if (readBack.outcome == ReadResult::ConnectionError)
                result.outcome = UploadResult::ConnectionError;
            else if (readBack.outcome == ReadResult::DataError || result.readBackText != result.expected)
                result.outcome = UploadResult::DataError;
            else
                result.outcome = UploadResult::SentOk;
            finish(result);
        });
    });
}

void BoardSession::startSetting(const QByteArray &command, const ExchangeOptions &options,
                                std::function<void(const ExchangeResult &)> done)
{
    if (!m_busy)
        emit portReopenRequested();
    startExchange(command, options, [this, done = std::move(done)](const ExchangeResult &result) {
        if (result.outcome == ExchangeResult::Ok)
            setProgress(ProgressMax);
        done(result);
    });
}

void BoardSession::sendBare(const QByteArray &command)
{
    m_link->write(command + "\r\n");
}
