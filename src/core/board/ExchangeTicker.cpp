#include "core/board/ExchangeTicker.h"

QtExchangeTicker::QtExchangeTicker(QObject *parent) : ExchangeTicker(parent)
{
    // A coarse timer may come up to 5 % late; the time-out is counted in ticks.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const int passed = m_timer.interval();
        if (passed != m_interval)
            m_timer.setInterval(m_interval);   // the quiet stretch is over
        emit ticked(passed);
    });
}

void QtExchangeTicker::start(int intervalMs)
{
    m_interval = intervalMs;
    m_timer.start(intervalMs);
}

void QtExchangeTicker::quietFor(int ms)
{
    if (m_timer.isActive() && ms > m_interval)
        m_timer.start(ms);
}

void VirtualTicker::start(int intervalMs)
{
    m_interval = intervalMs;
    m_active = true;
}

void VirtualTicker::advance()
{
    if (m_active)
        emit ticked(m_interval);
    emit passed(m_interval);
}
