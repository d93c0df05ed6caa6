// The Settings dialog and the section "Controller" of the settings file.
#include <QtTest>

#include "core/operations/ControllerWorkflow.h"
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "TestApp.h"
#include "core/board/BoardSession.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/files/IniFile.h"

namespace {
// A port that cannot exist, so nothing reaches a real device.
const QByteArray NoPort = "[Settings]\r\nPort_Number=/nonexistent/tablo-port\r\n";

// Selects without running the group's handler; the settings still learn the selection.
void quietly(RadioGroup *g, int index)
{
    {
        const QSignalBlocker block(g);
        g->setItemIndex(index);
    }
    emit g->indexChanged(g->itemIndex());
}
void quietly(QCheckBox *c, bool on)
{
    const QSignalBlocker block(c);
    c->setChecked(on);
}
QByteArray section(const QByteArray &text, const QByteArray &name)
{
    const int start = text.indexOf("[" + name + "]");
    if (start < 0)
        return QByteArray();
    const int end = text.indexOf("\r\n[", start);
    return end < 0 ? text.mid(start) : text.mid(start, end + 2 - start);
}
} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void defaultsKeepPortAndController()
    {
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        SettingsDialog *f = app.settingsDialog;
        f->portCombo->setCurrentText(QStringLiteral("/nonexistent/other"));
        f->baudRateCombo->setCurrentText(QStringLiteral("19200"));
        quietly(f->flashGroup, 1);
        quietly(f->inverseSignalsGroup, 1);
        quietly(f->clockSectionGroup, 7);
        quietly(f->controlledByGroup, 1);
        f->timeoutSpin->setValue(50);
        f->attemptsSpin->setValue(7);
        f->oneWayLinkBox->setChecked(true);
        f->checksumsBox->setChecked(false);
        QCOMPARE(app.settings->program().timeoutMs, 5000);
        QCOMPARE(app.settings->program().attempts, 7);

        f->defaultsButton->click();

        QCOMPARE(f->timeoutSpin->value(), 4);
        QCOMPARE(app.settings->program().timeoutMs, 400);
        QCOMPARE(f->attemptsSpin->value(), 1);
        QCOMPARE(app.settings->program().attempts, 1);
        QCOMPARE(f->autoLoadIntervalSpin->value(), 5);
        QVERIFY(!f->autoLoadBox->isChecked());
        QVERIFY(!f->autoLoadIntervalSpin->isEnabled());
        QVERIFY(!f->secondsLabel->isEnabled());
        QVERIFY(!f->sendIfChangedBox->isChecked());
        QVERIFY(!f->oneWayLinkBox->isChecked());
        QVERIFY(f->checksumsBox->isChecked());
        QCOMPARE(f->portCombo->currentText(), QStringLiteral("/nonexistent/other"));
        QCOMPARE(f->baudRateCombo->currentText(), QStringLiteral("19200"));
        QCOMPARE(f->flashGroup->itemIndex(), 1);
        QCOMPARE(f->inverseSignalsGroup->itemIndex(), 1);
        QCOMPARE(f->clockSectionGroup->itemIndex(), 7);
        QCOMPARE(f->controlledByGroup->itemIndex(), 1);
    }

    // "Timer used" and "Controlled by" decide whether the "ავტო" items exist.
    void timerAndControlMode()
    {
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        std::optional<ControllerWorkflow::Quiet> work;
        SettingsDialog *f = app.settingsDialog;
        MainWindow *mainWindow = app.mainWindow;
        AutoControlsWindow *autoControlsWindow = app.autoControlsWindow;
        work.emplace(*app.workflow);   // keeps the rebuilds from sending
        f->controlledByGroup->setItemIndex(0);   // "PC": nothing happens while a read runs
        QCOMPARE(mainWindow->brightnessGroup->count(), 6);
        work.reset();
        // As after a read of the board: "PC", timer "YES", brightness "ავტო".
        work.emplace(*app.workflow, ControllerWorkflow::Quiet::Settling);
        f->timerUsedGroup->setItemIndex(1);
        work.reset();
        QCOMPARE(mainWindow->brightnessGroup->items(),
                 (QStringList{"მინ", "25%", "50%", "75%", "100%", "ავტო"}));
        QCOMPARE(mainWindow->brightnessGroup->columns(), 6);
        QCOMPARE(mainWindow->lightingGroup->items(), (QStringList{"გამორთული", "ჩართული", "ავტო"}));
        QVERIFY(!mainWindow->clockButton->isHidden());
        QVERIFY(f->timeQueryButton->isEnabled());
        QVERIFY(autoControlsWindow->brightnessModeGroup->isEnabled());
        quietly(mainWindow->brightnessGroup, 5);
        quietly(mainWindow->lightingGroup, 1);

        work.emplace(*app.workflow, ControllerWorkflow::Quiet::Settling);
        f->timerUsedGroup->setItemIndex(0);
        QCOMPARE(mainWindow->brightnessGroup->count(), 5);
        QCOMPARE(mainWindow->brightnessGroup->columns(), 5);
        QCOMPARE(mainWindow->brightnessGroup->itemIndex(), -1);
        QCOMPARE(mainWindow->lightingGroup->items(), (QStringList{"გამორთული", "ჩართული"}));
        QCOMPARE(mainWindow->lightingGroup->itemIndex(), 1);   // still in the list: kept
        QVERIFY(mainWindow->clockButton->isHidden());
        QVERIFY(!f->timeQueryButton->isEnabled());
        QVERIFY(!autoControlsWindow->brightnessModeGroup->isEnabled());
        QVERIFY(!autoControlsWindow->lightingModeGroup->isEnabled());
        QCOMPARE(autoControlsWindow->brightnessModeGroup->itemIndex(), 0);
        QCOMPARE(autoControlsWindow->lightingModeGroup->itemIndex(), 0);
        QVERIFY(autoControlsWindow->morningTimePicker->isEnabled());

        f->timerUsedGroup->setItemIndex(1);
        QCOMPARE(mainWindow->brightnessGroup->count(), 6);
        QCOMPARE(mainWindow->brightnessGroup->itemIndex(), -1);   // not restored
        QCOMPARE(mainWindow->lightingGroup->itemIndex(), 1);

        // Timer "NO" with "MODEM": the items are there, the clock button is not.
        f->pcButton->setEnabled(false);
        f->modemButton->setEnabled(false);
        work.reset();
        work.emplace(*app.workflow);
        f->timerUsedGroup->setItemIndex(0);
        f->controlledByGroup->setItemIndex(1);   // enables the modem buttons; no rebuild while reading
        QVERIFY(f->pcButton->isEnabled());
        QVERIFY(f->modemButton->isEnabled());
        f->onTimerUsedChanged();
        work.reset();
        QCOMPARE(mainWindow->brightnessGroup->count(), 6);
        QCOMPARE(mainWindow->lightingGroup->count(), 3);
        QVERIFY(mainWindow->clockButton->isHidden());
    }

    void buttonsArrange_data()
    {
        QTest::addColumn<int>("timer");
        QTest::addColumn<bool>("oneWay");
        QTest::addColumn<QList<int>>("send");   // x, width; empty: not placed
        QTest::addColumn<QList<int>>("read");
        QTest::addColumn<QList<int>>("clock");
        const int L = 12;
        QTest::newRow("YES, both ways") << 1 << false << QList<int>{L, 100} << QList<int>{L + 110, 100}
                                        << QList<int>{L + 220, 100};
        QTest::newRow("no selection, both ways") << -1 << false << QList<int>{L, 100} << QList<int>{L + 110, 100}
                                                 << QList<int>{L + 220, 100};
        QTest::newRow("YES, one way") << 1 << true << QList<int>{L, 150} << QList<int>{} << QList<int>{L + 170, 150};
        QTest::newRow("NO, both ways") << 0 << false << QList<int>{L, 150} << QList<int>{L + 170, 150} << QList<int>{};
        QTest::newRow("NO, one way") << 0 << true << QList<int>{L, 320} << QList<int>{} << QList<int>{};
    }
    void buttonsArrange()
    {
        QFETCH(int, timer);
        QFETCH(bool, oneWay);
        QFETCH(QList<int>, send);
        QFETCH(QList<int>, read);
        QFETCH(QList<int>, clock);
        TestApp t(NoPort);
        MainWindow *mainWindow = t.app->mainWindow;
        quietly(t.app->settingsDialog->timerUsedGroup, timer);
        t.app->settings->setOneWay(oneWay);
        for (QPushButton *b : {mainWindow->writeButton, mainWindow->readButton, mainWindow->clockButton})
            b->setGeometry(1, 2, 3, 4);
        mainWindow->progressBar->setGeometry(12, 8, 320, 17);
        t.app->mainWindow->arrangeButtons();
        const auto check = [](QPushButton *b, const QList<int> &g) {
            if (g.isEmpty())
                QCOMPARE(b->geometry(), QRect(1, 2, 3, 4));
            else
                QCOMPARE(b->geometry(), QRect(g[0], 2, g[1], 4));
        };
        check(mainWindow->writeButton, send);
        check(mainWindow->readButton, read);
        check(mainWindow->clockButton, clock);
    }

    void oneWayConnection()
    {
        TestApp t(NoPort);
        t.startUp();
        SettingsDialog *f = t.app->settingsDialog;
        quietly(f->eventsGroup, 1);
        f->oneWayLinkBox->setChecked(true);
        QCOMPARE(f->eventsGroup->itemIndex(), -1);
        QVERIFY(!f->eventsGroup->isEnabled());
        QVERIFY(t.app->mainWindow->readButton->isHidden());
        QCOMPARE(IniFile(t.app->settingsPath()).readString("Tablo", "Replys", ""), QByteArray("1"));
        f->oneWayLinkBox->setChecked(false);
        QCOMPARE(f->eventsGroup->itemIndex(), -1);
        QVERIFY(f->eventsGroup->isEnabled());
        QVERIFY(!t.app->mainWindow->readButton->isHidden());
        QCOMPARE(IniFile(t.app->settingsPath()).readString("Tablo", "Replys", ""), QByteArray("0"));
    }

    void lightingControl()
    {
        TestApp t(NoPort);
        t.startUp();
        MainWindow *mainWindow = t.app->mainWindow;
        AutoControlsWindow *autoControlsWindow = t.app->autoControlsWindow;
        SettingsDialog *f = t.app->settingsDialog;
        f->lightingControlBox->setChecked(false);
        QVERIFY(autoControlsWindow->lightingBox->isHidden());
        QVERIFY(mainWindow->lightingGroup->isHidden());
        QCOMPARE(mainWindow->controlsPanel->height(), mainWindow->lightingGroup->y() + 25);
        QCOMPARE(autoControlsWindow->scheduleButton->y(),
                 autoControlsWindow->brightnessBox->y() + autoControlsWindow->brightnessBox->height() + 5);
        QCOMPARE(IniFile(t.app->settingsPath()).readString("Tablo", "Show_B_L", ""), QByteArray("0"));
        f->lightingControlBox->setChecked(true);
        QVERIFY(!autoControlsWindow->lightingBox->isHidden());
        QVERIFY(!mainWindow->lightingGroup->isHidden());
        QCOMPARE(mainWindow->controlsPanel->height(),
                 mainWindow->lightingGroup->y() + mainWindow->lightingGroup->height() + 25);
        QCOMPARE(autoControlsWindow->scheduleButton->y(),
                 autoControlsWindow->lightingBox->y() + autoControlsWindow->lightingBox->height() + 5);
        QCOMPARE(IniFile(t.app->settingsPath()).readString("Tablo", "Show_B_L", ""), QByteArray("1"));

        f->brightnessControlBox->setChecked(false);
        QVERIFY(mainWindow->brightnessGroup->isHidden());
        QCOMPARE(IniFile(t.app->settingsPath()).readString("Tablo", "Show_Brig", ""), QByteArray("0"));
    }

    void protocolPanel_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("on") << true;
        QTest::newRow("off again") << false;
    }
    void protocolPanel()
    {
        QFETCH(bool, on);
        TestApp t(NoPort);
        SettingsDialog *f = t.app->settingsDialog;
        f->protocolPanelBox->setChecked(true);
        f->protocolPanelBox->setChecked(on);
        QCOMPARE(f->protocolPanel->height(), on ? 225 : 0);
        QCOMPARE(f->protocolPanel->isHidden(), !on);
        const int top = f->protocolPanel->y() + f->protocolPanel->height() + 5;
        QCOMPARE(f->closeButton->y(), top);
        QCOMPARE(f->defaultsButton->y(), top);
        QCOMPARE(f->height(), top + f->closeButton->height() + f->statusBar->height() + 40);
        QCOMPARE(f->statusBar->y() + f->statusBar->height(), f->height());
    }

    // Values shown when the dialog opens, rounded halves to even.
    void formShow_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<int>("boardType");
        QTest::addColumn<bool>("schedule");
        QTest::newRow("2500 ms, 1050 ms, currency") << 2500 << 2 << 1050 << 10 << 0 << false;
        QTest::newRow("3500 ms, 1150 ms, prices") << 3500 << 4 << 1150 << 12 << 1 << true;
        QTest::newRow("4400 ms, 1250 ms, no type") << 4400 << 4 << 1250 << 12 << -1 << true;
    }
    void formShow()
    {
        QFETCH(int, intervalMs);
        QFETCH(int, seconds);
        QFETCH(int, timeoutMs);
        QFETCH(int, tenths);
        QFETCH(int, boardType);
        QFETCH(bool, schedule);
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        if (schedule)
            t.writeFile(QStringLiteral("Shedule.shd"), "Date\r\n");
        quietly(app.boardViewWindow->boardTypeGroup, boardType);
        app.settings->setAutoLoadInterval(intervalMs);
        app.settings->setTimeout(timeoutMs);
        app.settings->setAttempts(6);
        app.mainWindow->move(30, 40);
        app.mainWindow->autoLoadTimer->start();
        app.settingsDialog->show();
        QCOMPARE(app.settingsDialog->pos(), QPoint(app.mainWindow->width() + 20, app.mainWindow->y()));
        QVERIFY(!app.mainWindow->autoLoadTimer->isActive());
        QCOMPARE(app.settingsDialog->autoLoadIntervalSpin->value(), seconds);
        QCOMPARE(app.settingsDialog->timeoutSpin->value(), tenths);
        QCOMPARE(app.settingsDialog->attemptsSpin->value(), 6);
        QCOMPARE(app.boardViewWindow->productPanel->isHidden(), boardType == 0);
        QCOMPARE(app.autoControlsWindow->scheduleButton->isEnabled(), schedule);
    }

    // A failed schedule lookup while the dialog opens ends the opening there.
    void formShowStopsAtLookupError()
    {
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        quietly(app.autoControlsWindow->brightnessModeGroup, 1);
        quietly(app.autoControlsWindow->lightingModeGroup, 1);
        app.settingsDialog->show();
        QCOMPARE(app.reportedErrors.size(), 1);   // the lighting group's switch did not run
        QVERIFY(app.reportedErrors[0].startsWith(QLatin1String("Cannot open file")));
        QVERIFY(app.settingsDialog->isVisible());
        QVERIFY(!app.workflow->quiet());
        QVERIFY(!app.workflow->quiet());
    }

    void closeTakesOver()
    {
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        SettingsDialog *f = app.settingsDialog;
        f->show();
        f->autoLoadIntervalSpin->setValue(7);
        f->timeoutSpin->setValue(12);
        f->attemptsSpin->setValue(3);
        quietly(f->sendIfChangedBox, true);
        for (int k = 1; k <= 10; ++k)
            app.boardViewWindow->productNameEdits[k]->setText(QStringLiteral("Name%1").arg(k));
        f->closeButton->click();
        QVERIFY(!f->isVisible());
        QCOMPARE(app.settings->program().autoLoadIntervalMs, 7000);
        QCOMPARE(app.settings->program().timeoutMs, 1200);
        QCOMPARE(app.settings->program().attempts, 3);
        QVERIFY(app.settings->program().sendIfChanged);
        for (int k = 1; k <= 10; ++k)
            QCOMPARE(app.mainWindow->productNameLabels[k]->text(), QStringLiteral("Name%1").arg(k));
        const IniFile ini(app.settingsPath());
        QCOMPARE(ini.readInteger("Settings", "Auto_Load_Intvl", 0), 7000);
        QCOMPARE(ini.readString("Tablo", "Name_10", ""), QByteArray("Name10"));
    }

    void controlledByAndTemperature()
    {
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        std::optional<ControllerWorkflow::Quiet> work;
        SettingsDialog *f = app.settingsDialog;
        f->pcButton->setEnabled(false);
        f->modemButton->setEnabled(false);
        work.emplace(*app.workflow, ControllerWorkflow::Quiet::Settling);
        f->controlledByGroup->setItemIndex(1);
        QVERIFY(!f->pcButton->isEnabled());   // not while the configuration is being sent
        work.reset();
        f->controlledByGroup->setItemIndex(-1);
        work.emplace(*app.workflow);
        f->controlledByGroup->setItemIndex(1);
        QVERIFY(f->pcButton->isEnabled());
        QVERIFY(f->modemButton->isEnabled());
        app.mainWindow->statusPanels->setPanelText(3, QStringLiteral("21.5°C"));
        f->temperatureSensorGroup->setItemIndex(0);
        QCOMPARE(app.mainWindow->statusPanels->panelText(3), QStringLiteral("21.5°C"));
        f->temperatureSensorGroup->setItemIndex(1);
        QCOMPARE(app.mainWindow->statusPanels->panelText(3), QString());
    }

    // The section "Controller": twenty-one keys in order, never erased.
    // Nothing is saved while the settings load (what a save writes is in the golden traces).
    void noControllerSaveWhileLoading()
    {
        const QByteArray ini("[Controller]\r\nExtra=keep\r\nFlash=9\r\n");
        TestApp t(ini);
        t.app->autoControlsWindow->offCorrectionSpin->setValue(128);
        const ControllerWorkflow::Quiet loadingScope(*t.app->workflow, ControllerWorkflow::Quiet::Loading);
        t.app->saveControllerSettings();
        QCOMPARE(t.readFile(QStringLiteral("Quorvanel_tablo.ini")), ini);
    }

    // Every save of the other two sections keeps the section "Controller".
    void controllerSectionSurvives()
    {
        TestApp t(NoPort + "[Controller]\r\nMorning_Time=05:00:00\r\nFlash=1\r\nExtra=keep\r\n");
        t.startUp();
        Program &app = *t.app;
        const QByteArray before = section(t.readFile(QStringLiteral("Quorvanel_tablo.ini")), "Controller");
        QVERIFY(!before.isEmpty());
        app.settingsDialog->attemptsSpin->setValue(4);
        app.settingsDialog->defaultsButton->click();
        app.settingsDialog->oneWayLinkBox->setChecked(true);
        app.settingsDialog->lightingControlBox->setChecked(false);
        app.settingsDialog->closeButton->click();
        app.saveProgramSettings();
        const QByteArray after = t.readFile(QStringLiteral("Quorvanel_tablo.ini"));
        QCOMPARE(section(after, "Controller"), before);
        QVERIFY(after.contains("Replys=1"));
    }

    // Loading puts back what was saved and clears every controller selector.
    void loadControllerSettings_data()
    {
        QTest::addColumn<QByteArray>("controller");   // the section's lines; null: no section
        QTest::addColumn<QStringList>("times");
        QTest::addColumn<QList<int>>("corrections");  // morning, evening, off, on
        QTest::addColumn<QList<int>>("levels");       // day and night levels
        QTest::newRow("no section") << QByteArray() << QStringList{"00:00:00", "00:01:00", "00:00:00", "00:01:00"}
                                    << QList<int>{0, 0, 0, 0} << QList<int>{0, 0};
        QTest::newRow("values") << QByteArray("Morning_Time=06:30:00\r\nEvening_Time=20:15:00\r\nOFF_Time=07:00:00\r\n"
                                              "ON_Time=19:45:00\r\nMorning_Time_Correction=10\r\n"
                                              "Evening_Time_Correction=-15\r\nOFF_Time_Correction=128\r\n"
                                              "ON_Time_Correction=-127\r\nMorning_Brightness=4\r\n"
                                              "Evening_Brightness=2\r\n")
                                << QStringList{"06:30:00", "20:15:00", "07:00:00", "19:45:00"}
                                << QList<int>{10, -15, 127, -127} << QList<int>{4, 2};
    }
    void loadControllerSettings()
    {
        QFETCH(QByteArray, controller);
        QFETCH(QStringList, times);
        QFETCH(QList<int>, corrections);
        QFETCH(QList<int>, levels);
        TestApp t(controller.isNull() ? NoPort : NoPort + "[Controller]\r\n" + controller);
        t.startUp();
        Program &app = *t.app;
        MainWindow *mainWindow = app.mainWindow;
        SettingsDialog *f = app.settingsDialog;
        AutoControlsWindow *autoControlsWindow = app.autoControlsWindow;
        const QList<RadioGroup *> selectors{mainWindow->brightnessGroup,
                                            mainWindow->lightingGroup,
                                            autoControlsWindow->lightingModeGroup,
                                            autoControlsWindow->brightnessModeGroup,
                                            f->flashGroup,
                                            f->inverseSignalsGroup,
                                            f->eventsGroup,
                                            f->timerUsedGroup,
                                            f->temperatureSensorGroup,
                                            f->clockSectionGroup,
                                            f->controlledByGroup};
        for (RadioGroup *g : selectors)
            quietly(g, 1);
        autoControlsWindow->dayLevelBox->setCurrentIndex(3);
        f->timerUsedGroup->setEnabled(false);
        for (QPushButton *b : {f->timeQueryButton, f->pcButton, f->modemButton})
            b->setEnabled(false);
        const QByteArray file = t.readFile(QStringLiteral("Quorvanel_tablo.ini"));
        QSignalSpy sent(app.boardSession, &BoardSession::commandShown);

        app.workflow->loadStored();

        for (RadioGroup *g : selectors)
            QCOMPARE(g->itemIndex(), -1);
        QCOMPARE((QStringList{app.settings->switchTime(SwitchTime::Morning), app.settings->switchTime(SwitchTime::Evening),
                              app.settings->switchTime(SwitchTime::Off), app.settings->switchTime(SwitchTime::On)}),
                 times);
        QCOMPARE(
            (QList<int>{autoControlsWindow->morningCorrectionSpin->value(),
                        autoControlsWindow->eveningCorrectionSpin->value(),
                        autoControlsWindow->offCorrectionSpin->value(), autoControlsWindow->onCorrectionSpin->value()}),
            corrections);
        QCOMPARE((QList<int>{autoControlsWindow->dayLevelBox->currentIndex(),
                             autoControlsWindow->nightLevelBox->currentIndex()}),
                 levels);
        // No automatic mode: the pickers show the stored times.
        QCOMPARE(autoControlsWindow->morningTimePicker->time().toString(QStringLiteral("HH:mm:ss")), times[0]);
        QCOMPARE(autoControlsWindow->onTimePicker->time().toString(QStringLiteral("HH:mm:ss")), times[3]);
        QVERIFY(f->timerUsedGroup->isEnabled());
        for (QPushButton *b : {f->timeQueryButton, f->pcButton, f->modemButton})
            QVERIFY(b->isEnabled());
        QCOMPARE(mainWindow->brightnessGroup->count(), 6);   // no selections: automatic modes available
        QVERIFY(!app.workflow->quiet());
        QCOMPARE(sent.count(), 0);
        QCOMPARE(t.readFile(QStringLiteral("Quorvanel_tablo.ini")), file);
    }

    // A stored time that is not "hh:mm" is reported and never sent as some other time.
    void badStoredTime()
    {
        TestApp t(NoPort);
        t.startUp();
        Program &app = *t.app;
        app.settings->setSwitchTime(SwitchTime::Evening, QStringLiteral("2x:00:00"));
        t.knowController();
        QSignalSpy sent(app.boardSession, &BoardSession::commandShown);
        app.workflow->sendControllerSettings();
        QCOMPARE(app.reportedErrors, QStringList{QStringLiteral("'2x' is not a valid integer value")});
        QCOMPARE(sent.count(), 0);
        QVERIFY(!app.workflow->quiet());
        app.settings->setSwitchTime(SwitchTime::Evening, QStringLiteral("20:00:00"));
        app.workflow->sendControllerSettings();
        QVERIFY(!sent.isEmpty() && sent.last().at(0).toString().startsWith(QStringLiteral("SETS=")));
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
#include "gui/widgets/RadioGroup.h"
