#include "core/operations/PendingRequests.h"

void PendingRequests::put(Kind kind)
{
    m_waiting.removeIf([kind](const Request &r) { return r.kind == kind; });
    m_waiting.append(Request{kind});
}

std::optional<PendingRequests::Request> PendingRequests::take()
{
    if (m_waiting.isEmpty())
        return std::nullopt;
    return m_waiting.takeFirst();
}
