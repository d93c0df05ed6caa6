#pragma once
// The small modal error dialogs: title "Error", a few lines of text and one button "Ok".
#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

class ErrorDialog : public QDialog {
    Q_OBJECT
public:
    ErrorDialog(const QString &name, const QStringList &lines);
    QList<QLabel *> Labels;
    QPushButton *Button1;   // "Ok"
};

class TForm8 : public ErrorDialog {   // connection error
    Q_OBJECT
public:
    TForm8();
};
class TForm9 : public ErrorDialog {   // sending error
    Q_OBJECT
public:
    TForm9();
};
class TForm10 : public ErrorDialog {  // reading error
    Q_OBJECT
public:
    TForm10();
};
