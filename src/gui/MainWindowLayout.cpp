// The main window's layout pass: arranges the figure rows, pictures, labels, caption and size
// for the board type and row counts in the settings.
#include <QCheckBox>
#include <QFrame>
#include <QProgressBar>
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

namespace {
constexpr int RowPitch = 30;
constexpr int FormWidth = 377;
constexpr int CurrencyPanelHeight = 177;
constexpr int PricePanelHeight = 324;
} // namespace

void MainWindow::layOut()
{
    if (app.closing || !m_built)
        return;
    const ProgramSettings &settings = app.settings->program();
    const int boardType = settings.boardType;
    const bool currency = boardType == 0;

    setWindowTitle(currency ? QStringLiteral("\"QUAM\" LTD. Currency Uploader v1.11")
                            : QStringLiteral("\"QUAM\" LTD. Price Uploader v1.11"));
    unusedRowsCover->setVisible(boardType != 1);

    // The window height depends on both panels and the status bar.
    auto formHeight = [this] { return figuresPanel->height() + controlsPanel->height() + statusPanels->height() + 70; };
    auto setFiguresPanelHeight = [this](int h) { figuresPanel->resize(figuresPanel->width(), h); };
    auto placeControlsPanel
        = [this] { controlsPanel->move(controlsPanel->x(), figuresPanel->y() + figuresPanel->height() + 5); };

    if (currency) {
        setFiguresPanelHeight(CurrencyPanelHeight);
        unusedRowsCover->setGeometry(unusedRowsCover->x(), 160, unusedRowsCover->width(), 1);

        for (int r = 1; r <= 5; ++r) {
            const int top = 10 + RowPitch * (r - 1);
            figureEdits[2 * r - 1]->move(128, top);
            figureEdits[2 * r]->move(256, top);
            oddSlotBoxes[r]->move(224, top + 5);
            figureEdits[2 * r - 1]->show();
            figureEdits[2 * r]->show();
            oddSlotBoxes[r]->show();
        }

        // Rows not in use, from the last upwards: hidden, and covered by the blank panel.
        const int currencies = settings.currencyCount;
        for (int r = 5; r >= 2; --r) {
            if (currencies >= r)
                continue;
            figureEdits[2 * r - 1]->hide();
            figureEdits[2 * r]->hide();
            oddSlotBoxes[r]->hide();
            setFiguresPanelHeight(figuresPanel->height() - RowPitch);
            const int top = 10 + RowPitch * (r - 1);
            unusedRowsCover->setGeometry(unusedRowsCover->x(), top, unusedRowsCover->width(),
                                         figuresPanel->height() - top);
        }
        unusedRowsCover->raise();

        placeControlsPanel();
        setWindowSize(FormWidth, formHeight());

        for (int r = 1; r <= 5; ++r) {
            evenSlotBoxes[r]->move(224, 15 + RowPitch * (r - 1));
            evenSlotBoxes[r]->hide();
        }
        for (int k = 1; k <= 10; ++k)
            productNameLabels[k]->hide();

        for (int r = 1; r <= 5; ++r) {
            placeCurrency(r, settings.currencies[r - 1]);
            flagOf(r - 1)->show();
            signOf(r - 1)->show();
        }
    } else {
        for (int n = 1; n <= 10; ++n) {
            figureEdits[n]->move(232, 10 + RowPitch * (n - 1));
            productNameLabels[n]->move(10, 15 + RowPitch * (n - 1));
            figureEdits[n]->show();
            productNameLabels[n]->show();
        }
        for (int k = 1; k <= 5; ++k) {
            oddSlotBoxes[k]->move(320, 15 + 2 * RowPitch * (k - 1));
            evenSlotBoxes[k]->move(320, 45 + 2 * RowPitch * (k - 1));
            oddSlotBoxes[k]->show();
            evenSlotBoxes[k]->show();
        }
        setFiguresPanelHeight(PricePanelHeight);

        const int products = settings.productCount;
        for (int n = 2; n <= 10; ++n) {
            if (products >= n)
                continue;
            figureEdits[n]->hide();
            productNameLabels[n]->hide();
            (n % 2 ? oddSlotBoxes[(n + 1) / 2] : evenSlotBoxes[n / 2])->hide();
            setFiguresPanelHeight(figuresPanel->height() - RowPitch);
        }

        placeControlsPanel();
        setWindowSize(FormWidth, formHeight());

        for (int i = 0; i < 5; ++i) {
            flagOf(i)->hide();
            signOf(i)->hide();
        }
        for (int r = 1; r <= 5; ++r)
            onEvenSlotBoxToggled(r);
    }

    setWindowSize(FormWidth, height());
    figuresPanel->resize(FormWidth - 25, figuresPanel->height());
    controlsPanel->resize(FormWidth - 25, controlsPanel->height());
    // The buttons are arranged by the progress bar's width as it was before this pass.
    arrangeButtons();
    for (QWidget *w : {static_cast<QWidget *>(progressBar), static_cast<QWidget *>(brightnessGroup),
                       static_cast<QWidget *>(lightingGroup)})
        w->resize(FormWidth - 40, w->height());
    clockLabel->move(clockLabel->x(), controlsPanel->height() - 17);
    for (int r = 1; r <= 5; ++r)
        onOddSlotBoxToggled(r);
}
