#include "core/board/EventListener.h"

#include "core/board/BoardSession.h"
#include "core/link/SerialLink.h"
#include "core/protocol/Protocol.h"

EventListener::EventListener(BoardSession *session, QObject *parent) : QObject(parent), m_session(session) {}

void EventListener::poll(bool checksums)
{
    if (m_paused || m_session->isExchanging())
        return;
    Protocol::LineAssembler &lines = m_session->lines();
    char byte;
    // Only what has come in already: the poll never waits for the board.
    while (m_session->link()->readBufferedByte(byte)) {
        const Protocol::LineAssembler::Result r = lines.feed(byte);
        if (r == Protocol::LineAssembler::None)
            continue;
        // A line overlong for the protocol is dropped whole; either way a new line begins.
        const QByteArray line = r == Protocol::LineAssembler::Line ? lines.line() : QByteArray();
        lines.clearAll();
        if (!line.isEmpty())
            emit lineReceived(line);
        Protocol::EventValues event;
        if (Protocol::parseEvent(line, checksums, event))
            emit eventReceived(event.temperature, event.brightness, event.lighting);
    }
}
