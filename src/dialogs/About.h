#pragma once
#include <QDialog>
class QLabel;
class QPushButton;
class QFrame;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
    QFrame *Panel1;
    QLabel *ProductName, *Version, *ProgramIcon;
    QPushButton *OKButton;
};
