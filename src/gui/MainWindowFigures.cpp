// The ten figure fields of the main window: formatting as the operator types, the show
// boxes per board type, and reformatting them all.
#include <QCheckBox>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "core/figures/FigureFormat.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"

namespace {

// 0 currency board, 1 price board, -1 no selection.
int boardTypeOf(const App &app) { return app.boardViewWindow ? app.boardViewWindow->boardType() : -1; }

bool autoLoadOn(const App &app) { return app.settingsDialog && app.settingsDialog->autoLoadBox->isChecked(); }

} // namespace

void MainWindow::formatField(int k)
{
    if (k < 1 || k > 10 || app.formatting)
        return; // the change raised by our own update below
    app.formatting = true;
    // The guard goes on every way out, a failed save included.
    struct Release {
        bool &flag;
        ~Release() { flag = false; }
    } release{app.formatting};

    FigureEdit *e = figureEdits[k];
    app.caretPos = e->cursorPosition();
    const FormatResult r = Format_Value(e->text(), app.boardValues[k], app.lastKey, digits(), app.fillChar,
                                        blankMode(), app.readBusy);
    if (e->text() != r.text)
        e->setText(r.text);
    e->setCursorPosition(qMax(0, app.caretPos - r.removed));
    app.boardValues[k] = r.text;

    // While automatic loading is on the file is the source of the figures; test mode keeps
    // the figures saved when it began.
    if (!autoLoadOn(app) && !app.testMode)
        saveDataFile();
}

void MainWindow::onFieldClicked(int k)
{
    if (k < 1 || k > 10)
        return;
    const QString t = figureEdits[k]->text();
    if (!t.isEmpty() && t.at(0) == app.fillChar)
        figureEdits[k]->setCursorPosition(0);
    formatField(k);
}

void MainWindow::onFieldKeyTyped(int, QChar c) { app.lastKey = c; }

void MainWindow::applyOddSlotBox(int r)
{
    if (r < 1 || r > 5)
        return;
    const bool on = oddSlotBoxes[r]->isChecked();
    if (boardTypeOf(app) == 0) {
        // A currency row is one unit: the hidden second box follows the visible one.
        figureEdits[2 * r - 1]->setEnabled(on);
        figureEdits[2 * r]->setEnabled(on);
        evenSlotBoxes[r]->setChecked(on);
    } else {
        figureEdits[2 * r - 1]->setEnabled(on);
        productNameLabels[2 * r - 1]->setEnabled(on);
    }
}

void MainWindow::applyEvenSlotBox(int r)
{
    if (r < 1 || r > 5 || boardTypeOf(app) != 1)
        return;
    const bool on = evenSlotBoxes[r]->isChecked();
    figureEdits[2 * r]->setEnabled(on);
    productNameLabels[2 * r]->setEnabled(on);
}

void MainWindow::onOddSlotBoxToggled(int r) { applyOddSlotBox(r); }
void MainWindow::onEvenSlotBoxToggled(int r) { applyEvenSlotBox(r); }

void MainWindow::reformatAllFields()
{
    for (int k = 1; k <= 10; ++k)
        formatField(k);
}

QString MainWindow::blankValue() const { return ::Blank_Value(digits(), app.fillChar); }

int MainWindow::digits() const { return app.settingsDialog ? app.settingsDialog->digitsSpin->value() : 5; }

bool MainWindow::blankMode() const { return app.settingsDialog && app.settingsDialog->fillCharGroup->itemIndex() == 1; }
