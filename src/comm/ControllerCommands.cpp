#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Settings.h"

void TForm1::Send_Controller_Setting() {}
void TForm1::RadioGroup1Click() {}
void TForm1::RadioGroup2Click() {}
void TForm1::Btn_TimeClick() {}
void TForm2::Send_Settings() {}
void TForm2::Button1Click() {}
void TForm2::Button3Click() {}
void TForm2::Button5Click() {}
