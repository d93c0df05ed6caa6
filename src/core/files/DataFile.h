#pragma once
// The data file: ten lines of figure text, 8-bit, CR LF.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace DataFile {

// Ten lines, each the figure text followed by CR LF.
QByteArray compose(const QStringList &figures);
// The first ten lines of a file's content; a line may end with CR LF or LF alone; lines
// after the tenth are ignored; the result holds only the lines present (at most 10).
QList<QByteArray> splitLines(const QByteArray &content);

// True when the content may be a file caught while another program rewrites it in place: empty,
// fewer than ten lines, or a last line without its line end.
bool looksIncomplete(const QByteArray &content);

// What a poll of the file read the time before. A content that looks incomplete is taken only
// when two polls in a row read the same bytes: a file caught in the middle of a rewrite is left
// for the next poll, and one that is short on purpose is taken one poll later.
class PollMemory {
public:
    // Whether the poll takes the content it has just read. A complete content is taken at once.
    bool takes(const QByteArray &content);
    // The poll could not read the file: the next content counts as seen for the first time.
    void forget() { m_last.reset(); }

private:
    std::optional<QByteArray> m_last;
};

// Writes `data` so that a reader sees either the old or the new content: a temporary file
// in the same folder replaces the old one in one step. Where that is impossible (the folder
// takes no new file, or the file cannot be replaced), the file is written in place, with
// one retry when it cannot be opened. On failure returns false and sets `error`.
bool writeFileSafely(const QString &path, const QByteArray &data, QString *error);

// Reads the whole file, retrying the open once. On failure returns false and sets `error`.
bool readFile(const QString &path, QByteArray &data, QString *error);

} // namespace DataFile
