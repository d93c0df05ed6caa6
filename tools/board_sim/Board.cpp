#include "Board.h"

#include <cstdio>
#include <cstring>

namespace sim {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(const std::string &s)
{
    if (s.empty())
        return false;
    for (char c : s)
        if (!isDigit(c))
            return false;
    return true;
}

bool startsWith(const std::string &s, const char *prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// A figure as the board stores it: up to six digits, points, blanks or minus signs.
bool figureOk(const std::string &s)
{
    if (s.size() > 6)
        return false;
    for (char c : s)
        if (!isDigit(c) && c != '.' && c != ' ' && c != '-')
            return false;
    return true;
}

// A "SETS=" parameter: a whole decimal number, optionally negative, at most six characters.
bool parameterOk(const std::string &s)
{
    if (s.empty() || s.size() > 6)
        return false;
    return allDigits(s[0] == '-' ? s.substr(1) : s);
}

// Splits `body` into exactly `count` comma-terminated groups; false when the shape is wrong.
bool splitGroups(const std::string &body, int count, std::vector<std::string> &out)
{
    out.clear();
    size_t p = 0;
    for (int i = 0; i < count; ++i) {
        size_t comma = body.find(',', p);
        if (comma == std::string::npos)
            return false;
        out.push_back(body.substr(p, comma - p));
        p = comma + 1;
    }
    return p == body.size();
}

const char *const kDefaultSets[19] = {"3", "1", "0", "420", "1200", "0", "0", "4", "1", "60",
                                      "1140", "0", "0", "0", "1", "0", "0", "0", "0"};

} // namespace

Board::Board()
{
    for (int k = 1; k <= 10; ++k)
        fields[k] = "1.0000";
    fields[11] = "21.5";
    fields[12] = "3";
    fields[13] = "1";
    for (int i = 0; i < 19; ++i)
        fields[14 + i] = kDefaultSets[i];
}

uint32_t Board::byteSum(const std::string &text)
{
    uint32_t sum = 0;
    for (unsigned char c : text)
        sum += c;
    return sum;
}

bool Board::sumWanted(bool hadSum) const
{
    switch (faults.checksums) {
    case ChecksumMode::On: return true;
    case ChecksumMode::Off: return false;
    case ChecksumMode::Auto: break;
    }
    return hadSum;
}

bool Board::eventsEnabled() const { return fields[30] == "1"; }

void Board::setEvents(bool on) { fields[30] = on ? "1" : "0"; }

bool Board::setField(int k, const std::string &text)
{
    if (k < 1 || k > 32)
        return false;
    fields[k] = text;
    return true;
}

std::string Board::readLine(bool withSum) const
{
    std::string line = "READ=";
    for (int k = 1; k <= 32; ++k) {
        std::string f = fields[k];
        if (k == 1 && faults.differ) {
            if (f.empty())
                f = "7";
            else if (isDigit(f[0]))
                f[0] = char('0' + (f[0] - '0' + 1) % 10);
            else
                f[0] = '7';
        }
        if (k == 12 && faults.malformed)
            f = "x";
        line += f;
        line += ',';
    }
    if (sumWanted(withSum) || faults.badChecksum)
        line += ';' + std::to_string(byteSum(line) + (faults.badChecksum ? 1 : 0)) + ';';
    return line;
}

std::string Board::eventLine() const
{
    std::string line = "EVENT " + fields[11] + ',' + fields[12] + ',' + fields[13];
    if (sumWanted(lastFramedHadSum) || faults.badChecksum)
        line += ';' + std::to_string(byteSum(line) + (faults.badChecksum ? 1 : 0)) + ';';
    return line;
}

std::string Board::clockText() const
{
    time_t t = time(nullptr) + m_clockOffset;
    struct tm tm {};
    localtime_r(&t, &tm);
    char buf[32];
    strftime(buf, sizeof buf, "%d.%m.%y %H:%M:%S", &tm);
    return buf;
}

bool Board::setClock(const std::string &text)
{
    // dd.mm.yy hh:mm:ss
    static const char shape[] = "99.99.99 99:99:99";
    if (text.size() != sizeof shape - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (shape[i] == '9' ? !isDigit(text[i]) : text[i] != shape[i])
            return false;
    }
    auto two = [&](size_t i) { return (text[i] - '0') * 10 + (text[i + 1] - '0'); };
    struct tm tm {};
    tm.tm_mday = two(0);
    tm.tm_mon = two(3) - 1;
    tm.tm_year = 100 + two(6);
    tm.tm_hour = two(9);
    tm.tm_min = two(12);
    tm.tm_sec = two(15);
    tm.tm_isdst = -1;
    if (tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_hour > 23
        || tm.tm_min > 59 || tm.tm_sec > 59)
        return false;
    const int wantedDay = tm.tm_mday;
    time_t t = mktime(&tm);
    if (t == time_t(-1) || tm.tm_mday != wantedDay) // 31.02 and the like roll over: refuse
        return false;
    m_clockOffset = t - time(nullptr);
    return true;
}

// Setting the brightness mode also sets the present level when the mode is a fixed level.
void Board::applyBrightness(const std::string &code)
{
    fields[14] = code;
    if (code.size() == 1 && code[0] >= '0' && code[0] <= '4')
        fields[12] = code;
}

// Likewise for the lighting: modes 0 and 1 switch the light off or on at once.
void Board::applyLighting(const std::string &code)
{
    fields[15] = code;
    if (code == "0" || code == "1")
        fields[13] = code;
}

bool Board::storeSend(const std::string &body)
{
    std::vector<std::string> groups;
    if (!splitGroups(body, 10, groups))
        return false;
    for (const auto &g : groups)
        if (!figureOk(g))
            return false;
    for (int k = 0; k < 10; ++k)
        fields[1 + k] = groups[k];
    return true;
}

bool Board::storeSets(const std::string &body)
{
    std::vector<std::string> groups;
    if (!splitGroups(body, 19, groups))
        return false;
    for (const auto &g : groups)
        if (!parameterOk(g))
            return false;
    for (int i = 0; i < 19; ++i)
        fields[14 + i] = groups[i];
    applyBrightness(fields[14]);
    applyLighting(fields[15]);
    return true;
}

std::string Board::execute(const std::string &cmd, bool hadSum, bool &answered)
{
    if (cmd == "READ=") {
        if (faults.okThenSilent) {
            answered = false;
            return {};
        }
        return readLine(hadSum);
    }
    if (startsWith(cmd, "SEND=")) {
        if (!storeSend(cmd.substr(5)))
            return "ERROR";
        return faults.replyReadToSend ? readLine(hadSum) : "OK";
    }
    if (startsWith(cmd, "BRIG=") || startsWith(cmd, "LIGH=")) {
        const std::string code = cmd.substr(5);
        const char top = cmd[0] == 'B' ? '6' : '3';
        if (code.size() != 1 || code[0] < '0' || code[0] > top)
            return "ERROR";
        if (cmd[0] == 'B')
            applyBrightness(code);
        else
            applyLighting(code);
        return "OK";
    }
    if (startsWith(cmd, "TIME="))
        return setClock(cmd.substr(5)) ? "OK" : "ERROR";
    if (startsWith(cmd, "SETS="))
        return storeSets(cmd.substr(5)) ? "OK" : "ERROR";
    return "ERROR";
}

Reply Board::handleLine(const std::string &line)
{
    Reply r;
    if (line.empty())
        return r;
    const size_t semi = line.find(';');
    if (semi == std::string::npos) {
        // The modem commands come as bare text.
        if (faults.silent)
            return r;
        r.answered = true;
        if (line == "PC")
            r.line = "PC OK";
        else if (line == "MD")
            r.line = "MD OK";
        else if (line == "TIME?")
            r.line = "TIME " + clockText();
        else
            r.line = "ERROR";
        return r;
    }

    r.framed = true;
    ++framedCount;
    if (faults.silent)
        return r;
    r.answered = true;

    const std::string cmd = line.substr(0, semi);
    const std::string rest = line.substr(semi + 1);
    bool formOk = true, hadSum = false;
    uint64_t sum = 0;
    if (!rest.empty()) {
        const std::string digits = rest.substr(0, rest.size() - 1);
        if (rest.back() == ';' && allDigits(digits) && digits.size() <= 10) {
            hadSum = true;
            sum = std::stoull(digits);
        } else {
            formOk = false;
        }
    }

    if (faults.errorFirst > 0) {
        --faults.errorFirst;
        r.line = "ERROR";
    } else if (!formOk || (faults.checksums == ChecksumMode::On && !hadSum)
               || (faults.checksums == ChecksumMode::Off && hadSum)
               || (hadSum && sum != byteSum(cmd))) {
        r.line = "ERROR";
    } else {
        lastFramedHadSum = hadSum;
        r.line = execute(cmd, hadSum, r.answered);
    }
    if (faults.hasReply && r.answered)
        r.line = faults.reply;
    return r;
}

std::string escape(const std::string &bytes)
{
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c >= 0x20 && c < 0x7f) {
                out += char(c);
            } else {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", c);
                out += buf;
            }
        }
    }
    return out;
}

bool unescape(const std::string &text, std::string &out)
{
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 's': out += ' '; break;
        case 'x': {
            auto hex = [](char c) {
                if (c >= '0' && c <= '9') return c - '0';
                if (c >= 'a' && c <= 'f') return c - 'a' + 10;
                if (c >= 'A' && c <= 'F') return c - 'A' + 10;
                return -1;
            };
            if (i + 2 >= text.size())
                return false;
            int hi = hex(text[i + 1]), lo = hex(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += char(hi * 16 + lo);
            i += 2;
            break;
        }
        default: return false;
        }
    }
    return true;
}

} // namespace sim
