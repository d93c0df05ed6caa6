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

    // The bridge's option values and the clock argument: what each form takes and refuses.
    void optionValues_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("taken");   // seconds, or the time; null: refused
        QTest::newRow("minutes") << "--verify-every" << " 5m " << "300";
        QTest::newRow("bare seconds") << "--verify-every" << "90" << "90";
        QTest::newRow("unit alone") << "--verify-every" << "h" << QString();
        QTest::newRow("eight digits") << "--verify-every" << "12345678" << QString();
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
        QStringList arguments{"tablo-cli", "mqtt", option, value};
        MqttOptions o;
        QString error;
        const bool ok = takeMqttOptions(arguments, o, error);
        QCOMPARE(ok, !taken.isNull());
        if (ok)
            QCOMPARE(QString::number(o.verifyEverySeconds), taken);
    }

    // The values the bridge and the centre share, taken by both alike: brokers (the last given
    // wins whole), the centre's listener, prefixes (refused with one message) and names (the
    // bridge's id; the centre's users, boards and groups).
    void sharedValues_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QStringList>("values");   // given in this order
        QTest::addColumn<QString>("taken");        // host:port, the prefix or the name; null: refused
        const auto row = [](const char *name, const char *option, const QStringList &values, const QString &taken) {
            QTest::newRow(name) << QString(option) << values << taken;
        };
        row("host", "--broker", {"mq.example"}, "mq.example:1883");
        row("host and port", "--broker", {"10.0.0.5:8883"}, "10.0.0.5:8883");
        row("IPv6 and port", "--broker", {"[::1]:1884"}, "::1:1884");
        row("last wins whole", "--broker", {"a:1884", "b"}, "b:1883");
        row("port 0", "--broker", {"h:0"}, {});
        row("six-digit port", "--broker", {"h:100000"}, {});
        row("two colons", "--broker", {"h:1:2"}, {});
        row("no host", "--broker", {":1883"}, {});
        row("blank in the host", "--broker", {"a b"}, {});
        row("non-breaking space", "--broker", {QString("a") + QChar(0xa0) + "b"}, {});
        row("final line end", "--broker", {"mq.example\n"}, {});
        row("line end before the port", "--broker", {"mq\n:1883"}, {});
        row("zero-width space", "--broker", {QString("mq") + QChar(0x200b)}, {});
        row("IPv6 not closed", "--broker", {"[::1:1884"}, {});
        row("listener", "--listen", {"0.0.0.0:9000"}, "0.0.0.0:9000");
        row("listener, last wins whole", "--listen", {"0.0.0.0:9000", "127.0.0.1"}, "127.0.0.1:8480");
        row("listener, final line end", "--listen", {"127.0.0.1\n"}, {});
        row("prefix of two levels", "--prefix", {"chain/tablo"}, "chain/tablo");
        row("prefix with a final slash", "--prefix", {"tablo/"}, {});
        row("prefix with an empty level", "--prefix", {"a//b"}, {});
        row("prefix level .", "--prefix", {"a/./b"}, {});
        row("prefix ..", "--prefix", {".."}, {});
        row("prefix of the broker's", "--prefix", {"$SYS/tablo"}, {});
        row("prefix with a wildcard", "--prefix", {"a/+"}, {});
        row("name", "name", {"office-7.b_2"}, "office-7.b_2");
        row("name with a slash", "name", {"a/b"}, {});
        row("name of 65", "name", {QString(65, 'a')}, {});
        row("name ..", "name", {".."}, {});
        row("name with a final line end", "name", {"alice\n"}, {});
    }
    void sharedValues()
    {
        QFETCH(QString, option);
        QFETCH(QStringList, values);
        QFETCH(QString, taken);
        QStringList bridgeArgs{"tablo-cli", "mqtt"}, centreArgs{"--db", "unused.sqlite"};
        for (const QString &v : values) {
            bridgeArgs << (option == "name" ? "--id" : option) << v;
            centreArgs << option << v;
        }
        MqttOptions b;
        QString bridgeError, centreError;
        if (option != "--listen")   // the bridge listens nowhere
            QCOMPARE(takeMqttOptions(bridgeArgs, b, bridgeError), !taken.isNull());
        if (option == "name") {   // the centre's check of every name
            QCOMPARE(Feed::isPlainName(values.constFirst()), !taken.isNull());
            QCOMPARE(b.id, taken.isNull() ? QString() : taken);
            return;
        }
        CentreOptions c;
        QCOMPARE(parseCentreOptions(centreArgs, c, &centreError), !taken.isNull());
        if (taken.isNull()) {
            if (option == "--prefix")
                QCOMPARE(centreError, bridgeError);   // one rule, one message
            return;
        }
        QCOMPARE(option == "--broker"   ? c.brokerHost + ":" + QString::number(c.port())
                 : option == "--listen" ? c.listenHost + ":" + QString::number(c.listenPort)
                                        : c.prefix,
                 taken);
        if (option != "--listen")
            QCOMPARE(option == "--broker" ? b.host + ":" + QString::number(b.brokerPort()) : b.prefix, taken);
    }
};

QTEST_GUILESS_MAIN(TestJsonCheck)
#include "tst_json_check.moc"
