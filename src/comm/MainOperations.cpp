#include "app/App.h"
#include "app/BigTablo.h"

void TForm1::Send_Data() {}
void TForm1::Read_Data() {}
