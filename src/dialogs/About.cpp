#include "dialogs/About.h"
#include "ui/Controls.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "app/Pictures.h"

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(274, 170);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(8, 8, 258, 118);
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(Pictures::aboutPicture());
    ProgramIcon->setGeometry(8, 8, 97, 65);
    ProductName = new QLabel(QStringLiteral("Quorvanel Uploader"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    ProductName->setFont(pixelFont(19, true));
    ProductName->setGeometry(8, 80, 242, 24);
    Version = new QLabel(QStringLiteral("Version 1.11"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setFont(pixelFont(11));
    Version->setGeometry(114, 30, 130, 16);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(99, 134, 75, 28);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}
