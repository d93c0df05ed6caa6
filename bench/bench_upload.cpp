// Upload benchmark: the real upload ("SEND=" and the verifying "READ=") against the simulator
// pacing at 9600 and 19200 baud. Prints, per speed, the median wall time of one upload, the
// wire time of the bytes exchanged (10 bits a byte), their ratio and the tool's CPU time; then
// the CPU of a 10 s wait for a board that never answers.
//
//   bench_upload [uploads per speed, default 20]
#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QEventLoop>
#include <QProgressBar>
#include <QTimer>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "../tests/common/TestApp.h"
#include "core/board/BoardSession.h"

namespace {

double cpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    const int n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

double maximum(const QList<double> &v) { return v.isEmpty() ? 0 : *std::max_element(v.begin(), v.end()); }

class SimProcess {
public:
    bool start(int baud)
    {
        proc.start(QStringLiteral(BOARD_SIM_PATH),
                   {"--quit-on-eof", "--pace", "--baud", QString::number(baud)});
        const QByteArray first = line(10000);
        if (!first.startsWith("PORT "))
            return false;
        port = QString::fromLocal8Bit(first.mid(5).trimmed());
        return true;
    }
    ~SimProcess()
    {
        proc.closeWriteChannel();
        if (!proc.waitForFinished(3000))
            proc.kill();
    }
    QByteArray line(int timeoutMs)
    {
        QElapsedTimer t;
        t.start();
        while (!proc.canReadLine() && t.elapsed() < timeoutMs)
            proc.waitForReadyRead(20);
        return proc.canReadLine() ? proc.readLine().trimmed() : QByteArray();
    }
    // Bytes received and sent by the board so far.
    bool counters(qint64 &rx, qint64 &tx)
    {
        proc.write("status\n");
        for (;;) {
            const QByteArray l = line(5000);
            if (l.isEmpty())
                return false;
            if (!l.startsWith("STATUS "))
                continue;
            static const QRegularExpression re(QStringLiteral("rx=(\\d+) tx=(\\d+)"));
            const auto m = re.match(QString::fromLatin1(l));
            if (!m.hasMatch())
                return false;
            rx = m.captured(1).toLongLong();
            tx = m.captured(2).toLongLong();
            line(5000);   // its "CTL OK status"
            return true;
        }
    }
    QProcess proc;
    QString port;
};

bool runSpeed(int baud, int uploads)
{
    SimProcess sim;
    if (!sim.start(baud)) {
        std::fprintf(stderr, "simulator did not start\n");
        return false;
    }
    const QByteArray ini = "[Settings]\r\nBaudRAte=" + QByteArray::number(baud) + "\r\nPort_Number="
                           + sim.port.toLocal8Bit()
                           + "\r\nAuto_Load=0\r\nSend_If_Changed=0\r\nAttempts=1\r\nTimeout_for_command=3000\r\n"
                             "Manage_Checksumms=1\r\n[Tablo]\r\nBoard_type=0\r\nDigits=5\r\nFill_char=0\r\nReplys=0\r\n";
    TestApp t(ini);
    t.startUp();
    MainWindow *mainWindow = t.app->mainWindow;

    QList<double> wall, cpu, wire, turnaround;
    // OK -> READ=: from the upload's "OK" line, taken in the same call as its last byte, to the
    // read-back's command.
    QElapsedTimer sinceStart;
    sinceStart.start();
    qint64 lastLine = 0;
    QObject::connect(t.app->boardSession, &BoardSession::lineReceived, mainWindow,
                     [&] { lastLine = sinceStart.nsecsElapsed(); });
    QObject::connect(t.app->boardSession, &BoardSession::commandShown, mainWindow, [&](const QString &command) {
        if (command.startsWith(QLatin1String("READ=")) && lastLine)
            turnaround << (sinceStart.nsecsElapsed() - lastLine) / 1e6;
    });
    for (int i = -1; i < uploads; ++i) {   // one warm-up upload first
        qint64 rx0, tx0, rx1, tx1;
        if (!sim.counters(rx0, tx0))
            return false;
        QElapsedTimer clock;
        const double c0 = cpuMs();
        clock.start();
        bool ended = false;
        whenFinished(mainWindow->requestUpload(QStringLiteral("write-button")), mainWindow,
                     [&ended](BoardReply *) { ended = true; });
        while (!ended)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double w = clock.nsecsElapsed() / 1e6;
        const double c = cpuMs() - c0;
        if (mainWindow->statusPanels->panelText(0) != QStringLiteral("Sent OK")) {
            std::fprintf(stderr, "upload %d at %d baud ended in \"%s\"\n", i, baud,
                         qPrintable(mainWindow->statusPanels->panelText(0)));
            return false;
        }
        if (!sim.counters(rx1, tx1))
            return false;
        if (i < 0)
            continue;
        wall << w;
        cpu << c;
        wire << double((rx1 - rx0) + (tx1 - tx0)) * 10.0 * 1000.0 / baud;
    }
    const double mw = median(wall), mwire = median(wire), mc = median(cpu);
    turnaround.removeFirst();   // the warm-up's
    std::printf("%6d baud: %d uploads, median wall %.1f ms (slowest %.1f), wire %.1f ms (%.0f bytes), "
                "ratio %.3f, CPU %.2f ms per upload, OK -> READ= %.2f ms (slowest %.2f)\n",
                baud, uploads, mw, maximum(wall), mwire, mwire * baud / 10000.0, mw / mwire, mc,
                median(turnaround), maximum(turnaround));
    std::fflush(stdout);
    return true;
}

// A read of a board that never answers, with a 10 s time-out: the CPU the program spends while
// it waits (the tick of the wait, the progress bar).
bool runSilentWait(bool shown)
{
    SimProcess sim;
    if (!sim.start(9600))
        return false;
    sim.proc.write("silent 1\n");
    sim.line(5000);
    const QByteArray ini = "[Settings]\r\nBaudRAte=9600\r\nPort_Number=" + sim.port.toLocal8Bit()
                           + "\r\nAuto_Load=0\r\nSend_If_Changed=0\r\nAttempts=1\r\nTimeout_for_command=10000\r\n"
                             "[Tablo]\r\nBoard_type=0\r\nDigits=5\r\nReplys=0\r\n";
    TestApp t(ini);
    t.startUp();
    if (!shown)
        t.app->mainWindow->hide();   // in the tray: the wait does not tick
    QElapsedTimer clock;
    const double c0 = cpuMs();
    clock.start();
    t.app->mainWindow->readBoard();
    const double started = cpuMs() - c0;
    // The progress moves for the first seconds and then holds until the time-out.
    double moving = -1;
    while (t.app->service->isBusy() || clock.elapsed() < 100) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (moving < 0 && clock.elapsed() >= 5000)
            moving = cpuMs() - c0 - started;
    }
    const double c = cpuMs() - c0;
    std::printf("silent board, window %s, one read with a 10 s time-out: wall %.0f ms, CPU %.1f ms (%.3f %% of one core): "
                "%.1f ms to ask, %.1f ms in the first 5 s (the progress moves for 1.7 s), %.1f ms after\n",
                shown ? "shown" : "hidden", clock.nsecsElapsed() / 1e6, c, 100.0 * c / (clock.nsecsElapsed() / 1e6),
                started, moving,
                c - started - moving);
    std::fflush(stdout);
    return true;
}

// Counts the timer events of an idle window with automatic loading on, by the timer's owner.
void runIdleTimers()
{
    SimProcess sim;
    if (!sim.start(9600))
        return;
    const QByteArray ini = "[Settings]\r\nBaudRAte=9600\r\nPort_Number=" + sim.port.toLocal8Bit()
                           + "\r\nAuto_Load=1\r\n[Tablo]\r\nBoard_type=0\r\nDigits=5\r\n";
    TestApp t(ini);
    t.startUp();
    struct Counter : QObject {
        QMap<QString, int> counts;
        bool eventFilter(QObject *o, QEvent *e) override
        {
            if (e->type() == QEvent::Timer) {
                const QString name = o->objectName();
                ++counts[QString::fromLatin1(o->metaObject()->className()) + (name.isEmpty() ? QString() : " " + name)];
            }
            return false;
        }
    } counter;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 3000)   // the start-up's reading and its upload end first
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::instance()->installEventFilter(&counter);
    const double c0 = cpuMs();
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::instance()->removeEventFilter(&counter);
    std::printf("idle window, 10 s, CPU %.1f ms; timer events by owner:", cpuMs() - c0);
    for (auto it = counter.counts.cbegin(); it != counter.counts.cend(); ++it)
        std::printf(" %s %d;", qPrintable(it.key()), it.value());
    std::printf("\n");
}

// The machine's own cost of the same 170 ticks of 10 ms in a bare window whose progress bar
// moves on each: what the wait's ticks cannot go below here.
void runBareTicks()
{
    QWidget window;
    auto *bar = new QProgressBar(&window);
    bar->setRange(0, 1000);
    bar->setGeometry(8, 8, 273, 17);
    window.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int ticks = 0;
    QEventLoop loop;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        bar->setValue(5 * ++ticks);
        if (ticks == 170)
            loop.quit();
    });
    const double c0 = cpuMs();
    timer.start(10);
    loop.exec();
    std::printf("reference: a bare window's 170 ticks of 10 ms moving a progress bar: CPU %.1f ms\n", cpuMs() - c0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication a(argc, argv);
    // "silent" measures only the silent wait.
    const bool silentOnly = argc > 1 && qstrcmp(argv[1], "silent") == 0;
    const int uploads = argc > 1 && !silentOnly ? std::max(1, atoi(argv[1])) : 20;
    bool ok = true;
    for (int baud : {9600, 19200})
        if (!silentOnly)
            ok = runSpeed(baud, uploads) && ok;
    for (bool shown : {true, false})
        ok = runSilentWait(shown) && ok;
    runBareTicks();
    runIdleTimers();
    return ok ? 0 : 1;
}
