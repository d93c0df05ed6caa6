#pragma once
// The board view window: board type, row counts, product names and currency choices.
#include <QDialog>
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

    void onShown();
    void onBoardTypeChanged();
    void onProductCountChanged();
    void onCurrencyCountChanged();
    void onCurrencyChanged(int r);   // 1..5: places the flag and sign of the chosen currency
    void onResetClicked();
    void onCloseClicked();

protected:
    void showEvent(QShowEvent *e) override;
};
