#include "core/operations/BoardTruth.h"

#include "core/journal/Journal.h"
#include "core/operations/BoardReply.h"
#include "core/operations/ResultText.h"

namespace {

// The board said something back (a garbled or refusing answer included); over a one-way link
// nothing is ever heard.
bool answered(const ExchangeResult &e, const ExchangeOptions &o)
{
    switch (e.outcome) {
    case ExchangeResult::Ok:
        return !o.oneWay;
    case ExchangeResult::Error:
    case ExchangeResult::Read:
        return true;
    default:
        return false;
    }
}

// A kind of knowing that says what the board showed at the time.
bool certain(BoardTruth::Known k)
{
    return k == BoardTruth::Known::ReadBackExact || k == BoardTruth::Known::Read
        || k == BoardTruth::Known::ReadBackDifferent;
}

} // namespace

void BoardTruth::takeReading(const ReadResult &result)
{
    read = true;
    // A 31-field reply leaves "controlled by" as it was.
    const QByteArray controlledBy = reading.controlledBy;
    reading = result.reading;
    if (parseBoardReading(result.exchange.reply, result.reading).fields < 32)
        reading.controlledBy = controlledBy;
}

bool BoardTruth::apply(const BoardReply &reply)
{
    // Nothing went out: the board is as it was.
    if (reply.status() != BoardReply::Status::Done)
        return false;
    const BoardTruth before = *this;
    const QDateTime now = reply.finishedAt();
    const ExchangeOptions o = reply.options();
    // The figures are now `figures`, known as `how`. The same figures known for certain before
    // keep their time; a read names the request that put them there when it can.
    const auto become = [&](Known how, const QStringList &figures, const QStringList &texts, const QString &why) {
        const bool same = certain(before.known) && before.shown == figures;
        if (!same)
            since = now;
        if (reply.kind() == BoardReply::Kind::Upload)
            request = reply.tag();
        else if (before.known == Known::InDoubt && figures == before.sent)
            request = before.request;   // the doubtful upload did reach the board
        else if (before.shown != figures)
            request = reply.tag();      // figures someone else put there: the read found them
        known = how;
        shown = figures;
        sent = texts;
        reason = why;
    };

    switch (reply.kind()) {
    case BoardReply::Kind::Upload: {
        const UploadResult &u = reply.upload();
        if (answered(u.send, o))
            checked = now;
        const RequestOutcome outcome = uploadOutcome(u, o, reply.sent());
        const bool readBack = u.verified && u.readBack.outcome == ReadResult::ReadOk;
        if (readBack)
            takeReading(u.readBack);
        if (outcome.outcome == JournalOutcome::SentOk) {
            become(Known::ReadBackExact, u.readBack.reading.figureTexts(), reply.sent(), QString());
        } else if (outcome.outcome == JournalOutcome::SentUnverified) {
            become(Known::SentOneWay, reply.sent(), reply.sent(), QString());
        } else if (readBack) {
            become(Known::ReadBackDifferent, u.readBack.reading.figureTexts(), reply.sent(), outcome.reason);
        } else if (u.outcome != UploadResult::Busy && u.send.outcome != ExchangeResult::Error) {
            // "SEND=" went out and no answer tells whether the board took it: no reply, a garbled
            // or missing read-back. An "ERROR" to it is the board refusing the texts. Over two
            // doubts the board may show any of three: the figures before them are not known.
            since = now;
            request = reply.tag();
            if (before.known == Known::InDoubt)
                shown.clear();
            known = Known::InDoubt;
            sent = reply.sent();
            reason = outcome.reason;
        }
        break;
    }
    case BoardReply::Kind::Read: {
        const ReadResult &r = reply.read();
        if (answered(r.exchange, o))
            checked = now;
        // A failed read tells nothing of the figures.
        if (r.outcome == ReadResult::ReadOk) {
            takeReading(r);
            become(Known::Read, r.reading.figureTexts(), QStringList(), QString());
        }
        break;
    }
    default:
        if (answered(reply.exchange(), o))
            checked = now;
        break;
    }
    if (!sameTruth(before))
        changed = now;
    return !sameTruth(before) || checked != before.checked || read != before.read
        || reading.fields() != before.reading.fields();
}

bool BoardTruth::sameTruth(const BoardTruth &o) const
{
    return known == o.known && shown == o.shown && sent == o.sent && since == o.since && request == o.request
        && reason == o.reason;
}

QString knownWord(BoardTruth::Known known)
{
    switch (known) {
    case BoardTruth::Known::ReadBackExact: return QStringLiteral("read-back-exact");
    case BoardTruth::Known::Read: return QStringLiteral("read");
    case BoardTruth::Known::SentOneWay: return QStringLiteral("sent-one-way");
    case BoardTruth::Known::InDoubt: return QStringLiteral("in-doubt");
    case BoardTruth::Known::ReadBackDifferent: return QStringLiteral("read-back-different");
    case BoardTruth::Known::Unknown: break;
    }
    return QStringLiteral("unknown");
}

BoardTruth::Known knownOfWord(const QString &word)
{
    for (const BoardTruth::Known k : {BoardTruth::Known::ReadBackExact, BoardTruth::Known::Read,
                                      BoardTruth::Known::SentOneWay, BoardTruth::Known::InDoubt,
                                      BoardTruth::Known::ReadBackDifferent})
        if (knownWord(k) == word)
            return k;
    return BoardTruth::Known::Unknown;
}
