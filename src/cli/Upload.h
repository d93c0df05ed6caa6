#pragma once
// An upload of tablo-cli (the command and the watch): the figures it sends, as the window would
// send them, and how its outcome is told.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

#include "core/board/BoardSession.h"
#include "core/settings/ProgramSettings.h"

// Why an upload of the texts `sent` did not succeed, in one line (empty when it did).
QString uploadProblem(const UploadResult &result, const ExchangeOptions &options, const QStringList &sent);
// The exit code and the outcome text of an upload.
int uploadExitCode(const UploadResult &result);
QString uploadOutcomeText(const UploadResult &result);
