#pragma once
// What is known of one board, for every front end: its last good reading (figures, temperature,
// levels, controller parameters, an event's values folded in), and the truth about its figures:
// the ten texts it shows, since when, how that is known, the request that put them there (or
// found them), and when the board last answered.
//
// The board service owns it and changes the figures only through apply(), once per finished
// reply; the views, the journal and the bridge observe it.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "core/protocol/BoardReading.h"

class BoardReply;
struct ReadResult;

struct BoardTruth {
    enum class Known {
        Unknown,            // nothing known of the figures
        ReadBackExact,      // an upload's read-back showed exactly the texts sent
        Read,               // a read of the board
        SentOneWay,         // sent over a one-way link, not read back
        InDoubt,            // an upload failed after its texts may have reached the board
        ReadBackDifferent   // an upload's read-back showed other figures than were sent
    };

    bool read = false;              // a reading came since the start
    BoardReading reading;           // the last good reading (an event's values folded in)

    Known known = Known::Unknown;
    // The ten figures as the board shows them; empty while unknown. In doubt: the figures known
    // before the failed upload (empty when those were not known either), which the board shows
    // unless `sent` reached it.
    QStringList shown;
    // The texts of the upload behind this state (none after a read): what the read-back was
    // compared with, or what may have reached the board.
    QStringList sent;
    QDateTime since;        // since when the board shows `shown` (in doubt: since the failure)
    QVariant request;       // the tag of the request that put them there or found them
    QString reason;         // in doubt, read back different: why, in words
    QDateTime checked;      // the last exchange the board answered (invalid: none)
    QDateTime changed;      // when any of the above but `checked` last changed

    // The record after one finished reply: an upload's or a read's outcome sets the figures
    // and how they are known; any answer from the board sets `checked`; a reply that sent
    // nothing (superseded, withdrawn, held, refused) leaves everything. Times are the reply's
    // finish. True when anything changed.
    bool apply(const BoardReply &reply);
    // The figures, how they are known, since when, the request and the reason are the same
    // (the reading and `checked` aside).
    bool sameTruth(const BoardTruth &other) const;

private:
    void takeReading(const ReadResult &read);
};

// The kept name of the record.
using BoardState = BoardTruth;

// How figures are known, as one word: "read-back-exact", "read", "sent-one-way", "in-doubt",
// "read-back-different", "unknown" (the journal's and the feed's word).
QString knownWord(BoardTruth::Known known);
// The word's value; Unknown for a word that is none of them.
BoardTruth::Known knownOfWord(const QString &word);
