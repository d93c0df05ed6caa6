#include <QtTest>
#include "cli/JsonCheck.h"

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
        QTest::newRow("escaped quote in the id") << QByteArray("{\"id\": \"a\\\"b}\", \"x\": }") << false << "a\"b}";
    }
    void payloads()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, id);
        QTEST(hasDuplicateKeys(payload), "duplicate");
        QCOMPARE(findJsonId(payload), id.isNull() ? std::optional<QString>() : id);
    }
};

QTEST_GUILESS_MAIN(TestJsonCheck)
#include "tst_json_check.moc"
