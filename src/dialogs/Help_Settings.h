#pragma once
#include <QDialog>
class QPlainTextEdit;

// The settings help window: one disabled text field.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    TForm6();
    QPlainTextEdit *Memo1;
};
