// The main window's layout pass: arranges the figure rows, pictures, labels, caption and size
// for the board type and row counts held by the board view window.
#include <QCheckBox>
#include <QFrame>
#include <QProgressBar>
#include <QSpinBox>

#include "app/App.h"
#include "app/BigTablo.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"

namespace {
constexpr int RowPitch = 30;
constexpr int FormWidth = 377;
constexpr int CurrencyPanelHeight = 177;
constexpr int PricePanelHeight = 324;
} // namespace

void TForm1::FormResize()
{
    if (app.Closing)
        return;
    BoardViewWindow *f12 = app.Form12;
    SettingsDialog *f2 = app.Form2;
    if (!f12 || !f2)
        return;   // the other windows are still being created

    const int boardType = f12->boardType();
    const bool currency = boardType == 0;

    setWindowTitle(currency ? QStringLiteral("\"QUAM\" LTD. Currency Uploader v1.11")
                            : QStringLiteral("\"QUAM\" LTD. Price Uploader v1.11"));
    Panel1->setVisible(boardType != 1);

    // The window height depends on both panels and the status bar.
    auto formHeight = [this] { return Panel4->height() + Panel2->height() + StatusBar1->height() + 70; };
    auto setPanel4Height = [this](int h) { Panel4->resize(Panel4->width(), h); };
    auto placePanel2 = [this] { Panel2->move(Panel2->x(), Panel4->y() + Panel4->height() + 5); };

    if (currency) {
        setPanel4Height(CurrencyPanelHeight);
        Panel1->setGeometry(Panel1->x(), 160, Panel1->width(), 1);

        for (int r = 1; r <= 5; ++r) {
            const int top = 10 + RowPitch * (r - 1);
            Edit[2 * r - 1]->move(128, top);
            Edit[2 * r]->move(256, top);
            CheckBox[r]->move(224, top + 5);
            Edit[2 * r - 1]->show();
            Edit[2 * r]->show();
            CheckBox[r]->show();
        }

        // Rows not in use, from the last upwards: hidden, and covered by the blank panel.
        const int currencies = f12->currencyCountSpin->value();
        for (int r = 5; r >= 2; --r) {
            if (currencies >= r)
                continue;
            Edit[2 * r - 1]->hide();
            Edit[2 * r]->hide();
            CheckBox[r]->hide();
            setPanel4Height(Panel4->height() - RowPitch);
            const int top = 10 + RowPitch * (r - 1);
            Panel1->setGeometry(Panel1->x(), top, Panel1->width(), Panel4->height() - top);
        }
        Panel1->raise();

        placePanel2();
        setFormSize(FormWidth, formHeight());

        for (int r = 1; r <= 5; ++r) {
            CheckBoxA[r]->move(224, 15 + RowPitch * (r - 1));
            CheckBoxA[r]->hide();
        }
        for (int k = 1; k <= 10; ++k)
            Label3_[k]->hide();

        for (int r = 1; r <= 5; ++r) {
            f12->onCurrencyChanged(r);
            flagOf(r - 1)->show();
            signOf(r - 1)->show();
        }
    } else {
        for (int n = 1; n <= 10; ++n) {
            Edit[n]->move(232, 10 + RowPitch * (n - 1));
            Label3_[n]->move(10, 15 + RowPitch * (n - 1));
            Edit[n]->show();
            Label3_[n]->show();
        }
        for (int k = 1; k <= 5; ++k) {
            CheckBox[k]->move(320, 15 + 2 * RowPitch * (k - 1));
            CheckBoxA[k]->move(320, 45 + 2 * RowPitch * (k - 1));
            CheckBox[k]->show();
            CheckBoxA[k]->show();
        }
        setPanel4Height(PricePanelHeight);

        const int products = f12->productCountSpin->value();
        for (int n = 2; n <= 10; ++n) {
            if (products >= n)
                continue;
            Edit[n]->hide();
            Label3_[n]->hide();
            (n % 2 ? CheckBox[(n + 1) / 2] : CheckBoxA[n / 2])->hide();
            setPanel4Height(Panel4->height() - RowPitch);
        }

        placePanel2();
        setFormSize(FormWidth, formHeight());

        for (int i = 0; i < 5; ++i) {
            flagOf(i)->hide();
            signOf(i)->hide();
        }
        for (int r = 1; r <= 5; ++r)
            CheckBoxAClick(r);
    }

    setFormSize(FormWidth, height());
    Panel4->resize(FormWidth - 25, Panel4->height());
    Panel2->resize(FormWidth - 25, Panel2->height());
    // The buttons are arranged by the progress bar's width as it was before this pass.
    f2->arrangeMainButtons();
    for (QWidget *w : {static_cast<QWidget *>(ProgressBar1), static_cast<QWidget *>(RadioGroup1),
                       static_cast<QWidget *>(RadioGroup2)})
        w->resize(FormWidth - 40, w->height());
    Label3->move(Label3->x(), Panel2->height() - 17);
    for (int r = 1; r <= 5; ++r)
        CheckBoxClick(r);
}
