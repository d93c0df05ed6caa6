#include "gui/AboutDialog.h"
#include "gui/widgets/WidgetHelpers.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "gui/widgets/Pictures.h"

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(274, 170);
    frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Panel1"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setGeometry(8, 8, 258, 118);
    pictureLabel = new QLabel(frame);
    pictureLabel->setObjectName(QStringLiteral("ProgramIcon"));
    pictureLabel->setPixmap(Pictures::aboutPicture());
    pictureLabel->setGeometry(8, 8, 97, 65);
    productNameLabel = new QLabel(QStringLiteral("Quorvanel Uploader"), frame);
    productNameLabel->setObjectName(QStringLiteral("ProductName"));
    productNameLabel->setFont(pixelFont(19, true));
    productNameLabel->setGeometry(8, 80, 242, 24);
    versionLabel = new QLabel(QStringLiteral("Version 1.11"), frame);
    versionLabel->setObjectName(QStringLiteral("Version"));
    versionLabel->setFont(pixelFont(11));
    versionLabel->setGeometry(114, 30, 130, 16);
    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("OKButton"));
    okButton->setDefault(true);
    okButton->setGeometry(99, 134, 75, 28);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}
