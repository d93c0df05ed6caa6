#pragma once
// The ten figures as an upload carries them: the texts sent, the "SEND=" payload and the
// read-back the board must return.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <array>

struct FigureFrame {
    QStringList texts;   // each slot's text as sent, fill included
    QByteArray payload;  // "SEND=" and every text followed by ","
    QString expected;    // the texts joined without separators
};

// The frame of texts that are final already.
FigureFrame figureFrame(const QStringList &texts);

// The frame of the ten slots: a shown slot sends its figure, a hidden one the blank value
// (`digits` fill characters); with fewer than 5 digits every slot gets 5 - digits fill
// characters more.
FigureFrame figureFrame(const QStringList &figures, const std::array<bool, 10> &shown, int digits, QChar fill);
