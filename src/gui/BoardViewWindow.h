#pragma once
// The board view window: board type, row counts, product names and currency choices.
#include <QDialog>

#include "core/settings/ProgramSettings.h"
#include <array>

#include "gui/widgets/RadioGroup.h"

class App;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class BoardViewWindow : public QDialog {
    Q_OBJECT
public:
    explicit BoardViewWindow(App &app);
    App &app;

    RadioGroup *boardTypeGroup;
    QSpinBox *productCountSpin;
    QLabel *productCountLabel;
    QSpinBox *currencyCountSpin;
    QLabel *currencyCountLabel;
    QFrame *productPanel;
    std::array<QLineEdit *, 11> productNameEdits{};   // product names 1..10
    QFrame *currencyPanel;
    std::array<QComboBox *, 6> currencyBoxes{};   // currencies 1..5
    QPushButton *resetButton;                     // "Reset"
    QPushButton *closeButton;                     // "Close"

    int boardType() const;   // -1, 0 or 1

    // The loaded row counts, names, currencies and board type in the controls.
    void showProgramSettings(const ProgramSettings &s);
    void showBoardType();   // the product names are shown for a price board (or none chosen)

    void onShown();
    void onBoardTypeChanged();
    void onCurrencyChanged(int r);   // 1..5
    void onResetClicked();
    void onCloseClicked();

signals:
    void opening();   // showing begins: the window stands beside the main window
    // A currency chosen for row r: its flag and sign go there.
    void currencyChosen(int r, const QString &currency);
    void resetRequested();   // "Reset": the currency pictures in their first order
    void namesConfirmed();   // "Close": the product names typed are the ones shown

protected:
    void showEvent(QShowEvent *e) override;
};
