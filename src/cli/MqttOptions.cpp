#include "cli/MqttOptions.h"

#include "core/text/Numbers.h"
#include "feed/FeedSchema.h"

namespace {

enum class Key { Broker, Id, Group, Prefix, TlsCa, TlsCert, TlsKey, User, PasswordFile, Password, StateDir, Journal, VerifyEvery };

struct Name {
    const char *text;
    Key key;
};

const Name Names[] = {
    {"broker", Key::Broker},        {"id", Key::Id},          {"group", Key::Group},
    {"prefix", Key::Prefix},        {"tls-ca", Key::TlsCa},   {"tls-cert", Key::TlsCert},
    {"tls-key", Key::TlsKey},       {"user", Key::User},      {"password-file", Key::PasswordFile},
    {"password", Key::Password},    {"state-dir", Key::StateDir}, {"journal", Key::Journal},
    {"verify-every", Key::VerifyEvery},
};

// The shared options that take a value, so the command can be told from an option's value.
const char *const SharedWithValue[] = {"settings", "port", "baud", "checksums", "attempts", "timeout-ms",
                                       "log", "file", "since", "until", "at", "journal"};

// The command (the first positional argument), or empty.
QString commandOf(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--"))
            return arguments.value(i + 1);
        if (!a.startsWith(QLatin1Char('-')))
            return a;
        if (a.contains(QLatin1Char('=')) || !a.startsWith(QLatin1String("--")))
            continue;
        const QString name = a.mid(2);
        const bool takesValue = std::any_of(std::begin(SharedWithValue), std::end(SharedWithValue),
                                            [&](const char *n) { return name == QLatin1String(n); })
                             || std::any_of(std::begin(Names), std::end(Names), [&](const Name &n) {
                                    return name == QLatin1String(n.text) && n.key != Key::Password;
                                });
        if (takesValue)
            ++i;
    }
    return QString();
}

bool apply(MqttOptions &o, Key key, const QString &value, QString &error)
{
    const QLatin1String option(std::find_if(std::begin(Names), std::end(Names), [key](const Name &n) {
                                   return n.key == key;
                               })->text);
    const auto needs = [&](const char *what) {
        error = QStringLiteral("--%1 %2").arg(option, QLatin1String(what));
        return false;
    };
    // An id and a group must not be a reserved name.
    if (key == Key::Id || key == Key::Group) {
        const QString why = Feed::reservedLevel(value);
        if (!why.isEmpty()) {
            error = QStringLiteral("--%1 %2: %3").arg(option, value, why);
            return false;
        }
    }
    switch (key) {
    case Key::Broker:
        if (!Feed::parseHostPort(value, o.host, o.port))
            return needs("takes HOST or HOST:PORT (an IPv6 address in brackets)");
        break;
    case Key::Id:
        if (!Feed::isPlainName(value) || value == QLatin1String("group"))
            return needs("takes a name of letters, digits, '-', '_' and '.' (not \"group\")");
        o.id = value;
        break;
    case Key::Group:
        if (!Feed::isPlainName(value))
            return needs("takes a name of letters, digits, '-', '_' and '.'");
        if (!o.groups.contains(value))
            o.groups << value;
        break;
    case Key::Prefix:
        error = Feed::prefixProblem(value);
        if (!error.isEmpty())
            return false;
        o.prefix = value;
        break;
    case Key::TlsCa:
        o.tlsCa = value;
        break;
    case Key::TlsCert:
        o.tlsCert = value;
        break;
    case Key::TlsKey:
        o.tlsKey = value;
        break;
    case Key::User:
        if (value.isEmpty())
            return needs("takes a user name");
        o.user = value;
        break;
    case Key::PasswordFile:
        o.passwordFile = value;
        break;
    case Key::StateDir:
        o.stateDir = value;
        break;
    case Key::Journal:
        o.journal = value;
        break;
    case Key::VerifyEvery:
        o.verifyEverySeconds = durationSeconds(value);
        if (o.verifyEverySeconds < 1)
            return needs("takes a duration: seconds, or a number with s, m or h (30s, 5m, 1h)");
        break;
    case Key::Password:
        // A password on the command line is visible in the process list to every user.
        error = QStringLiteral("the password is never taken on the command line: use --password-file FILE");
        return false;
    }
    if (value.isEmpty())
        return needs("needs a value");
    return true;
}

} // namespace

int durationSeconds(const QString &text)
{
    QStringView t = QStringView(text).trimmed();
    qint64 unit = 1;
    if (t.endsWith(QLatin1Char('h')) || t.endsWith(QLatin1Char('m')) || t.endsWith(QLatin1Char('s'))) {
        unit = t.endsWith(QLatin1Char('h')) ? 3600 : t.endsWith(QLatin1Char('m')) ? 60 : 1;
        t.chop(1);
    }
    if (!isDigits(t, 1, 7))
        return -1;
    const qint64 seconds = t.toLongLong() * unit;
    return seconds > 7 * 24 * 3600 ? -1 : int(seconds);
}

bool takeMqttOptions(QStringList &arguments, MqttOptions &out, QString &error)
{
    // --journal is the journal command's own option too: the bridge takes it only as its own.
    const bool mqtt = commandOf(arguments) == QLatin1String("mqtt");
    QStringList rest;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (i == 0 || !a.startsWith(QLatin1String("--"))) {
            rest << a;
            continue;
        }
        if (a == QLatin1String("--")) {   // what follows is positional
            rest << arguments.mid(i);
            break;
        }
        const QString body = a.mid(2);
        const qsizetype eq = body.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? body : body.left(eq);
        const auto it = std::find_if(std::begin(Names), std::end(Names),
                                     [&](const Name &n) { return name == QLatin1String(n.text); });
        if (it == std::end(Names) || (it->key == Key::Journal && !mqtt)) {
            rest << a;
            continue;
        }
        QString value;
        if (eq >= 0) {
            value = body.mid(eq + 1);
        } else if (it->key != Key::Password) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("--%1 needs a value").arg(name);
                return false;
            }
            value = arguments.at(++i);
        }
        out.given = true;
        if (!apply(out, it->key, value, error))
            return false;
    }
    arguments = rest;
    return true;
}

bool checkMqttOptions(const MqttOptions &o, const QString &command, QString &error)
{
    if (command != QLatin1String("mqtt")) {
        if (o.given)
            error = QStringLiteral("--broker, --id, --group, --prefix, --tls-*, --user, --password-file, "
                                   "--state-dir and --verify-every are options of mqtt only");
        return !o.given;
    }
    if (o.host.isEmpty() || o.id.isEmpty()) {
        error = QStringLiteral("mqtt needs --broker HOST[:PORT] and --id ID");
        return false;
    }
    if (o.tlsCa.isEmpty() && !(o.tlsCert.isEmpty() && o.tlsKey.isEmpty())) {
        error = QStringLiteral("--tls-cert and --tls-key need --tls-ca");
        return false;
    }
    if (o.tlsCert.isEmpty() != o.tlsKey.isEmpty()) {
        error = QStringLiteral("--tls-cert and --tls-key go together");
        return false;
    }
    if (o.user.isEmpty() != o.passwordFile.isEmpty()) {
        error = QStringLiteral("--user and --password-file go together");
        return false;
    }
    return true;
}

QString mqttHelpText()
{
    return QStringLiteral(
        "Usage: tablo-cli mqtt --broker HOST[:PORT] --id ID [--group GROUP ...] [--prefix PREFIX]\n"
        "                 [--tls-ca FILE [--tls-cert FILE --tls-key FILE]]\n"
        "                 [--user NAME --password-file FILE] [OPTIONS]\n"
        "\n"
        "Bridges one board to an MQTT broker until SIGTERM or SIGINT: sets of figures and controller\n"
        "commands come in, verified results, the board's state and its EVENT lines go out.\n"
        "\n"
        "Topics (P is the prefix):\n"
        "  P/ID/figures/set, P/group/GROUP/figures/set    in, QoS 1\n"
        "      {\"figures\": [\"2.6515\", ...], \"id\": \"request id\"}: up to ten figures of digits with at\n"
        "      most one point (fewer keep the board's other figures); the latest set wins\n"
        "  P/ID/brightness/set   in: min|25|50|75|100|auto, or {\"value\": ..., \"id\": ...}\n"
        "  P/ID/lighting/set     in: off|on|auto, or {\"value\": ..., \"id\": ...}\n"
        "  P/ID/clock/set        in: now|\"dd.mm.yy hh:mm:ss\", or {\"value\": ..., \"id\": ...}\n"
        "                        (each also as P/group/GROUP/.../set)\n"
        "  P/ID/result           out: one per request: {\"id\", \"request\", \"outcome\": sent-ok|\n"
        "                        sent-unverified|data-error|connection-error|rejected|superseded|\n"
        "                        restored, \"sent\", \"board\", \"reason\", \"by\", \"at\"}; also on the\n"
        "                        request's MQTT 5 response topic, with its correlation data\n"
        "  P/ID/state            out, retained: the last reading as JSON, with request and source\n"
        "  P/ID/status           out, retained: online, or offline (also the broker's will)\n"
        "  P/ID/board            out, retained: present or absent\n"
        "  P/ID/info             out, retained: id, version, host, port, digits, shown, groups\n"
        "  P/ID/events           out: the board's EVENT lines as JSON\n"
        "\n"
        "MQTT options:\n"
        "  --broker HOST[:PORT]  the broker (port 1883, or 8883 with TLS; IPv6 as [ADDRESS]:PORT)\n"
        "  --id ID               the board's id, a topic level (letters, digits, - _ .; not . or ..)\n"
        "  --group GROUP         a group the board belongs to; repeat for more groups\n"
        "  --prefix PREFIX       the first topic levels (default: tablo); no level may be . or ..\n"
        "                        or start with $ (the broker's own topics)\n"
        "  --tls-ca FILE         use TLS, trusting the certificate authority in FILE\n"
        "  --tls-cert FILE       with --tls-key: the client certificate for TLS\n"
        "  --tls-key FILE        the client certificate's private key\n"
        "  --user NAME           the broker account\n"
        "  --password-file FILE  the account's password: the first line of FILE (never on the\n"
        "                        command line)\n"
        "  --state-dir DIR       where the bridge keeps the sets it took but did not apply before\n"
        "                        it stopped, the last verified set and its journal (default:\n"
        "                        $STATE_DIRECTORY, else tablo-mqtt/ID in the per-user data folder)\n"
        "  --journal FILE        the bridge's journal (default: journal.sqlite in the state folder)\n"
        "  --verify-every TIME   read the board every TIME (30s, 5m, 1h) and upload the last\n"
        "                        verified set again when it shows something else\n"
        "\n"
        "Options shared with the other commands:\n"
        "  --settings PATH       the settings file (default: the one the window uses)\n"
        "  --port NAME           serial port (COM1 is /dev/ttyS0, ttyUSB0 is /dev/ttyUSB0)\n"
        "  --baud RATE           baud rate\n"
        "  --checksums on|off    commands carry their byte sum\n"
        "  --attempts N          times a command is sent at most (1 to 10)\n"
        "  --timeout-ms MS       reply time-out of each attempt (400 to 10000)\n"
        "  --log FILE            append the protocol log\n"
        "  -h, --help            this text\n"
        "\n"
        "Log lines go to stdout, failures (broker or port away) to stderr. Exit codes: 0 stopped by a signal, 1 the password file or the log\n"
        "cannot be read or written, 3 a set-up error (the MQTT client or its TLS files,\n"
        "a refused subscription, another bridge with the id), 64 a bad argument.\n");
}
