#pragma once
// Runs the board simulator tablo-board-sim for a test.
//
//   Sim sim({"--echo", "--error-first", "2"});   // options as on its command line (see --help)
//   QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
//   port box text = sim.port();                   // the pty to open
//   ... exchange ...
//   QCOMPARE(sim.received(), QByteArray("READ=;\r\n"));    // every byte the board got, exactly
//   sim.control("silent 1");                      // a control command, answered "CTL OK"
//   sim.post("hangup");                           // the same without waiting (safe in a running exchange)
//
// The simulator's raw receive log lives in a temporary folder of the Sim object. The simulator
// quits when the object goes (and also when the test process dies: --quit-on-eof).
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class Sim {
public:
    // Starts the simulator with `options` and waits (up to `timeoutMs`) for its "PORT" line.
    explicit Sim(const QStringList &options = {}, int timeoutMs = 10000);
    ~Sim();
    Sim(const Sim &) = delete;
    Sim &operator=(const Sim &) = delete;

    bool ok() const { return !m_port.isEmpty(); }
    QString errorText() const { return m_error; }   // why it did not start
    QString port() const { return m_port; }         // the pty path it reported last

    // Every byte received so far, exactly (the --raw log).
    QByteArray received() const;
    // Occurrences of `needle` in received().
    int receivedCount(const QByteArray &needle) const;
    // Waits until `needle` was received `count` times; true when it was.
    bool waitForReceived(const QByteArray &needle, int count = 1, int timeoutMs = 5000) const;

    // Sends a control command (e.g. "error-first 2", "send OK", "hangup") and waits for its
    // answer; true on "CTL OK". A "replug" also updates port().
    bool control(const QString &command, int timeoutMs = 5000);
    // Sends a control command without waiting; its answer is read later by control().
    void post(const QString &command);

    // Everything the simulator printed on stdout so far ("PORT ...", "CTL OK ...", ...).
    QByteArray output();
    QProcess &process() { return *m_proc; }
    static QString program();   // path of tablo-board-sim

private:
    // Waits for a stdout line that `match` accepts and takes it out of the pending lines.
    bool waitForLine(const std::function<bool(const QByteArray &)> &match, int timeoutMs, QByteArray *line = nullptr);
    void takeOutput();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_proc;
    QString m_port, m_error, m_rawPath;
    QByteArray m_out;            // all of stdout so far
    QByteArray m_partial;        // an unfinished last line
    QList<QByteArray> m_lines;   // complete lines not matched yet
};
