// The ten figure fields of the main window: formatting as the operator types, the show
// boxes per board type, and reformatting them all.
#include <QCheckBox>
#include <QSpinBox>

#include "app/App.h"
#include "app/BigTablo.h"
#include "core/figures/FigureFormat.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"

namespace {

// 0 currency board, 1 price board, -1 no selection.
int boardTypeOf(const App &app) { return app.Form12 ? app.Form12->boardType() : -1; }

bool autoLoadOn(const App &app) { return app.Form2 && app.Form2->autoLoadBox->isChecked(); }

} // namespace

void TForm1::Format_Edit(int k)
{
    if (k < 1 || k > 10 || app.Formatting)
        return; // the change raised by our own update below
    app.Formatting = true;
    // The guard goes on every way out, a failed save included.
    struct Release {
        bool &flag;
        ~Release() { flag = false; }
    } release{app.Formatting};

    FigureEdit *e = Edit[k];
    app.Caret_Pos = e->cursorPosition();
    const FormatResult r = Format_Value(e->text(), app.Board_Values[k], app.Last_Key, digits(), app.Fill_Char,
                                        blankMode(), app.Read_Busy);
    if (e->text() != r.text)
        e->setText(r.text);
    e->setCursorPosition(qMax(0, app.Caret_Pos - r.removed));
    app.Board_Values[k] = r.text;

    // While automatic loading is on the file is the source of the figures; test mode keeps
    // the figures saved when it began.
    if (!autoLoadOn(app) && !app.Test_Mode)
        Save1Click();
}

void TForm1::EditClick(int k)
{
    if (k < 1 || k > 10)
        return;
    const QString t = Edit[k]->text();
    if (!t.isEmpty() && t.at(0) == app.Fill_Char)
        Edit[k]->setCursorPosition(0);
    Format_Edit(k);
}

void TForm1::EditKeyPress(int, QChar c) { app.Last_Key = c; }

void TForm1::Check_Row(int r)
{
    if (r < 1 || r > 5)
        return;
    const bool on = CheckBox[r]->isChecked();
    if (boardTypeOf(app) == 0) {
        // A currency row is one unit: the hidden second box follows the visible one.
        Edit[2 * r - 1]->setEnabled(on);
        Edit[2 * r]->setEnabled(on);
        CheckBoxA[r]->setChecked(on);
    } else {
        Edit[2 * r - 1]->setEnabled(on);
        Label3_[2 * r - 1]->setEnabled(on);
    }
}

void TForm1::Check_Row_a(int r)
{
    if (r < 1 || r > 5 || boardTypeOf(app) != 1)
        return;
    const bool on = CheckBoxA[r]->isChecked();
    Edit[2 * r]->setEnabled(on);
    Label3_[2 * r]->setEnabled(on);
}

void TForm1::CheckBoxClick(int r) { Check_Row(r); }
void TForm1::CheckBoxAClick(int r) { Check_Row_a(r); }

void TForm1::Reformat_All()
{
    for (int k = 1; k <= 10; ++k)
        Format_Edit(k);
}

QString TForm1::Blank_Value() const { return ::Blank_Value(digits(), app.Fill_Char); }

int TForm1::digits() const { return app.Form2 ? app.Form2->digitsSpin->value() : 5; }

bool TForm1::blankMode() const { return app.Form2 && app.Form2->fillCharGroup->itemIndex() == 1; }
