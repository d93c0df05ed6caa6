#pragma once
// SIGTERM and SIGINT as events of the event loop: the handler only writes the signal's number
// into a pipe, which the loop reads.
#include <QObject>

class QSocketNotifier;

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    // Catches both signals from now on; false when that cannot be set up.
    bool install();

signals:
    void received(int signalNumber);

private:
    QSocketNotifier *m_notifier = nullptr;
};
