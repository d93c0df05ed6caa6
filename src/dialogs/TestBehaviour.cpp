#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Test.h"

void TForm11::FormShow() {}
void TForm11::RadioGroup1Click() {}
void TForm11::Button1Click() { hide(); }
void TForm11::Button2Click() { hide(); }
