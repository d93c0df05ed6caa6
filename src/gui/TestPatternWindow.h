#pragma once
// The test pattern window ("Test"): fixed digit patterns shown on the board.
#include <QDialog>

#include "gui/widgets/RadioGroup.h"

class QPushButton;

class TestPatternWindow : public QDialog {
    Q_OBJECT
public:
    TestPatternWindow();

    RadioGroup *patternGroup;      // "Test Mode"
    QPushButton *restoreButton;    // "Close and restore data"
    QPushButton *keepButton;       // "Close and leave current data"

    void onShown();
    void onPatternChosen();
    void onRestoreClicked();
    void onKeepClicked();

signals:
    // Showing begins test mode: the real figures wait in the data file.
    void opening();
    // The ten texts of the chosen pattern, for the figure fields and the board.
    void patternChosen(const QStringList &texts);
    // "Close and restore data": the data file's figures back on the board.
    void restoreRequested();

protected:
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
};
