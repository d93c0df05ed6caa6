#include <QtTest>
#include "core/files/ScheduleFile.h"

Q_DECLARE_METATYPE(ScheduleLookup::Status)

namespace {
const QByteArray Heading = "Date  Morning  Evening\r\n";
}

class TestSchedule : public QObject {
    Q_OBJECT
private slots:
    void lookup_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("firstCorrection");
        QTest::addColumn<int>("secondCorrection");
        QTest::addColumn<ScheduleLookup::Status>("status");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("message");

        const QDate may13(2024, 5, 13);
        const QByteArray before = "05.12 06:14:00 20:43:00\r\n";
        const QByteArray day = "05.13 06:12:00 20:45:00\r\n";
        const QByteArray after = "05.14 06:10:00 20:47:00\r\n";
        const auto Found = ScheduleLookup::Found;
        const auto NoEntry = ScheduleLookup::NoEntry;
        const auto Failed = ScheduleLookup::Failed;

        QTest::newRow("13 May with corrections") << Heading + before + day + after << may13 << 10 << -15 << Found
                                                 << 382 << 1230 << "";
        QTest::newRow("lf line ends") << QByteArray(Heading + before + day + after).replace("\r\n", "\n") << may13
                                      << 10 << -15 << Found << 382 << 1230 << "";
        QTest::newRow("seconds not read") << Heading + "05.13 06:12:59 20:45:59" << may13 << 0 << 0 << Found << 372
                                          << 1245 << "";
        QTest::newRow("past midnight") << Heading + "05.13 23:55:00 23:50:00\r\n" << may13 << 10 << 10 << Found << 5
                                       << 0 << "";
        QTest::newRow("before midnight") << Heading + "05.13 00:30:00 00:00:00\r\n" << may13 << -45 << -127 << Found
                                         << 1425 << 1313 << "";
        QTest::newRow("largest correction") << Heading + "05.13 23:00:00 12:00:00\r\n" << may13 << 128 << 128
                                            << Found << 68 << 848 << "";
        QTest::newRow("month without leading zero never matches")
            << Heading + "5.13  07:00:00 21:00:00\r\n" << may13 << 0 << 0 << NoEntry << 0 << 0 << "";
        QTest::newRow("first matching line wins") << Heading + "5.13  07:00:00 21:00:00\r\n" + day + "05.13 01:00:00 02:00:00\r\n"
                                                  << may13 << 0 << 0 << Found << 372 << 1245 << "";
        QTest::newRow("heading with today's date") << "05.13 01:00:00 02:00:00\r\n" + before + after << may13 << 0
                                                   << 0 << NoEntry << 0 << 0 << "";
        QTest::newRow("heading only") << Heading << may13 << 0 << 0 << NoEntry << 0 << 0 << "";
        QTest::newRow("empty file") << QByteArray("") << may13 << 0 << 0 << NoEntry << 0 << 0 << "";
        QTest::newRow("other day") << Heading + before + day + after << QDate(2024, 12, 31) << 0 << 0 << NoEntry
                                   << 0 << 0 << "";
        QTest::newRow("letters before today's line")
            << Heading + "05.12 xx:14:00 20:43:00\r\n" + day << may13 << 0 << 0 << Failed << 0 << 0
            << "'xx' is not a valid integer value";
        QTest::newRow("letters in second minutes") << Heading + "05.12 06:14:00 20:4a:00\r\n" + day << may13 << 0
                                                   << 0 << Failed << 0 << 0 << "'4a' is not a valid integer value";
        QTest::newRow("letters after today's line") << Heading + day + "05.14 xx:10:00 20:47:00\r\n" << may13 << 0
                                                    << 0 << Found << 372 << 1245 << "";
        QTest::newRow("short line before today's") << Heading + "05.12 06\r\n" + day << may13 << 0 << 0 << Failed
                                                   << 0 << 0 << "'' is not a valid integer value";
        QTest::newRow("empty line before today's") << Heading + "\r\n" + day << may13 << 0 << 0 << Failed << 0 << 0
                                                   << "'' is not a valid integer value";
        QTest::newRow("no file") << QByteArray() << may13 << 0 << 0 << Failed << 0 << 0
                                 << "Cannot open file \"%1\". No such file or directory";
    }
    void lookup()
    {
        QFETCH(QByteArray, content);
        QFETCH(QDate, today);
        QFETCH(int, firstCorrection);
        QFETCH(int, secondCorrection);
        QFETCH(ScheduleLookup::Status, status);
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, message);

        QTemporaryDir dir;
        const QString path = dir.filePath("Shedule.shd");
        const QString displayPath = "/opt/tablo/Shedule.shd";
        if (!content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        const ScheduleLookup r = lookupSchedule(path, displayPath, today, firstCorrection, secondCorrection);
        QCOMPARE(r.status, status);
        if (status == ScheduleLookup::Found) {
            QCOMPARE(r.first, first);
            QCOMPARE(r.second, second);
        }
        QCOMPARE(r.message, message.contains("%1") ? message.arg(displayPath) : message);
    }
};

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
