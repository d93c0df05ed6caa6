// Controller commands through the windows against the board simulator: brightness and
// lighting selectors, the clock, "SETS=", the bare modem commands and the outcome of each.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <utility>

#include "BoardRig.h"
#include "core/link/QtSerialLink.h"
#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
#include "core/protocol/Protocol.h"
#include "core/files/IniFile.h"

namespace {

// A program started on 13 May 2024 with that day's schedule and a settings file naming the
// simulator's port (commands wait 400 ms, once), with a [Controller] section if `controller`
// is given.
BoardRig::Options controllerRig(const QStringList &simOptions = {}, const QByteArray &controller = QByteArray())
{
    return {.sim = simOptions,
            .settings = "Timeout_for_command=400\r\nAttempts=1\r\n"
                        + (controller.isNull() ? QByteArray() : "[Controller]\r\n" + controller),
            .schedule = "Date  Morning  Evening\r\n05.13 06:12:00 20:45:00\r\n",
            .beforeStartUp = [](BoardRig &r) { r.app().todayHook = [] { return QDate(2024, 5, 13); }; }};
}

QList<QByteArray> fieldsOf(const QByteArray &sets)
{
    return sets.mid(5).split(',').mid(0, 19);
}

} // namespace

class TestController : public QObject {
    Q_OBJECT
private slots:
    // The brightness and lighting selectors of the main window.
    void selectors_data()
    {
        QTest::addColumn<bool>("lighting");       // the lighting group, else brightness
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("presetMode");      // the group's automatic mode before (-1 none)
        QTest::addColumn<bool>("lightingControl");
        QTest::addColumn<bool>("autoOpen");       // the Auto Controls window is open
        QTest::addColumn<QList<QByteArray>>("wire");   // commands received ("SETS=" by prefix)
        QTest::addColumn<QString>("panel1");
        QTest::addColumn<QString>("panel2");
        QTest::addColumn<int>("modeAfter");

        using L = QList<QByteArray>;
        QTest::newRow("50%") << false << 2 << -1 << true << false << L{"BRIG=2"} << "BRIG=2" << "" << -1;
        QTest::newRow("ავტო, no mode") << false << 5 << -1 << true << false << L{"BRIG=6"} << "BRIG=6" << "" << 1;
        QTest::newRow("ავტო, no mode, Auto Controls open")
            << false << 5 << -1 << true << true << L{"SETS=", "BRIG=6"} << "BRIG=6" << "" << 1;
        QTest::newRow("ავტო by time") << false << 5 << 0 << true << false << L{"BRIG=5"} << "BRIG=5" << "" << 0;
        QTest::newRow("ჩართული, lighting control off")
            << true << 1 << -1 << false << false << L{"LIGH=1"} << "" << "" << -1;
        QTest::newRow("ჩართული, lighting control on")
            << true << 1 << -1 << true << false << L{"LIGH=1"} << "" << "LIGH=1" << -1;
        QTest::newRow("lighting ავტო, no mode") << true << 2 << -1 << true << false << L{"LIGH=3"} << "" << "LIGH=3"
                                                << 1;
        QTest::newRow("lighting ავტო by time, Auto Controls open")
            << true << 2 << 0 << true << true << L{"LIGH=2"} << "" << "LIGH=2" << 0;
    }
    void selectors()
    {
        QFETCH(bool, lighting);
        QFETCH(int, item);
        QFETCH(int, presetMode);
        QFETCH(bool, lightingControl);
        QFETCH(bool, autoOpen);
        QFETCH(QList<QByteArray>, wire);
        QFETCH(QString, panel1);
        QFETCH(QString, panel2);
        QFETCH(int, modeAfter);
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        QCOMPARE(r.app().serialLink->state(), SerialLink::State::Open);
        r.settingsDialog()->lightingControlBox->setChecked(lightingControl);
        AutoControlsWindow *controls = r.autoControlsWindow();
        RadioGroup *mode = lighting ? controls->lightingModeGroup : controls->brightnessModeGroup;
        mode->setItemIndex(presetMode);
        r.knowController();
        if (autoOpen)
            controls->show();
        QCOMPARE(r.commands(), QList<QByteArray>());

        RadioGroup *group = lighting ? r.mainWindow()->lightingGroup : r.mainWindow()->brightnessGroup;
        group->button(item)->click();
        QVERIFY(r.settle());

        const QList<QByteArray> got = r.commands();
        QCOMPARE(got.size(), wire.size());
        for (int i = 0; i < wire.size(); ++i)
            QVERIFY2(wire[i].endsWith('=') ? got[i].startsWith(wire[i]) : got[i] == wire[i], got[i].constData());
        QCOMPARE(r.panel(1), panel1);
        QCOMPARE(r.panel(2), panel2);
        QCOMPARE(mode->itemIndex(), modeAfter);
        QCOMPARE(group->itemIndex(), item);
        QCOMPARE(r.mainWindow()->progressBar->value(), 1000);
        QCOMPARE(r.app().beepCount, 0);
        // The board took it: fields 12 to 15 of its READ line follow the mode.
        const QList<QByteArray> sets = r.boardControllerValues();
        QCOMPARE(sets.value(lighting ? 1 : 0), wire.last().mid(5));
    }

    // An upload asked for while a controller command waits for the board runs when it ends.
    void uploadAskedDuringCommand_data()
    {
        QTest::addColumn<bool>("testPattern");   // a test pattern picked, else the write button
        QTest::newRow("write button") << false;
        QTest::newRow("test pattern") << true;
    }
    void uploadAskedDuringCommand()
    {
        QFETCH(bool, testPattern);
        BoardRig r(controllerRig({"--silent"}));
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        if (testPattern)
            r.testPatternWindow()->show();
        QTimer::singleShot(100, [&] {
            QVERIFY(r.mainWindow()->writeButton->isEnabled());
            if (testPattern)
                r.testPatternWindow()->patternGroup->button(1)->click();
            else
                r.mainWindow()->writeButton->click();
            r.mainWindow()->writeButton->click();   // a second request adds nothing
            r.sim.post(QStringLiteral("silent 0"));
        });
        r.mainWindow()->brightnessGroup->button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(r.panel(0), QStringLiteral("Sent OK"), 5000);
        QCOMPARE(r.app().beepCount, 1);   // the brightness command failed first
        QTest::qWait(200);
        QList<QByteArray> got = r.commands();
        QCOMPARE(got.size(), 3);
        QCOMPARE(got[0], QByteArray("BRIG=2"));
        QVERIFY2(got[1].startsWith(testPattern ? "SEND=1.1111," : "SEND=1.0000,"), got[1].constData());
        QCOMPARE(got[2], QByteArray("READ="));
    }

    // "ავტო" whose schedule lookup fails: reported, and the brightness command is not sent.
    void autoWithFailedLookup()
    {
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        QFile::remove(r.testApp.path(QStringLiteral("Shedule.shd")));
        r.autoControlsWindow()->show();
        r.mainWindow()->statusPanels->setPanelText(1, QStringLiteral("before"));
        r.mainWindow()->brightnessGroup->button(5)->click();
        QVERIFY(r.settle());
        QCOMPARE(r.app().reportedErrors.size(), 1);
        QVERIFY(r.app().reportedErrors[0].startsWith(QLatin1String("Cannot open file")));
        QTest::qWait(50);
        QCOMPARE(r.commands(), QList<QByteArray>());
        QCOMPARE(r.panel(1), QStringLiteral("before"));
        QVERIFY(!r.app().workflow->quiet());
        QVERIFY(!r.app().workflow->quiet());
    }

    // What each answer of the board does to a brightness change.
    void outcome_data()
    {
        QTest::addColumn<QStringList>("simOptions");
        QTest::addColumn<QString>("panel0");
        QTest::addColumn<bool>("panelsEmptied");
        QTest::addColumn<bool>("reloaded");
        QTest::addColumn<int>("beeps");
        QTest::newRow("OK") << QStringList() << "before" << false << false << 0;
        QTest::newRow("ERROR") << QStringList{"--error-first", "5"} << "Data error" << false << true << 1;
        QTest::newRow("silent") << QStringList{"--silent"} << "Connection error, setting was not made" << true << true
                                << 1;
        QTest::newRow("a READ line") << QStringList{"--reply", "READ=1,2,"} << "before" << false << true << 0;
    }
    void outcome()
    {
        QFETCH(QStringList, simOptions);
        QFETCH(QString, panel0);
        QFETCH(bool, panelsEmptied);
        QFETCH(bool, reloaded);
        QFETCH(int, beeps);
        BoardRig r(controllerRig(simOptions, "Morning_Time=06:30:00\r\nEvening_Time=20:15:00\r\n"
                                             "Morning_Time_Correction=10\r\nMorning_Brightness=4\r\n"
                                             "Evening_Brightness=2\r\nFlash=1\r\n"));
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        StatusBar *bar = r.mainWindow()->statusPanels;
        bar->setPanelText(0, QStringLiteral("before"));
        bar->setPanelText(2, QStringLiteral("LIGH=1"));
        // Chosen without a command of their own (as while the settings load).
        std::optional<ControllerWorkflow::Quiet> loadingScope;
        if (true) loadingScope.emplace(*r.app().workflow, ControllerWorkflow::Quiet::Loading);
        r.mainWindow()->lightingGroup->setItemIndex(1);
        r.autoControlsWindow()->dayLevelBox->setCurrentIndex(1);
        r.settingsDialog()->inverseSignalsGroup->setItemIndex(1);
        loadingScope.reset();
        QFile::remove(r.app().settingsPath());

        r.mainWindow()->brightnessGroup->button(2)->click();   // "50%"
        QVERIFY(r.settle());

        QCOMPARE(r.commands(), QList<QByteArray>{"BRIG=2"});
        QCOMPARE(bar->panelText(0), panel0);
        QCOMPARE(bar->panelText(1), panelsEmptied ? QString() : QStringLiteral("BRIG=2"));
        QCOMPARE(bar->panelText(2), panelsEmptied ? QString() : QStringLiteral("LIGH=1"));
        QCOMPARE(r.app().beepCount, beeps);
        QVERIFY(!r.app().workflow->quiet());
        if (!reloaded) {
            QCOMPARE(r.mainWindow()->brightnessGroup->itemIndex(), 2);
            QCOMPARE(r.mainWindow()->lightingGroup->itemIndex(), 1);
            QCOMPARE(r.autoControlsWindow()->dayLevelBox->currentIndex(), 1);
            QCOMPARE(r.mainWindow()->progressBar->value(), 1000);
            QVERIFY(r.testApp.exists(QStringLiteral("Quorvanel_tablo.ini")));   // settings saved
            return;
        }
        // The settings file had been removed: the reload gives the defaults and saves nothing.
        QVERIFY(!r.testApp.exists(QStringLiteral("Quorvanel_tablo.ini")));
        QCOMPARE(r.mainWindow()->brightnessGroup->itemIndex(), -1);
        QCOMPARE(r.mainWindow()->lightingGroup->itemIndex(), -1);
        QCOMPARE(r.settingsDialog()->inverseSignalsGroup->itemIndex(), -1);
        QCOMPARE(r.autoControlsWindow()->dayLevelBox->currentIndex(), 0);
        QCOMPARE(r.app().settings->switchTime(SwitchTime::Morning), QStringLiteral("00:00:00"));
    }

    // After an unacknowledged command the windows show the values last saved.
    void storedValuesBack()
    {
        BoardRig r(controllerRig({"--silent"}, "Morning_Time=06:30:00\r\nEvening_Time=20:15:00\r\n"
                                               "OFF_Time=07:10:00\r\nON_Time=18:40:00\r\n"
                                               "Morning_Time_Correction=10\r\nON_Time_Correction=-3\r\n"
                                               "Morning_Brightness=4\r\nEvening_Brightness=2\r\nFlash=1\r\n"
                                               "Timer_Used=1\r\n"));
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        AutoControlsWindow *controls = r.autoControlsWindow();
        controls->dayLevelBox->setCurrentIndex(0);
        controls->morningCorrectionSpin->setValue(50);
        r.mainWindow()->brightnessGroup->button(3)->click();
        QVERIFY(r.settle());
        QCOMPARE(r.panel(0), QStringLiteral("Connection error, setting was not made"));
        QCOMPARE(controls->dayLevelBox->currentText(), QStringLiteral("100%"));
        QCOMPARE(controls->nightLevelBox->currentText(), QStringLiteral("50%"));
        QCOMPARE(controls->morningCorrectionSpin->value(), 10);
        QCOMPARE(controls->onCorrectionSpin->value(), -3);
        QCOMPARE(r.app().settings->switchTime(SwitchTime::Off), QStringLiteral("07:10:00"));
        QCOMPARE(controls->onTimePicker->time(), QTime(18, 40));
        for (RadioGroup *g : {r.mainWindow()->brightnessGroup, r.mainWindow()->lightingGroup,
                              controls->lightingModeGroup, controls->brightnessModeGroup,
                              r.settingsDialog()->flashGroup, r.settingsDialog()->timerUsedGroup})
            QCOMPARE(g->itemIndex(), -1);
    }

    // The bare modem commands: exactly the text and CR LF, also with checksums on.
    void modemCommands_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("checksums");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("Time?, checksums on") << 5 << true << QByteArray("TIME?\r\n");
        QTest::newRow("Time?, checksums off") << 5 << false << QByteArray("TIME?\r\n");
        QTest::newRow("PC temporary, checksums on") << 1 << true << QByteArray("PC\r\n");
        QTest::newRow("MODEM, checksums on") << 3 << true << QByteArray("MD\r\n");
    }
    void modemCommands()
    {
        QFETCH(int, button);
        QFETCH(bool, checksums);
        QFETCH(QByteArray, bytes);
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        SettingsDialog *dialog = r.settingsDialog();
        dialog->checksumsBox->setChecked(checksums);
        QPushButton *b = button == 1 ? dialog->pcButton : button == 3 ? dialog->modemButton : dialog->timeQueryButton;
        b->setEnabled(true);
        r.mainWindow()->statusPanels->setPanelText(0, QStringLiteral("before"));
        b->click();
        QVERIFY(r.sim.waitForReceived(bytes));
        QTest::qWait(100);
        QCOMPARE(r.sim.received(), bytes);
        QCOMPARE(r.panel(0), QStringLiteral("before"));
    }

    // A modem command written in the middle of another exchange's wait goes out at once and
    // does not take the place of that exchange's command in its next attempt.
    void modemCommandDuringWait()
    {
        BoardRig r(controllerRig({"--silent"}));
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        r.app().settings->setAttempts(2);
        QPushButton *timeQuery = r.settingsDialog()->timeQueryButton;
        r.settingsDialog()->checksumsBox->setChecked(false);
        timeQuery->setEnabled(true);
        QTimer::singleShot(150, timeQuery, [&] { timeQuery->click(); });
        r.mainWindow()->brightnessGroup->button(2)->click();
        QVERIFY(r.settle());
        QCOMPARE(r.sim.received(), QByteArray("BRIG=2;\r\nTIME?\r\nBRIG=2;\r\n"));
    }

    void clock()
    {
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        r.settingsDialog()->checksumsBox->setChecked(true);
        r.settingsDialog()->timerUsedGroup->setItemIndex(1);   // timer used: the clock button is shown
        r.sim.control(QStringLiteral("silent 1"));
        QList<bool> during;
        QTimer::singleShot(100, r.mainWindow(), [&] {
            for (QWidget *w : r.exchangeControls())
                during << w->isEnabled();
        });
        const QByteArray before = r.sim.received();
        const QDateTime now = QDateTime::currentDateTime();
        r.mainWindow()->clockButton->click();
        QVERIFY(r.settle());
        const QByteArray sent = r.sim.received().mid(before.size());
        const QRegularExpression form(QStringLiteral("^TIME=(\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d);(\\d+);\r\n$"));
        const auto m = form.match(QString::fromLatin1(sent));
        QVERIFY2(m.hasMatch(), sent.constData());
        QCOMPARE(Protocol::frameCommand("TIME=" + m.captured(1).toLatin1(), true), sent);
        const QDateTime stamp = QDateTime::fromString(m.captured(1), QStringLiteral("dd.MM.yy HH:mm:ss")).addYears(100);
        QVERIFY2(qAbs(stamp.secsTo(now)) <= 5, qPrintable(m.captured(1)));
        QCOMPARE(during, (QList<bool>{false, false, false, false, false}));
        for (QWidget *w : r.exchangeControls())
            QVERIFY(w->isEnabled());
        QCOMPARE(r.panel(0), QStringLiteral("Connection error, setting was not made"));
    }

    // Requests made while the board is busy wait and go out once it is free, the latest of each
    // kind; a read carried out meanwhile does not undo a controller option chosen during the wait.
    // The port is not probed under a running exchange.
    void requestsWhileBusy()
    {
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        MainWindow *window = r.mainWindow();
        SettingsDialog *dialog = r.settingsDialog();
        window->readButton->click();
        QVERIFY(r.settle());
        dialog->show();
        const int before = r.commands().size();
        bool once = false, refreshEnabled = true;
        connect(r.app().boardSession, &BoardSession::commandShown, window, [&] {
            if (std::exchange(once, true))
                return;
            window->brightnessGroup->button(1)->click();
            window->readButton->click();
            window->brightnessGroup->button(3)->click();
            window->clockButton->click();
            dialog->flashGroup->button(1 - dialog->flashGroup->itemIndex())->click();
            refreshEnabled = dialog->refreshButton->isEnabled();
            dialog->refreshPortList();
        });
        const QByteArray flash = QByteArray::number(1 - dialog->flashGroup->itemIndex());
        window->brightnessGroup->button(2)->click();
        QTRY_COMPARE_WITH_TIMEOUT(r.commands().size(), before + 5, 10000);
        QVERIFY(r.settle());
        const QByteArray wire = r.commands().mid(before).join(' ');
        // Each kind once, the latest brightness; the option chosen during the wait survives the read.
        QVERIFY2(wire.startsWith("BRIG=2 ") && wire.contains(" BRIG=3") && wire.contains(" TIME=")
                     && wire.indexOf(" READ=") < wire.indexOf(" SETS="), wire.constData());
        QCOMPARE(fieldsOf(wire.mid(wire.indexOf("SETS="))).value(2), flash);
        QCOMPARE(r.boardControllerValues().value(2), flash);
        QVERIFY(!refreshEnabled);
        QTRY_VERIFY(dialog->refreshButton->isEnabled());
        QCOMPARE(r.app().serialLink->state(), SerialLink::State::Open);
    }

    // "SETS=": groups without selection get their first item; the board keeps all nineteen.
    void sendSettings()
    {
        BoardRig r(controllerRig({}, "Morning_Time=07:30:15\r\nEvening_Time=21:00:00\r\nOFF_Time=06:00:00\r\n"
                                     "ON_Time=19:30:00\r\nMorning_Time_Correction=-5\r\nEvening_Time_Correction=-1\r\n"
                                     "OFF_Time_Correction=128\r\nON_Time_Correction=3\r\nMorning_Brightness=4\r\n"
                                     "Evening_Brightness=2\r\n"));
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        r.app().workflow->loadStored();
        r.settingsDialog()->checksumsBox->setChecked(false);
        // Chosen without a command of their own (as while the settings load).
        std::optional<ControllerWorkflow::Quiet> loadingScope;
        if (true) loadingScope.emplace(*r.app().workflow, ControllerWorkflow::Quiet::Loading);
        r.mainWindow()->brightnessGroup->setItemIndex(2);   // "50%" with no automatic mode: field 1 is 0
        r.settingsDialog()->clockSectionGroup->setItemIndex(3);
        loadingScope.reset();
        r.knowController();   // chosen, then cleared again: the first items are sent

        r.app().workflow->sendControllerSettings();
        QVERIFY(r.settle());

        const QList<QByteArray> wire = r.commands();
        QCOMPARE(wire.size(), 1);
        const QList<QByteArray> expected{"0",   "0", "0", "450", "1260", "251", "255", "4", "2", "360",
                                         "1170", "127", "3", "0",  "0",    "3",   "0",   "0", "0"};
        QCOMPARE(fieldsOf(wire[0]), expected);
        QCOMPARE(r.boardControllerValues(), expected);
        SettingsDialog *dialog = r.settingsDialog();
        for (RadioGroup *g : {dialog->flashGroup, dialog->timerUsedGroup, dialog->temperatureSensorGroup,
                              dialog->eventsGroup, dialog->inverseSignalsGroup, dialog->controlledByGroup})
            QCOMPARE(g->itemIndex(), 0);
        QVERIFY(!r.app().workflow->quiet());
        const IniFile ini(r.app().settingsPath());
        QCOMPARE(ini.readInteger("Controller", "Timer_Used", 9), 0);
        QCOMPARE(ini.readInteger("Controller", "Modem_Used", 9), 0);
        QCOMPARE(ini.readInteger("Controller", "Time_Temp_Dispalay", 9), 3);
        QCOMPARE(ini.readString("Controller", "Morning_Time", ""), QByteArray("07:30:15"));
    }

    // Showing the Settings dialog runs both mode switches: with the Auto Controls window open
    // each sends the configuration, once the board's configuration is known; before, nothing
    // goes out and the status bar says why.
    void showingSettings_data()
    {
        QTest::addColumn<bool>("autoOpen");
        QTest::addColumn<bool>("known");
        QTest::newRow("Auto Controls open") << true << true;
        QTest::newRow("Auto Controls open, board not read") << true << false;
        QTest::newRow("Auto Controls closed") << false << true;
    }
    void showingSettings()
    {
        QFETCH(bool, autoOpen);
        QFETCH(bool, known);
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        if (known)
            r.knowController();
        if (autoOpen)
            r.autoControlsWindow()->show();
        r.settingsDialog()->show();
        QVERIFY(r.settle());
        const int sends = autoOpen && known ? 2 : 0;
        QCOMPARE(r.sim.receivedCount("SETS="), sends);
        QCOMPARE(r.commands().size(), sends);
        if (autoOpen && !known)
            QCOMPARE(r.panel(0), QStringLiteral("Settings not sent: read the board first"));
    }

    // Changes while the windows are closed (as by loading or reading back) send nothing; the
    // same changes with the window open send the configuration once each.
    void changes_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("field");   // 1-based field that carries the change
        QTest::addColumn<QByteArray>("value");
        const char *names[] = {"Flash", "Inverse Signals", "Events from tablo", "Temperature sensor used",
                               "temperature and clock section", "morning correction", "night brightness",
                               "switch-on time", "brightness mode"};
        const int fields[] = {3, 18, 17, 15, 16, 6, 9, 11, 1};
        const char *values[] = {"1", "1", "1", "1", "4", "246", "3", "1001", "5"};
        for (int c = 0; c < 9; ++c)
            for (bool open : {false, true})
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(names[c]), open ? "open" : "closed")))
                    << c << open << fields[c] << QByteArray(values[c]);
    }
    void changes()
    {
        QFETCH(int, change);
        QFETCH(bool, open);
        QFETCH(int, field);
        QFETCH(QByteArray, value);
        BoardRig r(controllerRig());
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        SettingsDialog *dialog = r.settingsDialog();
        AutoControlsWindow *controls = r.autoControlsWindow();
        r.knowController();
        if (open)
            (change < 5 ? static_cast<QWidget *>(dialog) : static_cast<QWidget *>(controls))->show();
        const int before = r.commands().size();   // showing the dialog runs no send here
        if (change == 8) {
            // Brightness "ავტო" as the board reported it; then by time is picked.
            std::optional<ControllerWorkflow::Quiet> loadingScope;
            if (true) loadingScope.emplace(*r.app().workflow, ControllerWorkflow::Quiet::Loading);   // no command of its own
            r.mainWindow()->brightnessGroup->setItemIndex(5);
            loadingScope.reset();
        }
        switch (change) {
        case 0: dialog->flashGroup->setItemIndex(1); break;
        case 1: dialog->inverseSignalsGroup->setItemIndex(1); break;
        case 2: dialog->eventsGroup->setItemIndex(1); break;
        case 3: dialog->temperatureSensorGroup->setItemIndex(1); break;
        case 4: dialog->clockSectionGroup->setItemIndex(4); break;
        case 5: controls->morningCorrectionSpin->setValue(-10); break;
        case 6:
            controls->nightLevelBox->setCurrentIndex(3);
            emit controls->nightLevelBox->activated(3);
            break;
        case 7: controls->onTimePicker->setTime(QTime(16, 41, 5)); break;
        case 8: controls->brightnessModeGroup->setItemIndex(0); break;
        }
        QTest::qWait(50);
        const QList<QByteArray> wire = r.commands().mid(before);
        if (!open) {
            QCOMPARE(wire, QList<QByteArray>());
            return;
        }
        QCOMPARE(wire.size(), 1);
        QCOMPARE(fieldsOf(wire[0]).value(field - 1), value);
        QCOMPARE(r.boardControllerValues().value(field - 1), value);
    }

    // "Exit" while commands wait: the first one carries them out and says so; the second ends at
    // once, and the settings file keeps no choice the board did not take.
    void exitWithWaitingCommands()
    {
        BoardRig r(BoardRig::Options{.sim = {"--silent"}, .settings = standardSettings({"Timeout_for_command=2000"})});
        QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
        r.knowController();
        r.settingsDialog()->show();
        r.mainWindow()->brightnessGroup->button(2)->click();
        QVERIFY(r.sim.waitForReceived("BRIG=2"));
        r.settingsDialog()->flashGroup->button(1)->click();
        QVERIFY(r.app().service->isWaiting(BoardReply::Kind::ControllerSettings));
        r.mainWindow()->exitProgram();
        QVERIFY(!r.app().closing);
        QCOMPARE(r.panel(0), QStringLiteral("Exit after the waiting commands (Exit again: now)"));
        r.mainWindow()->exitProgram();
        QVERIFY(r.app().closing);
        QVERIFY(!r.app().service->hasWaiting());
        const QByteArray ini = r.testApp.readFile("Quorvanel_tablo.ini");
        QVERIFY(ini.contains("Port_Number="));
        QVERIFY(!ini.contains("Flash=1"));
    }
};

QTEST_MAIN(TestController)
#include "tst_controller.moc"
