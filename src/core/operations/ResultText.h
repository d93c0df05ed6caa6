#pragma once
// Why a request to the board did not succeed, in one line: the same words in tablo-cli's
// messages, the feed's results and the journal.
#include <QString>
#include <QStringList>

#include "core/board/BoardSession.h"

// "no reply to COMMAND within T ms (N attempts)".
QString noReplyText(const QString &command, const ExchangeOptions &options);
// An upload of the texts `sent` (empty when it succeeded, also unverified, or nothing was sent).
QString uploadProblem(const UploadResult &result, const ExchangeOptions &options, const QStringList &sent);
// A read; `command` names it ("READ=", "the read-back READ=").
QString readProblem(const ReadResult &result, const QString &command, const ExchangeOptions &options);
// A brightness, lighting, clock or controller command (empty after its "OK").
QString commandProblem(const ExchangeResult &result, const QString &command, const ExchangeOptions &options);

// What a finished request came to, as the journal and the feed name it (JournalOutcome), and why.
struct RequestOutcome {
    QString outcome;
    QString reason;
};
// "sent-ok" only when the board read back exactly the texts `sent`; "sent-unverified" over a
// one-way link.
RequestOutcome uploadOutcome(const UploadResult &result, const ExchangeOptions &options, const QStringList &sent);
RequestOutcome readOutcome(const ReadResult &result, const ExchangeOptions &options);
RequestOutcome commandOutcome(const ExchangeResult &result, const QString &command, const ExchangeOptions &options);
