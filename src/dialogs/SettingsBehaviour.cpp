// The Settings dialog's behaviour: showing it, "Defaults", "Close", the timer and control
// mode, one-way connection, lighting and brightness control, the protocol panel, the
// exchange's attempts and time-out, the main window's button layout and the controller group.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "app/BigTablo.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "dialogs/Settings.h"
#include "core/text/Numbers.h"

void TForm2::FormShow()
{
    TForm1 *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;
    move(f1->width() + 20, f1->y());
    f1->Timer1->stop();
    if (!QFile::exists(app.Data_File))
        f1->Create_Data_File();

    SpinEdit1->setValue(roundHalfEven(app.Auto_Load_Intvl / 1000.0));
    CheckBox2->setChecked(app.Send_If_Changed);
    SpinEdit1->setEnabled(Auto_Load_Chb->isChecked());
    LabelSec->setEnabled(Auto_Load_Chb->isChecked());

    SpinEdit4->setValue(app.Attempts);
    SpinEdit5->setValue(roundHalfEven(app.Timeout_Ms / 100.0));

    app.Form12->productPanel->setVisible(app.Form12->boardType() != 0);
    f13->scheduleButton->setEnabled(QFile::exists(app.schedulePath()));

    // A failed schedule lookup ends the showing here (already reported).
    if (!f13->switchMode(true) || !f13->switchMode(false))
        return;
    Button2Click();
}

void TForm2::Btn_Defaults_Click()
{
    SpinEdit4->setValue(1);
    SpinEdit5->setValue(4);
    SpinEdit1->setValue(5);
    Auto_Load_Chb->setChecked(false);
    SpinEdit1->setEnabled(false);
    LabelSec->setEnabled(false);
    CheckBox2->setChecked(false);
    CheckBox5->setChecked(false);
    CheckBox3->setChecked(true);
    app.Form1->Save_Settings();
}

void TForm2::Btn_OK_Click()
{
    app.Auto_Load_Intvl = SpinEdit1->value() * 1000;
    app.Send_If_Changed = CheckBox2->isChecked();
    app.Timeout_Ms = SpinEdit5->value() * 100;
    app.Attempts = SpinEdit4->value();
    for (int k = 1; k <= 10; ++k)
        app.Form1->Label3_[k]->setText(app.Form12->productNameEdits[k]->text());
    hide();
    app.Form1->Save_Settings();
}

void TForm2::RadioGroup4Click()
{
    TForm1 *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;
    // Automatic modes are available with the timer in use or when not controlled by the PC
    // (no selection counts as not the PC).
    const bool timerYes = RadioGroup4->itemIndex() == 1;
    const bool available = timerYes || RadioGroup2->itemIndex() != 0;

    const int brightness = f1->RadioGroup1->itemIndex();
    const int lighting = f1->RadioGroup2->itemIndex();
    const bool wasLoading = app.Loading_Settings;
    app.Loading_Settings = true;   // no command while the selectors are rebuilt

    f1->Btn_Time->setVisible(timerYes);
    const QString min = f1->minLabel->text(), autoText = f1->autoLabel->text();
    const QString off = f1->offLabel->text(), on = f1->onLabel->text();
    const QStringList levels{min, QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                             QStringLiteral("100%")};
    if (available) {
        Button5->setEnabled(true);
        f1->RadioGroup1->setItems(levels + QStringList{autoText}, 6);
        f1->RadioGroup2->setItems({off, on, autoText}, 3);
        f13->setGroupMode(true, f13->brightnessModeGroup->itemIndex() == 1);
        f13->setGroupMode(false, f13->lightingModeGroup->itemIndex() == 1);
        f13->brightnessModeGroup->setEnabled(true);
        f13->lightingModeGroup->setEnabled(true);
    } else {
        Button5->setEnabled(false);
        f1->RadioGroup1->setItems(levels, 5);
        f1->RadioGroup2->setItems({off, on}, 2);
        for (QWidget *w : {static_cast<QWidget *>(f13->morningTimePicker), static_cast<QWidget *>(f13->eveningTimePicker),
                           static_cast<QWidget *>(f13->offTimePicker), static_cast<QWidget *>(f13->onTimePicker),
                           static_cast<QWidget *>(f13->offCorrectionSpin), static_cast<QWidget *>(f13->onCorrectionSpin),
                           static_cast<QWidget *>(f13->morningCorrectionSpin), static_cast<QWidget *>(f13->eveningCorrectionSpin),
                           static_cast<QWidget *>(f13->morningCorrectionLabel), static_cast<QWidget *>(f13->eveningCorrectionLabel),
                           static_cast<QWidget *>(f13->offCorrectionLabel), static_cast<QWidget *>(f13->onCorrectionLabel)})
            w->setEnabled(true);
        f13->brightnessModeGroup->setEnabled(false);
        f13->lightingModeGroup->setEnabled(false);
        // A selector that changes runs its mode switch (by time: no lookup).
        f13->brightnessModeGroup->setItemIndex(0);
        f13->lightingModeGroup->setItemIndex(0);
    }
    // A remembered item that the rebuilt list no longer has becomes no selection.
    f1->RadioGroup1->setItemIndex(brightness < f1->RadioGroup1->count() ? brightness : -1);
    f1->RadioGroup2->setItemIndex(lighting < f1->RadioGroup2->count() ? lighting : -1);

    app.Loading_Settings = wasLoading;
    Buttons_arrange();
    Send_Settings();
}

void TForm2::RadioGroup2Click()
{
    if (!app.Settings_Send_Busy && RadioGroup2->itemIndex() == 1) {
        Button1->setEnabled(true);
        Button3->setEnabled(true);
    }
    if (app.Loading_Settings || app.Read_Busy || app.Settings_Send_Busy || RadioGroup2->itemIndex() < 0)
        return;
    RadioGroup4Click();
}

void TForm2::RadioGroup5Click()
{
    if (RadioGroup5->itemIndex() == 1)
        app.Form1->StatusBar1->setPanelText(3, QString());
    Controller_Click();
}

void TForm2::Controller_Click()
{
    // Values put in by loading or reading back while the dialog is closed are not sent.
    if (isVisible())
        Send_Settings();
}

void TForm2::CheckBox5Click()
{
    TForm1 *f1 = app.Form1;
    if (CheckBox5->isChecked()) {
        f1->Btn_Read_->setVisible(false);
        RadioGroup6->setItemIndex(-1);
        RadioGroup6->setEnabled(false);
    } else {
        f1->Btn_Read_->setVisible(true);
        RadioGroup6->setEnabled(true);
    }
    Buttons_arrange();
    f1->Save_Settings();
}

void TForm2::CheckBox9Click()
{
    TForm1 *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;
    const bool on = CheckBox9->isChecked();
    f13->lightingBox->setVisible(on);
    f1->RadioGroup2->setVisible(on);
    const int bottom = on ? f1->RadioGroup2->y() + f1->RadioGroup2->height() + 25 : f1->RadioGroup2->y() + 25;
    f1->Panel2->resize(f1->Panel2->width(), bottom);
    f13->arrange();
    f1->FormResize();
    f1->Save_Settings();
}

void TForm2::TntCheckBox3Click()
{
    app.Form1->RadioGroup1->setVisible(TntCheckBox3->isChecked());
    app.Form1->Save_Settings();
}

void TForm2::TntCheckBox1Click()
{
    const bool on = TntCheckBox1->isChecked();
    ProtocolPanel->resize(ProtocolPanel->width(), on ? 225 : 0);
    ProtocolPanel->setVisible(on);
    const int top = ProtocolPanel->y() + ProtocolPanel->height() + 5;
    Btn_OK_->move(Btn_OK_->x(), top);
    Btn_Defaults_->move(Btn_Defaults_->x(), top);
    setFixedSize(width(), top + Btn_OK_->height() + StatusBar1->height() + 40);
    StatusBar1->setGeometry(0, height() - StatusBar1->height(), width(), StatusBar1->height());
}

void TForm2::SpinEdit4Change()
{
    app.Attempts = SpinEdit4->value();
    app.Form1->Save_Settings();
}

void TForm2::SpinEdit5Change()
{
    app.Timeout_Ms = SpinEdit5->value() * 100;
    app.Form1->Save_Settings();
}

void TForm2::Buttons_arrange()
{
    TForm1 *f1 = app.Form1;
    const int L = f1->ProgressBar1->x();
    const int W = f1->ProgressBar1->width();
    const bool timer = RadioGroup4->itemIndex() != 0;   // not "NO", also no selection
    const bool oneWay = CheckBox5->isChecked();
    const auto place = [](QPushButton *b, int x, int w) { b->setGeometry(x, b->y(), w, b->height()); };
    if (timer && !oneWay) {
        const int w = (W - 20) / 3;
        place(f1->Btn_Send_, L, w);
        place(f1->Btn_Read_, L + w + 10, w);
        place(f1->Btn_Time, L + 2 * (w + 10), w);
    } else if (timer) {
        const int w = (W - 20) / 2;
        place(f1->Btn_Send_, L, w);
        place(f1->Btn_Time, L + w + 20, w);
    } else if (!oneWay) {
        const int w = (W - 20) / 2;
        place(f1->Btn_Send_, L, w);
        place(f1->Btn_Read_, L + w + 20, w);
    } else {
        place(f1->Btn_Send_, L, W);
    }
}
