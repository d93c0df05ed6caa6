#pragma once
#include <QDialog>
class QLabel;
class QPushButton;
class QFrame;

// Program name, version and picture; made on demand and shown modally.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
    QFrame *frame;
    QLabel *productNameLabel, *versionLabel, *pictureLabel;
    QPushButton *okButton;
};
