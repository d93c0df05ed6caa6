#pragma once
// The clock of an exchange's wait: a tick at a fixed interval while a reply is awaited, and the
// pause until something happens. The session counts time in these ticks, not from a clock, so
// tests can drive it on virtual time.
#include <QObject>
#include <QTimer>

class ExchangeTicker : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Returns once something may have happened: bytes came, a tick fired, other events ran.
    virtual void waitForEvents() = 0;

signals:
    void ticked(int intervalMs);
};

// Real time: a precise QTimer, and a wait that handles the application's events meanwhile, so
// the windows stay alive; the port's bytes and the timer wake it.
class QtExchangeTicker : public ExchangeTicker {
    Q_OBJECT
public:
    explicit QtExchangeTicker(QObject *parent = nullptr);
    void start(int intervalMs) override;
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }
    void waitForEvents() override;

private:
    QTimer m_timer;
};

// Virtual time: every wait is one interval. The tick goes first, then passed(), so a fake link
// delivers what is due by then: a reply counts the tick it came in, and one that comes with the
// tick that ends the wait is too late.
class VirtualTicker : public ExchangeTicker {
    Q_OBJECT
public:
    using ExchangeTicker::ExchangeTicker;
    void start(int intervalMs) override;
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }
    void waitForEvents() override;

signals:
    void passed(int ms);

private:
    int m_interval = 10;
    bool m_active = false;
};
