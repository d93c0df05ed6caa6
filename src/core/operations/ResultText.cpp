#include "core/operations/ResultText.h"

#include "core/journal/Journal.h"

QString noReplyText(const QString &command, const ExchangeOptions &o)
{
    return QStringLiteral("no reply to %1 within %2 ms (%3 attempt%4)")
        .arg(command)
        .arg(o.timeoutMs)
        .arg(o.attempts)
        .arg(o.attempts == 1 ? QString() : QStringLiteral("s"));
}

QString readProblem(const ReadResult &r, const QString &command, const ExchangeOptions &o)
{
    const QString reply = QString::fromLatin1(r.exchange.reply);
    switch (r.outcome) {
    case ReadResult::ReadOk:
        return QString();
    case ReadResult::ConnectionError:
        if (r.exchange.outcome == ExchangeResult::Timeout)
            return noReplyText(command, o);
        return QStringLiteral("the checksum of the reply to %1 is wrong: %2").arg(command, reply);
    case ReadResult::DataError:
        if (r.exchange.outcome == ExchangeResult::Error)
            return QStringLiteral("the board answered ERROR to %1").arg(command);
        return QStringLiteral("the reply to %1 does not parse: %2").arg(command, reply);
    case ReadResult::NotRead:
        return QStringLiteral("the board answered %1 with \"%2\" instead of its values").arg(command, reply);
    case ReadResult::OneWay:
        return QStringLiteral("the link is one-way: the board cannot be read");
    case ReadResult::Busy:
        break;
    }
    return QStringLiteral("the board was busy: nothing was sent");
}

QString uploadProblem(const UploadResult &r, const ExchangeOptions &o, const QStringList &sent)
{
    switch (r.outcome) {
    case UploadResult::SentOk:
    case UploadResult::Busy:
        return QString();
    case UploadResult::Unacknowledged:
        return QStringLiteral("the board answered SEND= with a READ line instead of OK");
    case UploadResult::ConnectionError:
        if (r.send.outcome == ExchangeResult::Timeout)
            return noReplyText(QStringLiteral("SEND="), o);
        return readProblem(r.readBack, QStringLiteral("the read-back READ="), o);
    case UploadResult::DataError:
        break;
    }
    if (r.send.outcome == ExchangeResult::Error)
        return QStringLiteral("the board answered ERROR to SEND=");
    if (r.readBack.outcome != ReadResult::ReadOk)
        return readProblem(r.readBack, QStringLiteral("the read-back READ="), o);
    const auto &got = r.readBack.reading.figures;
    QStringList differing;
    for (int k = 0; k < 10; ++k) {
        const QString held = QString::fromLatin1(got[k]);
        if (held != sent.value(k))
            differing << QStringLiteral("slot %1 holds \"%2\", \"%3\" was sent").arg(k + 1).arg(held, sent.value(k));
    }
    return QStringLiteral("the board holds other figures: ") + differing.join(QStringLiteral("; "));
}

QString commandProblem(const ExchangeResult &r, const QString &command, const ExchangeOptions &o)
{
    switch (r.outcome) {
    case ExchangeResult::Ok:
        return r.reply.trimmed().isEmpty() && o.oneWay ? QStringLiteral("the link is one-way: no answer") : QString();
    case ExchangeResult::Timeout:
        return noReplyText(command, o);
    case ExchangeResult::Error:
        return QStringLiteral("the board answered ERROR to %1").arg(command);
    case ExchangeResult::Busy:
        return QStringLiteral("the board was busy: nothing was sent");
    case ExchangeResult::NotSent:
        return QStringLiteral("the command could not be built: nothing was sent");
    case ExchangeResult::Read:
        break;
    }
    return QStringLiteral("the board answered %1 with \"%2\" instead of OK").arg(command, QString::fromLatin1(r.reply));
}

RequestOutcome uploadOutcome(const UploadResult &u, const ExchangeOptions &o, const QStringList &sent)
{
    switch (u.outcome) {
    case UploadResult::SentOk:
        if (!u.verified)
            return {JournalOutcome::SentUnverified, QStringLiteral("the link is one-way: not read back")};
        if (u.readBack.reading.figureTexts() != sent)
            return {JournalOutcome::DataError, QStringLiteral("the board read back other figures than were sent")};
        return {JournalOutcome::SentOk, QString()};
    case UploadResult::ConnectionError:
        return {JournalOutcome::ConnectionError, uploadProblem(u, o, sent)};
    case UploadResult::DataError:
    case UploadResult::Unacknowledged:
        return {JournalOutcome::DataError, uploadProblem(u, o, sent)};
    case UploadResult::Busy:
        break;
    }
    return {JournalOutcome::Rejected, QStringLiteral("the board was busy: nothing was sent")};
}

RequestOutcome readOutcome(const ReadResult &r, const ExchangeOptions &o)
{
    const QString why = readProblem(r, QStringLiteral("READ="), o);
    switch (r.outcome) {
    case ReadResult::ReadOk:
        return {JournalOutcome::SentOk, QString()};
    case ReadResult::ConnectionError:
        return {JournalOutcome::ConnectionError, why};
    case ReadResult::DataError:
    case ReadResult::NotRead:
        return {JournalOutcome::DataError, why};
    case ReadResult::OneWay:
    case ReadResult::Busy:
        break;
    }
    return {JournalOutcome::Rejected, why};
}

RequestOutcome commandOutcome(const ExchangeResult &e, const QString &command, const ExchangeOptions &o)
{
    const QString why = commandProblem(e, command, o);
    switch (e.outcome) {
    case ExchangeResult::Ok:
        return {why.isEmpty() ? JournalOutcome::SentOk : JournalOutcome::SentUnverified, why};
    case ExchangeResult::Timeout:
        return {JournalOutcome::ConnectionError, why};
    case ExchangeResult::Error:
    case ExchangeResult::Read:
        return {JournalOutcome::DataError, why};
    case ExchangeResult::Busy:
    case ExchangeResult::NotSent:
        break;
    }
    return {JournalOutcome::Rejected, why};
}
