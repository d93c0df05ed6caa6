#include "cli/Upload.h"

#include "cli/CliOptions.h"
#include "cli/Output.h"
#include "core/figures/FigureCheck.h"
#include "core/operations/ResultText.h"

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

SettingOutcome settingOutcome(const ExchangeResult &r, const QByteArray &command, const ExchangeOptions &o)
{
    const QString c = QString::fromLatin1(command);
    switch (r.outcome) {
    case ExchangeResult::Ok:
        return {QStringLiteral("OK"), ExitOk, {}};
    case ExchangeResult::Timeout:
        return {QStringLiteral("Connection error"), ExitConnectionError, commandProblem(r, c, o)};
    default:
        return {QStringLiteral("Data error"), ExitDataError, commandProblem(r, c, o)};
    }
}

namespace {
// The settings key of the show box that hides slot `slot` (1 .. 10): on the currency board a row's
// first box rules both its slots.
QString showKey(int slot, const ProgramSettings &s)
{
    const int row = (slot + 1) / 2;
    const bool second = slot % 2 == 0 && s.boardType != 0;
    return QStringLiteral("Tablo/%1%2").arg(row).arg(second ? "a_st_Currency" : "st_Currency");
}
} // namespace

QStringList figureWarnings(const QList<QByteArray> &given, const QStringList &texts, const ProgramSettings &s,
                           const QString &dataFile)
{
    QStringList warnings;
    QStringList requested;
    for (const QByteArray &line : given)
        requested << QString::fromLatin1(line);
    const FigureChecks checks = checkFigures(requested, s);
    // The lines a short data file lacks are told once, below.
    for (int k = 0; k < int(given.size()) && k < 10; ++k) {
        const FigureCheck &c = checks[k];
        // A hidden slot is warned about only when it drops a figure that was given.
        const bool hiddenBlank = c.outcome == FigureCheck::Outcome::NotShown && c.requested.trimmed().isEmpty();
        if (c.sameValue || hiddenBlank)
            continue;
        QString w = dataFile.isEmpty() ? QStringLiteral("figure %1 \"%2\"").arg(k + 1).arg(c.requested)
                                       : QStringLiteral("line %1 of %2 (\"%3\")").arg(k + 1).arg(dataFile, c.requested);
        if (!c.number)
            w += QStringLiteral(" is not a figure:");
        w += QStringLiteral(" goes out as \"%1\"").arg(texts.value(k));
        if (c.outcome == FigureCheck::Outcome::NotShown)
            w += QStringLiteral(": slot %1 is not shown (%2=0)").arg(k + 1).arg(showKey(k + 1, s));
        warnings << w;
    }
    if (!dataFile.isEmpty() && given.size() < 10) {
        const int first = int(given.size()) + 1;
        warnings << QStringLiteral("the data file %1 has %2 line%3, not ten: %4 go%5 out as \"%6\"")
                        .arg(dataFile)
                        .arg(given.size())
                        .arg(given.size() == 1 ? QString() : QStringLiteral("s"))
                        .arg(first == 10 ? QStringLiteral("slot 10") : QStringLiteral("slots %1 to 10").arg(first))
                        .arg(first == 10 ? QStringLiteral("es") : QString())
                        .arg(texts.value(first - 1));
    }
    return warnings;
}
