#include "core/board/ExchangeTicker.h"

#include <QCoreApplication>
#include <QEventLoop>

QtExchangeTicker::QtExchangeTicker(QObject *parent) : ExchangeTicker(parent)
{
    // A coarse timer may come up to 5 % late; the time-out is counted in ticks.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { emit ticked(m_timer.interval()); });
}

void QtExchangeTicker::start(int intervalMs)
{
    m_timer.start(intervalMs);
}

void QtExchangeTicker::waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void VirtualTicker::start(int intervalMs)
{
    m_interval = intervalMs;
    m_active = true;
}

void VirtualTicker::waitForEvents()
{
    if (m_active)
        emit ticked(m_interval);
    emit passed(m_interval);
}
