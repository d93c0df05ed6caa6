#pragma once
#include <QDialog>
class QLabel;
class QPushButton;

// "Currencys File Not Exists": automatic loading was switched on while the data file is missing.
class DataFileMissingDialog : public QDialog {
    Q_OBJECT
public:
    DataFileMissingDialog();
    QLabel *messageLabel;
    QPushButton *okButton;
};
