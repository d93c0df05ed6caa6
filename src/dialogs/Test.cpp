#include "dialogs/Test.h"

#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>

#include "app/App.h"

TForm11::TForm11(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Test"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setFont(pixelFont(11));
    QStringList items;
    for (int d = 0; d <= 9; ++d)
        items << QStringLiteral("%1.%2").arg(d).arg(QString(4, QChar(u'0' + d)));
    items << QStringLiteral("88888") << QStringLiteral("88.888") << QStringLiteral("888.88") << QStringLiteral("8888.8")
          << QStringLiteral("88888.") << QStringLiteral("0.1234") << QStringLiteral("5.6789") << QStringLiteral("112233...");
    RadioGroup1 = new RadioGroup(QStringLiteral("Test Mode"), items, 4, this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    Button1 = new QPushButton(QStringLiteral("Close and restore data"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Close and leave current data"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    resize(377, 200);
    noDefaultButtons(this);
    connect(RadioGroup1, &RadioGroup::clicked, this, [this] { RadioGroup1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void TForm11::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    const int w = width(), h = height();
    RadioGroup1->setGeometry(6, 4, w - 12, h - 48);
    const int bw = (w - 18) / 2;
    Button1->setGeometry(6, h - 38, bw, 30);
    Button2->setGeometry(12 + bw, h - 38, bw, 30);
}

void TForm11::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}
