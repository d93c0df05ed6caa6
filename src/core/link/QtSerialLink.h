#pragma once
// The serial line on a QSerialPort: 8 data bits, one stop bit, no flow control, RTS and DTR
// raised while open, a 2048-byte read buffer. A port that cannot be opened says why, in the
// operator's words.
#include "core/link/SerialLink.h"

class QSerialPort;
class QTimer;

class QtSerialLink : public SerialLink {
    Q_OBJECT
public:
    explicit QtSerialLink(QObject *parent = nullptr);
    ~QtSerialLink() override;

    State open(const QString &name, const QString &baud, const QString &parity) override;
    void close() override;
    State state() const override { return m_state; }
    void write(const QByteArray &bytes) override;
    bool readBufferedByte(char &out) override;
    int errorCount() const override { return m_errors; }

    QSerialPort *port() const { return m_port; }

    // Why the last open failed; None after an open that worked.
    enum class OpenProblem { None, NoName, BadSpeed, NotPresent, Busy, NoPermission, Other };
    OpenProblem lastOpenProblem() const { return m_openProblem; }
    // The same for the operator: what is wrong and, where it can be told, who holds the port or
    // how to get the right to open it. Empty after an open that worked.
    QString lastOpenError() const override { return m_openError; }

private:
    void onError(int error);
    // Closes a port that reported a read or resource error; the state becomes Failed.
    void failIfBroken();
    State openFailed(OpenProblem problem, const QString &text);

    QSerialPort *m_port = nullptr;
    // Bytes the line has not taken yet get this long; what is still pending then is dropped.
    QTimer *m_writeTimeout = nullptr;
    State m_state = State::Closed;
    bool m_broken = false;
    int m_errors = 0;
    OpenProblem m_openProblem = OpenProblem::None;
    QString m_openError;
};
