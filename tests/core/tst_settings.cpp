// The settings file as values (load table), the exact bytes a save writes, and the model's signals.
#include <QMetaMethod>
#include <QSignalSpy>
#include <QtTest>
#include <functional>
#include <memory>

#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"

using ProgramEdit = std::function<void(ProgramSettings &)>;
using ControllerEdit = std::function<void(ControllerConfig &)>;
using ModelStep = std::function<void(SettingsModel &)>;
Q_DECLARE_METATYPE(ProgramEdit)
Q_DECLARE_METATYPE(ControllerEdit)
Q_DECLARE_METATYPE(ModelStep)

namespace {
QByteArray crlf(std::initializer_list<const char *> lines)
{
    QByteArray text;
    for (const char *line : lines)
        text += QByteArray(line) + "\r\n";
    return text;
}
// Every value, labelled, with texts as the file holds them, so a mismatch names the field.
QStringList fields(const ProgramSettings &s)
{
    QStringList f{s.port, s.baudRate, s.parity};
    const std::pair<const char *, int> ints[] = {
        {"autoLoad", s.autoLoad}, {"interval", s.autoLoadIntervalMs}, {"sendIfChanged", s.sendIfChanged},
        {"attempts", s.attempts}, {"timeout", s.timeoutMs}, {"checksums", s.checksums},
        {"products", s.productCount}, {"currencies", s.currencyCount}, {"lighting", s.lightingControl},
        {"brightness", s.brightnessControl}, {"oneWay", s.oneWay}, {"fill", s.fillMode},
        {"board", s.boardType}, {"digits", s.digits}};
    for (const auto &[name, v] : ints)
        f << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(v);
    for (int i = 0; i < 10; ++i)
        f << QStringLiteral("shown%1=%2").arg(i + 1).arg(s.shown[i]);
    for (const QString &t : s.productNames)
        f << QString::fromLatin1(t.toLatin1());
    for (const QString &t : s.currencies)
        f << QString::fromLatin1(t.toLatin1());
    return f;
}
QStringList fields(const ControllerConfig &c)
{
    QStringList f{c.morningTime, c.eveningTime, c.offTime, c.onTime};
    for (int v : {c.morningCorrection, c.eveningCorrection, c.offCorrection, c.onCorrection, c.dayLevel,
                  c.nightLevel, c.brightness, c.brightnessMode, c.lighting, c.lightingMode, c.flash, c.timerUsed,
                  c.temperatureUsed, c.section, c.events, c.inverse, c.controlledBy})
        f << QString::number(v);
    return f;
}
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
void writeAll(const QString &path, const QByteArray &text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    // A fresh file per test row; a null text leaves it missing.
    QString file(const QByteArray &text)
    {
        const char *tag = QTest::currentDataTag() ? QTest::currentDataTag() : QTest::currentTestFunction();
        const QString path = dir.filePath(QString::fromLatin1(tag).replace(' ', '_'));
        QFile::remove(path);
        if (!text.isNull())
            writeAll(path, text);
        return path;
    }

private slots:
    void loadProgram_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<ProgramEdit>("expected"); // applied to the values of an absent file
        QTest::newRow("no file") << QByteArray() << ProgramEdit([](ProgramSettings &) {});
        QTest::newRow("above range") << crlf({"[Settings]", "Auto_Load_Intvl=1000001", "Attempts=11",
                                              "Timeout_for_command=10001", "[Tablo]", "Products=20", "Valutas=9",
                                              "Fill_char=5", "Board_type=7", "Digits=9"})
                                     << ProgramEdit([](ProgramSettings &s) {
                                            s.autoLoadIntervalMs = 1000000, s.attempts = 10, s.timeoutMs = 10000;
                                            s.productCount = 10, s.currencyCount = 5, s.fillMode = 1;
                                            s.boardType = 1, s.digits = 5;
                                        });
        QTest::newRow("below range") << crlf({"[Settings]", "Auto_Load_Intvl=999", "Attempts=0",
                                              "Timeout_for_command=399", "[Tablo]", "Products=0", "Valutas=-1",
                                              "Fill_char=-5", "Board_type=-1", "Digits=0"})
                                     << ProgramEdit([](ProgramSettings &s) {
                                            s.autoLoadIntervalMs = 1000, s.attempts = 1, s.timeoutMs = 400;
                                            s.productCount = 1, s.currencyCount = 1, s.fillMode = -1;
                                            s.boardType = -1, s.digits = 1;
                                        });
        QTest::newRow("numbers and flags") << crlf({"[settings]", "Attempts=0x3", "Timeout_for_command=1.5e3",
                                                    "Auto_Load=true", "Send_If_Changed=2", "Manage_Checksumms=0",
                                                    "[TABLO]", "Digits=abc", "Replys=-1", "5st_Currency=1",
                                                    "1a_st_Currency=0", "Show_B_L=0", "Show_Brig=0"})
                                           << ProgramEdit([](ProgramSettings &s) {
                                                  s.attempts = 3, s.sendIfChanged = true, s.checksums = false;
                                                  s.oneWay = true, s.shown[8] = true, s.shown[1] = false;
                                                  s.lightingControl = s.brightnessControl = false;
                                              });
        QTest::newRow("texts") << crlf({"[Settings]", "BaudRAte=19200", "Port_Number= \"/dev/ttyUSB0\" ",
                                        "Parity=Odd", "[Tablo]", "Name_1=", "Name_10=Gas \xE9", "VAL_5=\xC4UR"})
                               << ProgramEdit([](ProgramSettings &s) {
                                      s.baudRate = "19200", s.port = "/dev/ttyUSB0";
                                      s.productNames[0] = "", s.productNames[9] = QStringLiteral("Gas é");
                                      s.currencies[4] = QStringLiteral("ÄUR");
                                  });
    }
    void loadProgram()
    {
        QFETCH(QByteArray, text);
        QFETCH(ProgramEdit, expected);
        ProgramSettings s;
        expected(s);
        QCOMPARE(fields(SettingsStore::loadProgram(file(text))), fields(s));
    }

    void saveProgram_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<ProgramEdit>("edit");
        QTest::addColumn<QByteArray>("settings"); // the sections as the save writes them
        QTest::addColumn<QByteArray>("after");    // what else the file holds, before them
        const QByteArray tablo = crlf({"Show_B_L=1", "Show_Brig=1", "1st_Currency=1", "2st_Currency=1",
                                       "3st_Currency=1", "4st_Currency=1", "5st_Currency=0", "1a_st_Currency=1",
                                       "2a_st_Currency=1", "3a_st_Currency=1", "4a_st_Currency=1",
                                       "5a_st_Currency=0", "Replys=0", "Name_1=Normal", "Name_2=Regular",
                                       "Name_3=Premium", "Name_4=Super", "Name_5=Diesel", "Name_6=", "Name_7=",
                                       "Name_8=", "Name_9=", "Name_10=", "VAL_1=USD", "VAL_2=EUR", "VAL_3=GBP",
                                       "VAL_4=RUR", "VAL_5=FRF", "Board_type=0", "Digits=5", "Fill_char=0"});
        QTest::newRow("defaults, no file")
            << QByteArray() << ProgramEdit([](ProgramSettings &) {})
            << crlf({"[Settings]", "BaudRAte=9600", "Port_Number=COM1", "Auto_Load=0", "Auto_Load_Intvl=5000",
                     "Send_If_Changed=0", "Attempts=1", "Timeout_for_command=1000", "Manage_Checksumms=1",
                     "[Tablo]", "Products=10", "Valutas=5"}) + tablo
            << QByteArray();
        QTest::newRow("every value, other content kept")
            << crlf({"; top", "[Settings]", "Port_Number=COM9", "Unknown=1", "; inside", "[Controller]",
                     "Flash=1"}) + "[Tablo]\r\nDigits=3"
            << ProgramEdit([](ProgramSettings &s) {
                   s.port = "/dev/ttyUSB0", s.baudRate = "19200", s.autoLoad = s.sendIfChanged = true;
                   s.autoLoadIntervalMs = 30000, s.attempts = 3, s.timeoutMs = 2500, s.checksums = false;
                   s.productCount = 7, s.currencyCount = 2, s.lightingControl = false, s.oneWay = true;
                   s.shown[0] = s.shown[3] = false, s.shown[9] = true;
                   s.productNames[2] = QStringLiteral("Prémium"), s.productNames[9] = "Gas 95";
                   s.currencies[0] = QStringLiteral("₾"), s.currencies[4] = "CHF";
                   s.fillMode = 1, s.boardType = 1, s.digits = 3;
               })
            << crlf({"[Settings]", "BaudRAte=19200", "Port_Number=/dev/ttyUSB0", "Auto_Load=1",
                     "Auto_Load_Intvl=30000", "Send_If_Changed=1", "Attempts=3", "Timeout_for_command=2500",
                     "Manage_Checksumms=0", "[Tablo]", "Products=7", "Valutas=2", "Show_B_L=0", "Show_Brig=1",
                     "1st_Currency=0", "2st_Currency=1", "3st_Currency=1", "4st_Currency=1", "5st_Currency=0",
                     "1a_st_Currency=1", "2a_st_Currency=0", "3a_st_Currency=1", "4a_st_Currency=1",
                     "5a_st_Currency=1", "Replys=1", "Name_1=Normal", "Name_2=Regular", "Name_3=Pr\xE9mium",
                     "Name_4=Super", "Name_5=Diesel", "Name_6=", "Name_7=", "Name_8=", "Name_9=",
                     "Name_10=Gas 95", "VAL_1=?", "VAL_2=EUR", "VAL_3=GBP", "VAL_4=RUR", "VAL_5=CHF",
                     "Board_type=1", "Digits=3", "Fill_char=1"})
            << crlf({"; top", "; inside", "[Controller]", "Flash=1"});
    }
    void saveProgram()
    {
        QFETCH(QByteArray, before);
        QFETCH(ProgramEdit, edit);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, after);
        const QString path = file(before);
        ProgramSettings s;
        edit(s);
        QString error = "stale";
        QVERIFY(SettingsStore::saveProgram(path, s, &error));
        QCOMPARE(error, QString());
        QCOMPARE(readAll(path), after + settings);
        QCOMPARE(fields(SettingsStore::loadProgram(path)), fields(s));
    }

    void loadController_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no file") << QByteArray()
                                 << QStringList{"00:00:00", "00:01:00", "00:00:00", "00:01:00", "0", "0", "0", "0",
                                                "0", "0", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1",
                                                "-1", "-1"};
        QTest::newRow("ranges, selectors not read")
            << crlf({"[Controller]", "Morning_Time=7:05", "ON_Time=", "Morning_Time_Correction=200",
                     "Evening_Time_Correction=-128", "OFF_Time_Correction=0x10", "ON_Time_Correction=x",
                     "Morning_Brightness=5", "Evening_Brightness=3", "Flash=1", "Brightness_Mode=2", "Inverse=0"})
            << QStringList{"7:05", "00:01:00", "00:00:00", "", "128", "-127", "16", "0", "-1", "3", "-1", "-1",
                           "-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "-1"};
    }
    void loadController()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        QCOMPARE(fields(SettingsStore::loadController(file(text))), expected);
    }

    void saveController()
    {
        const QString path = file("[controller]\r\nFLASH=0\r\nMine=x\r\n; note\r\n[Settings]\r\nPort_Number=COM2");
        const ControllerConfig c{.brightness = 3, .brightnessMode = 0, .lighting = 1, .lightingMode = 1, .flash = 1,
                                 .morningTime = "06:30:00", .eveningTime = "21:15:00", .offTime = "23:00:00",
                                 .onTime = "05:45:00", .morningCorrection = -20, .eveningCorrection = 15,
                                 .offCorrection = 128, .onCorrection = -127, .dayLevel = 4, .nightLevel = 2,
                                 .timerUsed = 0, .temperatureUsed = 1, .section = 10, .events = 1, .inverse = 1,
                                 .controlledBy = -1};
        QVERIFY(SettingsStore::saveController(path, c));
        QCOMPARE(readAll(path),
                 crlf({"[controller]", "FLASH=1", "Mine=x", "Morning_Time=06:30:00", "Evening_Time=21:15:00",
                       "OFF_Time=23:00:00", "ON_Time=05:45:00", "Enable_Events=1", "Timer_Used=0",
                       "Temperature_Used=1", "Back_light_Mode=1", "Brightness_Mode=3",
                       "Morning_Time_Correction=-20", "Evening_Time_Correction=15", "OFF_Time_Correction=128",
                       "ON_Time_Correction=-127", "Morning_Brightness=4", "Evening_Brightness=2",
                       "Shedule_Backlight=1", "Shedule_Brightness=0", "Inverse=1", "Time_Temp_Dispalay=10",
                       "Modem_Used=-1", "; note", "[Settings]"}) + "Port_Number=COM2");
        ControllerConfig stored = c;
        stored.brightness = stored.brightnessMode = stored.lighting = stored.lightingMode = stored.flash = -1;
        stored.timerUsed = stored.temperatureUsed = stored.section = stored.events = stored.inverse = -1;
        stored.controlledBy = -1;
        QCOMPARE(fields(SettingsStore::loadController(path)), fields(stored));
    }

    void saveFails()
    {
        const QString path = dir.filePath("missing/settings.ini");
        const QString message = "Unable to write to " + QFileInfo(path).absoluteFilePath();
        QString error;
        QVERIFY(!SettingsStore::saveProgram(path, ProgramSettings(), &error));
        QCOMPARE(error, message);
        error.clear();
        QVERIFY(!SettingsStore::saveController(path, ControllerConfig(), &error));
        QCOMPARE(error, message);
    }

    void modelSignals_data()
    {
        QTest::addColumn<ModelStep>("step");
        QTest::addColumn<QStringList>("expected"); // signals sorted, each as often as it fires
        const auto row = [](const char *tag, ModelStep step, QStringList names) {
            names.sort();
            QTest::newRow(tag) << step << names;
        };
        const QString program = "programChanged";
        row("same port", [](SettingsModel &m) { m.setPort("COM1"); }, {});
        row("port", [](SettingsModel &m) { m.setPort("COM3"); }, {"serialLineChanged", program});
        row("attempts brought to the same", [](SettingsModel &m) { m.setAttempts(0); }, {});
        row("time-out", [](SettingsModel &m) { m.setTimeout(2000); }, {"linkSettingsChanged", program});
        row("checksums", [](SettingsModel &m) { m.setChecksums(false); },
            {"checksumsChanged", "linkSettingsChanged", program});
        row("slot 9 shown", [](SettingsModel &m) { m.setShown(9, true); }, {"shownChanged", program});
        row("no slot 11", [](SettingsModel &m) { m.setShown(11, false); }, {});
        row("fill past the end", [](SettingsModel &m) { m.setFillMode(7); }, {"figureFormatChanged", program});
        row("board type", [](SettingsModel &m) { m.setBoardType(1); }, {"boardTypeChanged", program});
        row("interval", [](SettingsModel &m) { m.setAutoLoadInterval(9000); }, {"autoLoadChanged", program});
        row("currency", [](SettingsModel &m) { m.setCurrency(5, "CHF"); }, {"namesChanged", program});
        row("products", [](SettingsModel &m) { m.setProductCount(3); }, {"rowCountsChanged", program});
        row("load of no file", [](SettingsModel &m) { m.loadProgram(); }, {});
        row("load", [](SettingsModel &m) { writeAll(m.path(), "[Tablo]\r\nDigits=2\r\nReplys=1\r\nShow_Brig=0\r\n"); m.loadProgram(); },
            {"figureFormatChanged", "oneWayChanged", "linkSettingsChanged", "selectorControlsChanged", program});
        row("same controller", [](SettingsModel &m) { m.setController(m.controller()); }, {});
        row("controller load", [](SettingsModel &m) { m.loadController(); }, {"controllerChanged"});
    }
    void modelSignals()
    {
        QFETCH(ModelStep, step);
        QFETCH(QStringList, expected);
        SettingsModel model(file(QByteArray()));
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        const QMetaObject *mo = model.metaObject();
        for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
            if (mo->method(i).methodType() == QMetaMethod::Signal)
                spies.push_back(std::make_unique<QSignalSpy>(&model, mo->method(i)));
        }
        step(model);
        QStringList fired;
        for (const auto &spy : spies) {
            for (int n = 0; n < spy->count(); ++n)
                fired << QString::fromLatin1(spy->signal().left(spy->signal().indexOf('(')));
        }
        fired.sort();
        QCOMPARE(fired, expected);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
