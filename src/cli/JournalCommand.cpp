#include "cli/JournalCommand.h"

#include <cstdio>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CliOptions.h"
#include "cli/Output.h"
#include "core/files/ProgramPaths.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalPlace.h"

namespace {

constexpr int Figures = 10;

void write(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

// A JSON string as QJsonDocument writes it: UTF-8, control characters, quotes and backslashes
// escaped.
void appendJsonString(QByteArray &out, const QString &text)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (uchar(c) < 0x20)
                out += QByteArray("\\u00") + hex[uchar(c) >> 4] + hex[uchar(c) & 15];
            else
                out += c;
        }
    }
    out += '"';
}

// One record of a JSON array as QJsonDocument indents it there (keys sorted, four spaces a
// level), written directly: building a QJsonObject for each of a million records took twice
// the time.
QByteArray indentedJson(const JournalRecord &r)
{
    QByteArray out = "    {\n";
    const auto key = [&out](const char *name) { out += "        \""; out += name; out += "\": "; };
    const auto text = [&](const char *name, const QString &value) {
        key(name);
        appendJsonString(out, value);
        out += ",\n";
    };
    const auto list = [&](const char *name, const QStringList &values) {
        key(name);
        out += "[\n";
        for (qsizetype k = 0; k < values.size(); ++k) {
            out += "            ";
            appendJsonString(out, values[k]);
            out += k + 1 < values.size() ? ",\n" : "\n";
        }
        out += "        ],\n";
    };
    list("board", r.boardFigures);
    text("board_id", r.boardId);
    text("command", r.command);
    text("finished", journalTimeText(r.finished));
    text("kind", r.kind);
    text("outcome", r.outcome);
    text("port", r.board);
    text("reason", r.reason);
    text("request", r.request);
    list("sent", r.sent);
    text("source", r.source);
    text("started", journalTimeText(r.started));
    out.chop(2);   // the last member's comma
    return out + "\n    }";
}

QString recordLine(const JournalRecord &r)
{
    QString line = journalTimeText(r.started) + QLatin1Char(' ') + r.kind + QLatin1Char(' ') + r.outcome;
    if (!r.source.isEmpty())
        line += QStringLiteral(" from ") + r.source;
    if (!r.board.isEmpty())
        line += QStringLiteral(" on ") + r.board;
    if (!r.boardId.isEmpty())
        line += QStringLiteral(" (") + r.boardId + QLatin1Char(')');
    if (!r.request.isEmpty())
        line += QStringLiteral(" request ") + r.request;
    if (!r.sent.isEmpty())
        line += QStringLiteral(" sent ") + textsInBrackets(r.sent);
    if (!r.boardFigures.isEmpty())
        line += QStringLiteral(" board ") + textsInBrackets(r.boardFigures);
    if (!r.command.isEmpty())
        line += QStringLiteral(" command ") + r.command;
    if (!r.reason.isEmpty())
        line += QStringLiteral(": ") + r.reason;
    // A record is one line whatever its texts hold.
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    return line;
}

// What was known of the board's figures at --at, from the journal's truth changes.
int printTruth(const Journal &journal, const CliOptions &o)
{
    const QDateTime at = *journalTime(o.at);
    QString error;
    const std::optional<JournalTruth> truth = journal.truthAt(at, &error);
    if (!error.isEmpty()) {
        printErr(QStringLiteral("cannot read the journal %1: %2").arg(journal.path(), error));
        return ExitFileError;
    }
    const bool doubt = truth && truth->known == QLatin1String("in-doubt");
    const QString text = truth ? journalTruthText(*truth, journalTimeText)
                               : QStringLiteral("nothing recorded of the board's figures by %1").arg(journalTimeText(at));
    if (o.json) {
        // "board" holds figures only when they are known; in doubt, "either" holds the two.
        QJsonObject j{{QStringLiteral("at"), journalTimeText(at)}};
        j.insert(QStringLiteral("since"), truth ? QJsonValue(journalTimeText(truth->since)) : QJsonValue());
        j.insert(QStringLiteral("board"), QJsonArray::fromStringList(truth && !doubt ? truth->figures : QStringList()));
        j.insert(QStringLiteral("source"), truth ? truth->source : QString());
        j.insert(QStringLiteral("request"), truth ? truth->request : QString());
        j.insert(QStringLiteral("port"), truth ? truth->board : QString());
        j.insert(QStringLiteral("known"), truth ? truth->known : QStringLiteral("unknown"));
        j.insert(QStringLiteral("changed"), truth ? QJsonValue(journalTimeText(truth->at)) : QJsonValue());
        j.insert(QStringLiteral("checked"), truth && truth->checked.isValid() ? QJsonValue(journalTimeText(truth->checked)) : QJsonValue());
        j.insert(QStringLiteral("sent"), QJsonArray::fromStringList(truth ? truth->sent : QStringList()));
        if (doubt)
            j.insert(QStringLiteral("either"), QJsonArray{QJsonArray::fromStringList(truth->figures), QJsonArray::fromStringList(truth->sent)});
        j.insert(QStringLiteral("reason"), truth ? truth->reason : QString());
        j.insert(QStringLiteral("text"), text);
        printOut(QString::fromUtf8(QJsonDocument(j).toJson(QJsonDocument::Indented)).trimmed());
        return ExitOk;
    }
    QString line = text;
    if (truth && !truth->source.isEmpty())
        line += QStringLiteral(" from ") + truth->source;
    if (truth && !truth->request.isEmpty())
        line += QStringLiteral(" request ") + truth->request;
    line.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    printOut(line);
    return ExitOk;
}

} // namespace

std::optional<QDateTime> journalTime(const QString &text)
{
    return journalTimeFromText(text);
}

QString cliJournalPath(const CliOptions &o)
{
    if (!o.journalPath.isEmpty())
        return o.journalPath;
    // [Journal] File= of the settings file, as the window reads it; else beside the data file.
    const ProgramPaths paths = currentProgramPaths();
    const QString settings = o.settingsPath.isEmpty() ? paths.settingsFile : o.settingsPath;
    return journalPlace(settings, paths.dataFile).file;
}

namespace {

// The last instant a --until names: a time given to the second takes in that whole second.
QDateTime untilOf(const QString &text)
{
    const QDateTime t = *journalTime(text);
    return text.contains(QLatin1Char('.')) ? t : t.addMSecs(999);
}

} // namespace

bool checkJournalArguments(const CliOptions &o, QString &error)
{
    if (!o.arguments.isEmpty()) {
        error = QStringLiteral("journal takes no arguments: %1").arg(o.arguments.join(QLatin1Char(' ')));
        return false;
    }
    const struct {
        const char *option;
        const QString &value;
    } times[] = {{"since", o.since}, {"until", o.until}, {"at", o.at}};
    for (const auto &t : times) {
        if (!t.value.isNull() && !journalTime(t.value)) {
            error = QStringLiteral("--%1 takes a time YYYY-MM-DDTHH:MM:SS[.mmm][+HH:MM|Z] (local without an offset), "
                                   "not \"%2\"")
                        .arg(QLatin1String(t.option), t.value);
            return false;
        }
    }
    if (!o.since.isNull() && !o.until.isNull() && *journalTime(o.since) > untilOf(o.until)) {
        error = QStringLiteral("--since %1 is after --until %2: the period holds no time").arg(o.since, o.until);
        return false;
    }
    if (o.json && o.csv) {
        error = QStringLiteral("journal prints either --json or --csv, not both");
        return false;
    }
    if (!o.at.isNull() && (!o.since.isNull() || !o.until.isNull() || o.csv)) {
        error = QStringLiteral("--at takes neither --since, --until nor --csv");
        return false;
    }
    return true;
}

int runJournal(const CliOptions &o)
{
    const QString path = cliJournalPath(o);
    Journal journal;
    QString error;
    // Read only: looking at the journal never creates or changes it.
    if (!journal.open(path, &error, Journal::Access::ReadOnly)) {
        printErr(QStringLiteral("cannot read the journal %1").arg(error));
        return ExitFileError;
    }
    if (!o.at.isNull())
        return printTruth(journal, o);

    const QDateTime since = o.since.isNull() ? QDateTime() : *journalTime(o.since);
    const QDateTime until = o.until.isNull() ? QDateTime() : untilOf(o.until);
    // Each record is printed as it is read: a listing of any length takes the memory of one.
    // The JSON is the array QJsonDocument would print, built a record at a time.
    bool first = true;
    if (o.json)
        write("[");
    else if (o.csv)
        write(journalCsvHeader());
    const bool read = journal.forEachRecord(since, until, [&](const JournalRecord &r) {
        if (o.json)
            write((first ? "\n" : ",\n") + indentedJson(r));
        else if (o.csv)
            write(journalCsvLine(r));
        else
            write(recordLine(r).toUtf8() + '\n');
        first = false;
    }, &error);
    if (o.json)
        write("\n]\n");
    std::fflush(stdout);
    if (!read) {
        printErr(QStringLiteral("cannot read the journal %1: %2").arg(path, error));
        return ExitFileError;
    }
    return ExitOk;
}
