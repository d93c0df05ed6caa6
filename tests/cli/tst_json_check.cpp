#include <QtTest>
#include "cli/Choices.h"
#include "cli/JsonCheck.h"
#include "cli/MqttOptions.h"
#include "centre/CentreOptions.h"
#include "feed/FeedSchema.h"

class TestJsonCheck : public QObject {
    Q_OBJECT
private slots:
    void payloads_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<bool>("duplicate");
        QTest::addColumn<QString>("id");   // null: none found
        QTest::newRow("plain set") << QByteArray("{\"id\": \"a\", \"figures\": [\"1.5\"]}") << false << "a";
        QTest::newRow("id twice: the last") << QByteArray("{\"id\": 17, \"id\": 18}") << true << "18";
        QTest::newRow("twice in a nested object") << QByteArray("{\"a\": {\"b\": 1, \"b\": 2}}") << true << QString();
        QTest::newRow("one key in two objects") << QByteArray("[{\"k\": 1}, {\"k\": 2}]") << false << QString();
        QTest::newRow("escaped spelling of one key") << QByteArray("{\"a\": 1, \"\\u0061\": 2}") << true << QString();
        QTest::newRow("values are no keys") << QByteArray("{\"a\": \"b\", \"c\": [\"a\", \"a\", {\"a\": 0}]}") << false << QString();
        QTest::newRow("cut short") << QByteArray("{\"id\": \"r-7\", \"figures\": [\"1.5\",") << false << "r-7";
        QTest::newRow("bad value before the id") << QByteArray("{\"figures\": [1.5.5], \"id\": -2.5e3}") << false << "-2.5e3";
        QTest::newRow("nested id only") << QByteArray("{\"x\": {\"id\": 5}, \"figures\": nope}") << false << QString();
        QTest::newRow("number cut short") << QByteArray("{\"id\": 12") << false << QString();
        QTest::newRow("id neither text nor number") << QByteArray("{\"id\": true, ") << false << QString();
        QTest::newRow("leading zero is no number") << QByteArray("{\"id\": 012}") << false << QString();
        QTest::newRow("point without digits") << QByteArray("{\"id\": 1.}") << false << QString();
        QTest::newRow("exponent without digits") << QByteArray("{\"id\": 1e+}") << false << QString();
        QTest::newRow("every part of a number") << QByteArray("{\"id\": -0.50E+2}") << false << "-0.50E+2";
        QTest::newRow("escaped quote in the id") << QByteArray("{\"id\": \"a\\\"b}\", \"x\": }") << false << "a\"b}";
    }
    void payloads()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, id);
        QTEST(hasDuplicateKeys(payload), "duplicate");
        QCOMPARE(findJsonId(payload), id.isNull() ? std::optional<QString>() : id);
    }

    // The option values and the clock argument: what each form takes and refuses. The broker,
    // the prefix and names are the bridge's and the centre's alike, and so is a refusal's message;
    // --listen is the centre's. Values split at '|' are given one after another.
    void optionValues_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("taken");   // host:port, seconds, the prefix or the id; null: refused
        QTest::newRow("host") << "--broker" << "mq.example" << "mq.example:0";
        QTest::newRow("host and port") << "--broker" << "10.0.0.5:8883" << "10.0.0.5:8883";
        QTest::newRow("IPv6 and port") << "--broker" << "[::1]:1884" << "::1:1884";
        QTest::newRow("port 0") << "--broker" << "h:0" << QString();
        QTest::newRow("six-digit port") << "--broker" << "h:100000" << QString();
        QTest::newRow("two colons") << "--broker" << "h:1:2" << QString();
        QTest::newRow("no host") << "--broker" << ":1883" << QString();
        QTest::newRow("blank in the host") << "--broker" << "a b" << QString();
        QTest::newRow("IPv6 not closed") << "--broker" << "[::1:1884" << QString();
        QTest::newRow("last host wins whole") << "--broker" << "a:1884|b" << "b:0";
        QTest::newRow("non-breaking space") << "--broker" << QString("a") + QChar(0xa0) + "b" << QString();
        QTest::newRow("zero-width space") << "--broker" << QString("a") + QChar(0x200b) << QString();
        QTest::newRow("final line end") << "--broker" << "mq.example\n" << QString();
        QTest::newRow("last listener wins whole") << "--listen" << "0.0.0.0:9000|127.0.0.1" << "127.0.0.1:8480";
        QTest::newRow("listener, final line end") << "--listen" << "127.0.0.1\n" << QString();
        QTest::newRow("prefix") << "--prefix" << "chain/tablo" << "chain/tablo";
        QTest::newRow("prefix, final slash") << "--prefix" << "tablo/" << QString();
        QTest::newRow("prefix, empty level") << "--prefix" << "a//b" << QString();
        QTest::newRow("prefix ..") << "--prefix" << ".." << QString();
        QTest::newRow("prefix of the broker's") << "--prefix" << "$SYS/tablo" << QString();
        QTest::newRow("minutes") << "--verify-every" << " 5m " << "300";
        QTest::newRow("bare seconds") << "--verify-every" << "90" << "90";
        QTest::newRow("unit alone") << "--verify-every" << "h" << QString();
        QTest::newRow("eight digits") << "--verify-every" << "12345678" << QString();
        QTest::newRow("id") << "--id" << "office-7.b_2" << "office-7.b_2";
        QTest::newRow("id with a slash") << "--id" << "a/b" << QString();
        QTest::newRow("id of 65") << "--id" << QString(65, 'a') << QString();
        QTest::newRow("id, final line end") << "--id" << "alice\n" << QString();
        QTest::newRow("clock") << "clock" << "29.02.24 23:59:58" << "2024-02-29T23:59:58Z";   // a plain wall-clock time
        QTest::newRow("clock, no such day") << "clock" << "29.02.23 10:00:00" << QString();
        QTest::newRow("clock, one digit") << "clock" << "1.02.24 10:00:00" << QString();
    }
    void optionValues()
    {
        QFETCH(QString, option);
        QFETCH(QString, value);
        QFETCH(QString, taken);
        if (option == QLatin1String("clock")) {
            const auto t = clockTime({value});
            QCOMPARE(t ? t->toString(Qt::ISODate) : QString(), taken);
            return;
        }
        QStringList arguments{"tablo-cli", "mqtt"}, centreArguments{"--db", "unused"};
        for (const QString &v : value.split('|'))
            arguments << option << v, centreArguments << option << v;
        MqttOptions o;
        CentreOptions c;
        QString error, centreError;
        const bool bridge = option != "--listen", centre = QString("--broker --listen --prefix").contains(option);
        if (bridge)
            QCOMPARE(takeMqttOptions(arguments, o, error), !taken.isNull());
        if (centre)
            QCOMPARE(parseCentreOptions(centreArguments, c, &centreError), !taken.isNull());
        if (option == "--id")   // the centre's names: users, boards, groups
            QCOMPARE(Feed::isPlainName(value), !taken.isNull());
        if (taken.isNull() && option == "--prefix")
            QCOMPARE(centreError, error);   // one rule, one message
        if (taken.isNull())
            return;
        if (bridge)
            QCOMPARE(option == "--broker" ? o.host + ":" + QString::number(o.port)
                     : option == "--prefix" ? o.prefix : option == "--id" ? o.id : QString::number(o.verifyEverySeconds),
                     taken);
        if (centre)
            QCOMPARE(option == "--broker"   ? c.brokerHost + ":" + QString::number(c.brokerPort)
                     : option == "--listen" ? c.listenHost + ":" + QString::number(c.listenPort) : c.prefix,
                     taken);
    }
};

QTEST_GUILESS_MAIN(TestJsonCheck)
#include "tst_json_check.moc"
