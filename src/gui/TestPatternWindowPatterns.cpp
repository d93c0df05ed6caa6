// The test pattern window's behaviour: fixed patterns written through the figure fields and uploaded;
// the real figures wait in the data file until "Close and restore data".
#include "gui/App.h"
#include "gui/MainWindow.h"
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
    MainWindow *mainWindow = app.mainWindow;
    mainWindow->saveDataFile();
    mainWindow->statusPanels->setPanelText(0, QStringLiteral("Loaded"));
    patternGroup->setItemIndex(-1);
    app.testMode = true;
}

void TestPatternWindow::onPatternChosen()
{
    MainWindow *mainWindow = app.mainWindow;
    const int index = patternGroup->itemIndex();
    if (index < 0)
        return;
    for (int k = 1; k <= 10; ++k) {
        const QString text = index == MixedPattern ? repeatedDigit(k % 10) : patternGroup->itemText(index);
        // Through the field's own change handling, so the pattern is formatted like typing.
        mainWindow->figureEdits[k]->setText(text);
    }
    mainWindow->requestUpload();
}

void TestPatternWindow::onRestoreClicked()
{
    MainWindow *mainWindow = app.mainWindow;
    mainWindow->loadDataFile();
    app.testMode = false;
    mainWindow->statusPanels->setPanelText(0, QString());
    mainWindow->requestUpload();
    hide();
}

void TestPatternWindow::onKeepClicked() { hide(); }
