#pragma once
// The serial port: the one port handle, opening and closing, one-byte reads and writes.
#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

class CommPort : public QObject {
    Q_OBJECT
public:
    enum class State { None, Failed, Open };   // Port_Handle: 0, invalid, open
    explicit CommPort(QObject *parent = nullptr);
    ~CommPort() override;

    State Port_Handle() const { return m_state; }
    // Opens and configures the port (8 data bits, one stop bit, the parity text, no flow
    // control, RTS then DTR raised). Any port open before is closed first.
    State Open_Port(const QString &name, const QString &baud, const QString &parity);
    // Drops DTR and RTS, discards input, closes; the state becomes None.
    void Close_Port();
    // Discards output then input, then writes the bytes one at a time.
    void Write_Command(const QByteArray &bytes);
    // Reads one byte when one is waiting; otherwise waits about 1 ms for one.
    bool Read_Byte(char &out);
    // Reads one byte only when one is already buffered (no wait).
    bool Read_Buffered_Byte(char &out);
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
