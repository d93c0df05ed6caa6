#include "cli/Commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/Choices.h"
#include "cli/Output.h"
#include "cli/ReadingReport.h"
#include "cli/SettingsCommand.h"
#include "cli/Upload.h"
#include "core/operations/ResultText.h"
#include "cli/Watch.h"
#include "core/figures/FigureCheck.h"
#include "core/files/DataFile.h"
#include "core/files/IniFile.h"
#include "core/files/ProgramPaths.h"
#include "core/link/PortNames.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsStore.h"

namespace {

// Once the request is recorded: the journal's failure, once, on stderr.
void warnOfJournal(CliContext &c)
{
    c.recorder.flush();
    const QString notice = c.recorder.takeFailureNotice();
    if (!notice.isEmpty())
        printWarning(notice);
}

void printJson(const QJsonObject &o)
{
    printOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented)).trimmed());
}

// Reads the settings file; false when it cannot be read (and must be). A file that holds none of
// the program's sections is read, with a warning: every value is then a default.
bool loadSettings(CliContext &c, bool mustExist)
{
    QFile file(c.settingsPath);
    if (!file.exists() && !mustExist) {
        if (c.options.command != QLatin1String("settings") && c.options.command != QLatin1String("ports"))
            printWarning(QStringLiteral("there is no settings file %1: using the defaults (port COM1, that is "
                                        "/dev/ttyS0); set up the board with tablo-cli settings Port_Number=...")
                             .arg(c.settingsPath));
        c.settings = ProgramSettings();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        printErr(QStringLiteral("cannot read the settings file %1: %2").arg(c.settingsPath, file.errorString()));
        return false;
    }
    const QByteArray text = IniFile::decode(file.readAll(), nullptr);
    file.close();
    bool known = false;
    for (const QByteArray &name : IniFile::sectionNames(text)) {
        for (const char *section : {"Settings", "Tablo", "Controller"})
            known = known || name.compare(section, Qt::CaseInsensitive) == 0;
    }
    if (!known && !text.isEmpty())
        printWarning(QStringLiteral("the settings file %1 holds none of the sections [Settings], [Tablo], "
                                    "[Controller]: every setting is a default")
                         .arg(c.settingsPath));
    c.settings = SettingsStore::loadProgram(c.settingsPath);
    return true;
}

int upload(CliContext &c)
{
    QList<QByteArray> lines;
    QString source;   // the data file, when the figures come from it
    if (c.options.arguments.size() == 10) {
        for (const QString &figure : c.options.arguments)
            lines << figure.toLatin1();
    } else {
        source = c.dataFilePath();
        QByteArray content;
        QString error;
        if (!DataFile::readFile(source, content, &error)) {
            printErr(QStringLiteral("cannot read the data file %1: %2").arg(source, error));
            return ExitFileError;
        }
        // An empty file is one caught while another program rewrites it, or one left empty by
        // mistake: either way ten blanks are not what the board should show.
        if (content.isEmpty()) {
            printErr(QStringLiteral("Data error: the data file %1 is empty; nothing is uploaded").arg(source));
            return ExitDataError;
        }
        lines = DataFile::splitLines(content);
    }
    // --strict: a figure the board would show as another number stops the upload before the port
    // is opened, so nothing reaches the board.
    if (c.options.strict) {
        QStringList requested;
        for (const QByteArray &line : lines)
            requested << QString::fromLatin1(line);
        const QStringList refused = figureRejections(checkFigures(requested, c.settings));
        if (!refused.isEmpty()) {
            printErr(QStringLiteral("Refused (--strict): %1; nothing is sent").arg(refused.join(QStringLiteral("; "))));
            return ExitUsage;
        }
    }
    const QStringList texts = c.service.textsOf(figuresFromDataLines(lines, c.settings));
    for (const QString &warning : figureWarnings(lines, texts, c.settings, source))
        printWarning(warning);

    if (const int code = c.openPort())
        return code;
    const ExchangeOptions options = c.exchangeOptions();
    c.recordJournal(JournalSource::Cli);
    const UploadResult result = c.await(c.service.uploadTexts(texts, QStringLiteral("tablo-cli")),
                                        [](BoardReply *r) { return r->upload(); });
    warnOfJournal(c);
    const QString outcome = uploadOutcomeText(result) + QLatin1Char(' ') + textsInBrackets(texts);
    if (result.outcome == UploadResult::SentOk)
        printOut(outcome);
    else
        printErr(outcome + QStringLiteral(": ") + uploadProblem(result, options, texts));
    return uploadExitCode(result);
}

// A read that did not bring the board's values: the reason on stderr, and for --json an object
// with the outcome and the reason on stdout.
int readFailed(CliContext &c, const QString &outcome, const QString &reason, int code)
{
    printErr(outcome + QStringLiteral(": ") + reason);
    if (c.options.json) {
        const QJsonObject o{{QStringLiteral("outcome"), outcome}, {QStringLiteral("reason"), reason}};
        printJson(o);
    }
    return code;
}

int read(CliContext &c)
{
    const ExchangeOptions options = c.exchangeOptions();
    if (options.oneWay)
        return readFailed(c, QStringLiteral("Settings error"),
                          QStringLiteral("the link is one-way (Replys=1 in %1): the board does not answer, so it "
                                         "cannot be read; if it does answer: tablo-cli settings Replys=0")
                              .arg(c.settingsPath),
                          ExitUsage);
    if (const int code = c.openPort()) {
        if (c.options.json) {
            const QString outcome = code == ExitPortBusy ? QStringLiteral("Port busy")
                                  : code == ExitUsage    ? QStringLiteral("Settings error")
                                                         : QStringLiteral("Connection error");
            const QJsonObject o{{QStringLiteral("outcome"), outcome}, {QStringLiteral("reason"), c.lastOpen.message}};
            printJson(o);
        }
        return code;
    }
    c.recordJournal(JournalSource::Cli);
    const ReadResult r = c.await(c.service.read(QStringLiteral("tablo-cli")), [](BoardReply *reply) { return reply->read(); });
    warnOfJournal(c);
    switch (r.outcome) {
    case ReadResult::ReadOk:
        if (c.options.json) {
            QJsonObject o = readingJson(r.reading);
            o.insert(QStringLiteral("outcome"), QStringLiteral("OK"));
            printJson(o);
        } else {
            printOut(QString::fromUtf8(readingText(r.reading)).trimmed());
        }
        return ExitOk;
    case ReadResult::ConnectionError:
        return readFailed(c, QStringLiteral("Connection error"), readProblem(r, QStringLiteral("READ="), options),
                          ExitConnectionError);
    default:
        return readFailed(c, QStringLiteral("Data error"), readProblem(r, QStringLiteral("READ="), options),
                          ExitDataError);
    }
}

int setting(CliContext &c)
{
    const QString &command = c.options.command;
    const QStringList &arguments = c.options.arguments;
    if (const int code = c.openPort())
        return code;
    c.recordJournal(JournalSource::Cli);
    BoardReply *reply = nullptr;
    if (command == QLatin1String("brightness")) {
        reply = c.service.setBrightness(brightnessCommandCode(
            brightnessChoice(arguments.first()), SettingsStore::storedAutomaticMode(c.settingsPath, true)));
    } else if (command == QLatin1String("lighting")) {
        reply = c.service.setLighting(lightingCommandCode(lightingChoice(arguments.first()),
                                                          SettingsStore::storedAutomaticMode(c.settingsPath, false)));
    } else {
        // Checked by the argument parser; taken when the command goes out, so "now" is that moment.
        c.service.setClock([arguments] { return *clockTime(arguments); });
        reply = c.service.setClock();
    }
    const auto [result, sent] = c.await(reply, [](BoardReply *r) { return std::pair(r->exchange(), r->command()); });
    warnOfJournal(c);
    const SettingOutcome outcome = settingOutcome(result, sent, c.exchangeOptions());
    if (outcome.reason.isEmpty())
        printOut(outcome.outcome);
    else
        printErr(outcome.outcome + QStringLiteral(": ") + outcome.reason);
    return outcome.exitCode;
}

// Whether a port opens now, in a few words.
QString portState(const QString &name)
{
    QtSerialLink link;
    PortAccess access(link);
    const PortOpen opened = access.open(name, QStringLiteral("9600"));
    access.close();
    switch (opened.outcome) {
    case PortOpen::Opened:
        return QStringLiteral("opens");
    default:
        return opened.message;
    }
}

// The port scan of the settings dialog: stable by-id names first, each with the device it
// points to now, whether it opens, and what the device says of itself.
int ports(CliContext &c)
{
    const QList<PortNames::PortEntry> entries = PortNames::systemPortScan(c.settings.port);
    if (entries.isEmpty())
        printErr(QStringLiteral("no serial port found"));
    for (const PortNames::PortEntry &e : entries) {
        QString line = e.name;
        if (e.device.isEmpty())
            line += QStringLiteral(" -> (nothing: unplugged?)");
        else if (e.device != e.name)
            line += QStringLiteral(" -> ") + e.device;
        line += QStringLiteral("\t") + (e.device.isEmpty() ? QStringLiteral("absent") : portState(e.name));
        if (!e.description.isEmpty())
            line += QStringLiteral("\t") + e.description;
        if (e.name == c.settings.port)
            line += QStringLiteral("\t(the settings' port)");
        printOut(line);
    }
    return ExitOk;
}

// The commands by name; a new command is one more row (and its name in CliOptions).
const struct {
    const char *name;
    int (*run)(CliContext &);
} CommandTable[] = {
    {"upload", upload}, {"read", read},   {"brightness", setting}, {"lighting", setting},
    {"clock", setting}, {"watch", runWatch}, {"ports", ports},      {"settings", runSettings},
};

} // namespace

int prepare(CliContext &c)
{
    const CliOptions &o = c.options;
    c.settingsPath = o.settingsPath.isEmpty() ? currentProgramPaths().settingsFile : o.settingsPath;
    // A file the operator names must be there, unless the settings command is to create it.
    const bool mustExist = !o.settingsPath.isEmpty() && o.command != QLatin1String("settings");
    if (!loadSettings(c, mustExist))
        return ExitFileError;
    c.settings.port = portFromArgument(c.settings.port);
    if (o.port)
        c.settings.port = *o.port;
    if (o.baud)
        c.settings.baudRate = *o.baud;
    if (o.checksums)
        c.settings.checksums = *o.checksums;
    if (o.attempts)
        c.settings.attempts = *o.attempts;
    if (o.timeoutMs)
        c.settings.timeoutMs = *o.timeoutMs;

    if (!o.logPath.isEmpty()) {
        QString error;
        if (!c.log.open(o.logPath, &error)) {
            printErr(error);
            return ExitFileError;
        }
        c.log.attach(c.session);
    }
    c.model.setProgram(c.settings);
    // The port stays open for a whole command (for one upload of the watch), so no other program
    // gets between an upload and its read-back; it is opened again only after the line broke.
    c.service.setPortSelection([&c] {
        if (c.link.state() != SerialLink::State::Open)
            c.port.open(c.settings.port, c.settings.baudRate);
    });
    return ExitOk;
}

int runCommand(CliContext &c)
{
    for (const auto &command : CommandTable) {
        if (c.options.command == QLatin1String(command.name))
            return command.run(c);
    }
    return ExitUsage;   // the parser lets no other name through
}
