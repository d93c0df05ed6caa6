#pragma once
// The data file: ten lines of figure text, 8-bit, CR LF.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace DataFile {

// Ten lines, each the figure text followed by CR LF.
QByteArray compose(const QStringList &figures);
// The first ten lines of a file's content; a line may end with CR LF or LF alone; lines
// after the tenth are ignored; the result holds only the lines present (at most 10).
QList<QByteArray> splitLines(const QByteArray &content);

// Writes `data` so that a reader sees either the old or the new content: a temporary file
// in the same folder replaces the old one in one step. Where that is impossible (the folder
// takes no new file, or the file cannot be replaced), the file is written in place, with
// one retry when it cannot be opened. On failure returns false and sets `error`.
bool writeFileSafely(const QString &path, const QByteArray &data, QString *error);

// Reads the whole file, retrying the open once. On failure returns false and sets `error`.
bool readFile(const QString &path, QByteArray &data, QString *error);

} // namespace DataFile
