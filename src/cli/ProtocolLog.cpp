#include "cli/ProtocolLog.h"

#include <QDateTime>

#include "core/board/BoardSession.h"

QString isoTimestamp(bool milliseconds)
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.toOffsetFromUtc(now.offsetFromUtc()).toString(milliseconds ? Qt::ISODateWithMs : Qt::ISODate);
}

bool ProtocolLog::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    if (error)
        *error = QStringLiteral("cannot open log file %1: %2").arg(path, m_file.errorString());
    return false;
}

void ProtocolLog::attach(BoardSession &session)
{
    QObject::connect(&session, &BoardSession::commandShown, &session,
                     [this](const QString &command) { write('>', command.toLatin1()); });
    QObject::connect(&session, &BoardSession::lineReceived, &session,
                     [this](const QByteArray &line) { write('<', line); });
}

void ProtocolLog::write(char direction, const QByteArray &line)
{
    if (!m_file.isOpen())
        return;
    // Flushed line by line: the log is complete up to the moment the program is stopped.
    m_file.write(isoTimestamp(true).toLatin1() + ' ' + direction + ' ' + escaped(line) + '\n');
    m_file.flush();
}

QByteArray ProtocolLog::escaped(const QByteArray &line)
{
    QByteArray out;
    out.reserve(line.size());
    for (const char c : line) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (u < 0x20 || u >= 0x7f)
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}
