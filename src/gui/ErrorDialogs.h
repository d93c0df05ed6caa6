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
    QList<QLabel *> lineLabels;
    QPushButton *okButton;   // "Ok"
};

// No answer from the board.
class ConnectionErrorDialog : public ErrorDialog {
    Q_OBJECT
public:
    ConnectionErrorDialog();
};
// The figures reached the board wrongly.
class UploadErrorDialog : public ErrorDialog {
    Q_OBJECT
public:
    UploadErrorDialog();
};
// A read found the board's data damaged.
class ReadErrorDialog : public ErrorDialog {
    Q_OBJECT
public:
    ReadErrorDialog();
};
