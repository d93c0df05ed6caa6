// Benchmark of tablo-cli mqtt, printing figures: N boards (simulators pacing their replies at
// 9600 Bd, each with its bridge) in one group on a Mosquitto broker on 127.0.0.1, and one
// publisher (libmosquitto) that publishes a set to the group and waits for every board's verified
// result. Prints the median and the maximum, over 10 publishes, of the time from the publish to the
// last board's result, next to the wire time of one upload, and the CPU the bridges and the broker
// spent per board and upload (the simulators' too: on one machine they compete with the bridges);
// then the CPU and memory of one idle bridge, the broker's memory, and the bridge's peak memory
// while the broker passes a 50 MB set for it (the bridge announces a maximum packet size in
// CONNECT, so the broker drops the set instead of sending it).
// Usage: bench_mqtt [N (default 20)] [IDLE_SECONDS (default 20)]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <mosquitto.h>

#include "Sim.h"

namespace {

constexpr double UploadWireMs = 244.8;   // SEND= with its OK and the read-back, at 9600 Bd

struct Bridge {
    std::unique_ptr<Sim> sim;
    std::unique_ptr<QProcess> proc;
    QTemporaryDir dir;
};

// The publisher: counts the verified results of the request under way.
struct Publisher {
    QByteArray request;
    int verified = 0, failed = 0;
    int acknowledged = 0;   // PUBACKs
};

void onPublish(mosquitto *, void *self, int)
{
    ++static_cast<Publisher *>(self)->acknowledged;
}

void onMessage(mosquitto *, void *self, const mosquitto_message *m)
{
    auto *p = static_cast<Publisher *>(self);
    const QJsonObject r = QJsonDocument::fromJson(QByteArray(static_cast<const char *>(m->payload), m->payloadlen)).object();
    if (r.value(QLatin1String("id")).toString().toUtf8() != p->request)
        return;
    ++(r.value(QLatin1String("outcome")).toString() == QLatin1String("sent-ok") ? p->verified : p->failed);
}

qint64 cpuNanoseconds(qint64 pid)   // time a process spent on a CPU (the scheduler's count)
{
    QFile f(QStringLiteral("/proc/%1/schedstat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    return f.readAll().split(' ').value(0).toLongLong();
}

QByteArray statusField(qint64 pid, const QByteArray &name)   // e.g. VmRSS from /proc/PID/status
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return "?";
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(name + ':'))
            return line.mid(name.size() + 1).simplified();
    return "?";
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int n = argc > 1 ? qMax(1, atoi(argv[1])) : 20;
    const int idleSeconds = argc > 2 ? qMax(1, atoi(argv[2])) : 20;

    QTemporaryDir dir;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const int port = probe.serverPort();
    probe.close();
    QFile conf(dir.filePath(QStringLiteral("conf")));
    if (!conf.open(QIODevice::WriteOnly))
        qFatal("cannot write the broker's configuration");
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\nmax_queued_messages 1000\n").arg(port).toLatin1());
    conf.close();
    QProcess broker;
    QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (program.isEmpty())   // Debian puts it in /usr/sbin, which a user's PATH often lacks
        program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
    broker.start(program, {QStringLiteral("-c"), conf.fileName()});
    if (!broker.waitForStarted())
        qFatal("mosquitto does not start (package mosquitto)");
    QThread::msleep(500);

    std::printf("Starting %d boards (simulators paced at 9600 Bd) and their bridges...\n", n);
    std::vector<std::unique_ptr<Bridge>> bridges;
    for (int k = 0; k < n; ++k) {
        auto b = std::make_unique<Bridge>();
        b->sim = std::make_unique<Sim>(QStringList{QStringLiteral("--pace"), QStringLiteral("--baud"), QStringLiteral("9600")});
        if (!b->sim->ok())
            qFatal("simulator: %s", qPrintable(b->sim->errorText()));
        QFile ini(b->dir.filePath(QStringLiteral("ini")));
        if (!ini.open(QIODevice::WriteOnly))
            qFatal("cannot write a settings file");
        ini.write("[Settings]\r\nPort_Number=" + b->sim->port().toLocal8Bit()
                  + "\r\nBaudRAte=9600\r\nAttempts=1\r\nTimeout_for_command=2000\r\nManage_Checksumms=1\r\n");
        ini.close();
        b->proc = std::make_unique<QProcess>();
        b->proc->start(QStringLiteral(TABLO_CLI_PATH),
                       {QStringLiteral("mqtt"), QStringLiteral("--broker"), QStringLiteral("127.0.0.1:%1").arg(port),
                        QStringLiteral("--id"), QStringLiteral("bench%1").arg(k), QStringLiteral("--group"),
                        QStringLiteral("all"), QStringLiteral("--settings"), ini.fileName(), QStringLiteral("--state-dir"),
                        b->dir.filePath(QStringLiteral("state"))});
        bridges.push_back(std::move(b));
    }
    QElapsedTimer startup;
    startup.start();
    for (auto &b : bridges) {
        QByteArray out;
        while (!(out.contains("Board read") && out.contains("Connected")) && startup.elapsed() < 60000) {
            b->proc->waitForReadyRead(200);
            out += b->proc->readAllStandardOutput();
        }
        if (!out.contains("Board read") || !out.contains("Connected"))
            qFatal("a bridge did not start: %s", out.constData());
    }

    mosquitto_lib_init();
    Publisher publisher;
    mosquitto *mosq = mosquitto_new("bench-publisher", true, &publisher);
    mosquitto_int_option(mosq, MOSQ_OPT_TCP_NODELAY, 1);
    mosquitto_message_callback_set(mosq, onMessage);
    mosquitto_publish_callback_set(mosq, onPublish);
    if (mosquitto_connect(mosq, "127.0.0.1", port, 30) != MOSQ_ERR_SUCCESS)
        qFatal("the publisher does not connect");
    mosquitto_subscribe(mosq, nullptr, "tablo/+/result", 1);
    for (int i = 0; i < 20; ++i)
        mosquitto_loop(mosq, 20, 1);

    // The CPU the bridges and the broker spend on the publishes.
    const auto bridgesCpu = [&bridges] {
        qint64 sum = 0;
        for (auto &b : bridges)
            sum += cpuNanoseconds(b->proc->processId());
        return sum;
    };
    const auto simsCpu = [&bridges] {
        qint64 sum = 0;
        for (auto &b : bridges)
            sum += cpuNanoseconds(b->sim->process().processId());
        return sum;
    };
    const qint64 bridgesBefore = bridgesCpu(), simsBefore = simsCpu(), brokerBefore = cpuNanoseconds(broker.processId());
    QList<double> times;
    for (int run = 0; run < 10; ++run) {
        publisher.request = "bench-" + QByteArray::number(run);
        publisher.verified = publisher.failed = 0;
        const QByteArray payload = R"({"figures":[")" + QByteArray::number(10000 + run) + R"(","2.6515"],"id":")"
                                   + publisher.request + "\"}";
        QElapsedTimer t;
        t.start();
        mosquitto_publish(mosq, nullptr, "tablo/group/all/figures/set", int(payload.size()), payload.constData(), 1, false);
        while (publisher.verified + publisher.failed < n && t.elapsed() < 30000)
            mosquitto_loop(mosq, 5, 1);
        const double ms = t.nsecsElapsed() / 1e6;
        if (publisher.verified < n)
            std::printf("  publish %d: %d of %d boards verified, %d failed\n", run + 1, publisher.verified, n, publisher.failed);
        times << ms;
        QThread::msleep(300);
        for (auto &b : bridges)
            b->proc->readAllStandardOutput();
    }
    const double bridgesMs = double(bridgesCpu() - bridgesBefore) / 1e6, simsMs = double(simsCpu() - simsBefore) / 1e6,
                 brokerMs = double(cpuNanoseconds(broker.processId()) - brokerBefore) / 1e6;
    const double med = median(times), max = *std::max_element(times.begin(), times.end());
    std::printf("\nGroup set to %d boards, publish until the last verified result (10 publishes):\n", n);
    // Each bridge syncs every request to its state folder before it acts on it: 50 bridges on one
    // disk queue for it, which bridges on machines of their own do not (TMPDIR moves them).
    std::printf("  the bridges' state folders in %s\n", qPrintable(QDir::tempPath()));
    std::printf("  median %.1f ms, maximum %.1f ms\n", med, max);
    std::printf("  wire time of one upload at 9600 Bd: %.1f ms; median %.2fx, maximum %.2fx (target 1.2x = %.1f ms)\n",
                UploadWireMs, med / UploadWireMs, max / UploadWireMs, 1.2 * UploadWireMs);

    std::printf("  CPU per board and upload: bridge %.2f ms, simulator %.2f ms, broker %.3f ms (10 publishes to %d boards)\n",
                bridgesMs / (10.0 * n), simsMs / (10.0 * n), brokerMs / (10.0 * n), n);

    const qint64 pid = bridges.front()->proc->processId();
    const qint64 before = cpuNanoseconds(pid);
    QThread::sleep(idleSeconds);
    const qint64 after = cpuNanoseconds(pid);
    std::printf("\nOne idle bridge over %d s: CPU %.4f %% (%.2f ms), VmRSS %s, VmHWM %s\n", idleSeconds,
                100.0 * double(after - before) / 1e9 / idleSeconds, double(after - before) / 1e6,
                statusField(pid, "VmRSS").constData(), statusField(pid, "VmHWM").constData());
    std::printf("The broker with %d bridges and the publisher: VmRSS %s\n", n, statusField(broker.processId(), "VmRSS").constData());

    // A 50 MB set for the first board: once the broker acknowledged it, a small set shows the
    // bridge is still there; its peak memory tells whether the large one ever reached it.
    const QByteArray large = R"({"figures":[")" + QByteArray(50 * 1024 * 1024, '1') + R"("],"id":"large"})";
    const QByteArray firstSet = QByteArrayLiteral("tablo/bench0/figures/set");
    publisher.acknowledged = 0;
    mosquitto_publish(mosq, nullptr, firstSet.constData(), int(large.size()), large.constData(), 1, false);
    QElapsedTimer t;
    t.start();
    while (publisher.acknowledged < 1 && t.elapsed() < 60000)
        mosquitto_loop(mosq, 5, 1);
    publisher.request = "after-large";
    publisher.verified = publisher.failed = 0;
    const QByteArray small = R"({"figures":["12345"],"id":"after-large"})";
    mosquitto_publish(mosq, nullptr, firstSet.constData(), int(small.size()), small.constData(), 1, false);
    while (publisher.verified + publisher.failed < 1 && t.elapsed() < 90000)
        mosquitto_loop(mosq, 5, 1);
    std::printf("\nA 50 MB set published to one bridge (acknowledged by the broker after %.1f s; the next set %s):\n",
                double(t.elapsed()) / 1000, publisher.verified == 1 ? "verified" : "NOT verified");
    std::printf("  the bridge: VmRSS %s, VmHWM %s; the broker: VmHWM %s\n", statusField(pid, "VmRSS").constData(),
                statusField(pid, "VmHWM").constData(), statusField(broker.processId(), "VmHWM").constData());

    mosquitto_disconnect(mosq);
    mosquitto_destroy(mosq);
    for (auto &b : bridges) {
        b->proc->terminate();
        b->proc->waitForFinished(5000);
    }
    broker.terminate();
    broker.waitForFinished(5000);
    return 0;
}
