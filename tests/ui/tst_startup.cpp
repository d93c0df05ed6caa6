// Start-up, the main window and the settings file: defaults, value encodings, the saved
// file byte for byte, and the close behaviours.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QtTest>

#include "core/operations/ControllerWorkflow.h"

#include "core/operations/BoardService.h"
#include "TestApp.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void mainWindowBeforeStartUp();
    void defaultsWithoutSettingsFile();
    void loadedIntoWindows();
    void nothingWrittenDuringStartUp();
    void closeHidesOrMinimises_data();
    void closeHidesOrMinimises();
    void exitSavesAndEnds();
    void exitWithUnwritableSettings();
};

void TestStartup::mainWindowBeforeStartUp()
{
    TestApp t;
    MainWindow *f = t.mainWindow();
    QCOMPARE(f->windowTitle(), QStringLiteral("\"QUAM\" LTD. Uploader"));
    QVERIFY(!f->isVisible());
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(f->figureEdits[k]->text(), QStringLiteral("1.0000"));
    QVERIFY(!f->figureEdits[9]->isEnabled());
    QVERIFY(!f->figureEdits[10]->isEnabled());
    QVERIFY(f->figureEdits[1]->font().bold());
    QCOMPARE(f->figureEdits[1]->font().pixelSize(), 21);
    for (int r = 1; r <= 5; ++r) {
        QCOMPARE(f->oddSlotBoxes[r]->isChecked(), r <= 4);
        QVERIFY(!f->evenSlotBoxes[r]->isChecked());
    }
    QCOMPARE(f->brightnessGroup->itemIndex(), -1);
    QCOMPARE(f->progressBar->maximum(), 1000);
    QCOMPARE(f->statusPanels->panelCount(), 4);
    const int widths[4] = {210, 67, 45, 55};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(f->statusPanels->panelWidth(i), widths[i]);
    QCOMPARE(int(f->statusPanels->panelAlignment(0)), int(Qt::AlignLeft));
    QCOMPARE(int(f->statusPanels->panelAlignment(1)), int(Qt::AlignHCenter));
    // Assistive technology finds a status bar and reads its four panels in order.
    const QStringList panels{"Sent OK", "BRIG=50%", "LIGH=1", "21°C"};
    for (int i = 0; i < 4; ++i)
        f->statusPanels->setPanelText(i, panels[i]);
    QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(f->statusPanels);
    QCOMPARE(bar->role(), QAccessible::StatusBar);
    QStringList read;
    for (int i = 0; i < bar->childCount(); ++i)
        read << bar->child(i)->text(QAccessible::Name);
    QCOMPARE(read, panels);
    QCOMPARE(f->autoLoadTimer->interval(), 1000);
    QVERIFY(!f->autoLoadTimer->isActive());
    QCOMPARE(f->clockAndEventTimer->interval(), 1000);
    QVERIFY(f->clockAndEventTimer->isActive());
}

void TestStartup::defaultsWithoutSettingsFile()
{
    TestApp t;
    t.startUp();
    Program &a = *t.app;
    QVERIFY(t.mainWindow()->isVisible());
    QCOMPARE(t.mainWindow()->pos(), QPoint(20, 20));
    QCOMPARE(a.boardViewWindow->boardType(), 0);
    QCOMPARE(a.boardViewWindow->currencyCountSpin->value(), 5);
    QCOMPARE(a.boardViewWindow->productCountSpin->value(), 10);
    const QStringList cur{"USD", "EUR", "GBP", "RUR", "FRF"};
    for (int r = 1; r <= 5; ++r)
        QCOMPARE(a.boardViewWindow->currencyBoxes[r]->currentText(), cur[r - 1]);
    const QStringList names{"Normal", "Regular", "Premium", "Super", "Diesel", "", "", "", "", ""};
    for (int k = 1; k <= 10; ++k) {
        QCOMPARE(a.boardViewWindow->productNameEdits[k]->text(), names[k - 1]);
        QCOMPARE(t.mainWindow()->productNameLabels[k]->text(), names[k - 1]);
    }
    QCOMPARE(a.settings->program().port, QStringLiteral("COM1"));
    QCOMPARE(a.settings->program().baudRate, QStringLiteral("9600"));
    QCOMPARE(a.settings->program().parity, QStringLiteral("None"));
    QCOMPARE(a.settings->program().attempts, 1);
    QCOMPARE(a.settings->program().timeoutMs, 1000);
    QCOMPARE(a.settings->program().autoLoadIntervalMs, 5000);
    QVERIFY(a.settingsDialog->checksumsBox->isChecked());
    QVERIFY(!a.settingsDialog->oneWayLinkBox->isChecked());
    QVERIFY(!a.settingsDialog->autoLoadBox->isChecked());
    for (int r = 1; r <= 5; ++r) {
        QCOMPARE(t.mainWindow()->oddSlotBoxes[r]->isChecked(), r <= 4);
        QCOMPARE(t.mainWindow()->evenSlotBoxes[r]->isChecked(), r <= 4);
    }
    QCOMPARE(a.settingsDialog->portCombo->currentText(), QStringLiteral("COM1"));
    QCOMPARE(a.settingsDialog->baudRateCombo->currentText(), QStringLiteral("9600"));
    QVERIFY(!a.startingUp);
    QVERIFY(!a.workflow->quiet());
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(a.service->figures().figure(k), t.mainWindow()->figureEdits[k]->text());
}

// What the settings file holds shows in every window's controls.
void TestStartup::loadedIntoWindows()
{
    TestApp t(QByteArray("[Settings]\r\nReplys=0\r\n[Tablo]\r\nProducts=7\r\nValutas=2\r\nBoard_type=1\r\n"
                         "Digits=3\r\nFill_char=1\r\nReplys=1\r\n1st_Currency=0\r\n2a_st_Currency=0\r\nName_2=Gas\r\n"
                         "VAL_2=GBP\r\nShow_B_L=0\r\n"));
    t.startUp();
    Program &a = *t.app;
    QCOMPARE(a.boardViewWindow->productCountSpin->value(), 7);
    QCOMPARE(a.boardViewWindow->currencyCountSpin->value(), 2);
    QCOMPARE(a.boardViewWindow->boardType(), 1);
    QCOMPARE(a.boardViewWindow->productNameEdits[2]->text(), QStringLiteral("Gas"));
    QCOMPARE(a.boardViewWindow->currencyBoxes[2]->currentText(), QStringLiteral("GBP"));
    QCOMPARE(a.settingsDialog->digitsSpin->value(), 3);
    QCOMPARE(a.settingsDialog->fillCharGroup->itemIndex(), 1);
    QVERIFY(a.settingsDialog->oneWayLinkBox->isChecked());
    QVERIFY(!a.settingsDialog->lightingControlBox->isChecked());
    // A price board: each slot has its own box.
    QVERIFY(!t.mainWindow()->oddSlotBoxes[1]->isChecked());
    QVERIFY(t.mainWindow()->evenSlotBoxes[1]->isChecked());
    QVERIFY(!t.mainWindow()->evenSlotBoxes[2]->isChecked());
    QCOMPARE(t.mainWindow()->productNameLabels[2]->text(), QStringLiteral("Gas"));
    QCOMPARE(t.mainWindow()->figureEdits[1]->text(), QStringLiteral("1.00"));
}

void TestStartup::nothingWrittenDuringStartUp()
{
    const QByteArray ini("[Settings]\r\nAttempts=3\r\nOdd=1\r\n[Tablo]\r\n5st_Currency=2\r\n");
    TestApp t(ini);
    t.startUp();
    QCOMPARE(t.readFile("Quorvanel_tablo.ini"), ini);
    const ControllerWorkflow::Quiet loadingScope(*t.app->workflow, ControllerWorkflow::Quiet::Loading);
    t.app->saveProgramSettings();
    QCOMPARE(t.readFile("Quorvanel_tablo.ini"), ini);
}

void TestStartup::closeHidesOrMinimises_data()
{
    QTest::addColumn<bool>("tray");
    QTest::newRow("with a notification area") << true;
    QTest::newRow("without one") << false;
}

void TestStartup::closeHidesOrMinimises()
{
    QFETCH(bool, tray);
    TestApp t;
    t.app->trayAvailableOverride = tray;
    t.startUp();
    MainWindow *f = t.mainWindow();
    QVERIFY(f->isVisible());
    QVERIFY(!f->close());   // the close box: the window is not closed
    QVERIFY(!t.app->closing);
    if (tray) {
        QVERIFY(!f->isVisible());
        QVERIFY(t.app->trayIcon);
        QCOMPARE(t.app->trayIcon->toolTip(), QStringLiteral("Exchange_Tablo"));
        t.app->trayActivated(int(QSystemTrayIcon::MiddleClick));
        QVERIFY(!f->isVisible());
        t.app->trayActivated(int(QSystemTrayIcon::Trigger));
        QVERIFY(f->isVisible());
        f->minimizeAction->trigger();
        QVERIFY(!f->isVisible());
        t.app->trayActivated(int(QSystemTrayIcon::Context));
        QVERIFY(f->isVisible());
    } else {
        QVERIFY(f->isVisible());
        QVERIFY(f->isMinimized());
        t.app->trayActivated(int(QSystemTrayIcon::Trigger));
        QVERIFY(!f->isMinimized());
    }
    QVERIFY(f->clockAndEventTimer->isActive());
}

void TestStartup::exitSavesAndEnds()
{
    TestApp t;
    t.startUp();
    QVERIFY(!t.exists("Quorvanel_tablo.ini"));
    QSignalSpy ended(t.mainWindow(), &MainWindow::exited);
    t.mainWindow()->exitAction->trigger();
    QCOMPARE(ended.count(), 1);
    QVERIFY(t.app->closing);
    QVERIFY(!t.app->trayIcon);
    const QByteArray out = t.readFile("Quorvanel_tablo.ini");
    QVERIFY(out.contains("[Settings]\r\nBaudRAte=9600\r\n"));
    QVERIFY(out.contains("[Tablo]\r\n"));
    // Neither read nor loaded: the program's start values are not saved as the board's.
    QVERIFY(!out.contains("[Controller]"));
}

void TestStartup::exitWithUnwritableSettings()
{
    TestApp t;
    t.startUp();
    // A folder where the file should be: the save fails, is reported, and exit goes on.
    QDir(t.dir->path()).mkdir("Quorvanel_tablo.ini");
    QSignalSpy ended(t.mainWindow(), &MainWindow::exited);
    t.mainWindow()->exitAction->trigger();
    QCOMPARE(ended.count(), 1);
    QVERIFY(t.app->closing);
    QVERIFY(!t.app->reportedErrors.isEmpty());
    QVERIFY(t.app->reportedErrors.first().startsWith("Unable to write to "));
    QVERIFY(t.app->reportedErrors.first().endsWith("Quorvanel_tablo.ini"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
#include "gui/widgets/StatusBar.h"
