#include "cli/Output.h"

#include <cstdio>

#include "core/board/BoardSession.h"

void printOut(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printErr(const QString &line)
{
    const QByteArray bytes = "tablo-cli: " + line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

QString noReplyText(const QString &command, const ExchangeOptions &o)
{
    return QStringLiteral("no reply to %1 within %2 ms (%3 attempt%4)")
        .arg(command)
        .arg(o.timeoutMs)
        .arg(o.attempts)
        .arg(o.attempts == 1 ? QString() : QStringLiteral("s"));
}
