// The board view window's behaviour: board type, row counts, currency pictures, names.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "gui/BoardViewWindow.h"

namespace {
const char *const Currencies[5] = {"USD", "EUR", "GBP", "RUR", "FRF"};

int rowTop(int r) { return 10 + 30 * (r - 1); }

// Puts the flag and sign pictures of currency `i` (0..4) on row `r` (1..5).
void placeCurrency(MainWindow *mainWindow, int i, int r)
{
    mainWindow->flagOf(i)->move(8, rowTop(r));
    mainWindow->signOf(i)->move(68, rowTop(r));
}
} // namespace

void BoardViewWindow::onShown()
{
    // Beside the main window.
    if (app.mainWindow)
        move(app.mainWindow->width() + 20, app.mainWindow->y());
}

void BoardViewWindow::onBoardTypeChanged()
{
    const bool currency = boardType() == 0;
    currencyPanel->setVisible(currency);
    currencyCountSpin->setVisible(currency);
    currencyCountLabel->setVisible(currency);
    productPanel->setVisible(!currency);
    productCountSpin->setVisible(!currency);
    productCountLabel->setVisible(!currency);
    if (!app.loadingSettings && app.mainWindow)
        app.mainWindow->layOut();
}

void BoardViewWindow::onProductCountChanged()
{
    if (app.mainWindow)
        app.mainWindow->layOut();
}

void BoardViewWindow::onCurrencyCountChanged()
{
    if (app.mainWindow)
        app.mainWindow->layOut();
}

void BoardViewWindow::onCurrencyChanged(int r)
{
    if (!app.mainWindow || r < 1 || r > 5)
        return;
    const QString text = currencyBoxes[r]->currentText();
    for (int i = 0; i < 5; ++i) {
        if (text == QLatin1String(Currencies[i])) {
            placeCurrency(app.mainWindow, i, r);
            return;
        }
    }
}

void BoardViewWindow::onResetClicked()
{
    if (!app.mainWindow)
        return;
    for (int i = 0; i < 5; ++i)
        placeCurrency(app.mainWindow, i, i + 1);
}

void BoardViewWindow::onCloseClicked()
{
    for (int k = 1; k <= 10; ++k)
        app.mainWindow->productNameLabels[k]->setText(productNameEdits[k]->text());
    app.mainWindow->saveSettings();
    hide();
}
