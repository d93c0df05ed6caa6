// The settings file as values (load tables), the exact bytes a save writes, and the model's signals.
#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "core/settings/BoardReadingSettings.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"

using Edit = void (*)(ProgramSettings &); // from the values of an absent file to the expected ones
using Step = void (*)(SettingsModel &);
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(Step)

namespace {
// File text from lines separated by "|", each ended by CR LF.
QByteArray lines(const char *text) { return QByteArray(text).replace('|', "\r\n") + "\r\n"; }
// The controller values in a line, so that a mismatch shows the field.
QString fields(const ControllerConfig &c)
{
    QStringList f{c.morningTime, c.eveningTime, c.offTime, c.onTime};
    for (int v : {c.morningCorrection, c.eveningCorrection, c.offCorrection, c.onCorrection, c.dayLevel, c.nightLevel,
                  c.brightness, c.brightnessMode, c.lighting, c.lightingMode, c.flash, c.timerUsed, c.temperatureUsed,
                  c.section, c.events, c.inverse, c.controlledBy})
        f << QString::number(v);
    return f.join('|');
}
QByteArray readAll(const QString &path) { QFile f(path); return f.open(QFile::ReadOnly) ? f.readAll() : "<missing>"; }
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;
    // A new file holding `text`; a null text leaves it missing.
    QString file(const QByteArray &text)
    {
        const QString path = dir.filePath(QString::number(++files));
        QFile f(path);
        if (!text.isNull() && (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void loadProgram_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Edit>("expected");
        QTest::newRow("no file") << QByteArray() << +[](ProgramSettings &) {};
        QTest::newRow("ranges, numbers, flags, texts")
            << lines("[settings]|Auto_Load_Intvl=1000001|Attempts=0xB|Timeout_for_command=399|Auto_Load=true|"
                     "Send_If_Changed=2|Manage_Checksumms=0|BaudRAte=19200|Port_Number= \"/dev/ttyUSB0\" |Parity=Odd|"
                     "[TABLO]|Products=20|Valutas=abc|Fill_char=-5|Board_type=7|Digits=0|Replys=-1|5st_Currency=1|"
                     "1a_st_Currency=0|Show_B_L=0|Name_1=|Name_10=Gas \xE9|VAL_5=\xC4UR")
            << +[](ProgramSettings &s) {
                   s.autoLoadIntervalMs = 1000000, s.attempts = 10, s.timeoutMs = 400, s.boardType = s.digits = 1;
                   s.fillMode = -1, s.sendIfChanged = s.oneWay = s.shown[8] = true, s.checksums = s.shown[1] = false;
                   s.lightingControl = false, s.baudRate = "19200", s.port = "/dev/ttyUSB0", s.productNames[0] = "";
                   s.productNames[9] = QStringLiteral("Gas é"), s.currencies[4] = QStringLiteral("ÄUR");
               };
        QTest::newRow("defaults for what is no number, ends of ranges")
            << lines("[Settings]|Attempts=abc|[Tablo]|Board_type=-1|Valutas=9|1st_Currency=true|2st_Currency=0|"
                     "5st_Currency=2")
            << +[](ProgramSettings &s) { s.boardType = -1, s.currencyCount = 5, s.shown[2] = false, s.shown[8] = true; };
        QTest::newRow("attempts and time-out below their ranges")
            << lines("[Settings]|Attempts=0|Timeout_for_command=50") << +[](ProgramSettings &s) { s.timeoutMs = 400; };
    }
    void loadProgram()
    {
        QFETCH(QByteArray, text);
        QFETCH(Edit, expected);
        ProgramSettings s;
        expected(s);
        QVERIFY(SettingsStore::loadProgram(file(text)) == s);
    }
    void saveProgram_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QByteArray>("after");
        const QByteArray defaults = lines("[Settings]|BaudRAte=9600|Port_Number=COM1|Auto_Load=0|Auto_Load_Intvl=5000|Send_If_Changed=0|"
                     "Attempts=1|Timeout_for_command=1000|Manage_Checksumms=1|[Tablo]|Products=10|Valutas=5|"
                     "Show_B_L=1|Show_Brig=1|1st_Currency=1|2st_Currency=1|3st_Currency=1|4st_Currency=1|"
                     "5st_Currency=0|1a_st_Currency=1|2a_st_Currency=1|3a_st_Currency=1|4a_st_Currency=1|"
                     "5a_st_Currency=0|Replys=0|Name_1=Normal|Name_2=Regular|Name_3=Premium|Name_4=Super|"
                     "Name_5=Diesel|Name_6=|Name_7=|Name_8=|Name_9=|Name_10=|VAL_1=USD|VAL_2=EUR|VAL_3=GBP|VAL_4=RUR|"
                     "VAL_5=FRF|Board_type=0|Digits=5|Fill_char=0");
        QTest::newRow("defaults, no file") << QByteArray() << +[](ProgramSettings &) {} << defaults;
        // Both sections are erased first: their unknown keys go, comments and other sections stay.
        QTest::newRow("every value, other content kept")
            << lines("; top|[Settings]|Port_Number=COM9|Unknown=1|; inside|[Controller]|Flash=1") + "[Tablo]\nDigits=3"
            << +[](ProgramSettings &s) {
                   s.port = "/dev/ttyUSB0", s.baudRate = "19200", s.autoLoad = s.sendIfChanged = s.oneWay = true;
                   s.autoLoadIntervalMs = 30000, s.attempts = 3, s.timeoutMs = 2500, s.checksums = false, s.digits = 3;
                   s.productCount = 7, s.currencyCount = 2, s.lightingControl = s.shown[0] = s.shown[3] = false;
                   s.shown[9] = true, s.productNames[2] = QStringLiteral("Prémium"), s.productNames[9] = "Gas 95";
                   s.currencies[0] = QStringLiteral("₾"), s.currencies[4] = "CHF", s.fillMode = s.boardType = 1;
               }
            << lines("; top|; inside|[Controller]|Flash=1|[Settings]|BaudRAte=19200|Port_Number=/dev/ttyUSB0|"
                     "Auto_Load=1|Auto_Load_Intvl=30000|Send_If_Changed=1|Attempts=3|Timeout_for_command=2500|"
                     "Manage_Checksumms=0|[Tablo]|Products=7|Valutas=2|Show_B_L=0|Show_Brig=1|1st_Currency=0|"
                     "2st_Currency=1|3st_Currency=1|4st_Currency=1|5st_Currency=0|1a_st_Currency=1|2a_st_Currency=0|"
                     "3a_st_Currency=1|4a_st_Currency=1|5a_st_Currency=1|Replys=1|Name_1=Normal|Name_2=Regular|"
                     "Name_3=Pr\xE9mium|Name_4=Super|Name_5=Diesel|Name_6=|Name_7=|Name_8=|Name_9=|Name_10=Gas 95|"
                     "VAL_1=?|VAL_2=EUR|VAL_3=GBP|VAL_4=RUR|VAL_5=CHF|Board_type=1|Digits=3|Fill_char=1");
    }
    void saveProgram()
    {
        QFETCH(QByteArray, before);
        QFETCH(Edit, edit);
        QFETCH(QByteArray, after);
        const QString path = file(before);
        ProgramSettings s;
        edit(s);
        QVERIFY(SettingsStore::saveProgram(path, s));
        QCOMPARE(readAll(path), after);
        s.currencies[0] = QString::fromLatin1(s.currencies[0].toLatin1()); // what the file can hold
        QVERIFY(SettingsStore::loadProgram(path) == s);
    }
    void loadController_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // times, corrections, levels, selectors
        QTest::newRow("no file") << QByteArray()
                                 << "00:00:00|00:01:00|00:00:00|00:01:00|0|0|0|0|0|0|-1|-1|-1|-1|-1|-1|-1|-1|-1|-1|-1";
        QTest::newRow("ranges, selectors not read")
            << lines("[Controller]|Morning_Time=7:05|ON_Time=|Morning_Time_Correction=200|Evening_Time_Correction=-128|"
                     "OFF_Time_Correction=0x10|ON_Time_Correction=x|Morning_Brightness=5|Evening_Brightness=3|Flash=1|"
                     "Brightness_Mode=2|Inverse=0")
            << "7:05|00:01:00|00:00:00||127|-127|16|0|-1|3|-1|-1|-1|-1|-1|-1|-1|-1|-1|-1|-1";
    }
    void loadController()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(fields(SettingsStore::loadController(file(text))), expected);
    }
    // The section is never erased: known keys are replaced where they stand, others stay.
    void saveController()
    {
        const QString path = file("[controller]\r\nON_TIME=0\r\nMine=x\r\n; note\r\n[Settings]\r\nPort_Number=COM2");
        const ControllerConfig c{3, 0, 1, 1, 1, "06:30:00", "21:15:00", "23:00:00", "05:45:00", -20, 15, 127, -127,
                                 4, 2, 0, 1, 10, 1, 1, -1}; // in the order of the members
        QVERIFY(SettingsStore::saveController(path, c));
        QCOMPARE(readAll(path),
                 lines("[controller]|ON_TIME=05:45:00|Mine=x|Morning_Time=06:30:00|Evening_Time=21:15:00|"
                       "OFF_Time=23:00:00|Enable_Events=1|Timer_Used=0|Temperature_Used=1|Back_light_Mode=1|"
                       "Brightness_Mode=3|Morning_Time_Correction=-20|Evening_Time_Correction=15|"
                       "OFF_Time_Correction=127|ON_Time_Correction=-127|Morning_Brightness=4|Evening_Brightness=2|"
                       "Shedule_Backlight=1|Shedule_Brightness=0|Inverse=1|Flash=1|Time_Temp_Dispalay=10|Modem_Used=-1|"
                       "; note|[Settings]") + "Port_Number=COM2");
        QCOMPARE(fields(SettingsStore::loadController(path)),
                 "06:30:00|21:15:00|23:00:00|05:45:00|-20|15|127|-127|4|2|-1|-1|-1|-1|-1|-1|-1|-1|-1|-1|-1");
    }
    void modelSignals_data()
    {
        QTest::addColumn<QByteArray>("text"); // of the model's file
        QTest::addColumn<Step>("step");
        QTest::addColumn<QStringList>("expected"); // each as often as it fires
        QTest::newRow("brought to the values held") << QByteArray()
            << +[](SettingsModel &m) { m.setAttempts(0), m.setDigits(9), m.setCurrencyCount(6); } << QStringList();
        QTest::newRow("load") << lines("[Settings]|Port_Number=COM2|Auto_Load=1|Manage_Checksumms=0|[Tablo]|Replys=1|"
                                       "Valutas=2|Show_Brig=0|VAL_1=CHF|Digits=2|1st_Currency=0|2st_Currency=0|"
                                       "Board_type=1")
            << +[](SettingsModel &m) { m.setProgram(SettingsStore::loadProgram(m.path())); }
            << QStringList{"autoLoadChanged", "oneWayChanged", "rowCountsChanged", "selectorControlsChanged",
                           "figureFormatChanged", "boardTypeChanged"};
        QTest::newRow("controller loaded twice") << QByteArray()
            << +[](SettingsModel &m) {
                   m.setController(SettingsStore::loadController(m.path()));
                   m.setController(SettingsStore::loadController(m.path()));
               }
            << QStringList{"controllerValueChanged", "controllerValueChanged"};   // the levels
        QTest::newRow("one field twice, a correction brought to 127 twice") << QByteArray() << +[](SettingsModel &m) {
            for (int v : {1, 1, 200, 300})
                m.setControllerValue(v < 2 ? ControllerField::Flash : ControllerField::OnCorrection, v);
        }
            << QStringList{"controllerValueChanged", "controllerValueChanged"};
    }
    void modelSignals()
    {
        QFETCH(QByteArray, text);
        QFETCH(Step, step);
        QFETCH(QStringList, expected);
        SettingsModel model(file(text));
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject *mo = model.metaObject();
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i)
            if (mo->method(i).methodType() == QMetaMethod::Signal)
                spies.push_back(std::make_unique<QSignalSpy>(&model, mo->method(i)));
        step(model);
        QStringList fired;
        for (const auto &spy : spies)
            for (int n = 0; n < spy->count(); ++n)
                fired << QString::fromLatin1(spy->signal().left(spy->signal().indexOf('(')));
        fired.sort(), expected.sort();
        QCOMPARE(fired, expected);
    }
    // "SETS=" may carry only values the board reported or the operator chose (or, for the times,
    // corrections and levels, the stored section's), never the values the program starts with.
    void knownValues_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<QString>("unknown");
        QTest::addColumn<bool>("settled");   // the section may be saved
        const QString selectors = "brightness|lighting|flash|timer used|temperature sensor used|"
                                  "temperature and clock section|events|inverse signals|controlled by";
        QTest::newRow("start values") << +[](SettingsModel &) {}
            << "brightness|lighting|flash|morning time|evening time|morning correction|evening correction|"
               "day brightness|night brightness|switch-off time|switch-on time|switch-off correction|"
               "switch-on correction|timer used|temperature sensor used|temperature and clock section|events|"
               "inverse signals|controlled by" << false;
        QTest::newRow("read") << +[](SettingsModel &m) { read(m, reading()); } << "" << true;
        QTest::newRow("read, then the stored section loaded") << +[](SettingsModel &m) {
            read(m, reading());
            m.forgetController(true);
        } << selectors << true;
        QTest::newRow("a reading without \"controlled by\", a broken lighting mode") << +[](SettingsModel &m) {
            BoardReading r = reading();
            r.controlledBy = "--";
            r.lightingMode = "x";
            read(m, r);
        } << "lighting|controlled by" << true;
        QTest::newRow("brightness auto, its mode not known") << +[](SettingsModel &m) {
            read(m, reading());
            m.forgetController(true);
            for (int f = 0; f < ControllerFieldCount; ++f)
                if (ControllerField(f) != ControllerField::BrightnessMode)
                    m.choose(ControllerField(f), 0);
            m.setControllerValue(ControllerField::Brightness, 5);
        } << "brightness" << true;
        QTest::newRow("one-way: every choice but the events") << +[](SettingsModel &m) {
            m.setOneWay(true);
            m.forgetController(false);
            for (int f = 0; f < ControllerFieldCount; ++f)
                if (ControllerField(f) != ControllerField::Events)
                    m.choose(ControllerField(f), 1);
            for (SwitchTime t : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off})
                m.chooseSwitchTime(t, "07:00:00");
        } << "switch-on time" << false;
    }
    void knownValues()
    {
        QFETCH(Step, step);
        QFETCH(QString, unknown);
        QFETCH(bool, settled);
        SettingsModel model(file(QByteArray()));
        step(model);
        QCOMPARE(model.unknownSetsParts().join('|'), unknown);
        QCOMPARE(model.controllerSettled(), settled);
    }

    // The values a reading gives: the modes (lighting 2 and brightness 5 automatic by time, 3 and 6
    // by schedule), one-byte corrections, minutes as times, the selectors.
    void readingValues_data()
    {
        QTest::addColumn<QByteArrayList>("modes");   // fields 14 (brightness) and 15 (lighting)
        QTest::addColumn<QList<int>>("expected");    // brightness, its mode, lighting, its mode
        QTest::newRow("by schedule") << QByteArrayList{"6", "3"} << QList<int>{5, 1, 2, 1};
        QTest::newRow("by time") << QByteArrayList{"5", "2"} << QList<int>{5, 0, 2, 0};
        QTest::newRow("levels") << QByteArrayList{"2", "0"} << QList<int>{2, 0, 0, 0};
    }
    void readingValues()
    {
        QFETCH(QByteArrayList, modes);
        QFETCH(QList<int>, expected);
        BoardReading r = reading();
        r.brightnessMode = modes[0];
        r.lightingMode = modes[1];
        SettingsModel m(file(QByteArray()));
        read(m, r);
        using F = ControllerField;
        QList<int> values;
        for (F f : {F::Brightness, F::BrightnessMode, F::Lighting, F::LightingMode, F::Flash, F::MorningCorrection,
                    F::EveningCorrection, F::OnCorrection, F::DayLevel, F::NightLevel, F::TimerUsed, F::TemperatureUsed,
                    F::Section, F::Events, F::Inverse, F::ControlledBy})
            values << m.controllerValue(f);
        QCOMPARE(values, expected + (QList<int>{1, -56, 2, 3, 4, 1, 1, 1, 7, 1, 1, 1}));
        QCOMPARE(m.switchTime(SwitchTime::Morning) + m.switchTime(SwitchTime::Evening) + m.switchTime(SwitchTime::Off)
                     + m.switchTime(SwitchTime::On),
                 QStringLiteral("07:00:0020:00:0023:59:0019:00:00"));
    }

private:
    static BoardReading reading()
    {
        BoardReading r;
        std::array<QByteArray, 33> f = r.fields();
        const QByteArrayList values = QByteArray("24.5,2,1,6,3,1,420,1200,200,2,4,1,1439,1140,0,3,1,1,7,1,1,1").split(',');
        for (int k = 11; k <= 32; ++k)
            f[k] = values.at(k - 11);
        r.setFields(f);
        return r;
    }
    static void read(SettingsModel &m, const BoardReading &r)
    {
        takeControllerReading(m, r);
        takeSectionReading(m, r);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
