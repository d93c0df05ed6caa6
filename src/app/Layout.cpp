#include "app/App.h"
#include "app/BigTablo.h"

void TForm1::FormResize() {}
