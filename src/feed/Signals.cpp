#include "feed/Signals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The self-pipe: the signal handler only writes a byte; the event loop reads it.
int g_signalPipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const char byte = char(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}
#endif

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {}

bool TerminationSignals::install()
{
#ifdef Q_OS_UNIX
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        ssize_t n = 0;
        while ((n = ::read(g_signalPipe[0], buffer, sizeof buffer)) > 0) {
            for (ssize_t i = 0; i < n; ++i)
                emit received(int(buffer[i]));
        }
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
#else
    return true;
#endif
}
