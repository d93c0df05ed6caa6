#include "core/link/FakeLink.h"

FakeLink::FakeLink(QObject *parent) : SerialLink(parent) {}

void FakeLink::react(const QList<Piece> &pieces)
{
    m_script.append(pieces);
}

void FakeLink::reply(const QByteArrayList &pieces, int gapMs)
{
    QList<Piece> script;
    for (int i = 0; i < pieces.size(); ++i)
        script.append(Piece{gapMs * (i + 1), pieces[i], false});
    react(script);
}

void FakeLink::inject(const QByteArray &bytes)
{
    if (m_state != State::Open)
        return;
    m_input += bytes;
    emit bytesArrived();
}

void FakeLink::advance(int ms)
{
    m_now += ms;
    bool arrived = false;
    while (!m_due.isEmpty() && m_due.first().atMs <= m_now) {
        const Piece piece = m_due.takeFirst().piece;
        if (m_state != State::Open)
            continue;
        if (piece.hangUp) {
            ++m_errors;
            m_input.clear();
            m_state = State::Failed;
            continue;
        }
        m_input += piece.bytes;
        arrived = true;
    }
    if (arrived)
        emit bytesArrived();
}

SerialLink::State FakeLink::open(const QString &, const QString &, const QString &)
{
    ++m_opens;
    m_input.clear();
    m_errors = 0;
    return m_state = m_openFails ? State::Failed : State::Open;
}

void FakeLink::close()
{
    m_input.clear();
    m_state = State::Closed;
}

void FakeLink::write(const QByteArray &bytes)
{
    if (m_state != State::Open)
        return;
    m_input.clear();
    m_writes.append(bytes);
    if (m_script.isEmpty())
        return;
    for (const Piece &piece : m_script.takeFirst()) {
        // Kept in order of arrival; pieces due at the same moment keep their script order.
        const int at = m_now + piece.afterMs;
        int i = m_due.size();
        while (i > 0 && m_due[i - 1].atMs > at)
            --i;
        m_due.insert(i, Due{at, piece});
    }
}

bool FakeLink::readBufferedByte(char &out)
{
    if (m_state != State::Open || m_input.isEmpty())
        return false;
    out = m_input.front();
    m_input.remove(0, 1);
    return true;
}
