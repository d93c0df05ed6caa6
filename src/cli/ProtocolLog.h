#pragma once
// The protocol log of --log: one line per line on the wire, with a timestamp; "> " and the
// framed command without CR LF for what was sent, "< " and the line for what came back.
#include <QByteArray>
#include <QFile>
#include <QString>

class BoardSession;

class ProtocolLog {
public:
    // Appends to `path`; false with `error` set when it cannot be opened.
    bool open(const QString &path, QString *error);
    // Logs every exchange of the session from now on.
    void attach(BoardSession &session);
    void write(char direction, const QByteArray &line);

    // Bytes outside printable ASCII as \xNN, a backslash doubled: one log line per wire line.
    static QByteArray escaped(const QByteArray &line);

private:
    QFile m_file;
};

// Local time with its offset from UTC, e.g. 2024-05-01T10:00:00.123+02:00 (ISO 8601).
QString isoTimestamp(bool milliseconds);
