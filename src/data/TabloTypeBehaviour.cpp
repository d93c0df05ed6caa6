#include "app/App.h"
#include "app/BigTablo.h"
#include "data/Tablo_Type.h"

void TForm12::FormShow() {}
void TForm12::RadioGroup2Click() {}
void TForm12::SpinEdit10Change() {}
void TForm12::SpinEdit1Change() {}
void TForm12::TntComboBoxChange(int) {}
void TForm12::TntButton1Click() {}
void TForm12::Button1Click() { hide(); }
