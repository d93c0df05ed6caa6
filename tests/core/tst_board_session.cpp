// The board session and the event listener against a scripted link on virtual time.
#include <QtTest>

#include "core/board/BoardSession.h"
#include "core/board/EventListener.h"
#include "core/board/ExchangeTicker.h"
#include "core/link/FakeLink.h"

Q_DECLARE_METATYPE(ExchangeOptions)

namespace {

// A session on a fake link whose time passes one tick per wait.
struct Rig {
    FakeLink link;
    VirtualTicker ticker;
    BoardSession session{&link, &ticker};
    QByteArrayList log;
    QStringList shown;
    QByteArray phases;   // "(" at each exchange start, ")" at its end
    int progress = -1, reopens = 0;

    Rig()
    {
        QObject::connect(&ticker, &VirtualTicker::passed, &link, &FakeLink::advance);
        QObject::connect(&session, &BoardSession::lineReceived, [this](const QByteArray &l) { log << l; });
        QObject::connect(&session, &BoardSession::commandShown, [this](const QString &c) { shown << c; });
        QObject::connect(&session, &BoardSession::progressChanged, [this](int v) { progress = v; });
        QObject::connect(&session, &BoardSession::portReopenRequested, [this] { ++reopens; });
        QObject::connect(&session, &BoardSession::exchangeStarted, [this] { phases += '('; });
        QObject::connect(&session, &BoardSession::exchangeFinished, [this] { phases += ')'; });
    }
    // Starts an operation and lets virtual time pass until it ends.
    template <typename Result, typename Start>
    Result run(Start start)
    {
        std::optional<Result> result;
        start([&result](const Result &r) { result = r; });
        while (!result)
            ticker.advance();
        return *result;
    }
    ExchangeResult exchange(const QByteArray &command, const ExchangeOptions &o)
    {
        return run<ExchangeResult>([&](auto done) { session.startExchange(command, o, done); });
    }
    UploadResult upload(const QStringList &texts, const ExchangeOptions &o)
    {
        return run<UploadResult>([&](auto done) { session.startUpload(texts, o, done); });
    }
    ReadResult read(const ExchangeOptions &o)
    {
        return run<ReadResult>([&](auto done) { session.startRead(o, done); });
    }
    ExchangeResult setting(const QByteArray &command, const ExchangeOptions &o)
    {
        return run<ExchangeResult>([&](auto done) { session.startSetting(command, o, done); });
    }
    // One reply per write: pieces split by "|" arrive a tick apart; "" is silence, "!" a hang-up.
    void script(const QByteArrayList &replies)
    {
        for (const QByteArray &r : replies) {
            if (r == "!")
                link.hangUp();
            else if (r.isEmpty())
                link.stayQuiet();
            else
                link.reply(r.split('|'));
        }
    }
};

ExchangeOptions options(int attempts, bool checksums = false, bool oneWay = false, int timeoutMs = 400)
{
    return ExchangeOptions{attempts, timeoutMs, checksums, oneWay};
}

QByteArray withSum(const QByteArray &line, int delta = 0)
{
    return line + ';' + QByteArray::number(Protocol::byteSum(line) + delta) + ';';
}

// A READ reply: the ten figures, then fields 11.. as "21.5" and 112..132 (all distinct).
QByteArray readLine(const QByteArray &figure = "1.2345", int fields = 32)
{
    QByteArray line = "READ=";
    for (int k = 1; k <= fields; ++k)
        line += (k <= 10 ? figure : k == 11 ? QByteArray("21.5") : QByteArray::number(100 + k)) + ',';
    return line;
}

const QByteArray CRLF = "\r\n";

} // namespace

class TestBoardSession : public QObject {
    Q_OBJECT
private slots:
    void exchange_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<ExchangeOptions>("opts");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArrayList>("log");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("elapsedMs");

        const QByteArray b = "BRIG=2;\r\n";
        using R = ExchangeResult;
        QTest::newRow("ok at once") << QByteArray("BRIG=2") << options(3) << QByteArrayList{"OK\r\n"} << b << int(R::Ok)
                                    << 1 << QByteArray("OK") << QByteArrayList{"OK"} << 125 << 10;
        QTest::newRow("echo is logged, not a reply")
            << QByteArray("BRIG=2") << options(3) << QByteArrayList{"BRIG=2;\r\nOK\r\n"} << b << int(R::Ok) << 1
            << QByteArray("OK") << QByteArrayList{"BRIG=2;", "OK"} << 125 << 10;
        QTest::newRow("echo alone times out") << QByteArray("BRIG=2") << options(1) << QByteArrayList{"BRIG=2;\r\n"} << b
                                              << int(R::Timeout) << 1 << QByteArray() << QByteArrayList{"BRIG=2;"} << 875 << 410;
        // 10 * 1000 / 800 = 12.5 rounds to 12: 60 per tick, held from 900 on.
        QTest::newRow("silence on every attempt") << QByteArray("BRIG=2") << options(2, false, false, 800) << QByteArrayList{}
                                                  << b + b << int(R::Timeout) << 2 << QByteArray() << QByteArrayList{} << 900 << 1620;
        QTest::newRow("error then ok") << QByteArray("BRIG=2") << options(2) << QByteArrayList{"ERROR\r\n", "OK\r\n"} << b + b
                                       << int(R::Ok) << 2 << QByteArray("OK") << QByteArrayList{"ERROR", "OK"} << 125 << 20;
        QTest::newRow("error on every attempt")
            << QByteArray("BRIG=2") << options(3) << QByteArrayList{"ERROR\r\n", "ERROR\r\n", "ERROR\r\n"} << b + b + b
            << int(R::Error) << 3 << QByteArray("ERROR") << QByteArrayList{"ERROR", "ERROR", "ERROR"} << 125 << 30;
        QTest::newRow("each attempt starts a new line")
            << QByteArray("BRIG=2") << options(2) << QByteArrayList{"OK", "\r\n"} << b + b << int(R::Timeout) << 2
            << QByteArray() << QByteArrayList{""} << 875 << 820;
        QTest::newRow("modem clock line holds its ok")
            << QByteArray("BRIG=2") << options(1) << QByteArrayList{"+CCLK: \"24/05/01\"\r\nOK\r\n"} << b << int(R::Timeout) << 1
            << QByteArray("OK") << QByteArrayList{"+CCLK: \"24/05/01\"", "OK"} << 875 << 410;
        QTest::newRow("message list line holds its ok")
            << QByteArray("BRIG=2") << options(1) << QByteArrayList{"AT+CMGL=4\r\nOK\r\n"} << b << int(R::Timeout) << 1
            << QByteArray("OK") << QByteArrayList{"AT+CMGL=4", "OK"} << 875 << 410;
        QTest::newRow("read line") << QByteArray("READ=") << options(3) << QByteArrayList{"READ=1,2,\r\n"}
                                   << QByteArray("READ=;\r\n") << int(R::Read) << 1 << QByteArray("READ=1,2,")
                                   << QByteArrayList{"READ=1,2,"} << 125 << 10;
        QTest::newRow("ok in pieces over ticks") << QByteArray("BRIG=2") << options(1) << QByteArrayList{"O|K\r|\n"} << b
                                                 << int(R::Ok) << 1 << QByteArray("OK") << QByteArrayList{"OK"} << 375 << 30;
        QTest::newRow("empty line logged") << QByteArray("BRIG=2") << options(1) << QByteArrayList{"\r\nOK\r\n"} << b
                                           << int(R::Ok) << 1 << QByteArray("OK") << QByteArrayList{"", "OK"} << 125 << 10;
        QTest::newRow("ok with a sum is no reply")
            << QByteArray("BRIG=2") << options(1) << QByteArrayList{"OK;154;\r\n"} << b << int(R::Timeout) << 1
            << QByteArray("OK;154;") << QByteArrayList{"OK;154;"} << 875 << 410;
        QTest::newRow("hang-up: later attempts write nothing")
            << QByteArray("BRIG=2") << options(2) << QByteArrayList{"!"} << b << int(R::Timeout) << 2 << QByteArray()
            << QByteArrayList{} << 875 << 820;
        QTest::newRow("one-way reads nothing") << QByteArray("BRIG=2") << options(3, false, true) << QByteArrayList{"OK\r\n"}
                                               << b << int(R::Ok) << 1 << QByteArray() << QByteArrayList{} << 0 << 0;
        QTest::newRow("checksum framing") << QByteArray("READ=") << options(1, true) << QByteArrayList{"OK\r\n"}
                                          << QByteArray("READ=;345;\r\n") << int(R::Ok) << 1 << QByteArray("OK")
                                          << QByteArrayList{"OK"} << 125 << 10;
        QTest::newRow("no attempts still sends once") << QByteArray("BRIG=2") << options(0) << QByteArrayList{} << b
                                                      << int(R::Timeout) << 1 << QByteArray() << QByteArrayList{} << 875 << 410;
    }
    void exchange()
    {
        QFETCH(QByteArray, command);
        QFETCH(ExchangeOptions, opts);
        QFETCH(QByteArrayList, replies);
        Rig rig;
        rig.script(replies);
        const ExchangeResult r = rig.exchange(command, opts);
        QTEST(rig.link.written(), "written");
        QTEST(int(r.outcome), "outcome");
        QTEST(r.attempts, "attempts");
        QTEST(r.reply, "reply");
        QTEST(rig.log, "log");
        QTEST(rig.progress, "progress");
        QTEST(rig.link.now(), "elapsedMs");
        QCOMPARE(rig.shown, QStringList(r.attempts, QString::fromLatin1(rig.link.writes().first().chopped(2))));
        QCOMPARE(rig.phases, QByteArray("()"));
        QVERIFY(!rig.session.isBusy());
    }

    void upload_data()
    {
        QTest::addColumn<ExchangeOptions>("opts");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("readBack");
        QTest::addColumn<int>("progress");

        const QString sent = QString("1.2345").repeated(10);
        const QByteArray ok = "OK\r\n";
        using U = UploadResult;
        QTest::newRow("read-back equal") << options(1) << QByteArrayList{ok, readLine() + CRLF} << int(U::SentOk) << 2 << sent << 1000;
        QTest::newRow("read-back differs") << options(1) << QByteArrayList{ok, readLine("1.2346") + CRLF} << int(U::DataError)
                                           << 2 << QString("1.2346").repeated(10) << 1000;
        QTest::newRow("read-back malformed") << options(1) << QByteArrayList{ok, "READ=1.2345,,\r\n"} << int(U::DataError) << 2
                                             << QString() << 125;
        QTest::newRow("read-back answered ok") << options(1) << QByteArrayList{ok, ok} << int(U::DataError) << 2 << QString() << 125;
        QTest::newRow("read-back sum right") << options(1, true) << QByteArrayList{ok, withSum(readLine()) + CRLF}
                                             << int(U::SentOk) << 2 << sent << 1000;
        QTest::newRow("read-back sum wrong") << options(1, true) << QByteArrayList{ok, withSum(readLine(), 1) + CRLF}
                                             << int(U::ConnectionError) << 2 << QString() << 125;
        QTest::newRow("read-back silent") << options(1) << QByteArrayList{ok, ""} << int(U::ConnectionError) << 2 << QString() << 875;
        QTest::newRow("send refused") << options(2) << QByteArrayList{"ERROR\r\n", "ERROR\r\n"} << int(U::DataError) << 2
                                      << QString() << 125;
        QTest::newRow("send unanswered") << options(1) << QByteArrayList{} << int(U::ConnectionError) << 1 << QString() << 875;
        QTest::newRow("read line instead of ok") << options(1) << QByteArrayList{readLine() + CRLF} << int(U::Unacknowledged) << 1
                                                 << QString() << 125;
        QTest::newRow("one-way") << options(1, false, true) << QByteArrayList{} << int(U::SentOk) << 1 << QString() << 1000;
    }
    void upload()
    {
        QFETCH(ExchangeOptions, opts);
        QFETCH(QByteArrayList, replies);
        QFETCH(int, writes);
        Rig rig;
        rig.script(replies);
        const UploadResult r = rig.upload(QStringList(10, QStringLiteral("1.2345")), opts);
        QByteArray payload = "SEND=" + QByteArray("1.2345,").repeated(10);
        QCOMPARE(rig.link.writes().first(), Protocol::frameCommand(payload, opts.checksums));
        if (r.verified)
            QCOMPARE(rig.link.writes().last(), Protocol::frameCommand("READ=", opts.checksums));
        QCOMPARE(rig.link.writes().size(), writes);
        QCOMPARE(rig.reopens, rig.phases.count('('));   // the port is selected again before each exchange
        QTEST(int(r.outcome), "outcome");
        QTEST(r.readBackText, "readBack");
        QTEST(rig.progress, "progress");
    }

    void read_data()
    {
        QTest::addColumn<ExchangeOptions>("opts");
        QTest::addColumn<QByteArrayList>("replies");   // one read each
        QTest::addColumn<int>("outcome");               // of the last read
        QTest::addColumn<int>("writes");
        QTest::addColumn<QByteArray>("temperature");
        QTest::addColumn<QByteArray>("controlledBy");

        const QByteArray full = readLine() + CRLF;
        using Rd = ReadResult;
        QTest::newRow("32 fields") << options(1) << QByteArrayList{full} << int(Rd::ReadOk) << 1 << QByteArray("21.5") << QByteArray("132");
        QTest::newRow("sum right") << options(1, true) << QByteArrayList{withSum(readLine()) + CRLF} << int(Rd::ReadOk) << 1
                                   << QByteArray("21.5") << QByteArray("132");
        QTest::newRow("sum one too high") << options(1, true) << QByteArrayList{withSum(readLine(), 1) + CRLF}
                                          << int(Rd::ConnectionError) << 1 << QByteArray() << QByteArray();
        QTest::newRow("sum missing") << options(1, true) << QByteArrayList{full} << int(Rd::ConnectionError) << 1 << QByteArray()
                                     << QByteArray();
        QTest::newRow("31 fields keep field 32")
            << options(1) << QByteArrayList{full, readLine("1.2345", 31).replace("21.5", "-0.25") + CRLF} << int(Rd::ReadOk) << 2
            << QByteArray("-0.25") << QByteArray("132");
        QTest::newRow("malformed keeps the last reading") << options(1) << QByteArrayList{full, "READ=1,x,\r\n"} << int(Rd::DataError)
                                                          << 2 << QByteArray("21.5") << QByteArray("132");
        QTest::newRow("30 fields") << options(1) << QByteArrayList{readLine("1.2345", 30) + CRLF} << int(Rd::DataError) << 1
                                   << QByteArray() << QByteArray();
        QTest::newRow("error") << options(1) << QByteArrayList{"ERROR\r\n"} << int(Rd::DataError) << 1 << QByteArray() << QByteArray();
        QTest::newRow("ok instead") << options(1) << QByteArrayList{"OK\r\n"} << int(Rd::NotRead) << 1 << QByteArray() << QByteArray();
        QTest::newRow("one-way sends nothing") << options(1, false, true) << QByteArrayList{full} << int(Rd::OneWay) << 0
                                               << QByteArray() << QByteArray();
    }
    void read()
    {
        QFETCH(ExchangeOptions, opts);
        QFETCH(QByteArrayList, replies);
        Rig rig;
        rig.script(replies);
        ReadResult r;
        for (int i = 0; i < replies.size(); ++i)
            r = rig.read(opts);
        QTEST(int(r.outcome), "outcome");
        QTEST(int(rig.link.writes().size()), "writes");
        QTEST(r.reading.temperature, "temperature");
        QTEST(r.reading.controlledBy, "controlledBy");
        QCOMPARE(r.reading.controlledBy, rig.session.lastReading().controlledBy);
    }

    void namedFields()
    {
        Rig rig;
        rig.script({readLine() + CRLF});
        const BoardReading b = rig.read(options(1)).reading;
        const QByteArrayList named = {b.temperature, b.brightnessLevel, b.lightingState, b.brightnessMode, b.lightingMode,
                                      b.flash, b.morningTime, b.eveningTime, b.morningOffset, b.eveningOffset,
                                      b.dayBrightness, b.nightBrightness, b.lightingOffTime, b.lightingOnTime,
                                      b.lightingOffOffset, b.lightingOnOffset, b.timerUsed, b.temperatureSensorUsed,
                                      b.section, b.eventsEnabled, b.inverseSignals, b.controlledBy};
        QCOMPARE(named, readLine().mid(5).split(',').mid(10, 22));
        QCOMPARE(b.figuresText(), QString("1.2345").repeated(10));
    }

    // A controller setting goes out framed, selects the port first and completes the progress
    // on "OK"; a bare command is written as it is, also with checksums on.
    void settings_data()
    {
        QTest::addColumn<QByteArray>("command");   // empty: the bare "TIME?"
        QTest::addColumn<bool>("checksums");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<int>("reopens");
        QTest::newRow("setting") << QByteArray("BRIG=6") << false << QByteArray("BRIG=6;\r\n") << 1;
        QTest::newRow("setting with sum") << QByteArray("LIGH=1") << true << QByteArray("LIGH=1;402;\r\n") << 1;
        QTest::newRow("bare command, checksums on") << QByteArray() << true << QByteArray("TIME?\r\n") << 0;
    }
    void settings()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, checksums);
        Rig rig;
        rig.script({"OK\r\n"});
        if (command.isEmpty())
            rig.session.sendBare("TIME?");
        else
            QCOMPARE(rig.setting(command, options(1, checksums)).outcome, ExchangeResult::Ok);
        QTEST(rig.link.written(), "written");
        QTEST(rig.reopens, "reopens");
        QCOMPARE(rig.progress, command.isEmpty() ? -1 : 1000);
    }

    // A request made while an exchange waits is refused; a bare command goes out at once.
    // The bar steps by 5 x (10 ms / time-out, in thousandths, rounded half to even) each tick
    // until it reaches 850, then holds; the time-out comes with the first tick past it.
    void progress_data()
    {
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("firstStep");
        QTest::addColumn<int>("plateau");
        QTest::addColumn<int>("ticksToPlateau");
        QTest::newRow("400") << 400 << 125 << 875 << 7;
        QTest::newRow("600") << 600 << 85 << 850 << 10;
        QTest::newRow("800 (12.5 rounds to 12)") << 800 << 60 << 900 << 15;
        QTest::newRow("1000") << 1000 << 50 << 850 << 17;
        QTest::newRow("1200") << 1200 << 40 << 880 << 22;
        QTest::newRow("1600") << 1600 << 30 << 870 << 29;
        QTest::newRow("3000") << 3000 << 15 << 855 << 57;
        QTest::newRow("4000 (2.5 rounds to 2)") << 4000 << 10 << 850 << 85;
        QTest::newRow("10000") << 10000 << 5 << 850 << 170;
    }
    void progress()
    {
        QFETCH(int, timeoutMs);
        QFETCH(int, firstStep);
        QFETCH(int, plateau);
        QFETCH(int, ticksToPlateau);
        Rig rig;
        rig.script({""});
        QList<int> values;
        QObject::connect(&rig.session, &BoardSession::progressChanged, [&](int v) { values << v; });
        const ExchangeResult r = rig.exchange("BRIG=2", options(1, false, false, timeoutMs));
        QCOMPARE(r.outcome, ExchangeResult::Timeout);
        QCOMPARE(values.size(), ticksToPlateau + 1);
        QCOMPARE(values.first(), 0);
        QCOMPARE(values.at(1), firstStep);
        QVERIFY(values.at(ticksToPlateau - 1) < 850);
        QCOMPARE(values.last(), plateau);
        QCOMPARE(rig.link.now(), (timeoutMs / 10 + 1) * 10);
    }

    // On real time, once the progress holds the wait is one timer event up to the tick that
    // ends it: a silent board costs a handful of wake-ups per attempt, not one every 10 ms.
    void quietWait()
    {
        FakeLink link;
        QtExchangeTicker ticker;
        BoardSession session(&link, &ticker);
        QList<int> ticks;
        QObject::connect(&ticker, &ExchangeTicker::ticked, [&](int ms) { ticks << ms; });
        std::optional<ExchangeResult> result;
        QElapsedTimer clock;
        clock.start();
        session.startExchange("BRIG=1", options(2), [&](const ExchangeResult &r) { result = r; });
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 20000);
        QCOMPARE(result->outcome, ExchangeResult::Timeout);
        QCOMPARE(result->attempts, 2);
        // 400 ms: seven ticks bring the progress to its plateau, then one of 340 ms ends the wait.
        const QList<int> attempt{10, 10, 10, 10, 10, 10, 10, 340};
        QCOMPARE(ticks, attempt + attempt);
        QVERIFY(clock.elapsed() >= 2 * 400);
    }

    void busy()
    {
        Rig rig;
        rig.script({"P|ING\r\nOK\r\n"});
        QList<int> refused;
        QObject::connect(&rig.session, &BoardSession::lineReceived, [&] {
            refused << int(rig.exchange("LIGH=1", options(1)).outcome)
                    << int(rig.upload(QStringList(10, "1"), options(1)).outcome)
                    << int(rig.read(options(1)).outcome) << int(rig.setting("BRIG=1", options(1)).outcome);
            rig.session.sendBare("PC");
        });
        QCOMPARE(rig.exchange("BRIG=1", options(1)).outcome, ExchangeResult::Timeout);
        QCOMPARE(refused, (QList<int>{ExchangeResult::Busy, UploadResult::Busy, ReadResult::Busy, ExchangeResult::Busy}));
        // The bare write discards what was buffered: the "OK" behind it never reaches the exchange.
        QCOMPARE(rig.link.writes(), (QByteArrayList{"BRIG=1;\r\n", "PC\r\n"}));
        QVERIFY(!rig.session.isBusy());
    }

    void events_data()
    {
        QTest::addColumn<QByteArray>("begun");   // the reply of a timed-out exchange run first
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("checksums");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QByteArrayList>("log");
        QTest::addColumn<QStringList>("events");

        const QByteArray e = "EVENT 21.5,3,1";
        QTest::newRow("plain") << QByteArray() << e + CRLF << false << false << QByteArrayList{e} << QStringList{"21.5|3|1"};
        QTest::newRow("sum right, checksums on") << QByteArray() << withSum(e) + CRLF << true << false << QByteArrayList{withSum(e)}
                                                 << QStringList{"21.5|3|1"};
        QTest::newRow("no sum, checksums on") << QByteArray() << e + CRLF << true << false << QByteArrayList{e} << QStringList{};
        QTest::newRow("sum not shown, checksums off") << QByteArray() << withSum("EVENT 21.5") + CRLF << false << false
                                                      << QByteArrayList{withSum("EVENT 21.5")} << QStringList{"21.5||"};
        QTest::newRow("short line") << QByteArray() << QByteArray("EVENT -0.25,4\r\n") << false << false << QByteArrayList{"EVENT -0.25,4"}
                                    << QStringList{"-0.25|4|"};
        QTest::newRow("other lines only logged") << QByteArray() << QByteArray("\r\nPC OK\r\nEVENTS\r\n") << false << false
                                                 << QByteArrayList{"PC OK", "EVENTS"} << QStringList{};
        QTest::newRow("burst in one poll") << QByteArray() << QByteArray("EVENT 1,0,0\r\nEVENT 2,4,1\r\n") << false << false
                                           << QByteArrayList{"EVENT 1,0,0", "EVENT 2,4,1"} << QStringList{"1|0|0", "2|4|1"};
        QTest::newRow("unfinished line waits") << QByteArray() << e << false << false << QByteArrayList{} << QStringList{};
        QTest::newRow("paused") << QByteArray() << e + CRLF << false << true << QByteArrayList{} << QStringList{};
        QTest::newRow("line begun by an exchange") << QByteArray("EVENT 2") << QByteArray("1.5,3,1\r\n") << false << false
                                                   << QByteArrayList{e} << QStringList{"21.5|3|1"};
    }
    void events()
    {
        QFETCH(QByteArray, begun);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, checksums);
        QFETCH(bool, paused);
        Rig rig;
        if (!begun.isEmpty()) {
            rig.script({begun});
            QCOMPARE(rig.exchange("READ=", options(1)).outcome, ExchangeResult::Timeout);
        }
        EventListener listener(&rig.session);
        QByteArrayList log;
        QStringList events;
        connect(&listener, &EventListener::lineReceived, [&](const QByteArray &l) { log << l; });
        connect(&listener, &EventListener::eventReceived, [&](const QByteArray &t, const QByteArray &b, const QByteArray &l) {
            events << QString::fromLatin1(t + '|' + b + '|' + l);
        });
        listener.setPaused(paused);
        rig.link.inject(bytes);
        listener.poll(checksums);
        QTEST(log, "log");
        QTEST(events, "events");
    }
};

QTEST_GUILESS_MAIN(TestBoardSession)
#include "tst_board_session.moc"
