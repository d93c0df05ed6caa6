#pragma once
// A board service on a scripted link and virtual time, for the core tests: every slot shown,
// no checksums, the port left as it is.
#include <QByteArrayList>
#include <QTemporaryDir>

#include "core/board/ExchangeTicker.h"
#include "core/link/FakeLink.h"
#include "core/operations/BoardService.h"
#include "core/settings/SettingsModel.h"

// A READ reply: the ten figures, temperature 21.5, every other field `rest`.
inline QByteArray readLine(const QByteArray &figure, const QByteArray &rest = "0")
{
    QByteArray line = "READ=";
    for (int k = 1; k <= 32; ++k)
        line += (k <= 10 ? figure : k == 11 ? QByteArray("21.5") : rest) + ',';
    return line + "\r\n";
}

struct ServiceRig {
    QTemporaryDir dir;
    FakeLink link;
    VirtualTicker ticker;
    BoardSession session{&link, &ticker};
    SettingsModel settings{dir.filePath("settings.ini")};
    BoardService service{session, settings};

    ServiceRig()
    {
        QObject::connect(&ticker, &VirtualTicker::passed, &link, &FakeLink::advance);
        service.setPortSelection([] {});
        settings.setChecksums(false);
        for (int k = 1; k <= 10; ++k)
            settings.setShown(k, true);
    }
    // Lets virtual time pass until nothing runs or waits.
    void settle()
    {
        for (int i = 0; i < 100000 && !service.isIdle(); ++i)
            ticker.advance();
    }
    // The commands written, frames taken off.
    QByteArrayList commands() const
    {
        QByteArrayList out;
        for (const QByteArray &w : link.writes())
            out << w.left(w.indexOf(';'));
        return out;
    }
};
