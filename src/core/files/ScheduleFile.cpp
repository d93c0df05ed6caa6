#include "core/files/ScheduleFile.h"
#include "core/text/Numbers.h"

#include <QFile>
#include <QList>

namespace {

// Lines end with CR LF, LF or CR; a final line end adds no empty line.
QList<QByteArray> splitScheduleLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    int start = 0;
    const int n = content.size();
    while (start < n) {
        int end = start;
        while (end < n && content[end] != '\r' && content[end] != '\n')
            ++end;
        lines.append(content.mid(start, end - start));
        if (end < n && content[end] == '\r' && end + 1 < n && content[end + 1] == '\n')
            end += 2;
        else if (end < n)
            end += 1;
        start = end;
    }
    return lines;
}

// Characters `from`..`from + 1` (1-based) as a whole number.
bool fieldValue(const QByteArray &line, int from, int &out, QString &message)
{
    const QByteArray text = line.mid(from - 1, 2);
    qint32 v;
    if (!tryStrToInt(text, v)) {
        message = notValidIntegerMessage(QString::fromLocal8Bit(text));
        return false;
    }
    out = v;
    return true;
}

int wrapIntoDay(qint64 minutes)
{
    return int(((minutes % 1440) + 1440) % 1440);
}

} // namespace

ScheduleLookup lookupSchedule(const QString &path, const QString &displayPath, const QDate &today,
                              int firstCorrection, int secondCorrection)
{
    ScheduleLookup result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = ScheduleLookup::Failed;
        result.message = QStringLiteral("Cannot open file \"%1\". %2").arg(displayPath, file.errorString());
        return result;
    }
    const QByteArray content = file.readAll();
    file.close();

    const QByteArray todayText = today.toString(QStringLiteral("MM.dd")).toLatin1();
    const QList<QByteArray> lines = splitScheduleLines(content);
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        int h1, m1, h2, m2;
        if (!fieldValue(line, 7, h1, result.message) || !fieldValue(line, 10, m1, result.message)
            || !fieldValue(line, 16, h2, result.message) || !fieldValue(line, 19, m2, result.message)) {
            result.status = ScheduleLookup::Failed;
            return result;
        }
        const int first = wrapIntoDay(qint64(h1) * 60 + m1 + firstCorrection);
        const int second = wrapIntoDay(qint64(h2) * 60 + m2 + secondCorrection);
        if (line.left(5) == todayText) {
            result.status = ScheduleLookup::Found;
            result.first = first;
            result.second = second;
            return result;
        }
    }
    return result;
}
