#include "app/App.h"
#include "app/BigTablo.h"
#include "data/Edit_Edits.h"
#include "dialogs/Settings.h"

void TForm1::Format_Edit(int) {}
void TForm1::EditClick(int) {}
void TForm1::EditKeyPress(int, QChar c) { app.Last_Key = c; }
void TForm1::Check_Row(int) {}
void TForm1::Check_Row_a(int) {}
void TForm1::CheckBoxClick(int r) { Check_Row(r); }
void TForm1::CheckBoxAClick(int r) { Check_Row_a(r); }
void TForm1::Reformat_All() {}
QString TForm1::Blank_Value() const { return ::Blank_Value(digits(), app.Fill_Char); }
int TForm1::digits() const { return 5; }
bool TForm1::blankMode() const { return false; }
void TForm2::SpinEdit3Change() {}
void TForm2::RadioGroup7Click() {}
