// The data file through the main window's menu operations: save and load, short, long and
// malformed files, a missing or unreadable file, the change detector, the options of the
// Settings dialog and the automatic load poll.
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QSpinBox>
#include <QtTest>

#include "core/operations/BoardService.h"
#include "TestApp.h"
#include "core/services/DataFileUploader.h"
#include "core/files/DataFile.h"
#include "gui/SettingsDialog.h"
#include "core/files/IniFile.h"

namespace {

const QString DataName = QStringLiteral("Tablo_data.tbl");

// `dataFile`, when given, is the data file the start-up loads.
std::unique_ptr<TestApp> started(int digits, bool blank, const QByteArray &settings = QByteArray(),
                                 const QByteArray &dataFile = QByteArray())
{
    const QByteArray ini = "[Settings]\r\n" + settings + "[Tablo]\r\nDigits=" + QByteArray::number(digits)
                           + "\r\nFill_char=" + (blank ? "1" : "0") + "\r\n";
    auto t = std::make_unique<TestApp>(ini);
    if (!dataFile.isNull())
        t->writeFile(DataName, dataFile);
    t->startUp();
    return t;
}

QStringList fieldTexts(const MainWindow *f)
{
    QStringList out;
    for (int k = 1; k <= 10; ++k)
        out << f->figureEdits[k]->text();
    return out;
}

QStringList stored(const Program &app)
{
    QStringList out;
    for (int k = 1; k <= 10; ++k)
        out << app.service->figures().figure(k);
    return out;
}

QString status(const TestApp &t) { return t.mainWindow()->statusPanels->panelText(0); }

const QByteArray Example = "1.250\r\n1.275\r\n0.890\r\n0.905\r\n1.000\r\n1.000\r\n0000\r\n0000\r\n0000\r\n0000\r\n";

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT
private slots:
    void roundTrip();
    void load_data();
    void load();
    void missingFile_data();
    void missingFile();
    void startWithoutFile();
    void unreadableFile();
    void changeDetector_data();
    void changeDetector();
    void autoLoadOption_data();
    void autoLoadOption();
    void interval();
    void poll();
};

void TestDataFile::roundTrip()
{
    auto t = started(4, false);
    t->writeFile(DataName, Example);
    t->mainWindow()->loadDataFile();
    QCOMPARE(status(*t), QStringLiteral("Loaded"));
    QCOMPARE(fieldTexts(t->mainWindow()).join(QLatin1Char('|')),
             QStringLiteral("1.250|1.275|0.890|0.905|1.000|1.000|0000|0000|0000|0000"));
    t->writeFile(DataName, "overwritten");
    t->mainWindow()->saveDataFile();
    QCOMPARE(status(*t), QStringLiteral("Saved"));
    QCOMPARE(t->readFile(DataName), Example);
}

void TestDataFile::load_data()
{
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("autoLoad");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("atStartUp");   // loaded by the start-up instead of the menu

    const QStringList example{"1.250", "1.275", "0.890", "0.905", "1.000", "1.000", "0000", "0000", "0000", "0000"};
    QByteArray lfOnly = Example;
    lfOnly.replace("\r\n", "\n");
    // How each line becomes a figure is the core's (its own table); here the window's part.
    QTest::newRow("CR LF") << 4 << false << false << Example << example << false;
    QTest::newRow("LF only, automatic loading") << 4 << false << true << lfOnly << example << false;
    QTest::newRow("blank mode at start-up") << 4 << true << false << QByteArray("7\r\n")
                                            << QStringList{"7   "} + QStringList(9, QStringLiteral("    ")) << true;
}

void TestDataFile::load()
{
    QFETCH(int, digits);
    QFETCH(bool, blank);
    QFETCH(bool, autoLoad);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    QFETCH(bool, atStartUp);
    auto t = started(digits, blank, autoLoad ? "Auto_Load=1\r\n" : "", atStartUp ? content : QByteArray());
    Program &app = *t->app;
    if (!atStartUp) {
        t->writeFile(DataName, content);
        app.mainWindow->loadDataFile();
    }
    QCOMPARE(fieldTexts(app.mainWindow), expected);
    QCOMPARE(stored(app), expected);
    // With automatic loading off the changed fields save the file in its formatted form.
    QCOMPARE(t->readFile(DataName), autoLoad ? content : DataFile::compose(expected));
    if (atStartUp)
        return;
    QCOMPARE(app.service->figures().loadedContent(), expected.join(QString()));
    QCOMPARE(app.dataFileUploader->previousContent(), app.service->figures().loadedContent());
    QCOMPARE(status(*t), QStringLiteral("Loaded"));
}

void TestDataFile::missingFile_data()
{
    QTest::addColumn<bool>("show");         // "Show data File" instead of "Load  data File"
    QTest::addColumn<bool>("dialogCreates"); // the dialog creates the file when shown
    QTest::newRow("load") << false << false;
    QTest::newRow("load, dialog creates the file") << false << true;
    QTest::newRow("show") << true << false;
    QTest::newRow("show, dialog creates the file") << true << true;
}

void TestDataFile::missingFile()
{
    QFETCH(bool, show);
    QFETCH(bool, dialogCreates);
    auto t = started(4, false);
    Program &app = *t->app;
    if (dialogCreates)
        t->onModal = [&](QDialog *d) {
            if (d == app.settingsDialog)
                QVERIFY(app.mainWindow->createDataFile());
        };
    const QStringList before = fieldTexts(app.mainWindow);
    app.mainWindow->statusPanels->setPanelText(0, QStringLiteral("Sent OK"));
    QVERIFY(QFile::remove(app.dataFilePath));
    show ? app.mainWindow->showDataFile() : app.mainWindow->loadDataFile();
    QCOMPARE(t->modals, QStringList{QStringLiteral("Form2")});
    QVERIFY(t->editorStarts.isEmpty());
    QCOMPARE(fieldTexts(app.mainWindow), before);     // nothing is loaded this time
    QCOMPARE(status(*t), QStringLiteral("Sent OK"));
    QCOMPARE(t->readFile(DataName), dialogCreates ? QByteArray("0.000\r\n").repeated(10) : QByteArray());
    if (show && dialogCreates) {
        app.mainWindow->showDataFile();
        QCOMPARE(t->editorStarts, QStringList{app.dataFilePath});
        QCOMPARE(t->modals.size(), 1);
    }
}

void TestDataFile::startWithoutFile()
{
    // The load at the end of reading the settings finds no file and shows the Settings
    // dialog, which creates it; the reformatting that ends the settings load then writes
    // the fields' initial figures into it.
    TestApp t(QByteArray(), false);
    t.onModal = [&](QDialog *d) {
        if (d == t.app->settingsDialog)
            t.app->mainWindow->createDataFile();
    };
    t.startUp();
    QCOMPARE(t.modals, QStringList{QStringLiteral("Form2")});
    QCOMPARE(t.readFile(DataName), QByteArray("1.0000\r\n").repeated(10));
}

void TestDataFile::unreadableFile()
{
    auto t = started(4, false);
    Program &app = *t->app;
    t->writeFile(DataName, Example);
    app.mainWindow->loadDataFile();
    const QStringList fields = fieldTexts(app.mainWindow);
    const QStringList figures = stored(app);
    const QString previous = app.dataFileUploader->previousContent();
    QVERIFY(!previous.isEmpty());

    QVERIFY(QFile::remove(app.dataFilePath));
    QVERIFY(QDir().mkdir(app.dataFilePath));   // exists, but cannot be read as a file
    app.mainWindow->loadDataFile();
    QCOMPARE(app.reportedErrors.size(), 1);
    QVERIFY(!app.reportedErrors.first().isEmpty());
    QCOMPARE(t->modals, QStringList{QStringLiteral("ErrorBox")});
    QCOMPARE(status(*t), QStringLiteral("Loading"));
    QCOMPARE(fieldTexts(app.mainWindow), fields);
    QCOMPARE(stored(app), figures);
    QCOMPARE(app.dataFileUploader->previousContent(), previous);

    // Saving over it fails the same way and does not claim success.
    app.mainWindow->saveDataFile();
    QCOMPARE(app.reportedErrors.size(), 2);
    QCOMPARE(status(*t), QStringLiteral("Loading"));
}

void TestDataFile::changeDetector_data()
{
    QTest::addColumn<QList<QByteArray>>("contents");
    QTest::addColumn<int>("changes");
    const QByteArray a = "1.250\r\n", b = "2.500\r\n";
    QTest::newRow("same content twice") << QList<QByteArray>{a, a} << 1;
    QTest::newRow("two contents") << QList<QByteArray>{a, b} << 2;
    QTest::newRow("back and forth") << QList<QByteArray>{a, b, a} << 3;
    QTest::newRow("only line ends differ") << QList<QByteArray>{a, "1.250\n"} << 1;
    QTest::newRow("same figures once formatted") << QList<QByteArray>{a, "1.25x\r\n"} << 1;
}

void TestDataFile::changeDetector()
{
    QFETCH(QList<QByteArray>, contents);
    QFETCH(int, changes);
    auto t = started(4, false);
    Program &app = *t->app;
    QVERIFY(app.dataFileUploader->previousContent().isEmpty());   // the first load after start-up is a change
    int seen = 0;
    for (const QByteArray &c : contents) {
        t->writeFile(DataName, c);
        const QString before = app.dataFileUploader->previousContent();
        app.mainWindow->loadDataFile();
        if (app.service->figures().loadedContent() != before)
            ++seen;
        QCOMPARE(app.dataFileUploader->previousContent(), app.service->figures().loadedContent());
    }
    QCOMPARE(seen, changes);
}

void TestDataFile::autoLoadOption_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("file present") << true;
    QTest::newRow("file missing") << false;
}

void TestDataFile::autoLoadOption()
{
    QFETCH(bool, fileExists);
    auto t = started(4, false);
    Program &app = *t->app;
    SettingsDialog *settingsDialog = app.settingsDialog;
    const IniFile ini(app.settingsPath());
    if (!fileExists)
        QVERIFY(QFile::remove(app.dataFilePath));

    settingsDialog->autoLoadBox->setChecked(true);
    QVERIFY(!settingsDialog->sendIfChangedBox->isHidden());
    QVERIFY(settingsDialog->autoLoadIntervalSpin->isEnabled());
    QVERIFY(settingsDialog->secondsLabel->isEnabled());
    QCOMPARE(app.beepCount, fileExists ? 0 : 1);
    QCOMPARE(t->modals, fileExists ? QStringList() : QStringList{QStringLiteral("Form5")});
    QVERIFY(ini.readBool("Settings", "Auto_Load", false));
    QVERIFY(!app.mainWindow->autoLoadTimer->isActive());   // switching on does not start the poll by itself

    settingsDialog->sendIfChangedBox->setChecked(true);
    QVERIFY(app.settings->program().sendIfChanged);
    QVERIFY(ini.readBool("Settings", "Send_If_Changed", false));

    settingsDialog->autoLoadBox->setChecked(false);
    QVERIFY(settingsDialog->sendIfChangedBox->isHidden());
    QVERIFY(!settingsDialog->sendIfChangedBox->isChecked());
    QVERIFY(!app.settings->program().sendIfChanged);
    QVERIFY(!settingsDialog->autoLoadIntervalSpin->isEnabled());
    QVERIFY(!settingsDialog->secondsLabel->isEnabled());
    QVERIFY(!ini.readBool("Settings", "Auto_Load", true));
    QVERIFY(!ini.readBool("Settings", "Send_If_Changed", true));
    QCOMPARE(app.beepCount, fileExists ? 0 : 1);
}

void TestDataFile::interval()
{
    auto t = started(4, false);
    Program &app = *t->app;
    QTimer *timer = app.mainWindow->autoLoadTimer;
    QVERIFY(!timer->isActive());
    app.settingsDialog->autoLoadIntervalSpin->setValue(7);
    QCOMPARE(app.settings->program().autoLoadIntervalMs, 7000);
    QCOMPARE(IniFile(app.settingsPath()).readInteger("Settings", "Auto_Load_Intvl", 0), 7000);
    QVERIFY(!timer->isActive());

    app.settingsDialog->autoLoadBox->setChecked(true);
    app.mainWindow->applyAutoLoadInterval();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 7000);
    app.settingsDialog->autoLoadIntervalSpin->setValue(3);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 3000);

    // Closing the Settings dialog resumes the poll as set.
    timer->stop();
    app.settingsDialog->show();
    app.settingsDialog->hide();
    QVERIFY(timer->isActive());
    app.settingsDialog->autoLoadBox->setChecked(false);
    app.settingsDialog->show();
    app.settingsDialog->hide();
    QVERIFY(!timer->isActive());
}

void TestDataFile::poll()
{
    // Automatic loading set in the settings file polls from the end of start-up on.
    auto t = started(4, false, "Auto_Load=1\r\nAuto_Load_Intvl=1000\r\n");
    Program &app = *t->app;
    QVERIFY(app.mainWindow->autoLoadTimer->isActive());
    QCOMPARE(app.mainWindow->autoLoadTimer->interval(), 1000);
    t->writeFile(DataName, "2.500\r\n");
    QTRY_COMPARE_WITH_TIMEOUT(app.mainWindow->figureEdits[1]->text(), QStringLiteral("2.500"), 15000);
    QCOMPARE(app.mainWindow->figureEdits[2]->text(), QStringLiteral("0000"));
    QCOMPARE(t->readFile(DataName), QByteArray("2.500\r\n"));   // the poll never writes the file
    t->writeFile(DataName, "");   // caught while rewritten: the fields wait for the next poll
    app.mainWindow->onAutoLoadTick();
    QCOMPARE(app.mainWindow->figureEdits[1]->text(), QStringLiteral("2.500"));

    // A tick with automatic loading off loads nothing.
    app.settingsDialog->autoLoadBox->setChecked(false);
    t->writeFile(DataName, "3.500\r\n");
    app.mainWindow->onAutoLoadTick();
    QCOMPARE(app.mainWindow->figureEdits[1]->text(), QStringLiteral("2.500"));
}

QTEST_MAIN(TestDataFile)
#include "tst_data_file.moc"
