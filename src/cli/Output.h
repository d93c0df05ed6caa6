#pragma once
// What tablo-cli prints: its result lines on stdout and its diagnostics on stderr.
#include <QString>

struct ExchangeOptions;

// One line on stdout, flushed. Diagnostics go to stderr, prefixed "tablo-cli: ".
void printOut(const QString &line);
void printErr(const QString &line);

// The diagnostic for a command the board did not answer within the timeout and attempts.
QString noReplyText(const QString &command, const ExchangeOptions &options);
