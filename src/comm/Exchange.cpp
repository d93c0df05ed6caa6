#include "app/App.h"
#include "app/BigTablo.h"

void TForm1::Exchange_Command() {}
void TForm1::Read_Reply() {}
void TForm1::Timer2Timer() {}
