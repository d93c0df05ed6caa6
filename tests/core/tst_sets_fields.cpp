// The nineteen "SETS=" fields built from the windows' values.
#include <QtTest>

#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"

using Values = ControllerConfig;
Q_DECLARE_METATYPE(Values)

namespace {
Values none()
{
    Values v;
    v.morningTime = v.eveningTime = v.offTime = v.onTime = QStringLiteral("00:00:00");
    return v;
}
QList<int> toList(const std::array<int, 19> &a) { return QList<int>(a.begin(), a.end()); }
} // namespace

class TestSetsFields : public QObject {
    Q_OBJECT
private slots:
    void fields_data()
    {
        QTest::addColumn<Values>("values");
        QTest::addColumn<QList<int>>("fields");

        QTest::newRow("no selections") << none()
                                       << QList<int>{0, 0, 0, 0, 0, 0, 0, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        {
            Values v = none();
            v.brightness = 2;     // "50%" shown, automatic mode unselected
            v.lighting = 1;
            v.lightingMode = 0;
            QTest::newRow("50% with no automatic mode")
                << v << QList<int>{0, 1, 0, 0, 0, 0, 0, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        }
        {
            Values v = none();
            v.brightness = 5;
            v.brightnessMode = 0;
            v.lighting = 2;
            v.lightingMode = 0;
            QTest::newRow("auto by time") << v
                                          << QList<int>{5, 2, 0, 0, 0, 0, 0, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            v.brightnessMode = 1;
            v.lightingMode = 1;
            QTest::newRow("auto by schedule")
                << v << QList<int>{6, 3, 0, 0, 0, 0, 0, -1, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        }
        {
            Values v;
            v.brightness = 4;
            v.brightnessMode = 1;
            v.lighting = 0;
            v.lightingMode = 1;
            v.flash = 1;
            v.morningTime = QStringLiteral("07:30:00");
            v.eveningTime = QStringLiteral("07:30:15");
            v.offTime = QStringLiteral("23:59:59");
            v.onTime = QStringLiteral("00:01:00");
            v.morningCorrection = -5;
            v.eveningCorrection = -1;
            v.offCorrection = 128;   // sent as 127: the board reads 128 back as -128
            v.onCorrection = -127;
            v.dayLevel = 4;
            v.nightLevel = 2;
            v.timerUsed = 1;
            v.temperatureUsed = 1;
            v.section = 10;
            v.events = 1;
            v.inverse = 1;
            v.controlledBy = 1;
            QTest::newRow("every field")
                << v << QList<int>{4, 0, 1, 450, 450, 251, 255, 4, 2, 1439, 1, 127, 129, 1, 1, 10, 1, 1, 1};
        }
    }
    void fields()
    {
        QFETCH(Values, values);
        QFETCH(QList<int>, fields);
        std::array<int, 19> out{};
        QVERIFY(setsFields(values, out));
        QCOMPARE(toList(out), fields);
    }

    // A time text that is no time of day is refused with the message to show.
    void badTime_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters in hours") << "ab:30:00" << "'ab' is not a valid integer value";
        QTest::newRow("letters in minutes") << "07:3x:00" << "'3x' is not a valid integer value";
        QTest::newRow("empty") << "" << "'' is not a valid integer value";
        for (const char *time : {"24:00:00", "99:99:00", "01:-5:00", "-1:00:00", "07:30:61"})
            QTest::newRow(time) << time << QStringLiteral("'%1' is not a valid time").arg(QLatin1String(time));
    }
    void badTime()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        for (int which = 0; which < 4; ++which) {
            Values v = none();
            QString *texts[4] = {&v.morningTime, &v.eveningTime, &v.offTime, &v.onTime};
            *texts[which] = text;
            std::array<int, 19> out{};
            QString error = QStringLiteral("unset");
            QVERIFY(!setsFields(v, out, &error));
            QCOMPARE(error, message);
        }
    }

    // What the board gives back for what was sent: times lose their seconds.
    void timeRoundTrip_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("07:30:15") << "07:30:15" << 450 << "07:30:00";
        QTest::newRow("00:01:00") << "00:01:00" << 1 << "00:01:00";
        QTest::newRow("23:59:59") << "23:59:59" << 1439 << "23:59:00";
    }
    void timeRoundTrip()
    {
        QFETCH(QString, stored);
        QFETCH(int, sent);
        QFETCH(QString, readBack);
        Values v = none();
        v.offTime = stored;
        std::array<int, 19> out{};
        QVERIFY(setsFields(v, out));
        QCOMPARE(out[9], sent);
        QCOMPARE(Protocol::minutesToTimeText(out[9]), readBack);
    }
};

QTEST_GUILESS_MAIN(TestSetsFields)
#include "tst_sets_fields.moc"
