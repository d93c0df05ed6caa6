#pragma once
// A scripted serial line for tests, on virtual time: each written command takes the next
// reaction of the script (reply bytes due some milliseconds later, possibly in pieces, silence,
// or a hang-up); time passes only through advance().
#include <QByteArrayList>
#include <QList>

#include "core/link/SerialLink.h"

class FakeLink : public SerialLink {
    Q_OBJECT
public:
    // A piece of the board's answer, due `afterMs` after the write; a hang-up breaks the port then.
    struct Piece {
        int afterMs = 0;
        QByteArray bytes;
        bool hangUp = false;
    };

    explicit FakeLink(QObject *parent = nullptr);

    // Script for the next write that has none yet. A write beyond the script meets silence.
    void react(const QList<Piece> &pieces);
    // The pieces arrive one per `gapMs`, the first `gapMs` after the write.
    void reply(const QByteArrayList &pieces, int gapMs = 10);
    void reply(const QByteArray &bytes) { reply(QByteArrayList{bytes}); }
    void stayQuiet() { react({}); }
    void hangUp(int afterMs = 10) { react({Piece{afterMs, {}, true}}); }
    // Bytes the board sends on its own, buffered at once.
    void inject(const QByteArray &bytes);

    // Virtual time passes: what is due by then arrives (or the port breaks).
    void advance(int ms);
    int now() const { return m_now; }

    // What went out, one entry per write made while the port was open.
    const QByteArrayList &writes() const { return m_writes; }
    QByteArray written() const { return m_writes.join(); }
    int opens() const { return m_opens; }
    // Makes later opens fail (a missing port) or succeed.
    void setOpenFails(bool fails) { m_openFails = fails; }

    State open(const QString &name, const QString &baud, const QString &parity) override;
    void close() override;
    State state() const override { return m_state; }
    void write(const QByteArray &bytes) override;
    bool readBufferedByte(char &out) override;
    int errorCount() const override { return m_errors; }

private:
    struct Due {
        int atMs;
        Piece piece;
    };
    QList<QList<Piece>> m_script;
    QList<Due> m_due;
    QByteArray m_input;
    QByteArrayList m_writes;
    State m_state = State::Open;
    int m_now = 0;
    int m_opens = 0;
    int m_errors = 0;
    bool m_openFails = false;
};
