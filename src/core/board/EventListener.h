#pragma once
// The lines the board sends on its own between commands: event lines with its temperature,
// brightness level and lighting state, and the modem's answers. Polled once a second.
#include <QByteArray>
#include <QObject>

class BoardSession;

class EventListener : public QObject {
    Q_OBJECT
public:
    // The session is not owned; its line assembler is shared with the exchanges.
    explicit EventListener(BoardSession *session, QObject *parent = nullptr);

    // While paused a poll reads nothing; the bytes wait for the next command, which discards them.
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }

    // Reads the bytes the link has buffered, without waiting for more (a line not yet complete
    // is finished by a later poll). Every completed line that is not empty is reported; an
    // "EVENT " line (with checksums on, only one whose sum is right) also gives its values.
    // Does nothing during an exchange, which reads the link itself.
    void poll(bool checksums);

signals:
    void lineReceived(const QByteArray &line);
    // Fields the line does not reach are empty.
    void eventReceived(const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting);

private:
    BoardSession *m_session;
    bool m_paused = false;
};
