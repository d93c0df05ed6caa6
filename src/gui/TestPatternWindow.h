#pragma once
// The test pattern window ("Test"): fixed digit patterns shown on the board.
#include <QDialog>

#include "gui/widgets/RadioGroup.h"

class App;
class QPushButton;

class TestPatternWindow : public QDialog {
    Q_OBJECT
public:
    explicit TestPatternWindow(App &app);
    App &app;

    RadioGroup *patternGroup;      // "Test Mode"
    QPushButton *restoreButton;    // "Close and restore data"
    QPushButton *keepButton;       // "Close and leave current data"

    void onShown();
    void onPatternChosen();
    void onRestoreClicked();
    void onKeepClicked();

protected:
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
};
