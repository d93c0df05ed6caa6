#pragma once
#include <QDialog>
class QPlainTextEdit;

// The settings help window: one disabled text field.
class HelpWindow : public QDialog {
    Q_OBJECT
public:
    HelpWindow();
    QPlainTextEdit *helpText;
};
