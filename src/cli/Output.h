#pragma once
// What tablo-cli prints: its results on stdout, its errors and warnings on stderr (so the journal
// and scripts can tell them apart).
#include <QString>
#include <QStringList>

struct ExchangeOptions;

// One line on stdout, flushed.
void printOut(const QString &line);
// One line on stderr, prefixed "tablo-cli: ", flushed.
void printErr(const QString &line);
// The same with "warning: " before the line.
void printWarning(const QString &line);


// The ten texts of an upload as they go out, in brackets: [1.2500,00000,...].
QString textsInBrackets(const QStringList &texts);
