#include "data/Error2.h"
#include "ui/Controls.h"

#include <QLabel>
#include <QPushButton>

TForm5::TForm5() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Currencys File Not Exists"));
    setModal(true);
    Label1 = new QLabel(QStringLiteral("Currencys File Not Exists"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(pixelFont(13, true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(8, 16, 264, 24);
    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setGeometry(100, 56, 80, 28);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(280, 96);
}
