#include <QTime>

#include "app/App.h"
#include "app/BigTablo.h"

void TForm1::Timer5Timer() { Label3->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); }
