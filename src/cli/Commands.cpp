#include "cli/Commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>

#include "cli/Choices.h"
#include "cli/Output.h"
#include "cli/ReadingReport.h"
#include "cli/Upload.h"
#include "cli/Watch.h"
#include "core/files/DataFile.h"
#include "core/services/DataFileUploader.h"
#include "core/files/ProgramPaths.h"
#include "core/settings/SettingsStore.h"

int prepare(CliContext &c)
{
    const CliOptions &o = c.options;
    c.settingsPath = o.settingsPath.isEmpty() ? currentProgramPaths().settingsFile : o.settingsPath;
    QFile file(c.settingsPath);
    if (file.open(QIODevice::ReadOnly)) {
        file.close();
        c.settings = SettingsStore::loadProgram(c.settingsPath);
    } else {
        printErr(QStringLiteral("warning: cannot read the settings file %1 (%2); using the defaults")
                     .arg(c.settingsPath, file.errorString()));
        c.settings = ProgramSettings();
    }
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
    c.operations.setPortSelection([&c] {
        if (c.link.state() != SerialLink::State::Open)
            c.port.open(c.settings.port, c.settings.baudRate);
    });
    return ExitOk;
}

namespace {

int upload(CliContext &c)
{
    QList<QByteArray> lines;
    if (c.options.arguments.size() == 10) {
        for (const QString &figure : c.options.arguments)
            lines << figure.toLatin1();
    } else {
        QByteArray content;
        QString error;
        if (!DataFile::readFile(c.dataFilePath(), content, &error)) {
            printErr(QStringLiteral("cannot read the data file %1: %2").arg(c.dataFilePath(), error));
            return ExitFileError;
        }
        // An empty file is one caught while another program rewrites it, or one left empty by
        // mistake: either way ten blanks are not what the board should show.
        if (content.isEmpty()) {
            printOut(QStringLiteral("Data error"));
            printErr(QStringLiteral("the data file %1 is empty; nothing is uploaded").arg(c.dataFilePath()));
            return ExitDataError;
        }
        lines = DataFile::splitLines(content);
    }
    const QStringList texts = c.operations.uploadTexts(figuresFromDataLines(lines, c.settings));

    if (const int code = c.openPort())
        return code;
    const ExchangeOptions options = c.exchangeOptions();
    const UploadResult result = c.await<UploadResult>(&BoardOperations::uploadFinished,
                                                      [&] { c.operations.requestUpload(texts); });
    printOut(uploadOutcomeText(result));
    if (result.outcome != UploadResult::SentOk)
        printErr(uploadProblem(result, options, texts));
    return uploadExitCode(result);
}

int read(CliContext &c)
{
    const ExchangeOptions options = c.exchangeOptions();
    if (options.oneWay) {
        printOut(QStringLiteral("Connection error"));
        printErr(QStringLiteral("the one-way link is on (Replys=1): the board does not answer"));
        return ExitConnectionError;
    }
    if (const int code = c.openPort())
        return code;
    const ReadResult r = c.await<ReadResult>(&BoardOperations::readFinished, [&] { c.operations.requestRead(); });
    switch (r.outcome) {
    case ReadResult::ReadOk:
        if (c.options.json)
            printOut(QString::fromUtf8(QJsonDocument(readingJson(r.reading)).toJson(QJsonDocument::Indented)).trimmed());
        else
            printOut(QString::fromUtf8(readingText(r.reading)).trimmed());
        return ExitOk;
    case ReadResult::ConnectionError:
        printOut(QStringLiteral("Connection error"));
        if (r.exchange.outcome == ExchangeResult::Timeout)
            printErr(noReplyText(QStringLiteral("READ="), options));
        else
            printErr(QStringLiteral("the reply's checksum is wrong: %1").arg(QString::fromLatin1(r.exchange.reply)));
        return ExitConnectionError;
    case ReadResult::DataError:
        printOut(QStringLiteral("Data error"));
        if (r.exchange.outcome == ExchangeResult::Error)
            printErr(QStringLiteral("the board answered ERROR to READ="));
        else
            printErr(QStringLiteral("the reply does not parse: %1").arg(QString::fromLatin1(r.exchange.reply)));
        return ExitDataError;
    default:
        printOut(QStringLiteral("Data error"));
        printErr(QStringLiteral("the board answered READ= with \"%1\" instead of its values")
                     .arg(QString::fromLatin1(r.exchange.reply)));
        return ExitDataError;
    }
}

int settingOutcome(const ExchangeResult &r, const QByteArray &command, const ExchangeOptions &o)
{
    switch (r.outcome) {
    case ExchangeResult::Ok:
        printOut(QStringLiteral("OK"));
        return ExitOk;
    case ExchangeResult::Timeout:
        printOut(QStringLiteral("Connection error"));
        printErr(noReplyText(QString::fromLatin1(command), o));
        return ExitConnectionError;
    case ExchangeResult::Error:
        printOut(QStringLiteral("Data error"));
        printErr(QStringLiteral("the board answered ERROR to %1").arg(QString::fromLatin1(command)));
        return ExitDataError;
    default:
        printOut(QStringLiteral("Data error"));
        printErr(QStringLiteral("the board answered %1 with \"%2\" instead of OK")
                     .arg(QString::fromLatin1(command), QString::fromLatin1(r.reply)));
        return ExitDataError;
    }
}

int setting(CliContext &c)
{
    const QString &command = c.options.command;
    const QStringList &arguments = c.options.arguments;
    if (const int code = c.openPort())
        return code;
    ExchangeResult result;
    QByteArray sent;
    bool done = false;
    QObject::connect(&c.operations, &BoardOperations::settingFinished,
                     [&](BoardOperations::Kind, const QByteArray &text, const ExchangeResult &r) {
                         sent = text;
                         result = r;
                         done = true;
                         QCoreApplication::quit();
                     });
    if (command == QLatin1String("brightness")) {
        c.operations.requestBrightness(brightnessCommandCode(
            brightnessChoice(arguments.first()), SettingsStore::storedAutomaticMode(c.settingsPath, true)));
    } else if (command == QLatin1String("lighting")) {
        c.operations.requestLighting(lightingCommandCode(lightingChoice(arguments.first()),
                                                         SettingsStore::storedAutomaticMode(c.settingsPath, false)));
    } else {
        // Checked by the argument parser; taken when the command goes out, so "now" is that moment.
        c.operations.setClock([arguments] { return *clockTime(arguments); });
        c.operations.requestClock();
    }
    CliContext::runUntil(done);
    return settingOutcome(result, sent, c.exchangeOptions());
}

} // namespace

int runCommand(CliContext &c)
{
    const QString &command = c.options.command;
    if (command == QLatin1String("upload"))
        return upload(c);
    if (command == QLatin1String("read"))
        return read(c);
    if (command == QLatin1String("watch"))
        return runWatch(c);
    return setting(c);
}
