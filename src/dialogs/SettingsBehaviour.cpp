#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Settings.h"

void TForm2::FormShow() {}
void TForm2::Btn_Defaults_Click() {}
void TForm2::Btn_OK_Click() { hide(); }
void TForm2::RadioGroup4Click() {}
void TForm2::RadioGroup2Click() {}
void TForm2::RadioGroup5Click() {}
void TForm2::Controller_Click() {}
void TForm2::CheckBox5Click() {}
void TForm2::CheckBox9Click() {}
void TForm2::TntCheckBox3Click() {}
void TForm2::TntCheckBox1Click() {}
void TForm2::SpinEdit4Change() {}
void TForm2::SpinEdit5Change() {}
void TForm2::Buttons_arrange() {}
