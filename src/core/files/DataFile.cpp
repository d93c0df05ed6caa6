#include "core/files/DataFile.h"

#include <QFile>
#include <QSaveFile>

namespace DataFile {

QByteArray compose(const QStringList &figures)
{
    QByteArray out;
    for (int k = 0; k < 10; ++k) {
        out += figures.value(k).toLatin1();
        out += "\r\n";
    }
    return out;
}

QList<QByteArray> splitLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    int start = 0;
    while (start < content.size() && lines.size() < 10) {
        int end = content.indexOf('\n', start);
        const int next = end < 0 ? content.size() : end + 1;
        if (end < 0)
            end = content.size();
        QByteArray line = content.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        lines.append(line);
        start = next;
    }
    return lines;
}

bool looksIncomplete(const QByteArray &content)
{
    return !content.endsWith('\n') || content.count('\n') < 10;
}

bool PollMemory::takes(const QByteArray &content)
{
    const bool readBefore = m_last == content;
    m_last = content;
    return readBefore || !looksIncomplete(content);
}

namespace {

bool openWithRetry(QFile &file, QIODevice::OpenMode mode)
{
    return file.open(mode) || file.open(mode);
}

// Writing over the old content: a reader may see a partial file, so this is only the
// way out when no new file can be put in the folder.
bool writeInPlace(const QString &path, const QByteArray &data, QString *error)
{
    QFile file(path);
    if (!openWithRetry(file, QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        file.close();
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

bool writeFileSafely(const QString &path, const QByteArray &data, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeInPlace(path, data, error); // the folder takes no temporary file
    if (file.write(data) != data.size()) {
        // Out of space or similar: the old file is still intact, keep it so.
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (file.commit())
        return true;
    if (file.error() == QFileDevice::RenameError)
        return writeInPlace(path, data, error); // the old file cannot be replaced
    if (error)
        *error = file.errorString();
    return false;
}

bool readFile(const QString &path, QByteArray &data, QString *error)
{
    QFile file(path);
    if (!openWithRetry(file, QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    data = content;
    return true;
}

} // namespace DataFile
