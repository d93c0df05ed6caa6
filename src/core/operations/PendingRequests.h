#pragma once
// The operator's requests that arrived while the board was busy with another exchange. Each
// kind waits at most once: a newer request of a kind replaces the waiting one (the latest
// wins) and goes to the back. They are carried out in order once the exchange has ended.
#include <QList>
#include <optional>

class PendingRequests {
public:
    enum class Kind { ControllerSettings };
    struct Request {
        Kind kind;
    };

    void put(Kind kind);
    std::optional<Request> take();   // the one that waited longest
    bool isEmpty() const { return m_waiting.isEmpty(); }
    void clear() { m_waiting.clear(); }

private:
    QList<Request> m_waiting;
};
