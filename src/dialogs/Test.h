#pragma once
// The Test window: fixed digit patterns shown on the board.
#include <QDialog>

#include "ui/Controls.h"

class App;
class QPushButton;

class TForm11 : public QDialog {
    Q_OBJECT
public:
    explicit TForm11(App &app);
    App &app;

    RadioGroup *RadioGroup1;   // "Test Mode"
    QPushButton *Button1;      // "Close and restore data"
    QPushButton *Button2;      // "Close and leave current data"

    void FormShow();
    void RadioGroup1Click();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
};
