#include "data/Tablo_Type.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

#include "app/App.h"

TForm12::TForm12(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Tablo Viev"));
    setFont(pixelFont(11));

    RadioGroup2 = new RadioGroup(QStringLiteral("ტაბლოს ტიპი"),
                                 {QStringLiteral("ვალუტის ტაბლო"), QStringLiteral("ფასების ტაბლო")}, 2, this);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setGeometry(8, 8, 344, 44);
    RadioGroup2->setItemIndex(0);

    SpinEdit10 = new QSpinBox(this);
    SpinEdit10->setObjectName(QStringLiteral("SpinEdit10"));
    SpinEdit10->setRange(1, 10);
    SpinEdit10->setValue(10);
    SpinEdit10->setGeometry(8, 60, 56, 22);
    LabelProducts = new QLabel(QStringLiteral("პროდუქტების რაოდენობა"), this);
    LabelProducts->setObjectName(QStringLiteral("LabelProducts"));
    LabelProducts->setGeometry(72, 62, 260, 18);
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(1, 5);
    SpinEdit1->setValue(5);
    SpinEdit1->setGeometry(8, 60, 56, 22);
    LabelCurrencies = new QLabel(QStringLiteral("ვალუტების რაოდენობა"), this);
    LabelCurrencies->setObjectName(QStringLiteral("LabelCurrencies"));
    LabelCurrencies->setGeometry(72, 62, 260, 18);

    ProductPanel = new QFrame(this);
    ProductPanel->setObjectName(QStringLiteral("ProductPanel"));
    ProductPanel->setGeometry(8, 90, 344, 160);
    const char *defaults[5] = {"Normal", "Regular", "Premium", "Super", "Diesel"};
    for (int k = 1; k <= 10; ++k) {
        const int col = (k - 1) / 5, row = (k - 1) % 5;
        auto *n = new QLabel(QString::number(k), ProductPanel);
        n->setObjectName(QStringLiteral("LabelName%1").arg(k));
        n->setGeometry(4 + col * 172, 6 + row * 30, 18, 22);
        auto *e = new QLineEdit(k <= 5 ? QString::fromLatin1(defaults[k - 1]) : QString(), ProductPanel);
        e->setObjectName(QStringLiteral("Edit2_%1").arg(k));
        e->setGeometry(24 + col * 172, 6 + row * 30, 140, 22);
        Edit2_[k] = e;
    }

    CurrencyPanel = new QFrame(this);
    CurrencyPanel->setObjectName(QStringLiteral("CurrencyPanel"));
    CurrencyPanel->setGeometry(8, 90, 344, 160);
    const QStringList codes{QStringLiteral("USD"), QStringLiteral("EUR"), QStringLiteral("GBP"), QStringLiteral("RUR"),
                            QStringLiteral("FRF")};
    for (int r = 1; r <= 5; ++r) {
        auto *n = new QLabel(QString::number(r), CurrencyPanel);
        n->setObjectName(QStringLiteral("LabelCurrency%1").arg(r));
        n->setGeometry(4, 6 + (r - 1) * 30, 18, 22);
        auto *c = new QComboBox(CurrencyPanel);
        c->setObjectName(QStringLiteral("TntComboBox%1").arg(r));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(codes);
        c->setCurrentText(codes[r - 1]);
        c->setGeometry(24, 6 + (r - 1) * 30, 90, 22);
        connect(c, &QComboBox::currentTextChanged, this, [this, r] { TntComboBoxChange(r); });
        TntComboBox[r] = c;
    }
    TntButton1 = new QPushButton(QStringLiteral("Reset"), CurrencyPanel);
    TntButton1->setObjectName(QStringLiteral("TntButton1"));
    TntButton1->setGeometry(124, 4, 80, 26);

    Button1 = new QPushButton(QStringLiteral("Close"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 258, 344, 28);
    setFixedSize(360, 294);
    noDefaultButtons(this);

    connect(RadioGroup2, &RadioGroup::clicked, this, [this] { RadioGroup2Click(); });
    connect(SpinEdit10, &QSpinBox::valueChanged, this, [this] { SpinEdit10Change(); });
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    connect(TntButton1, &QPushButton::clicked, this, [this] { TntButton1Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

    // Arrange for the default board type (the main window is not laid out from here yet).
    RadioGroup2Click();
}

int TForm12::boardType() const { return RadioGroup2->itemIndex(); }

void TForm12::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}
