#pragma once
// Pure pieces of the board's line protocol: framing, byte sums, reply and event parsing,
// the line assembler and the value conversions. No widget, no port.
#include <QByteArray>
#include <QString>
#include <QVector>
#include <array>

namespace Protocol {

// Sum of the byte values (0..255) of every character, as a 32-bit integer from 0.
quint32 byteSum(const QByteArray &text);

// Frames a bare command as it goes on the wire: a trailing CR LF (a buffer ending with LF
// loses its last two characters) is dropped, then ";" and, with checksums, the decimal byte
// sum and ";", then CR LF.   READ= -> "READ=;\r\n" or "READ=;345;\r\n".
QByteArray frameCommand(const QByteArray &command, bool checksums);

// The checksum test of a received line: the byte sum of the characters before the first ";"
// equals the decimal number between that ";" and the next one, and the second ";" exists.
bool checksumOk(const QByteArray &line);

// Accumulates received bytes into lines. A line ends only with a CR LF pair; a CR or LF on
// its own is dropped. Lines are kept to MaxLine characters: a longer line is discarded whole,
// up to and including its CR LF.
class LineAssembler {
public:
    static constexpr int MaxLine = 4096;
    enum Result { None, Line, Discarded };
    // Feeds one byte. On Line the completed line (CR and LF excluded) is in line().
    Result feed(char byte);
    const QByteArray &line() const { return m_done; }
    const QByteArray &pending() const { return m_acc; }
    void clearLine();                  // empties the accumulator (and the overflow state)
    void clearAll();                   // also forgets the previous and last characters
private:
    QByteArray m_acc, m_done;
    char m_prev = 0, m_last = 0;
    bool m_overflow = false;
};

// Result of parsing a "READ" reply (the checksum test is done separately).
struct ReadParse {
    bool ok = false;                   // false: a data error (Reply_Error)
    int fields = 0;                    // number of fields taken (31 or 32 when ok)
    std::array<QByteArray, 33> values; // 1..32; entries not taken keep what the caller put in
};

// Parses a reply line that begins with "READ": the first five characters are dropped, then
// up to 32 fields, each 1..6 characters of digits, blanks, "-" or ".", each followed by ",".
// Fewer than 31 fields, an empty or overlong field or another character is a data error.
// Fields 12 and 14..32 must also be whole numbers once blanks are trimmed.
// `scratch` supplies the previous values (entry 32 stays as it was for a 31-field reply).
ReadParse parseReadReply(const QByteArray &reply, const std::array<QByteArray, 33> &scratch);

// An "EVENT " line: temperature, brightness level and lighting state.
struct EventValues {
    QByteArray temperature, brightness, lighting;
};
// True when the line begins with "EVENT " and may be applied (with checksums on it must pass
// checksumOk). Fields the line does not reach are empty.
bool parseEvent(const QByteArray &line, bool checksums, EventValues &out);

// Status panel texts.
// 0 "BRIG=Min", 1 "BRIG=25%", 2 "BRIG=50%", 3 "BRIG=75%", 4 "BRIG=100%"; otherwise empty
// (the caller then leaves the panel as it was). `level` is the board's text; it must be a
// whole number once trimmed.
QString brightnessPanelText(const QByteArray &level);
// "Error" for "-0.25", otherwise the text followed by "°C".
QString temperaturePanelText(const QByteArray &temperature);

// Minutes after midnight as "hh:mm:ss": v div 60, ":", v mod 60 in two digits, ":00",
// with a leading "0" when shorter than 8 characters (545 -> "09:05:00").
QString minutesToTimeText(int minutes);
// 60 * (characters 1-2) + (characters 4-5); -1 when the text is no time of day: those are not
// numbers, the hours are outside 0 .. 23 or the minutes outside 0 .. 59, or the text goes on
// past the minutes and characters 7-8 are not seconds 0 .. 59. Texts without seconds ("07:30")
// are times too.
int timeTextToMinutes(const QString &text);

// One-byte offsets: a value of 128 or more read from the board is taken as value - 256;
// a negative value sent to the board is sent as value + 256.
int offsetFromBoard(int v);
int offsetToBoard(int v);

// Brightness code from the group's index (auto item at 5) and the automatic mode's index;
// 0 when either has no selection (-1).  Lighting code alike with its auto item at 2.
int brightnessCode(int groupIndex, int autoModeIndex);
int lightingCode(int groupIndex, int autoModeIndex);

// "SETS=" followed by the nineteen fields in decimal, each followed by ",".
QByteArray buildSetsCommand(const std::array<int, 19> &fields);

} // namespace Protocol
