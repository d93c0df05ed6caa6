// Benchmark of tablo-cli against the simulator, printing figures:
//  1. the wall time of "tablo-cli upload" (start to exit, read-back included) against the time
//     its bytes take on the wire (bytes x 10 / baud), at 9600 and 19200 Bd, median of several runs;
//  2. the CPU time "tablo-cli watch" takes while it polls an unchanged data file every second,
//     scaled to an hour.
// Usage: bench_cli [RUNS (default 7)] [WATCH_SECONDS (default 20)]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "Sim.h"

namespace {

QString writeSettings(const QTemporaryDir &dir, const QString &port, int baud)
{
    const QString path = dir.filePath(QStringLiteral("Quorvanel_tablo.ini"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write("[Settings]\r\nPort_Number=" + port.toLocal8Bit() + "\r\nBaudRAte=" + QByteArray::number(baud)
            + "\r\nAttempts=1\r\nTimeout_for_command=2000\r\nManage_Checksumms=1\r\nAuto_Load_Intvl=1000\r\n");
    return path;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size();
}

// Wall milliseconds of one run of tablo-cli; -1 when it failed.
double runCli(const QStringList &args)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral(TABLO_CLI_PATH), args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        std::fprintf(stderr, "tablo-cli %s failed: %s%s\n", qPrintable(args.join(' ')),
                     p.readAllStandardOutput().constData(), p.readAllStandardError().constData());
        return -1;
    }
    return t.nsecsElapsed() / 1e6;
}

void benchUpload(int baud, int runs, double startupMs)
{
    QTemporaryDir dir;
    const QString tx = dir.filePath(QStringLiteral("tx.raw"));
    Sim sim({QStringLiteral("--pace"), QStringLiteral("--baud"), QString::number(baud), QStringLiteral("--raw-tx"), tx});
    if (!sim.ok())
        qFatal("simulator: %s", qPrintable(sim.errorText()));
    const QString settings = writeSettings(dir, sim.port(), baud);
    const QStringList args{QStringLiteral("upload"), QStringLiteral("--settings"), settings, "1.2345", "2.3456",
                           "3.4567", "4.5678", "5.6789", "6.7891", "7.8912", "8.9123", "9.1234", "1.0000"};
    QList<double> wall;
    qint64 bytes = 0;
    for (int i = 0; i < runs; ++i) {
        const qint64 before = sim.received().size() + fileSize(tx);
        const double ms = runCli(args);
        if (ms < 0)
            return;
        wall << ms;
        bytes = sim.received().size() + fileSize(tx) - before;
    }
    const double wireMs = bytes * 10.0 * 1000.0 / baud;
    const double med = median(wall);
    std::printf("upload at %5d Bd: %4lld bytes both ways, wire %6.1f ms, wall median %6.1f ms (min %6.1f, max %6.1f)"
                " over %d runs; wall - wire = %5.1f ms, of which process start-up ~%4.1f ms\n",
                baud, static_cast<long long>(bytes), wireMs, med, *std::min_element(wall.begin(), wall.end()),
                *std::max_element(wall.begin(), wall.end()), runs, med - wireMs, startupMs);
}

// CPU nanoseconds a process has run so far, all its threads (scheduler statistics).
qint64 cpuNs(qint64 pid)
{
    qint64 sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (f.open(QIODevice::ReadOnly))
            sum += f.readAll().split(' ').value(0).toLongLong();
    }
    return sum;
}

// utime + stime in clock ticks (/proc/PID/stat fields 14 and 15).
qint64 cpuTicks(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

void benchWatch(int seconds)
{
    QTemporaryDir dir;
    Sim sim;
    if (!sim.ok())
        qFatal("simulator: %s", qPrintable(sim.errorText()));
    const QString data = dir.filePath(QStringLiteral("data.tbl"));
    QFile f(data);
    if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray("1.0000\r\n").repeated(10)) < 0)
        qFatal("cannot write %s", qPrintable(data));
    f.close();
    QProcess watch;
    watch.start(QStringLiteral(TABLO_CLI_PATH),
                {QStringLiteral("watch"), QStringLiteral("--settings"), writeSettings(dir, sim.port(), 9600),
                 QStringLiteral("--file"), data});
    // Idle from the first upload on.
    if (!sim.waitForReceived("READ=", 1, 10000))
        qFatal("the watch did not upload");
    QThread::msleep(500);
    const qint64 pid = watch.processId();
    const qint64 ns0 = cpuNs(pid), ticks0 = cpuTicks(pid);
    QElapsedTimer t;
    t.start();
    QThread::sleep(seconds);
    const qint64 ns = cpuNs(pid) - ns0, ticks = cpuTicks(pid) - ticks0;
    const double elapsedS = t.nsecsElapsed() / 1e9;
    watch.terminate();
    watch.waitForFinished(5000);
    const double perHourS = ns / 1e9 * 3600.0 / elapsedS;
    std::printf("watch idle, 1 s poll, unchanged file: %.1f ms CPU in %.1f s (%lld ticks of %ld Hz), "
                "%.2f s CPU per hour (%.4f %% of one core); sends during the idle run: %d\n",
                ns / 1e6, elapsedS, static_cast<long long>(ticks), sysconf(_SC_CLK_TCK), perHourS,
                perHourS / 36.0, sim.receivedCount("SEND=") - 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 7;
    const int watchSeconds = argc > 2 ? qMax(1, atoi(argv[2])) : 20;

    QList<double> startup;
    for (int i = 0; i < runs; ++i)
        startup << runCli({QStringLiteral("--version")});
    std::printf("tablo-cli --version (process start-up and exit): median %.1f ms\n", median(startup));
    for (const int baud : {9600, 19200})
        benchUpload(baud, runs, median(startup));
    benchWatch(watchSeconds);
    return 0;
}
