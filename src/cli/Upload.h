#pragma once
// An upload of tablo-cli (the command and the watch): the figures it sends, as the window would
// send them, and how its outcome is told.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/board/BoardSession.h"
#include "core/operations/ResultText.h"
#include "core/settings/ProgramSettings.h"

// The exit code and the outcome text of an upload.
int uploadExitCode(const UploadResult &result);
QString uploadOutcomeText(const UploadResult &result);
// How a brightness, lighting or clock command ended: "OK", "Connection error" or "Data error",
// its exit code, and why it failed (empty when it did not).
struct SettingOutcome {
    QString outcome;
    int exitCode = 0;
    QString reason;
};
SettingOutcome settingOutcome(const ExchangeResult &result, const QByteArray &command, const ExchangeOptions &options);

// One warning for each figure that the board will show with another value than given (by
// checkFigures: cut, padded into a larger number, a hidden slot, a line of the data file that is
// no figure, an empty line the zero fill shows as 0), and
// for a data file of fewer than ten lines. `given` holds what was typed or the data file's lines;
// `dataFile` names the file (empty: the figures are arguments).
QStringList figureWarnings(const QList<QByteArray> &given, const QStringList &texts, const ProgramSettings &settings,
                           const QString &dataFile);
