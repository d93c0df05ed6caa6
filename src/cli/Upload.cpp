#include "cli/Upload.h"

#include "cli/CliOptions.h"
#include "cli/Output.h"
#include "core/services/DataFileUploader.h"

int uploadExitCode(const UploadResult &r)
{
    switch (r.outcome) {
    case UploadResult::SentOk:
        return ExitOk;
    case UploadResult::ConnectionError:
        return ExitConnectionError;
    default:
        return ExitDataError;
    }
}

QString uploadOutcomeText(const UploadResult &r)
{
    switch (r.outcome) {
    case UploadResult::SentOk:
        return QStringLiteral("Sent OK");
    case UploadResult::ConnectionError:
        return QStringLiteral("Connection error");
    default:
        return QStringLiteral("Data error");
    }
}

QString uploadProblem(const UploadResult &r, const ExchangeOptions &o, const QStringList &sent)
{
    const auto noReply = [&o](const QString &command) { return noReplyText(command, o); };
    switch (r.outcome) {
    case UploadResult::SentOk:
    case UploadResult::Busy:
        return QString();
    case UploadResult::Unacknowledged:
        return QStringLiteral("the board answered SEND= with a READ line instead of OK");
    case UploadResult::ConnectionError:
        if (r.send.outcome == ExchangeResult::Timeout)
            return noReply(QStringLiteral("SEND="));
        if (r.readBack.exchange.outcome == ExchangeResult::Timeout)
            return noReply(QStringLiteral("the read-back READ="));
        return QStringLiteral("the read-back's checksum is wrong: %1").arg(QString::fromLatin1(r.readBack.exchange.reply));
    case UploadResult::DataError:
        break;
    }
    if (r.send.outcome == ExchangeResult::Error)
        return QStringLiteral("the board answered ERROR to SEND=");
    if (r.readBack.outcome == ReadResult::NotRead)
        return QStringLiteral("the board answered the read-back READ= with OK instead of its figures");
    if (r.readBack.outcome == ReadResult::DataError) {
        if (r.readBack.exchange.outcome == ExchangeResult::Error)
            return QStringLiteral("the board answered ERROR to the read-back READ=");
        return QStringLiteral("the read-back does not parse: %1").arg(QString::fromLatin1(r.readBack.exchange.reply));
    }
    const auto &got = r.readBack.reading.figures;
    QStringList differing;
    for (int k = 0; k < 10; ++k) {
        const QString held = QString::fromLatin1(got[k]);
        if (held != sent.value(k))
            differing << QStringLiteral("slot %1 holds \"%2\", \"%3\" was sent").arg(k + 1).arg(held, sent.value(k));
    }
    return QStringLiteral("the board holds other figures: ") + differing.join(QStringLiteral("; "));
}
