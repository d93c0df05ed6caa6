#pragma once
// What the board last reported, for every front end: its last good reading (figures,
// temperature, levels, controller parameters), the figures it was last verified to show, and
// the values of its last event line.
#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include "core/protocol/BoardReading.h"

struct BoardState {
    bool read = false;              // a reading came since the start
    BoardReading reading;           // the last good reading (an event's values folded in)
    // The ten figures the board was last verified to show (a read or a verified upload's
    // read-back), and when; empty while unknown.
    QStringList shown;
    bool shownVerified = false;     // read back (not only sent over a one-way link)
    QDateTime shownSince;
};
