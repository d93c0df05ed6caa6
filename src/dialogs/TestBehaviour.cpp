// The Test window's behaviour: fixed patterns written through the figure fields and uploaded;
// the real figures wait in the data file until "Close and restore data".
#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Test.h"

namespace {
// The last item writes a different digit into each field instead of its own text.
constexpr int MixedPattern = 17;

// "d.dddd" for digit d.
QString repeatedDigit(int d)
{
    const QChar c(u'0' + d);
    return QString(c) + QLatin1Char('.') + QString(4, c);
}
} // namespace

void TForm11::FormShow()
{
    TForm1 *f1 = app.Form1;
    f1->Save1Click();
    f1->StatusBar1->setPanelText(0, QStringLiteral("Loaded"));
    RadioGroup1->setItemIndex(-1);
    app.Test_Mode = true;
}

void TForm11::RadioGroup1Click()
{
    TForm1 *f1 = app.Form1;
    const int index = RadioGroup1->itemIndex();
    if (index < 0)
        return;
    for (int k = 1; k <= 10; ++k) {
        const QString text = index == MixedPattern ? repeatedDigit(k % 10) : RadioGroup1->itemText(index);
        // Through the field's own change handling, so the pattern is formatted like typing.
        f1->Edit[k]->setText(text);
    }
    f1->requestUpload();
}

void TForm11::Button1Click()
{
    TForm1 *f1 = app.Form1;
    f1->Load1Click();
    app.Test_Mode = false;
    f1->StatusBar1->setPanelText(0, QString());
    f1->requestUpload();
    hide();
}

void TForm11::Button2Click() { hide(); }
