#include "cli/CliOptions.h"

#include <QCommandLineParser>

#include "cli/Choices.h"
#include "cli/JournalCommand.h"
#include "cli/PortAccess.h"
#include "cli/SettingsCommand.h"
#include "core/figures/FigureFormat.h"

namespace {

// The commands; each command's options are listed with the options below.
const QStringList Commands{QStringLiteral("upload"),   QStringLiteral("read"),  QStringLiteral("brightness"),
                           QStringLiteral("lighting"), QStringLiteral("clock"), QStringLiteral("watch"),
                           QStringLiteral("ports"),    QStringLiteral("settings"), QStringLiteral("mqtt"),
                           QStringLiteral("journal")};
// The commands that talk to the board.
const QStringList BoardCommands{QStringLiteral("upload"),   QStringLiteral("read"),  QStringLiteral("brightness"),
                                QStringLiteral("lighting"), QStringLiteral("clock"), QStringLiteral("watch"),
                                QStringLiteral("mqtt")};

bool parseIntIn(const QString &text, int lo, int hi, int &out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

// The command's own arguments.
bool checkArguments(const CliOptions &o, QString &error)
{
    const QString &c = o.command;
    const qsizetype n = o.arguments.size();
    if (c == QLatin1String("upload")) {
        if (n != 0 && n != 10) {
            error = QStringLiteral("upload takes ten figures or none, not %1").arg(n);
            return false;
        }
        if (n == 10 && !o.dataFile.isEmpty()) {
            error = QStringLiteral("upload takes either ten figures or --file, not both");
            return false;
        }
        for (qsizetype k = 0; k < n; ++k) {
            if (!isPlainFigure(o.arguments[k])) {
                error = QStringLiteral("figure %1 \"%2\" is not a figure: digits with at most one point, as 1.25")
                            .arg(k + 1)
                            .arg(o.arguments[k]);
                return false;
            }
        }
    } else if (c == QLatin1String("read") || c == QLatin1String("watch") || c == QLatin1String("ports")
               || c == QLatin1String("mqtt")) {
        if (n != 0) {
            error = QStringLiteral("%1 takes no arguments: %2").arg(c, o.arguments.join(QLatin1Char(' ')));
            return false;
        }
    } else if (c == QLatin1String("brightness")) {
        if (n != 1 || brightnessChoice(o.arguments.first()) < 0) {
            error = QStringLiteral("brightness takes one of min, 25, 50, 75, 100, auto");
            return false;
        }
    } else if (c == QLatin1String("lighting")) {
        if (n != 1 || lightingChoice(o.arguments.first()) < 0) {
            error = QStringLiteral("lighting takes one of off, on, auto");
            return false;
        }
    } else if (c == QLatin1String("clock")) {
        if (!clockTime(o.arguments)) {
            error = QStringLiteral("clock takes now or a time \"dd.mm.yy hh:mm:ss\", not \"%1\"")
                        .arg(o.arguments.join(QLatin1Char(' ')));
            return false;
        }
    } else if (c == QLatin1String("settings")) {
        return checkSettingArguments(o.arguments, error);
    } else if (c == QLatin1String("journal")) {
        return checkJournalArguments(o, error);
    }
    return true;
}

} // namespace

bool parseCommandLine(const QStringList &arguments, CliOptions &out, QString &error)
{
    QCommandLineParser p;
    const QCommandLineOption settings(QStringLiteral("settings"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption baud(QStringLiteral("baud"), QString(), QStringLiteral("RATE"));
    const QCommandLineOption checksums(QStringLiteral("checksums"), QString(), QStringLiteral("on|off"));
    const QCommandLineOption attempts(QStringLiteral("attempts"), QString(), QStringLiteral("N"));
    const QCommandLineOption timeout(QStringLiteral("timeout-ms"), QString(), QStringLiteral("MS"));
    const QCommandLineOption log(QStringLiteral("log"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption file(QStringLiteral("file"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption strict(QStringLiteral("strict"));
    const QCommandLineOption csv(QStringLiteral("csv"));
    const QCommandLineOption since(QStringLiteral("since"), QString(), QStringLiteral("T"));
    const QCommandLineOption until(QStringLiteral("until"), QString(), QStringLiteral("T"));
    const QCommandLineOption at(QStringLiteral("at"), QString(), QStringLiteral("T"));
    const QCommandLineOption journal(QStringLiteral("journal"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("V"), QStringLiteral("version")});
    const QCommandLineOption printPaths(QStringLiteral("print-paths"));
    p.addOptions({settings, port, baud, checksums, attempts, timeout, log, file, json, strict, csv, since, until, at,
                  journal, help, version, printPaths});

    if (!p.parse(arguments)) {
        error = p.errorText();
        return false;
    }
    CliOptions o;
    o.help = p.isSet(help);
    o.version = p.isSet(version);
    o.printPaths = p.isSet(printPaths);
    if (o.help || o.version || o.printPaths) {
        out = o;
        return true;
    }

    // An option given twice takes its last value (QCommandLineParser::value gives the last).
    o.settingsPath = p.value(settings);
    if (p.isSet(port)) {
        o.port = portFromArgument(p.value(port));
        if (o.port->isEmpty()) {
            error = QStringLiteral("--port needs a port name");
            return false;
        }
    }
    if (p.isSet(baud)) {
        int rate = 0;
        if (!parseIntIn(p.value(baud), 1, 4000000, rate)) {
            error = QStringLiteral("--baud takes a positive number, not \"%1\"").arg(p.value(baud));
            return false;
        }
        o.baud = QString::number(rate);
    }
    if (p.isSet(checksums)) {
        const QString v = p.value(checksums);
        if (v != QLatin1String("on") && v != QLatin1String("off")) {
            error = QStringLiteral("--checksums takes on or off, not \"%1\"").arg(v);
            return false;
        }
        o.checksums = v == QLatin1String("on");
    }
    // The ranges of the window's settings dialog.
    if (p.isSet(attempts)) {
        int v = 0;
        if (!parseIntIn(p.value(attempts), 1, 10, v)) {
            error = QStringLiteral("--attempts takes 1 to 10, not \"%1\"").arg(p.value(attempts));
            return false;
        }
        o.attempts = v;
    }
    if (p.isSet(timeout)) {
        int v = 0;
        if (!parseIntIn(p.value(timeout), 400, 10000, v)) {
            error = QStringLiteral("--timeout-ms takes 400 to 10000, not \"%1\"").arg(p.value(timeout));
            return false;
        }
        o.timeoutMs = v;
    }
    if (p.isSet(log))
        o.logPath = p.value(log);
    if (p.isSet(file))
        o.dataFile = p.value(file);
    o.json = p.isSet(json);
    o.strict = p.isSet(strict);
    o.csv = p.isSet(csv);
    for (auto [option, value] : {std::pair{&since, &o.since}, {&until, &o.until}, {&at, &o.at}})
        if (p.isSet(*option))
            *value = p.value(*option);
    o.journalPath = p.value(journal);

    const QStringList positional = p.positionalArguments();
    if (positional.isEmpty()) {
        error = QStringLiteral("no command given (try --help)");
        return false;
    }
    o.command = positional.first();
    if (!Commands.contains(o.command)) {
        error = QStringLiteral("unknown command \"%1\" (try --help)").arg(o.command);
        return false;
    }
    o.arguments = positional.mid(1);

    // Each option with the commands it belongs to.
    const struct {
        const QCommandLineOption &option;
        QStringList commands;
    } belongs[] = {{port, BoardCommands},     {baud, BoardCommands}, {checksums, BoardCommands},
                   {attempts, BoardCommands}, {timeout, BoardCommands}, {log, BoardCommands},
                   {file, {QStringLiteral("upload"), QStringLiteral("watch")}},
                   {json, {QStringLiteral("read"), QStringLiteral("journal")}},
                   {strict, {QStringLiteral("upload")}},
                   {csv, {QStringLiteral("journal")}},     {since, {QStringLiteral("journal")}},
                   {until, {QStringLiteral("journal")}},   {at, {QStringLiteral("journal")}},
                   {journal, {QStringLiteral("upload"), QStringLiteral("read"), QStringLiteral("brightness"),
                              QStringLiteral("lighting"), QStringLiteral("clock"), QStringLiteral("watch"),
                              QStringLiteral("journal")}}};
    for (const auto &b : belongs) {
        if (p.isSet(b.option) && !b.commands.contains(o.command)) {
            error = QStringLiteral("--%1 is an option of %2 only")
                        .arg(b.option.names().constFirst(), b.commands.join(QStringLiteral(", ")));
            return false;
        }
    }
    if (!checkArguments(o, error))
        return false;
    out = o;
    return true;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: tablo-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
        "\n"
        "Talks to the display board without a window, with the settings file of the window.\n"
        "Results go to stdout; errors and warnings to stderr, each line starting \"tablo-cli: \".\n"
        "\n"
        "Commands:\n"
        "  upload [FIGURE x10]   upload ten figures (none: the ten lines of the data file), formatted\n"
        "                        by the settings (digits, fill, show flags), and read them back.\n"
        "                        A figure is digits with at most one point (1.25, 0, 12). A figure\n"
        "                        the board will show with another value (cut, padded into a larger\n"
        "                        number, a hidden slot) and a data-file line that is no figure are\n"
        "                        warned about. Prints \"Sent OK [TEXT,...]\" with the ten texts as sent\n"
        "  upload --strict ...   the same, but such a figure is refused: nothing is sent, each figure\n"
        "                        and what the board would show are named on stderr, exit code 64.\n"
        "                        A hidden slot is not checked; an empty figure is refused with the\n"
        "                        zero fill, where the board would show it as 0\n"
        "  read [--json]         read the board: figures, temperature, brightness, lighting and the\n"
        "                        controller's parameters, as \"name: value\" lines or JSON (on failure\n"
        "                        too: {\"outcome\": ..., \"reason\": ...})\n"
        "  brightness min|25|50|75|100|auto\n"
        "                        BRIG=0..4; auto: BRIG=5 (by time) or 6 (by schedule) by the stored\n"
        "                        automatic mode (Controller/Shedule_Brightness)\n"
        "  lighting off|on|auto  LIGH=0/1; auto: LIGH=2 (by time) or 3 (by schedule) by\n"
        "                        Controller/Shedule_Backlight\n"
        "  clock [now | \"dd.mm.yy hh:mm:ss\"]\n"
        "                        set the board's clock (default: now)\n"
        "  brightness, lighting and clock print \"OK\".\n"
        "  watch                 poll the data file every Auto_Load_Intvl ms and upload it whenever it\n"
        "                        changes (after a failure, the next try waits 30 s); one line per\n"
        "                        upload on stdout, each failure on stderr with the time of the last\n"
        "                        good upload; ends on SIGTERM or SIGINT (a second one: at once)\n"
        "  ports                 list the serial ports: stable /dev/serial/by-id names first, the\n"
        "                        device each points to, whether it opens, what it says of itself\n"
        "  settings [KEY[=VALUE] ...]\n"
        "                        show the program settings (all, or the KEYs), or set them in the\n"
        "                        settings file as the window does (e.g. Port_Number=/dev/ttyUSB0,\n"
        "                        Digits=4, Replys=0); values out of the window's ranges are refused\n"
        "  mqtt --broker HOST[:PORT] --id ID ...\n"
        "                        bridge the board to an MQTT broker (see tablo-cli mqtt --help)\n"
        "  journal [--since T] [--until T] [--json | --csv]\n"
        "                        list the journal of what the board was sent and showed, one line\n"
        "                        per record started from T to T (that second included), as JSON or\n"
        "                        CSV (RFC 4180, a header line); T is YYYY-MM-DDTHH:MM:SS (or with\n"
        "                        a space for the T), local, or with .mmm and +HH:MM, -HH:MM or Z\n"
        "  journal --at T [--json]\n"
        "                        what was known of the board's figures at T: the figures, since\n"
        "                        when, how they were known (read back, read, sent one-way, in\n"
        "                        doubt, read back different) and from which request\n"
        "\n"
        "Options:\n"
        "  --settings PATH       the settings file (default: the one the window uses); it must be\n"
        "                        readable\n"
        "  These override the settings file for this run only (the file is not written):\n"
        "  --port NAME           serial port (COM1 is /dev/ttyS0, ttyUSB0 is /dev/ttyUSB0)\n"
        "  --baud RATE           baud rate\n"
        "  --checksums on|off    commands carry their byte sum\n"
        "  --attempts N          times a command is sent at most (1 to 10)\n"
        "  --timeout-ms MS       reply time-out of each attempt (400 to 10000)\n"
        "  --log FILE            append the protocol log: a timestamp, \"> \" and each command sent\n"
        "                        (framed, without CR LF), or \"< \" and each line received\n"
        "  --file PATH           upload, watch: the data file (default: the one the window uses)\n"
        "  --json                read, journal: print JSON\n"
        "  --strict              upload: refuse a figure the board would show as another number\n"
        "  --csv                 journal: print comma-separated values\n"
        "  --since T, --until T, --at T\n"
        "                        journal: the times, YYYY-MM-DDTHH:MM:SS[.mmm][+HH:MM|-HH:MM|Z];\n"
        "                        local without an offset (a repeated hour: its first pass)\n"
        "  --journal FILE        upload, read, brightness, lighting, clock, watch, journal: the\n"
        "                        journal file (default: [Journal] File= of the settings file, else\n"
        "                        journal.sqlite beside the data file; see --print-paths)\n"
        "  -h, --help            this text\n"
        "  -V, --version         the program's version\n"
        "  --print-paths         print where the settings, data, schedule and journal files are\n"
        "\n"
        "Exit codes: 0 done; 1 a file cannot be read or written; 2 data error (the board answered\n"
        "\"ERROR\" or holds other figures than sent, an empty data file); 3 connection error (no\n"
        "reply, a wrong checksum, a port that cannot be opened); 4 the port is in use by another\n"
        "program; 64 a bad argument, or settings the command cannot work with (a one-way link for\n"
        "read, a baud rate that is no number, a figure refused by upload --strict); 130 and 143\n"
        "stopped by SIGINT and SIGTERM (watch: 0).\n");
}
