#include "cli/Output.h"

#include <cstdio>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "core/board/BoardSession.h"

void printOut(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

namespace {

// Whether stderr is the journal's stream (systemd sets JOURNAL_STREAM to its "device:inode"):
// then a line may start with its syslog priority, "<3>" error or "<4>" warning, so the journal
// tells our errors from our results, which it logs as information.
bool stderrIsJournal()
{
#ifdef Q_OS_UNIX
    static const bool journal = [] {
        const char *stream = std::getenv("JOURNAL_STREAM");
        unsigned long long device = 0, inode = 0;
        struct stat st = {};
        return stream && std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 && ::fstat(2, &st) == 0
               && st.st_dev == dev_t(device) && st.st_ino == ino_t(inode);
    }();
    return journal;
#else
    return false;
#endif
}

void printDiagnostic(const char *priority, const QString &line)
{
    const QByteArray bytes = (stderrIsJournal() ? QByteArray(priority) : QByteArray()) + "tablo-cli: " + line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void printErr(const QString &line)
{
    printDiagnostic("<3>", line);
}

void printWarning(const QString &line)
{
    printDiagnostic("<4>", QStringLiteral("warning: ") + line);
}

QString textsInBrackets(const QStringList &texts)
{
    return QLatin1Char('[') + texts.join(QLatin1Char(',')) + QLatin1Char(']');
}

