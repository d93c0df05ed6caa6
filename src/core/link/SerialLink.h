#pragma once
// The serial line to the board as the rest of the core sees it: one port that is opened with a
// name, a speed and a parity, written a command at a time and read a byte at a time.
#include <QByteArray>
#include <QObject>
#include <QString>

class SerialLink : public QObject {
    Q_OBJECT
public:
    // Closed: never opened, or closed. Failed: the last open failed, or the port broke while
    // open (the other end hung up). Open: ready for reads and writes.
    enum class State { Closed, Failed, Open };

    using QObject::QObject;

    // Opens and configures the port, closing any port open before. `baud` and `parity` are the
    // texts the operator chose ("9600"; "None", "Odd", "Even", "Mark", "Space").
    virtual State open(const QString &name, const QString &baud, const QString &parity) = 0;
    // Drops the modem lines, discards input and closes; the state becomes Closed.
    virtual void close() = 0;
    virtual State state() const = 0;
    // Discards pending output, then pending input, then writes the bytes. Does nothing unless open.
    virtual void write(const QByteArray &bytes) = 0;
    // Takes one byte when one is already buffered; never waits.
    virtual bool readBufferedByte(char &out) = 0;
    // Read and resource errors seen since the port was last opened.
    virtual int errorCount() const = 0;
    // Why the last open failed, in the operator's words (empty when it did not, or unknown).
    virtual QString lastOpenError() const { return {}; }

signals:
    // Bytes came in and are buffered.
    void bytesArrived();
};
