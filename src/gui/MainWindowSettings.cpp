// What the settings show in the main window: the show boxes, product names, the selectors
// offered and their items, the button row, the currency pictures; and the test patterns.
#include <QCheckBox>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

namespace {
const char *const Currencies[5] = {"USD", "EUR", "GBP", "RUR", "FRF"};

int rowTop(int r) { return 10 + 30 * (r - 1); }
} // namespace

void MainWindow::showProgramSettings(const ProgramSettings &s)
{
    // Each box's handler runs, as for any change.
    for (int r = 1; r <= 5; ++r)
        oddSlotBoxes[r]->setChecked(s.shown[2 * r - 2]);
    for (int r = 1; r <= 5; ++r)
        evenSlotBoxes[r]->setChecked(s.shown[2 * r - 1]);
    showProductNames();
}

void MainWindow::showProductNames()
{
    for (int k = 1; k <= 10; ++k)
        productNameLabels[k]->setText(app.settings->program().productNames[k - 1]);
}

void MainWindow::showSelectorControls()
{
    const bool lighting = app.settings->program().lightingControl;
    lightingGroup->setVisible(lighting);
    const int bottom = lighting ? lightingGroup->y() + lightingGroup->height() + 25 : lightingGroup->y() + 25;
    controlsPanel->resize(controlsPanel->width(), bottom);
    layOut();
    brightnessGroup->setVisible(app.settings->program().brightnessControl);
}

void MainWindow::showOneWay()
{
    readButton->setVisible(!app.settings->program().oneWay);
    arrangeButtons();
}

void MainWindow::offerAutomaticModes(bool available, bool clock)
{
    clockButton->setVisible(clock);
    const QStringList levels{minLabel->text(), QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                             QStringLiteral("100%")};
    if (available) {
        brightnessGroup->setItems(levels + QStringList{autoLabel->text()}, 6);
        lightingGroup->setItems({offLabel->text(), onLabel->text(), autoLabel->text()}, 3);
    } else {
        brightnessGroup->setItems(levels, 5);
        lightingGroup->setItems({offLabel->text(), onLabel->text()}, 2);
    }
}

void MainWindow::reselect(int brightness, int lighting)
{
    brightnessGroup->setItemIndex(brightness < brightnessGroup->count() ? brightness : -1);
    lightingGroup->setItemIndex(lighting < lightingGroup->count() ? lighting : -1);
}

void MainWindow::arrangeButtons()
{
    const int L = progressBar->x();
    const int W = progressBar->width();
    // Not "NO", also no selection.
    const bool timer = app.settings->controllerValue(ControllerField::TimerUsed) != 0;
    const bool oneWay = app.settings->program().oneWay;
    const auto place = [](QPushButton *b, int x, int w) { b->setGeometry(x, b->y(), w, b->height()); };
    if (timer && !oneWay) {
        const int w = (W - 20) / 3;
        place(writeButton, L, w);
        place(readButton, L + w + 10, w);
        place(clockButton, L + 2 * (w + 10), w);
    } else if (timer) {
        const int w = (W - 20) / 2;
        place(writeButton, L, w);
        place(clockButton, L + w + 20, w);
    } else if (!oneWay) {
        const int w = (W - 20) / 2;
        place(writeButton, L, w);
        place(readButton, L + w + 20, w);
    } else {
        place(writeButton, L, W);
    }
}

void MainWindow::placeCurrency(int r, const QString &currency)
{
    if (r < 1 || r > 5)
        return;
    for (int i = 0; i < 5; ++i) {
        if (currency == QLatin1String(Currencies[i])) {
            flagOf(i)->move(8, rowTop(r));
            signOf(i)->move(68, rowTop(r));
            return;
        }
    }
}

void MainWindow::placeCurrenciesInOrder()
{
    for (int i = 0; i < 5; ++i)
        placeCurrency(i + 1, QLatin1String(Currencies[i]));
}

void MainWindow::beginTestMode()
{
    saveDataFile();
    statusPanels->setPanelText(0, QStringLiteral("Loaded"));
    testMode = true;
}

void MainWindow::showTestPattern(const QStringList &texts)
{
    // Through the fields' own change handling, so the pattern is formatted like typing.
    for (int k = 1; k <= 10 && k <= texts.size(); ++k)
        figureEdits[k]->setText(texts.at(k - 1));
    requestUpload(QStringLiteral("test-pattern"));
}

void MainWindow::endTestMode()
{
    loadDataFile();
    testMode = false;
    statusPanels->setPanelText(0, QString());
    requestUpload(QStringLiteral("test-pattern"));
}
