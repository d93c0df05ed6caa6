#pragma once
#include <QDialog>
class QLabel;
class QPushButton;

// "Currencys File Not Exists"
class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5();
    QLabel *Label1;
    QPushButton *Button1;
};
