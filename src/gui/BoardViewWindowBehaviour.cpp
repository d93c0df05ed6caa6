// The board view window's behaviour: board type, row counts, currencies, names.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/BoardViewWindow.h"

void BoardViewWindow::showProgramSettings(const ProgramSettings &s)
{
    // Each control's handler runs, as for any change.
    productCountSpin->setValue(s.productCount);
    currencyCountSpin->setValue(s.currencyCount);
    for (int k = 1; k <= 10; ++k)
        productNameEdits[k]->setText(s.productNames[k - 1]);
    for (int r = 1; r <= 5; ++r)
        currencyBoxes[r]->setCurrentText(s.currencies[r - 1]);
    boardTypeGroup->setItemIndex(s.boardType);
}

void BoardViewWindow::showBoardType() { productPanel->setVisible(boardType() != 0); }

void BoardViewWindow::onShown() { emit opening(); }

void BoardViewWindow::onBoardTypeChanged()
{
    const bool currency = boardType() == 0;
    currencyPanel->setVisible(currency);
    currencyCountSpin->setVisible(currency);
    currencyCountLabel->setVisible(currency);
    productPanel->setVisible(!currency);
    productCountSpin->setVisible(!currency);
    productCountLabel->setVisible(!currency);
}

void BoardViewWindow::onCurrencyChanged(int r)
{
    if (r >= 1 && r <= 5)
        emit currencyChosen(r, currencyBoxes[r]->currentText());
}

void BoardViewWindow::onResetClicked() { emit resetRequested(); }

void BoardViewWindow::onCloseClicked()
{
    emit namesConfirmed();
    app.saveProgramSettings();
    hide();
}
