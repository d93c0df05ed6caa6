#pragma once
// The board controller as the simulator models it: what it stores and how it answers one
// received line. No I/O here; the main loop feeds lines and writes what comes back.
#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace sim {

enum class ChecksumMode { Auto, On, Off };

// Behaviour switches. Every one of them can be changed while the simulator runs.
struct Faults {
    ChecksumMode checksums = ChecksumMode::Auto;
    bool silent = false;            // answer nothing at all (no echo either)
    int errorFirst = 0;             // answer "ERROR" to this many more framed commands
    bool badChecksum = false;       // READ replies and events carry a sum that is one too high
    bool differ = false;            // READ field 1 differs from the stored figure
    bool malformed = false;         // READ field 12 holds an 'x'
    bool replyReadToSend = false;   // "SEND=" is answered with a READ line instead of "OK"
    bool okThenSilent = false;      // "SEND=" is acknowledged, "READ=" is never answered
    bool hasReply = false;          // answer every framed command with `reply`
    std::string reply;
};

// One reply: the line to send without its CR LF.
struct Reply {
    bool framed = false;            // the received line was a framed command
    bool answered = false;          // false: the board stays silent
    std::string line;
};

class Board {
public:
    Board();

    // The 32 values of the "READ" reply, indexed 1..32 (entry 0 unused).
    std::array<std::string, 33> fields;
    Faults faults;

    // Handles one received line (CR LF removed); empty lines are not commands.
    Reply handleLine(const std::string &line);

    // The "READ" line as the board would answer now; `withSum` asks for the ";sum;" ending.
    std::string readLine(bool withSum) const;
    // An "EVENT " line, with the ";sum;" ending when checksums are in use.
    std::string eventLine() const;
    bool eventsEnabled() const;
    void setEvents(bool on);

    // The board's clock as "dd.mm.yy hh:mm:ss".
    std::string clockText() const;

    // Sets READ field k (1..32) from outside (options, control channel).
    bool setField(int k, const std::string &text);

    static uint32_t byteSum(const std::string &text);

    int framedCount = 0;            // framed commands received
    bool lastFramedHadSum = false;  // form of the last well-framed command (auto mode)

private:
    std::string execute(const std::string &cmd, bool hadSum, bool &answered);
    bool storeSend(const std::string &body);
    bool storeSets(const std::string &body);
    bool setClock(const std::string &text);
    void applyBrightness(const std::string &code);
    void applyLighting(const std::string &code);
    bool sumWanted(bool hadSum) const;

    time_t m_clockOffset = 0;       // board clock minus host clock, seconds
};

// Escaping used by the log and the control channel: printable ASCII as is, backslash as
// "\\", CR "\r", LF "\n", TAB "\t", other bytes "\xNN" (two lower-case hex digits).
std::string escape(const std::string &bytes);
// The reverse; false on a malformed escape.
bool unescape(const std::string &text, std::string &out);

} // namespace sim
