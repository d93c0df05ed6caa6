#include "core/settings/ProgramSettings.h"

#include <QtGlobal>

namespace {
// A selector of `items` entries: no selection for a negative index, the last item past the end.
int selectorIndex(int index, int items)
{
    return index < 0 ? -1 : qMin(index, items - 1);
}
} // namespace

ProgramSettings withinRanges(ProgramSettings s)
{
    s.autoLoadIntervalMs = qBound(1000, s.autoLoadIntervalMs, 1000000);
    s.attempts = qBound(1, s.attempts, 10);
    s.timeoutMs = qBound(400, s.timeoutMs, 10000);
    s.productCount = qBound(1, s.productCount, 10);
    s.currencyCount = qBound(1, s.currencyCount, 5);
    s.fillMode = selectorIndex(s.fillMode, 2);
    s.boardType = selectorIndex(s.boardType, 2);
    s.digits = qBound(1, s.digits, 5);
    return s;
}
