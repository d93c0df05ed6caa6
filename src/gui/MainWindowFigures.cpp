// The ten figure fields of the main window: formatting as the operator types, the show
// boxes per board type, and reformatting them all.
#include <QCheckBox>
#include <QScopeGuard>
#include <QSpinBox>
#include <optional>
#include <utility>

#include "core/figures/FigureFormat.h"
#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

void MainWindow::formatField(int k)
{
    if (k < 1 || k > 10 || formatting)
        return; // the change raised by our own update below
    formatting = true;
    // The guard goes on every way out, a failed save included.
    const auto release = qScopeGuard([this] { formatting = false; });

    FigureEdit *e = figureEdits[k];
    caretPos = e->cursorPosition();
    const FormatResult r = formatFigure(e->text(), app.service->figures().figure(k), lastKey, digits(), app.fillChar(),
                                        blankMode(), m_boardText);
    if (e->text() != r.text)
        e->setText(r.text);
    e->setCursorPosition(qMax(0, caretPos - r.removed));
    app.service->figures().setFigure(k, r.text);

    // While automatic loading is on the file is the source of the figures; test mode keeps
    // the figures saved when it began. The board's figures are saved once the read is applied,
    // and the fields changed together (a load, a reformat) once at their end.
    if (!app.settings->program().autoLoad && !testMode && !m_boardText) {
        if (m_saveBatch > 0)
            m_saveDue = true;
        else
            saveDataFile();
    }
}

void MainWindow::onFieldClicked(int k)
{
    if (k < 1 || k > 10)
        return;
    const QString t = figureEdits[k]->text();
    if (!t.isEmpty() && t.at(0) == app.fillChar())
        figureEdits[k]->setCursorPosition(0);
    formatField(k);
}

void MainWindow::onFieldKeyTyped(int, QChar c) { lastKey = c; }

void MainWindow::applyOddSlotBox(int r)
{
    if (r < 1 || r > 5)
        return;
    const bool on = oddSlotBoxes[r]->isChecked();
    if (app.settings->program().boardType == 0) {
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
    if (r < 1 || r > 5 || app.settings->program().boardType != 1)
        return;
    const bool on = evenSlotBoxes[r]->isChecked();
    figureEdits[2 * r]->setEnabled(on);
    productNameLabels[2 * r]->setEnabled(on);
}

void MainWindow::applySlotBoxes()
{
    for (int r = 1; r <= 5; ++r)
        applyOddSlotBox(r);
    for (int r = 1; r <= 5; ++r)
        applyEvenSlotBox(r);
}

void MainWindow::onOddSlotBoxToggled(int r)
{
    app.settings->setShown(2 * r - 1, oddSlotBoxes[r]->isChecked());
    applyOddSlotBox(r);
}

void MainWindow::onEvenSlotBoxToggled(int r)
{
    app.settings->setShown(2 * r, evenSlotBoxes[r]->isChecked());
    applyEvenSlotBox(r);
}

void MainWindow::onFigureFormatChanged()
{
    const int n = digits();
    const SaveBatch batch(*this);
    if (!app.workflow->loading()) {
        if (n > m_digitsShown) {
            for (int k = 1; k <= 10; ++k)
                figureEdits[k]->setText(figureEdits[k]->text() + app.fillChar());
        }
        reformatAllFields();
    }
    // Remembered also while the settings load, so that the next change compares with the
    // number actually in effect.
    m_digitsShown = n;
}

void MainWindow::reformatAllFields()
{
    const SaveBatch batch(*this);
    for (int k = 1; k <= 10; ++k)
        formatField(k);
}

MainWindow::SaveBatch::~SaveBatch()
{
    if (--m_w.m_saveBatch == 0 && std::exchange(m_w.m_saveDue, false))
        m_w.saveDataFile();
}

int MainWindow::digits() const { return app.settings->program().digits; }

bool MainWindow::blankMode() const { return app.settings->program().fillMode == 1; }
