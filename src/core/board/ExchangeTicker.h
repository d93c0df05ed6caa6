#pragma once
// The clock of an exchange's wait: a tick at a fixed interval while a reply is awaited. The
// session counts time in these ticks, not from a clock, so tests can drive it on virtual time.
#include <QObject>
#include <QTimer>

class ExchangeTicker : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Nothing the ticks drive changes before `ms` have passed: a ticker may deliver them as one
    // tick of `ms` (the sum of the intervals stays the same). By default the ticks go on as they are.
    virtual void quietFor(int ms) { Q_UNUSED(ms); }

signals:
    void ticked(int intervalMs);
};

// Real time: a precise QTimer.
class QtExchangeTicker : public ExchangeTicker {
    Q_OBJECT
public:
    explicit QtExchangeTicker(QObject *parent = nullptr);
    void start(int intervalMs) override;
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    // One timer event instead of many: a silent board's wait costs next to nothing.
    void quietFor(int ms) override;

private:
    QTimer m_timer;
    int m_interval = 10;   // the interval the ticks resume with after a quiet stretch
};

// Virtual time, passing only through advance().
class VirtualTicker : public ExchangeTicker {
    Q_OBJECT
public:
    using ExchangeTicker::ExchangeTicker;
    void start(int intervalMs) override;
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    // One interval passes: the tick (while active) goes first, then passed(), so a fake link
    // delivers what is due by then: a reply counts the tick it came in, and one that comes with
    // the tick that ends the wait is too late.
    void advance();

signals:
    void passed(int ms);

private:
    int m_interval = 10;
    bool m_active = false;
};
