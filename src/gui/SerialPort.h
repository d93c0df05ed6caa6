#pragma once
// The serial port: the one port handle, opening and closing, one-byte reads and writes.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

class SerialPort : public QObject {
    Q_OBJECT
public:
    enum class State { None, Failed, Open };   // not opened, failed to open, open
    explicit SerialPort(QObject *parent = nullptr);
    ~SerialPort() override;

    State state() const { return m_state; }
    // Opens and configures the port (8 data bits, one stop bit, the parity text, no flow
    // control, RTS then DTR raised). Any port open before is closed first.
    State open(const QString &name, const QString &baud, const QString &parity);
    // Drops DTR and RTS, discards input, closes; the state becomes None.
    void close();
    // Discards output then input, then writes the bytes one at a time.
    void writeCommand(const QByteArray &bytes);
    // Reads one byte when one is waiting; otherwise waits about 1 ms for one.
    bool readByte(char &out);
    // Reads one byte only when one is already buffered (no wait).
    bool readBufferedByte(char &out);
    // The device path of a port name: "/..." as it is; "COMn" -> /dev/ttyS(n-1) on Linux.
    static QString devicePath(const QString &name);
    QSerialPort *serial() const { return m_port; }

    // Read and resource errors seen since the port was last opened (the first one closes it).
    int errorCount() const { return m_errors; }

signals:
    // Bytes came in and are buffered (also wakes a waiting exchange).
    void bytesArrived();

private:
    void onError(int error);
    // Closes a port that reported a read or resource error; the state becomes Failed.
    void failIfBroken();
    QSerialPort *m_port = nullptr;
    State m_state = State::None;
    bool m_broken = false;
    int m_errors = 0;
};
