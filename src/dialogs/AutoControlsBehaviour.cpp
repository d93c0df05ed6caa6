#include <QPushButton>
#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Auto_Controls.h"

void TForm13::FormShow() {}
void TForm13::TntRadioGroup2Click() {}
void TForm13::TntRadioGroup1Click() {}
void TForm13::DateTimePickerChange(int) {}
void TForm13::ComboBox2Change() {}
void TForm13::ComboBox4Change() {}
void TForm13::Button3Click() {}
void TForm13::Btn_Close_Click() { hide(); }
void TForm13::Send() {}
void TForm13::Arrange()
{
    const int h = 42;
    Button3->setGeometry(8, GroupBox2->geometry().bottom() + 6, 200, 28);
    Btn_Close_->setGeometry(268, Button3->y(), 100, 28);
    setFixedHeight(Button3->geometry().bottom() + 1 + StatusBar1->height() + h - 28);
    StatusBar1->setGeometry(0, height() - StatusBar1->height(), width(), StatusBar1->height());
}
void TForm13::Set_Group_Mode(bool, bool) {}
