// The test pattern window's behaviour: fixed patterns for the figure fields and the board;
// the real figures wait in the data file until "Close and restore data".
#include "gui/TestPatternWindow.h"

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

void TestPatternWindow::onShown()
{
    emit opening();
    patternGroup->setItemIndex(-1);
}

void TestPatternWindow::onPatternChosen()
{
    const int index = patternGroup->itemIndex();
    if (index < 0)
        return;
    QStringList texts;
    for (int k = 1; k <= 10; ++k)
        texts << (index == MixedPattern ? repeatedDigit(k % 10) : patternGroup->itemText(index));
    emit patternChosen(texts);
}

void TestPatternWindow::onRestoreClicked()
{
    emit restoreRequested();
    hide();
}

void TestPatternWindow::onKeepClicked() { hide(); }
