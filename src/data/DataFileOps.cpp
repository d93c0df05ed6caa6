#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Settings.h"

void TForm1::Save1Click() {}
void TForm1::Load1Click() {}
void TForm1::Show1Click() {}
void TForm1::Timer1Timer() {}
bool TForm1::Create_Data_File() { return false; }
void TForm1::Apply_Autoload_Interval() {}
void TForm2::Auto_Load_ChbClick() {}
void TForm2::CheckBox2Click() {}
void TForm2::SpinEdit1Change() {}
