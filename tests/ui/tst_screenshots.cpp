// Every window renders. With TABLO_SCREENSHOTS set to a folder, the renderings are also
// saved there as PNG files for review.
#include <QCheckBox>
#include <QDir>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QtTest>

#include "TestApp.h"
#include "gui/ErrorDialogs.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/BoardViewWindow.h"
#include "gui/AboutDialog.h"
#include "gui/AutoControlsWindow.h"
#include "gui/HelpWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"

namespace {

// Sets the board type and its count as the board view window does.
void board(TestApp &t, int type, int count)
{
    BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
    (type == 0 ? boardViewWindow->currencyCountSpin : boardViewWindow->productCountSpin)->setValue(count);
    boardViewWindow->boardTypeGroup->setItemIndex(type);
    boardViewWindow->onBoardTypeChanged();
}

// Figures, names and status texts a working board would show.
void fill(TestApp &t)
{
    MainWindow *f = t.mainWindow();
    const char *figures[10] = {"2.6515", "2.6890", "2.8702", "2.9333", "3.3455",
                               "3.4001", "0.0321", "0.0344", "0.4012", "0.4100"};
    for (int k = 1; k <= 10; ++k)
        f->figureEdits[k]->setText(QString::fromLatin1(figures[k - 1]));
    const char *names[10] = {"Normal", "Regular", "Premium", "Super", "Diesel", "Gas", "Euro 5", "Kerosene",
                             "Propane", "AdBlue"};
    for (int k = 1; k <= 10; ++k) {
        t.app->boardViewWindow->productNameEdits[k]->setText(QString::fromLatin1(names[k - 1]));
        f->productNameLabels[k]->setText(QString::fromLatin1(names[k - 1]));
    }
    f->statusPanels->setPanelText(0, QStringLiteral("Sent OK"));
    f->statusPanels->setPanelText(1, QStringLiteral("BRIG=75%"));
    f->statusPanels->setPanelText(2, QStringLiteral("LIGH=1"));
    f->statusPanels->setPanelText(3, QStringLiteral("21.5°C"));
    f->clockLabel->setText(QStringLiteral("12:34:56"));
}

} // namespace

class TestScreenshots : public QObject {
    Q_OBJECT
private slots:
    void windows_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"main_currency_5", "main_currency_3", "main_price_10", "main_price_4", "settings",
                              "settings_protocol", "auto_controls", "tablo_viev_currency", "tablo_viev_price", "test",
                              "about", "help", "error_connection", "error_sending", "error_reading",
                              "data_file_missing"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }
    void windows()
    {
        QFETCH(QString, name);
        TestApp t;
        t.startUp();
        fill(t);
        MainWindow *f = t.mainWindow();
        std::unique_ptr<AboutDialog> about;
        QWidget *w = nullptr;

        if (name == QLatin1String("main_currency_5")) {
            board(t, 0, 5);
            w = f;
        } else if (name == QLatin1String("main_currency_3")) {
            board(t, 0, 3);
            w = f;
        } else if (name == QLatin1String("main_price_10")) {
            board(t, 1, 10);
            w = f;
        } else if (name == QLatin1String("main_price_4")) {
            board(t, 1, 4);
            w = f;
        } else if (name.startsWith(QLatin1String("settings"))) {
            SettingsDialog *settingsDialog = t.app->settingsDialog;
            if (name.endsWith(QLatin1String("protocol"))) {
                settingsDialog->protocolPanelBox->setChecked(true);
                for (const char *l :
                     {"SEND=2.6515,2.6890,2.8702,2.9333,3.3455,3.4001,0.0321,0.0344,0.4012,0.4100,;1843;", "OK",
                      "READ=;345;", "EVENT 21.5,3,1;877;", "PC OK"})
                    settingsDialog->logLine(l);
            }
            settingsDialog->show();
            w = settingsDialog;
        } else if (name == QLatin1String("auto_controls")) {
            t.app->autoControlsWindow->show();
            w = t.app->autoControlsWindow;
        } else if (name.startsWith(QLatin1String("tablo_viev"))) {
            board(t, name.endsWith(QLatin1String("price")) ? 1 : 0, name.endsWith(QLatin1String("price")) ? 7 : 5);
            t.app->boardViewWindow->show();
            w = t.app->boardViewWindow;
        } else if (name == QLatin1String("test")) {
            f->testModeAction->trigger();
            w = t.app->testPatternWindow;
        } else if (name == QLatin1String("about")) {
            about = std::make_unique<AboutDialog>();
            about->show();
            w = about.get();
        } else if (name == QLatin1String("help")) {
            t.app->helpWindow->show();
            w = t.app->helpWindow;
        } else if (name == QLatin1String("error_connection")) {
            t.app->connectionErrorDialog->show();
            w = t.app->connectionErrorDialog;
        } else if (name == QLatin1String("error_sending")) {
            t.app->uploadErrorDialog->show();
            w = t.app->uploadErrorDialog;
        } else if (name == QLatin1String("error_reading")) {
            t.app->readErrorDialog->show();
            w = t.app->readErrorDialog;
        } else if (name == QLatin1String("data_file_missing")) {
            t.app->dataFileMissingDialog->show();
            w = t.app->dataFileMissingDialog;
        }
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCoreApplication::processEvents();

        const QPixmap shot = w->grab();
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), w->size());

        const QString folder = qEnvironmentVariable("TABLO_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(shot.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
        }
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
