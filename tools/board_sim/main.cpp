// tablo-board-sim: the display board's controller on a pseudo-terminal.
//
// One process, one thread: a poll() loop over the pty master, stdin and an optional control
// FIFO, with timeouts for paced output and the event tick. See usage() for the options and
// the control commands.
#include "Board.h"

#include <pty.h>
#include <termios.h>
#include <poll.h>
#include <signal.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>

using namespace sim;
using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

namespace {

volatile sig_atomic_t g_signalled = 0;
void onSignal(int) { g_signalled = 1; }

const char kUsage[] = R"(Usage: tablo-board-sim [options]

Simulates the display board's controller on a pseudo-terminal. The first line on stdout is
"PORT <slave path>". Commands end with CR LF; framed commands are TEXT;CR LF or TEXT;SUM;CR LF
(SUM = decimal byte sum of TEXT). Replies end with CR LF:
  SEND=<10 x figure,>   OK            (figure: up to 6 of digits . blank -)
  READ=                 READ=<32 x field,>  plus ;SUM; when checksums are in use
  BRIG=0..6 LIGH=0..3 TIME=dd.mm.yy hh:mm:ss SETS=<19 x integer,>   OK
  anything malformed, a wrong sum, an unknown command              ERROR
  unframed PC / MD / TIME?   "PC OK" / "MD OK" / "TIME dd.mm.yy hh:mm:ss"
  events: "EVENT <temp>,<level>,<light>" (+ ;SUM;) every interval while READ field 30 is 1

Start-up options:
  --link PATH          symlink PATH to the slave (replaced if it is a symlink; removed on exit)
  --raw FILE           every received byte, exactly, in FILE
  --raw-tx FILE        every sent byte, exactly, in FILE
  --log FILE           every received line escaped, one per line (\r \n \t \\ \xNN)
  --control FIFO       read control commands from FIFO too (created if missing)
  --quit-on-eof        exit when stdin reaches end of file (default: stop reading it)
  --seed N             seed of the noise generator (default 1)
  --help               this text

Behaviour (also control commands: the name without "--", e.g. "silent 1"):
  --checksums on|off|auto  on: commands must carry a sum, replies and events do; off: a sum is
                       an error, none is sent; auto (default): either form, replies follow
                       the command and events the last command
  --echo               echo each received line (with CR LF) before the answer
  --pace               pace output at the baud rate (10 bits a byte), and answer no earlier
                       than the command would have taken on the wire
  --baud N             baud rate for --pace (default 9600)
  --split              send output one byte at a time with pauses
  --split-gap MS       pause between split bytes (default 5)
  --events             enable EVENT lines (sets READ field 30 to 1)
  --event-interval MS  time between EVENT lines (default 1000)
  --silent             answer nothing (no echo either); events still follow their switch
  --error-first N      answer ERROR to the next N framed commands
  --bad-checksum       READ replies and EVENT lines carry a sum one too high
  --differ             READ field 1 differs from the stored figure (first digit + 1)
  --malformed          READ field 12 is "x"
  --noise              before each answer, a line of random bytes (never CR LF inside, never
                       "OK", "ERROR" or "READ...") ended by CR LF
  --noise-len N        length of the noise line (default 16)
  --long-line N        before each answer, N '#' bytes without CR LF (they prefix the answer)
  --hangup-after N     close the pty after N more received lines (after their answers)
  --reply-read-to-send answer SEND= with a READ line (the figures are still stored)
  --ok-then-silent     never answer READ=
  --reply TEXT         answer every framed command with TEXT (escapes allowed; empty: off)
  --temp T  --bright B  --light L   READ fields 11, 12, 13 (defaults 21.5, 3, 1)
  --field K=TEXT       set READ field K (1..32) to TEXT (escapes allowed)
  --verbose            report "RX <line>" and "TX <bytes>" (escaped) on stdout
Boolean options take an optional value: --silent=0, "silent off".

Control commands (stdin or --control FIFO), one per line; each is answered on stdout with
"CTL OK <command>" or "CTL ERROR <reason>: <command>":
  any behaviour option above without "--", e.g. "error-first 2", "reply OK\s", "field 19=200"
  send TEXT    send TEXT + CR LF now        raw TEXT   send TEXT's bytes now (escapes)
  event        send one EVENT line now      status     print "STATUS ..." counters
  dump         print "DUMP <READ line>"     hangup     close the pty now ("HANGUP")
  replug       new pty after a hang-up ("PORT <path>", link updated)       quit
)";

bool parseInt(const std::string &s, long lo, long hi, long &out)
{
    if (s.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    long v = std::strtol(s.c_str(), &end, 10);
    if (errno || *end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool parseBool(const std::string &s, bool &out)
{
    if (s.empty() || s == "1" || s == "on" || s == "yes" || s == "true") {
        out = true;
        return true;
    }
    if (s == "0" || s == "off" || s == "no" || s == "false") {
        out = false;
        return true;
    }
    return false;
}

void say(const std::string &text)
{
    std::string line = text + "\n";
    const char *p = line.data();
    size_t left = line.size();
    while (left) {
        ssize_t n = write(STDOUT_FILENO, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        p += n;
        left -= size_t(n);
    }
}

void writeAll(int fd, const char *p, size_t n)
{
    while (fd >= 0 && n) {
        ssize_t w = write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        p += w;
        n -= size_t(w);
    }
}

struct Chunk {
    std::string data;
    size_t pos = 0;
    TimePoint notBefore;
    bool hangup = false;
};

struct Output {
    bool echo = false, pace = false, split = false, noise = false, verbose = false;
    long baud = 9600, splitGapMs = 5, eventIntervalMs = 1000, noiseLen = 16, longLine = 0,
         hangupAfter = 0;
};

class Simulator {
public:
    Board board;
    Output out;
    std::string linkPath, rawPath, rawTxPath, logPath, controlPath;
    bool quitOnEof = false;
    unsigned long seed = 1;

    // Applies one behaviour setting; `err` says why it was refused.
    bool apply(const std::string &name, const std::string &value, std::string &err);
    static bool isFlag(const std::string &name);
    static bool isStartupOption(const std::string &name);
    bool applyStartup(const std::string &name, const std::string &value, std::string &err);

    bool start();
    int run();

private:
    bool openPty();
    void hangup();
    void cleanup();
    void onReceived(const char *data, size_t n);
    void onLine(const std::string &line, TimePoint start, bool overflow);
    void enqueue(const std::string &bytes, TimePoint notBefore);
    void flushOutput();
    nanoseconds byteGap() const;
    size_t queuedBytes() const;
    std::string noiseLine();
    void onControlData(std::string &buffer, const char *data, size_t n);
    void control(const std::string &line);

    int m_master = -1, m_slave = -1;
    std::string m_slavePath;
    int m_rawFd = -1, m_rawTxFd = -1, m_logFd = -1, m_controlFd = -1;
    bool m_madeFifo = false, m_linked = false, m_stdinOpen = true;
    bool m_hungUp = false, m_quit = false, m_waitWritable = false;

    std::string m_line, m_logPending, m_stdinBuf, m_controlBuf;
    bool m_overflow = false;
    TimePoint m_lineStart;

    std::deque<Chunk> m_out;
    TimePoint m_nextByte;
    TimePoint m_nextEvent;
    bool m_eventsWereOn = false;

    long m_lines = 0, m_rx = 0, m_tx = 0;
    std::mt19937 m_rng;
};

constexpr size_t kMaxLine = 65536;       // longer received lines are answered with ERROR
constexpr size_t kMaxQueued = 65536;     // events are dropped while this much output waits

bool Simulator::isFlag(const std::string &name)
{
    static const char *const flags[] = {"echo", "pace", "split", "noise", "verbose", "silent",
                                        "bad-checksum", "differ", "malformed",
                                        "reply-read-to-send", "ok-then-silent", "events",
                                        "quit-on-eof"};
    for (const char *f : flags)
        if (name == f)
            return true;
    return false;
}

bool Simulator::isStartupOption(const std::string &name)
{
    return name == "link" || name == "raw" || name == "raw-tx" || name == "log"
        || name == "control" || name == "quit-on-eof" || name == "seed";
}

bool Simulator::applyStartup(const std::string &name, const std::string &value, std::string &err)
{
    if (name == "quit-on-eof")
        return parseBool(value, quitOnEof) || (err = "bad value", false);
    if (value.empty()) {
        err = "needs a value";
        return false;
    }
    if (name == "link") linkPath = value;
    else if (name == "raw") rawPath = value;
    else if (name == "raw-tx") rawTxPath = value;
    else if (name == "log") logPath = value;
    else if (name == "control") controlPath = value;
    else if (name == "seed") {
        long v;
        if (!parseInt(value, 0, 0x7fffffffL, v)) {
            err = "bad number";
            return false;
        }
        seed = (unsigned long)v;
    }
    return true;
}

bool Simulator::apply(const std::string &name, const std::string &value, std::string &err)
{
    Faults &f = board.faults;
    if (isFlag(name)) {
        bool on;
        if (!parseBool(value, on)) {
            err = "bad value";
            return false;
        }
        if (name == "echo") out.echo = on;
        else if (name == "pace") out.pace = on;
        else if (name == "split") out.split = on;
        else if (name == "noise") out.noise = on;
        else if (name == "verbose") out.verbose = on;
        else if (name == "silent") f.silent = on;
        else if (name == "bad-checksum") f.badChecksum = on;
        else if (name == "differ") f.differ = on;
        else if (name == "malformed") f.malformed = on;
        else if (name == "reply-read-to-send") f.replyReadToSend = on;
        else if (name == "ok-then-silent") f.okThenSilent = on;
        else if (name == "events") board.setEvents(on);
        else { err = "start-up only"; return false; }
        return true;
    }
    struct IntOption { const char *name; long lo, hi; long *target; };
    long errorFirst = f.errorFirst;
    const IntOption ints[] = {
        {"baud", 50, 4000000, &out.baud},
        {"split-gap", 0, 10000, &out.splitGapMs},
        {"event-interval", 10, 3600000, &out.eventIntervalMs},
        {"noise-len", 1, 4096, &out.noiseLen},
        {"long-line", 0, 1000000, &out.longLine},
        {"hangup-after", 0, 1000000000, &out.hangupAfter},
        {"error-first", 0, 1000000000, &errorFirst},
    };
    for (const auto &o : ints) {
        if (name != o.name)
            continue;
        if (!parseInt(value, o.lo, o.hi, *o.target)) {
            err = "bad number";
            return false;
        }
        f.errorFirst = int(errorFirst);
        return true;
    }
    if (name == "checksums") {
        if (value == "on") f.checksums = ChecksumMode::On;
        else if (value == "off") f.checksums = ChecksumMode::Off;
        else if (value == "auto") f.checksums = ChecksumMode::Auto;
        else { err = "want on, off or auto"; return false; }
        return true;
    }
    std::string text;
    if (name == "temp" || name == "bright" || name == "light" || name == "reply") {
        if (!unescape(value, text)) {
            err = "bad escape";
            return false;
        }
        if (name == "temp") board.setField(11, text);
        else if (name == "bright") board.setField(12, text);
        else if (name == "light") board.setField(13, text);
        else {
            f.hasReply = !text.empty();
            f.reply = text;
        }
        return true;
    }
    if (name == "field") {
        const size_t eq = value.find('=');
        long k;
        if (eq == std::string::npos || !parseInt(value.substr(0, eq), 1, 32, k)) {
            err = "want K=TEXT with K 1..32";
            return false;
        }
        if (!unescape(value.substr(eq + 1), text)) {
            err = "bad escape";
            return false;
        }
        board.setField(int(k), text);
        return true;
    }
    err = isStartupOption(name) ? "start-up only" : "unknown";
    return false;
}

bool Simulator::openPty()
{
    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) < 0) {
        std::fprintf(stderr, "tablo-board-sim: openpty: %s\n", std::strerror(errno));
        return false;
    }
    struct termios t {};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    // The slave stays open here as well, so the master never sees a hang-up while the
    // program closes and reopens its end between operations.
    m_master = master;
    m_slave = slave;
    m_slavePath = name;
    m_hungUp = false;
    m_waitWritable = false;
    m_line.clear();
    m_overflow = false;

    if (!linkPath.empty()) {
        struct stat st {};
        if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            std::fprintf(stderr, "tablo-board-sim: %s exists and is not a symlink\n",
                         linkPath.c_str());
            return false;
        }
        const std::string tmp = linkPath + ".tmp" + std::to_string(getpid());
        unlink(tmp.c_str());
        if (symlink(m_slavePath.c_str(), tmp.c_str()) < 0
            || rename(tmp.c_str(), linkPath.c_str()) < 0) {
            std::fprintf(stderr, "tablo-board-sim: link %s: %s\n", linkPath.c_str(),
                         std::strerror(errno));
            unlink(tmp.c_str());
            return false;
        }
        m_linked = true;
    }
    say("PORT " + m_slavePath);
    return true;
}

bool Simulator::start()
{
    m_rng.seed(seed);
    auto openOut = [](const std::string &path, int &fd) {
        if (path.empty())
            return true;
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0)
            std::fprintf(stderr, "tablo-board-sim: %s: %s\n", path.c_str(), std::strerror(errno));
        return fd >= 0;
    };
    if (!openOut(rawPath, m_rawFd) || !openOut(rawTxPath, m_rawTxFd) || !openOut(logPath, m_logFd))
        return false;
    if (!controlPath.empty()) {
        struct stat st {};
        if (stat(controlPath.c_str(), &st) != 0) {
            if (mkfifo(controlPath.c_str(), 0600) < 0) {
                std::fprintf(stderr, "tablo-board-sim: mkfifo %s: %s\n", controlPath.c_str(),
                             std::strerror(errno));
                return false;
            }
            m_madeFifo = true;
        }
        // Opened for writing too, so the FIFO never reports end of file between writers.
        m_controlFd = open(controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (m_controlFd < 0) {
            std::fprintf(stderr, "tablo-board-sim: %s: %s\n", controlPath.c_str(),
                         std::strerror(errno));
            return false;
        }
    }
    if (!openPty())
        return false;
    m_nextByte = Clock::now();
    return true;
}

nanoseconds Simulator::byteGap() const
{
    nanoseconds gap{0};
    if (out.pace)
        gap = nanoseconds(10'000'000'000LL / out.baud);
    if (out.split)
        gap = std::max<nanoseconds>(gap, milliseconds(out.splitGapMs));
    return gap;
}

size_t Simulator::queuedBytes() const
{
    size_t n = 0;
    for (const auto &c : m_out)
        n += c.data.size() - c.pos;
    return n;
}

void Simulator::enqueue(const std::string &bytes, TimePoint notBefore)
{
    if (m_master < 0 || bytes.empty())
        return;
    if (out.verbose)
        say("TX " + escape(bytes));
    Chunk c;
    c.data = bytes;
    c.notBefore = notBefore;
    m_out.push_back(std::move(c));
}

std::string Simulator::noiseLine()
{
    std::string n;
    for (;;) {
        n.clear();
        for (long i = 0; i < out.noiseLen; ++i) {
            char b = char(m_rng() & 0xff);
            if (b == '\n' && !n.empty() && n.back() == '\r')
                b = '~';
            n += b;
        }
        if (n != "OK" && n != "ERROR" && n.compare(0, 4, "READ") != 0)
            return n + "\r\n";
    }
}

void Simulator::onReceived(const char *data, size_t n)
{
    writeAll(m_rawFd, data, n);
    m_rx += long(n);
    const TimePoint now = Clock::now();
    for (size_t i = 0; i < n; ++i) {
        const char b = data[i];
        m_logPending += b;
        if (m_line.empty() && !m_overflow)
            m_lineStart = now;
        m_line += b;
        const bool ended = m_line.size() >= 2 && m_line[m_line.size() - 2] == '\r' && b == '\n';
        if (ended) {
            const std::string e = escape(m_logPending);
            writeAll(m_logFd, (e + "\n").data(), e.size() + 1);
            if (out.verbose)
                say("RX " + e);
            m_logPending.clear();
            std::string line = m_line.substr(0, m_line.size() - 2);
            const bool overflow = m_overflow;
            m_line.clear();
            m_overflow = false;
            onLine(line, m_lineStart, overflow);
            if (m_master < 0)
                return; // hung up in the middle of the data
        } else if (m_line.size() > kMaxLine) {
            m_overflow = true;
            m_line.erase(0, m_line.size() - 1); // keep the last byte for the CR LF test
        }
        if (m_logPending.size() > kMaxLine) {
            const std::string e = escape(m_logPending) + "\n";
            writeAll(m_logFd, e.data(), e.size());
            m_logPending.clear();
        }
    }
}

void Simulator::onLine(const std::string &line, TimePoint start, bool overflow)
{
    if (line.empty() && !overflow)
        return; // a bare CR LF is no command
    ++m_lines;
    Reply r;
    if (overflow) {
        r.answered = !board.faults.silent;
        r.line = "ERROR";
    } else {
        r = board.handleLine(line);
    }
    TimePoint notBefore = Clock::now();
    if (out.pace)
        notBefore = std::max(notBefore, start + nanoseconds(10'000'000'000LL / out.baud)
                                                   * long(line.size() + 2));
    if (out.echo && !board.faults.silent && !overflow)
        enqueue(line + "\r\n", notBefore);
    if (r.answered) {
        std::string bytes;
        if (out.noise)
            bytes += noiseLine();
        if (out.longLine > 0)
            bytes += std::string(size_t(out.longLine), '#');
        bytes += r.line + "\r\n";
        enqueue(bytes, notBefore);
    }
    if (out.hangupAfter > 0 && --out.hangupAfter == 0) {
        Chunk c;
        c.hangup = true;
        m_out.push_back(c);
    }
}

void Simulator::flushOutput()
{
    while (!m_out.empty() && m_master >= 0 && !m_waitWritable) {
        Chunk &c = m_out.front();
        const TimePoint now = Clock::now();
        if (c.hangup) {
            // Let the program take what was sent first (the hang-up discards unread input),
            // but do not wait for ever on a reader that is gone.
            // The kernel moves written bytes to the reader's queue a moment later, so wait a
            // little before trusting the queue count.
            if (!c.pos) {
                c.pos = 1;
                c.notBefore = now;
            }
            int pending = 0;
            const bool settled = now - c.notBefore >= milliseconds(50)
                && ioctl(m_slave, FIONREAD, &pending) == 0 && pending == 0;
            if (!settled && now - c.notBefore < milliseconds(2000))
                return;
            hangup();
            return;
        }
        if (now < c.notBefore)
            return;
        const nanoseconds gap = byteGap();
        size_t allowed = c.data.size() - c.pos;
        if (gap.count() > 0) {
            if (m_nextByte < c.notBefore)
                m_nextByte = c.notBefore;
            if (now - m_nextByte > milliseconds(20))
                m_nextByte = now; // idle time does not build up credit
            if (now < m_nextByte)
                return;
            if (out.split)
                allowed = 1;
            else
                allowed = std::min<size_t>(allowed, size_t((now - m_nextByte) / gap) + 1);
        }
        const ssize_t n = write(m_master, c.data.data() + c.pos, allowed);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                m_waitWritable = true;
            else if (errno != EINTR)
                m_out.pop_front(); // nothing sensible to do with it
            return;
        }
        writeAll(m_rawTxFd, c.data.data() + c.pos, size_t(n));
        m_tx += n;
        c.pos += size_t(n);
        if (gap.count() > 0)
            m_nextByte = out.split ? now + gap : m_nextByte + gap * n;
        if (c.pos >= c.data.size())
            m_out.pop_front();
        if (gap.count() > 0)
            return; // the loop comes back when the next byte is due
    }
}

void Simulator::hangup()
{
    if (m_master >= 0)
        close(m_master);
    if (m_slave >= 0)
        close(m_slave);
    m_master = m_slave = -1;
    m_out.clear();
    m_waitWritable = false;
    m_hungUp = true;
    say("HANGUP");
}

void Simulator::onControlData(std::string &buffer, const char *data, size_t n)
{
    buffer.append(data, n);
    size_t nl;
    while ((nl = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, nl);
        buffer.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            control(line);
    }
}

void Simulator::control(const std::string &line)
{
    const size_t sp = line.find(' ');
    const std::string name = line.substr(0, sp);
    const std::string value = sp == std::string::npos ? std::string() : line.substr(sp + 1);
    std::string err;
    bool ok = true;
    const bool connected = m_master >= 0;
    if (name == "quit") {
        m_quit = true;
    } else if (name == "hangup") {
        if (connected) hangup();
        else { ok = false; err = "not connected"; }
    } else if (name == "replug") {
        if (connected)
            hangup();
        ok = openPty();
        if (!ok) err = "cannot open a pty";
    } else if (name == "event") {
        if (connected) enqueue(board.eventLine() + "\r\n", Clock::now());
        else { ok = false; err = "not connected"; }
    } else if (name == "send" || name == "raw") {
        std::string bytes;
        if (!unescape(value, bytes)) { ok = false; err = "bad escape"; }
        else if (!connected) { ok = false; err = "not connected"; }
        else enqueue(name == "send" ? bytes + "\r\n" : bytes, Clock::now());
    } else if (name == "status") {
        say("STATUS lines=" + std::to_string(m_lines) + " framed="
            + std::to_string(board.framedCount) + " rx=" + std::to_string(m_rx)
            + " tx=" + std::to_string(m_tx) + " queued=" + std::to_string(queuedBytes())
            + " hungup=" + (m_hungUp ? "1" : "0") + " events=" + (board.eventsEnabled() ? "1" : "0")
            + " error-first=" + std::to_string(board.faults.errorFirst)
            + " port=" + (connected ? m_slavePath : std::string("-")));
    } else if (name == "dump") {
        say("DUMP " + escape(board.readLine(false)));
    } else {
        ok = apply(name, value, err);
    }
    say(ok ? "CTL OK " + line : "CTL ERROR " + err + ": " + line);
}

void Simulator::cleanup()
{
    if (!m_logPending.empty()) {
        const std::string e = escape(m_logPending) + "\n";
        writeAll(m_logFd, e.data(), e.size());
    }
    for (int fd : {m_master, m_slave, m_rawFd, m_rawTxFd, m_logFd, m_controlFd})
        if (fd >= 0)
            close(fd);
    m_master = m_slave = -1;
    if (m_linked) {
        struct stat st {};
        if (lstat(linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(linkPath.c_str());
    }
    if (m_madeFifo)
        unlink(controlPath.c_str());
}

int Simulator::run()
{
    sigset_t block, original;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGHUP);
    sigprocmask(SIG_BLOCK, &block, &original);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    char buf[4096];
    while (!m_quit && !g_signalled) {
        TimePoint now = Clock::now();
        // The event tick starts one interval after events are switched on.
        const bool eventsOn = board.eventsEnabled() && m_master >= 0;
        if (eventsOn && !m_eventsWereOn)
            m_nextEvent = now + milliseconds(out.eventIntervalMs);
        m_eventsWereOn = eventsOn;
        if (eventsOn && now >= m_nextEvent) {
            if (queuedBytes() < kMaxQueued)
                enqueue(board.eventLine() + "\r\n", now);
            m_nextEvent = now + milliseconds(out.eventIntervalMs);
        }
        flushOutput();

        now = Clock::now();
        TimePoint wake = now + milliseconds(1000);
        if (eventsOn)
            wake = std::min(wake, m_nextEvent);
        if (!m_out.empty() && !m_waitWritable) {
            const Chunk &c = m_out.front();
            TimePoint due = c.hangup ? now + milliseconds(5) : c.notBefore;
            if (byteGap().count() > 0)
                due = std::max(due, m_nextByte);
            wake = std::min(wake, due);
        }

        pollfd fds[3];
        int nfds = 0, iMaster = -1, iStdin = -1, iControl = -1;
        if (m_master >= 0) {
            iMaster = nfds;
            fds[nfds++] = {m_master, short(POLLIN | (m_waitWritable ? POLLOUT : 0)), 0};
        }
        if (m_stdinOpen) {
            iStdin = nfds;
            fds[nfds++] = {STDIN_FILENO, POLLIN, 0};
        }
        if (m_controlFd >= 0) {
            iControl = nfds;
            fds[nfds++] = {m_controlFd, POLLIN, 0};
        }
        const auto wait = std::max<nanoseconds>(nanoseconds(0), wake - now);
        struct timespec ts;
        ts.tv_sec = time_t(wait.count() / 1'000'000'000LL);
        ts.tv_nsec = long(wait.count() % 1'000'000'000LL);
        const int rc = ppoll(fds, nfds_t(nfds), &ts, &original);
        if (rc < 0) {
            if (errno == EINTR)
                continue;
            std::perror("tablo-board-sim: poll");
            break;
        }
        if (iMaster >= 0 && fds[iMaster].revents) {
            if (fds[iMaster].revents & POLLOUT)
                m_waitWritable = false;
            if (fds[iMaster].revents & (POLLIN | POLLHUP | POLLERR)) {
                for (;;) {
                    const ssize_t n = read(m_master, buf, sizeof buf);
                    if (n > 0) {
                        onReceived(buf, size_t(n));
                        if (m_master < 0)
                            break;
                        continue;
                    }
                    if (n < 0 && errno == EINTR)
                        continue;
                    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                        // Should not happen while the slave is held open; avoid spinning.
                        struct timespec pause = {0, 50'000'000};
                        nanosleep(&pause, nullptr);
                    }
                    break;
                }
            }
        }
        if (iStdin >= 0 && fds[iStdin].revents) {
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n > 0) {
                onControlData(m_stdinBuf, buf, size_t(n));
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                m_stdinOpen = false;
                if (quitOnEof)
                    m_quit = true;
            }
        }
        if (iControl >= 0 && fds[iControl].revents) {
            const ssize_t n = read(m_controlFd, buf, sizeof buf);
            if (n > 0)
                onControlData(m_controlBuf, buf, size_t(n));
        }
    }
    cleanup();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Simulator sim;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.compare(0, 2, "--") != 0) {
            std::fprintf(stderr, "tablo-board-sim: unexpected argument %s (see --help)\n", argv[i]);
            return 2;
        }
        std::string name = arg.substr(2), value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.erase(eq);
            hasValue = true;
        }
        static const char *const valued[] = {"checksums", "baud", "split-gap", "event-interval",
                                             "noise-len", "long-line", "hangup-after",
                                             "error-first", "temp", "bright", "light", "reply",
                                             "field", "link", "raw", "raw-tx", "log", "control",
                                             "seed"};
        const bool known = Simulator::isFlag(name)
            || std::find(std::begin(valued), std::end(valued), name) != std::end(valued);
        if (!known) {
            std::fprintf(stderr, "tablo-board-sim: unknown option --%s (see --help)\n", name.c_str());
            return 2;
        }
        if (!hasValue && !Simulator::isFlag(name)) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tablo-board-sim: --%s needs a value\n", name.c_str());
                return 2;
            }
            value = argv[++i];
        }
        std::string err;
        const bool ok = Simulator::isStartupOption(name) ? sim.applyStartup(name, value, err)
                                                        : sim.apply(name, value, err);
        if (!ok) {
            std::fprintf(stderr, "tablo-board-sim: --%s: %s (see --help)\n", name.c_str(),
                         err.c_str());
            return 2;
        }
    }
    if (!sim.start())
        return 1;
    return sim.run();
}
