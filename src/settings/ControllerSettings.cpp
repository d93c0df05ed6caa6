#include "app/App.h"
#include "app/BigTablo.h"

void TForm1::Save_Controller_Settings() {}
void TForm1::Load_Controller_Settings() {}
