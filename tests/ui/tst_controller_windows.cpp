// The fixed face of the Settings, Auto Controls and Test windows on a fresh installation:
// captions, items, columns, ranges and start values, looked up by control name.
#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "TestApp.h"
#include "gui/MainWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"

namespace {
QWidget *window(Program &app, const QString &name)
{
    if (name == QLatin1String("Form2"))
        return app.settingsDialog;
    if (name == QLatin1String("Form13"))
        return app.autoControlsWindow;
    if (name == QLatin1String("Form12"))
        return app.boardViewWindow;
    return app.testPatternWindow;
}
template <class T> T *control(Program &app, const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('.'));
    T *w = window(app, parts[0])->findChild<T *>(parts[1]);
    if (!w)
        qWarning("no control %s", qPrintable(path));
    return w;
}
QStringList levels() { return {"Min", "25%", "50%", "75%", "100%"}; }

// The control that shows a field of the controller configuration, and its value.
QWidget *controlOf(Program &app, ControllerField f)
{
    SettingsDialog *s = app.settingsDialog;
    AutoControlsWindow *a = app.autoControlsWindow;
    QWidget *const controls[ControllerFieldCount] = {
        app.mainWindow->brightnessGroup, a->brightnessModeGroup, app.mainWindow->lightingGroup, a->lightingModeGroup,
        s->flashGroup, a->morningCorrectionSpin, a->eveningCorrectionSpin, a->offCorrectionSpin, a->onCorrectionSpin,
        a->dayLevelBox, a->nightLevelBox, s->timerUsedGroup, s->temperatureSensorGroup, s->clockSectionGroup,
        s->eventsGroup, s->inverseSignalsGroup, s->controlledByGroup};
    return controls[int(f)];
}
int valueOf(QWidget *w)
{
    if (auto *g = qobject_cast<RadioGroup *>(w))
        return g->itemIndex();
    if (auto *s = qobject_cast<QSpinBox *>(w))
        return s->value();
    return qobject_cast<QComboBox *>(w)->currentIndex();
}
void setValueOf(QWidget *w, int v)
{
    if (auto *g = qobject_cast<RadioGroup *>(w))
        g->setItemIndex(v);
    else if (auto *s = qobject_cast<QSpinBox *>(w))
        s->setValue(v);
    else
        qobject_cast<QComboBox *>(w)->setCurrentIndex(v);
}
} // namespace

class TestControllerWindows : public QObject {
    Q_OBJECT
private slots:
    void captions()
    {
        TestApp t;
        QCOMPARE(t.app->settingsDialog->windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(t.app->autoControlsWindow->windowTitle(), QStringLiteral("Auto Controls"));
        QCOMPARE(t.app->testPatternWindow->windowTitle(), QStringLiteral("Test"));
    }

    void radioGroups_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("index");   // -2: not fixed
        QStringList sections{"OFF"};
        for (int n = 1; n <= 10; ++n)
            sections << QString::number(n);
        QStringList patterns;
        for (int d = 0; d <= 9; ++d)
            patterns << QString::number(d) + QLatin1Char('.') + QString(4, QLatin1Char(char('0' + d)));
        patterns << "88888" << "88.888" << "888.88" << "8888.8" << "88888." << "0.1234" << "5.6789" << "112233...";
        QTest::newRow("Fill char") << "Form2.RadioGroup7" << "Fill char" << QStringList{"'0'", "'   '"} << 2 << 0;
        QTest::newRow("Flash") << "Form2.RadioGroup1" << "Flash" << QStringList{"OFF", "ON"} << 2 << -2;
        QTest::newRow("Timer used") << "Form2.RadioGroup4" << "Timer used" << QStringList{"NO", "YES"} << 2 << -2;
        QTest::newRow("Inverse Signals") << "Form2.RadioGroup3" << "Inverse Signals"
                                         << QStringList{"WOSHMT", "SHMITH"} << 2 << -2;
        QTest::newRow("Events from tablo") << "Form2.RadioGroup6" << "Events from tablo"
                                           << QStringList{"DISABLE", "ENABLE"} << 2 << -2;
        QTest::newRow("Temperature sensor used") << "Form2.RadioGroup5" << "Temperature sensor used"
                                                 << QStringList{"NO", "YES"} << 2 << -2;
        QTest::newRow("Controlled by") << "Form2.RadioGroup2"
                                       << "Controlled by" << QStringList{"PC", "MODEM"} << 2 << -2;
        QTest::newRow("section") << "Form2.TntRadioGroup1" << "ტემპ. საათის სექცია" << sections << 4 << -2;
        QTest::newRow("brightness mode") << "Form13.TntRadioGroup2" << "ავტო რეჟიმი"
                                         << QStringList{"დროით", "გრაფიკით"} << 2 << -1;
        QTest::newRow("lighting mode") << "Form13.TntRadioGroup1" << "ავტო რეჟიმი"
                                       << QStringList{"დროით", "გრაფიკით"} << 2 << -1;
        QTest::newRow("Test Mode") << "Form11.RadioGroup1" << "Test Mode" << patterns << 4 << -2;
    }
    void radioGroups()
    {
        QFETCH(QString, path);
        QFETCH(QString, caption);
        QFETCH(QStringList, items);
        QFETCH(int, columns);
        QFETCH(int, index);
        TestApp t;
        RadioGroup *g = control<RadioGroup>(*t.app, path);
        QVERIFY(g);
        QCOMPARE(g->title(), caption);
        QCOMPARE(g->items(), items);
        QCOMPARE(g->columns(), columns);
        if (index != -2)
            QCOMPARE(g->itemIndex(), index);
    }

    void spins_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("value");
        QTest::newRow("time-out") << "Form2.SpinEdit5" << 4 << 100 << 10;
        QTest::newRow("attempts") << "Form2.SpinEdit4" << 1 << 10 << 1;
        QTest::newRow("interval") << "Form2.SpinEdit1" << 1 << 1000 << 5;
        QTest::newRow("digits") << "Form2.SpinEdit3" << 1 << 5 << 5;
        for (const char *name : {"SpinEdit8", "SpinEdit9", "SpinEdit6", "SpinEdit7"})
            QTest::newRow(name) << QStringLiteral("Form13.%1").arg(QLatin1String(name)) << -127 << 128 << 0;
    }
    void spins()
    {
        QFETCH(QString, path);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, value);
        TestApp t;
        t.startUp();   // a fresh installation: no settings file
        QSpinBox *s = control<QSpinBox>(*t.app, path);
        QVERIFY(s);
        QCOMPARE(s->minimum(), minimum);
        QCOMPARE(s->maximum(), maximum);
        QCOMPARE(s->value(), value);
    }

    void checkBoxes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("on");
        QTest::newRow("one-way") << "Form2.CheckBox5" << "ცალმხრივი კავშირი" << false;
        QTest::newRow("checksums") << "Form2.CheckBox3" << "Manage Checksumms" << true;
        QTest::newRow("autoload") << "Form2.Auto_Load_Chb" << "Autoload file every" << false;
        QTest::newRow("send if changed") << "Form2.CheckBox2" << "Send if file changed" << false;
        QTest::newRow("lighting control") << "Form2.CheckBox9" << "განათების მართვა" << true;
        QTest::newRow("brightness control") << "Form2.TntCheckBox3" << "სიკაშკაშის მართვა" << true;
        QTest::newRow("protocol panel") << "Form2.TntCheckBox1" << "Protocol panel" << false;
        QTest::newRow("pause") << "Form2.TntCheckBox2" << "Pause Protocol" << false;
    }
    void checkBoxes()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        QFETCH(bool, on);
        TestApp t;
        t.startUp();
        QCheckBox *c = control<QCheckBox>(*t.app, path);
        QVERIFY(c);
        QCOMPARE(c->text(), text);
        QCOMPARE(c->isChecked(), on);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        QTest::newRow("Refresh") << "Form2.Button2" << "Refresh";
        QTest::newRow("time-out label") << "Form2.LabelTimeout" << "Timeout ";
        QTest::newRow("time-out unit") << "Form2.LabelTimeoutUnit" << "(x100 mSec)";
        QTest::newRow("attempts label") << "Form2.LabelAttempts" << "მცდელობების რაოდენობა";
        QTest::newRow("Sec") << "Form2.LabelSec" << "Sec";
        QTest::newRow("digits label") << "Form2.LabelDigits" << "თანრიგების რაოდენობა";
        QTest::newRow("port group") << "Form2.GroupBoxPort" << "Port settings";
        QTest::newRow("interface group") << "Form2.GroupBoxInterface" << "Interface settings";
        QTest::newRow("auto group") << "Form2.GroupBoxAuto" << "Auto functions";
        QTest::newRow("controller group") << "Form2.GroupBoxController" << "კონტროლერის პარამეტრები";
        QTest::newRow("PC temporary") << "Form2.Button1" << "PC temporary";
        QTest::newRow("MODEM") << "Form2.Button3" << "MODEM";
        QTest::newRow("Time?") << "Form2.Button5" << "Time?";
        QTest::newRow("Clear memo") << "Form2.Button4" << "Clear memo";
        QTest::newRow("Defaults") << "Form2.Btn_Defaults_" << "Defaults";
        QTest::newRow("Close") << "Form2.Btn_OK_" << "Close";
        QTest::newRow("brightness box") << "Form13.GroupBox1" << "სიკაშკაშის ავტომატური მართვა";
        QTest::newRow("lighting box") << "Form13.GroupBox2" << "განათების ავტომატური მართვა";
        QTest::newRow("morning") << "Form13.Label1" << "დილის დრო";
        QTest::newRow("evening") << "Form13.Label2" << "საღამოს დრო";
        QTest::newRow("switch-off") << "Form13.Label3" << "გამორთვის დრო";
        QTest::newRow("switch-on") << "Form13.Label4" << "ჩართვის დრო";
        QTest::newRow("day") << "Form13.Label5" << "დღის სიკაშკაშე";
        QTest::newRow("night") << "Form13.Label6" << "ღამის სიკაშკაშე";
        for (const char *name : {"Label8", "Label9", "Label10", "Label11"})
            QTest::newRow(name) << QStringLiteral("Form13.%1").arg(QLatin1String(name)) << "დროის წანაცვლება";
        QTest::newRow("view schedule") << "Form13.Button3" << "გრაფიკის დათვალიერება";
        QTest::newRow("Auto Controls Close") << "Form13.Btn_Close_" << "Close";
        QTest::newRow("restore") << "Form11.Button1" << "Close and restore data";
        QTest::newRow("leave") << "Form11.Button2" << "Close and leave current data";
    }
    void texts()
    {
        QFETCH(QString, path);
        QFETCH(QString, text);
        TestApp t;
        QWidget *w = control<QWidget>(*t.app, path);
        QVERIFY(w);
        QString shown;
        if (auto *l = qobject_cast<QLabel *>(w))
            shown = l->text();
        else if (auto *b = qobject_cast<QPushButton *>(w))
            shown = b->text();
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            shown = g->title();
        QCOMPARE(shown, text);
    }

    void comboBoxes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("current");
        QTest::newRow("baud") << "Form2.ComboBox11" << QStringList{"9600", "19200"} << "9600";
        QTest::newRow("parity") << "Form2.ComboBox3" << QStringList{"None", "Odd", "Even", "Mark", "Space"} << "None";
        QTest::newRow("day level") << "Form13.ComboBox2" << levels() << "100%";
        QTest::newRow("night level") << "Form13.ComboBox4" << levels() << "50%";
    }
    void comboBoxes()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, items);
        QFETCH(QString, current);
        TestApp t;
        QComboBox *c = control<QComboBox>(*t.app, path);
        QVERIFY(c);
        QStringList shown;
        for (int i = 0; i < c->count(); ++i)
            shown << c->itemText(i);
        QCOMPARE(shown, items);
        QCOMPARE(c->currentText(), current);
    }

    // These windows (and the board view) have no default button: Return in a field presses nothing.
    void returnPressesNothing_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *path : {"Form2.SpinEdit5", "Form2.SpinEdit4", "Form2.SpinEdit3", "Form13.DateTimePicker1",
                                 "Form13.SpinEdit8", "Form13.SpinEdit7", "Form11.RadioGroup1", "Form12.SpinEdit1"})
            QTest::newRow(path) << QString::fromLatin1(path);
    }
    void returnPressesNothing()
    {
        QFETCH(QString, path);
        QStringList pressed;
        TestApp t;
        t.startUp();
        QWidget *field = control<QWidget>(*t.app, path), *w = field->window();
        for (QPushButton *b : w->findChildren<QPushButton *>())
            connect(b, &QPushButton::clicked, b, [&pressed, b] { pressed << b->text(); });
        w->show();
        if (auto *g = qobject_cast<RadioGroup *>(field))
            field = g->button(3);   // a test pattern
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(pressed.join(QStringLiteral(", ")), QString());
    }

    // Before any load or read: stored times "00:00:00" shown in all four pickers as HH:mm:ss.
    // Every controller field and its control show the same value, whichever of them changes.
    void controllerBindings()
    {
        TestApp t;
        Program &app = *t.app;
        app.readBusy = true;   // no command while the values change
        for (int i = 0; i < ControllerFieldCount; ++i) {
            const auto f = ControllerField(i);
            QWidget *w = controlOf(app, f);
            QCOMPARE(app.settings->controllerValue(f), valueOf(w));
            const bool number = qobject_cast<QSpinBox *>(w);
            app.settings->setControllerValue(f, number ? -20 : 1);
            QCOMPARE(valueOf(w), number ? -20 : 1);
            setValueOf(w, number ? 15 : 0);
            QCOMPARE(app.settings->controllerValue(f), number ? 15 : 0);
            setValueOf(w, -1);   // no selection (a spin keeps -1)
            QCOMPARE(app.settings->controllerValue(f), -1);
        }
    }

    // The program settings follow their controls.
    void programBindings()
    {
        TestApp t;
        Program &app = *t.app;
        SettingsDialog *s = app.settingsDialog;
        BoardViewWindow *b = app.boardViewWindow;
        s->checksumsBox->setChecked(false);
        s->oneWayLinkBox->setChecked(true);
        s->lightingControlBox->setChecked(false);
        s->brightnessControlBox->setChecked(false);
        s->autoLoadBox->setChecked(true);
        s->sendIfChangedBox->setChecked(true);
        s->digitsSpin->setValue(3);
        s->fillCharGroup->setItemIndex(1);
        s->attemptsSpin->setValue(4);
        s->timeoutSpin->setValue(12);
        s->autoLoadIntervalSpin->setValue(9);
        b->boardTypeGroup->setItemIndex(1);
        b->productCountSpin->setValue(7);
        b->currencyCountSpin->setValue(2);
        b->productNameEdits[3]->setText(QStringLiteral("Gas"));
        b->currencyBoxes[2]->setCurrentText(QStringLiteral("GBP"));
        app.mainWindow->evenSlotBoxes[2]->setChecked(false);
        ProgramSettings expected;
        expected.checksums = false, expected.oneWay = true, expected.lightingControl = false;
        expected.brightnessControl = false, expected.autoLoad = true, expected.sendIfChanged = true;
        expected.digits = 3, expected.fillMode = 1, expected.attempts = 4, expected.timeoutMs = 1200;
        expected.autoLoadIntervalMs = 9000, expected.boardType = 1, expected.productCount = 7;
        expected.currencyCount = 2, expected.productNames[2] = QStringLiteral("Gas");
        expected.currencies[1] = QStringLiteral("GBP"), expected.shown[3] = false;
        QVERIFY(app.settings->program() == expected);
    }

    void startTimes()
    {
        TestApp t;
        Program &app = *t.app;
        for (SwitchTime s : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
            QCOMPARE(app.settings->switchTime(s), QStringLiteral("00:00:00"));
        for (TimePicker *p : {app.autoControlsWindow->morningTimePicker, app.autoControlsWindow->eveningTimePicker,
                              app.autoControlsWindow->offTimePicker, app.autoControlsWindow->onTimePicker}) {
            QCOMPARE(p->time(), QTime(0, 0, 0));
            QCOMPARE(p->displayFormat(), QStringLiteral("HH:mm:ss"));
        }
    }
};

QTEST_MAIN(TestControllerWindows)
#include "tst_controller_windows.moc"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/TimePicker.h"
