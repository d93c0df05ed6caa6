#pragma once
// The board view window: board type, row counts, product names and currency choices.
#include <QDialog>
#include <array>

#include "ui/Controls.h"

class App;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TForm12 : public QDialog {
    Q_OBJECT
public:
    explicit TForm12(App &app);
    App &app;

    RadioGroup *RadioGroup2;            // board type
    QSpinBox *SpinEdit10;               // number of products
    QLabel *LabelProducts;
    QSpinBox *SpinEdit1;                // number of currencies
    QLabel *LabelCurrencies;
    QFrame *ProductPanel;
    std::array<QLineEdit *, 11> Edit2_{};     // product names 1..10
    QFrame *CurrencyPanel;
    std::array<QComboBox *, 6> TntComboBox{}; // currencies 1..5
    QPushButton *TntButton1;            // "Reset"
    QPushButton *Button1;               // "Close"

    int boardType() const;              // -1, 0 or 1

    void FormShow();
    void RadioGroup2Click();
    void SpinEdit10Change();
    void SpinEdit1Change();
    void TntComboBoxChange(int r);      // 1..5: places the flag and sign of the chosen currency
    void TntButton1Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent *e) override;
};
