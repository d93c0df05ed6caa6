#include "core/board/BoardSession.h"

#include <algorithm>
#include <optional>

#include "core/board/ExchangeTicker.h"
#include "core/figures/FigureFrame.h"
#include "core/link/SerialLink.h"
#include "core/settings/ControllerConfig.h"

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

// Marks the session busy for one operation.
class BoardSession::BusyScope {
public:
    explicit BusyScope(BoardSession &session) : m_session(session)
    {
        m_session.m_busy = true;
        emit m_session.busyChanged(true);
    }
    ~BusyScope()
    {
        m_session.m_busy = false;
        emit m_session.busyChanged(false);
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    BoardSession &m_session;
};

BoardSession::BoardSession(SerialLink *link, ExchangeTicker *ticker, QObject *parent)
    : QObject(parent), m_link(link), m_ticker(ticker ? ticker : new QtExchangeTicker(this))
{
    connect(m_ticker, &ExchangeTicker::ticked, this, &BoardSession::onTick);
}

ExchangeResult BoardSession::exchange(const QByteArray &command, const ExchangeOptions &options)
{
    if (m_busy)
        return ExchangeResult{ExchangeResult::Busy, {}, 0};
    const BusyScope busy(*this);
    return runExchange(command, options);
}

ExchangeResult BoardSession::runExchange(const QByteArray &command, const ExchangeOptions &options)
{
    m_exchanging = true;
    emit exchangeStarted();

    const QByteArray framed = Protocol::frameCommand(command, options.checksums);
    QByteArray shown = framed;
    shown.chop(2);   // without CR LF: also what an echo of the command looks like

    ExchangeResult result;
    int remaining = options.attempts;
    do {
        --remaining;
        ++result.attempts;
        m_attemptTimeoutMs = options.timeoutMs;
        result.reply.clear();
        m_lines.clearAll();
        setProgress(0);
        emit commandShown(QString::fromLatin1(shown));
        m_link->write(framed);
        // A one-way board never answers.
        result.outcome = options.oneWay ? ExchangeResult::Ok : waitForReply(shown, result.reply);
        // A count below one still sends the command once.
    } while ((result.outcome == ExchangeResult::Timeout || result.outcome == ExchangeResult::Error) && remaining > 0);

    m_exchanging = false;
    emit exchangeFinished();
    return result;
}

ExchangeResult::Outcome BoardSession::waitForReply(const QByteArray &sent, QByteArray &reply)
{
    m_elapsedMs = 0;
    m_timedOut = false;
    bool modemLine = false;
    std::optional<ExchangeResult::Outcome> outcome;
    m_ticker->start(TickMs);

    for (;;) {
        char c;
        // Everything already buffered is taken first: the link does not signal those bytes again.
        while (!outcome && !m_timedOut && m_link->readBufferedByte(c)) {
            if (m_lines.feed(c) != Protocol::LineAssembler::Line)
                continue;   // no line yet, or an overlong line that was dropped whole
            const QByteArray line = m_lines.line();
            if (line != sent)
                reply = line;   // the echo of the command is not a reply
            emit lineReceived(line);
            // Every line is judged by the current reply, also an echo that left it as it was.
            if (reply.startsWith("READ"))
                outcome = ExchangeResult::Read;
            // After a modem clock or message-list line, its "OK" does not answer the command.
            if (reply.mid(1, 4) == "CCLK" || reply.mid(3, 4) == "CMGL")
                modemLine = true;
            if (reply == "OK" && !modemLine)
                outcome = ExchangeResult::Ok;
            if (reply == "ERROR")
                outcome = ExchangeResult::Error;
        }
        if (outcome || m_timedOut)
            break;
        m_ticker->waitForEvents();
    }
    m_ticker->stop();
    return outcome ? *outcome : ExchangeResult::Timeout;
}

void BoardSession::onTick(int intervalMs)
{
    if (!m_exchanging || m_timedOut)
        return;
    m_elapsedMs += intervalMs;
    if (m_progress < ProgressHold && m_attemptTimeoutMs > 0) {
        const int step = 5 * divRoundHalfEven(intervalMs * 1000, m_attemptTimeoutMs);
        setProgress(std::min(m_progress + step, ProgressMax));
    }
    if (m_elapsedMs > m_attemptTimeoutMs) {
        m_ticker->stop();
        m_timedOut = true;
    }
}

void BoardSession::setProgress(int value)
{
    m_progress = value;
    emit progressChanged(value);
}

ReadResult BoardSession::read(const ExchangeOptions &options)
{
    if (m_busy)
        return ReadResult{ReadResult::Busy, {ExchangeResult::Busy, {}, 0}, m_lastReading};
    if (options.oneWay)
        return ReadResult{ReadResult::OneWay, {ExchangeResult::NotSent, {}, 0}, m_lastReading};
    const BusyScope busy(*this);
    return runRead(options);
}

ReadResult BoardSession::runRead(const ExchangeOptions &options)
{
    emit portReopenRequested();
    emit readStarted();
    ReadResult result;
    result.exchange = runExchange("READ=", options);
    switch (result.exchange.outcome) {
    case ExchangeResult::Read:
        // A wrong or missing checksum counts as no reply at all.
        if (options.checksums && !Protocol::checksumOk(result.exchange.reply)) {
            result.outcome = ReadResult::ConnectionError;
        } else if (const BoardReadingParse parsed = parseBoardReading(result.exchange.reply, m_lastReading); parsed.ok) {
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

UploadResult BoardSession::upload(const QStringList &texts, const ExchangeOptions &options)
{
    UploadResult result;
    if (m_busy)
        return result;
    const BusyScope busy(*this);

    const FigureFrame frame = figureFrame(texts);
    result.expected = frame.expected;
    emit portReopenRequested();
    result.send = runExchange(frame.payload, options);
    switch (result.send.outcome) {
    case ExchangeResult::Timeout:
        result.outcome = UploadResult::ConnectionError;
        return result;
    case ExchangeResult::Error:
        result.outcome = UploadResult::DataError;
        return result;
    case ExchangeResult::Ok:
        break;
    default:
        result.outcome = UploadResult::Unacknowledged;
        return result;
    }

    setProgress(ProgressMax);
    if (options.oneWay) {
        result.outcome = UploadResult::SentOk;
        return result;
    }
    // The board must return exactly the texts sent, fill characters included.
    result.verified = true;
    result.readBack = runRead(options);
    if (result.readBack.outcome == ReadResult::ReadOk)
        result.readBackText = result.readBack.reading.figuresText();
    if (result.readBack.outcome == ReadResult::ConnectionError)
        result.outcome = UploadResult::ConnectionError;
    else if (result.readBack.outcome == ReadResult::DataError || result.readBackText != result.expected)
        result.outcome = UploadResult::DataError;
    else
        result.outcome = UploadResult::SentOk;
    return result;
}

ExchangeResult BoardSession::sendSetting(const QByteArray &command, const ExchangeOptions &options)
{
    if (m_busy)
        return ExchangeResult{ExchangeResult::Busy, {}, 0};
    const BusyScope busy(*this);
    emit portReopenRequested();
    const ExchangeResult result = runExchange(command, options);
    if (result.outcome == ExchangeResult::Ok)
        setProgress(ProgressMax);
    return result;
}

ExchangeResult BoardSession::setBrightness(int code, const ExchangeOptions &options)
{
    return sendSetting("BRIG=" + QByteArray::number(code), options);
}

ExchangeResult BoardSession::setLighting(int code, const ExchangeOptions &options)
{
    return sendSetting("LIGH=" + QByteArray::number(code), options);
}

ExchangeResult BoardSession::setClock(const QDateTime &time, const ExchangeOptions &options)
{
    return sendSetting("TIME=" + time.toString(QStringLiteral("dd.MM.yy hh:mm:ss")).toLatin1(), options);
}

ExchangeResult BoardSession::sendControllerConfig(const ControllerConfig &config, const ExchangeOptions &options,
                                                  QString *error)
{
    if (m_busy)
        return ExchangeResult{ExchangeResult::Busy, {}, 0};
    std::array<int, 19> fields;
    // A stored time that is no time of day is never sent as some other time.
    if (!setsFields(config, fields, error))
        return ExchangeResult{ExchangeResult::NotSent, {}, 0};
    return sendSetting(Protocol::buildSetsCommand(fields), options);
}

void BoardSession::sendBare(const QByteArray &command)
{
    m_link->write(command + "\r\n");
}
