#include "gui/BoardViewWindow.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/widgets/WidgetHelpers.h"

BoardViewWindow::BoardViewWindow(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Tablo Viev"));
    setFont(pixelFont(11));

    boardTypeGroup = new RadioGroup(QStringLiteral("ტაბლოს ტიპი"),
                                    {QStringLiteral("ვალუტის ტაბლო"), QStringLiteral("ფასების ტაბლო")}, 2, this);
    boardTypeGroup->setObjectName(QStringLiteral("RadioGroup2"));
    boardTypeGroup->setGeometry(8, 8, 344, 44);
    boardTypeGroup->setItemIndex(0);

    productCountSpin = new QSpinBox(this);
    productCountSpin->setObjectName(QStringLiteral("SpinEdit10"));
    productCountSpin->setRange(1, 10);
    productCountSpin->setValue(10);
    productCountSpin->setGeometry(8, 60, 56, 22);
    productCountLabel = new QLabel(QStringLiteral("პროდუქტების რაოდენობა"), this);
    productCountLabel->setObjectName(QStringLiteral("LabelProducts"));
    productCountLabel->setGeometry(72, 62, 260, 18);
    currencyCountSpin = new QSpinBox(this);
    currencyCountSpin->setObjectName(QStringLiteral("SpinEdit1"));
    currencyCountSpin->setRange(1, 5);
    currencyCountSpin->setValue(5);
    currencyCountSpin->setGeometry(8, 60, 56, 22);
    currencyCountLabel = new QLabel(QStringLiteral("ვალუტების რაოდენობა"), this);
    currencyCountLabel->setObjectName(QStringLiteral("LabelCurrencies"));
    currencyCountLabel->setGeometry(72, 62, 260, 18);

    productPanel = new QFrame(this);
    productPanel->setObjectName(QStringLiteral("ProductPanel"));
    productPanel->setGeometry(8, 90, 344, 160);
    const char *defaults[5] = {"Normal", "Regular", "Premium", "Super", "Diesel"};
    for (int k = 1; k <= 10; ++k) {
        const int col = (k - 1) / 5, row = (k - 1) % 5;
        auto *n = new QLabel(QString::number(k), productPanel);
        n->setObjectName(QStringLiteral("LabelName%1").arg(k));
        n->setGeometry(4 + col * 172, 6 + row * 30, 18, 22);
        auto *e = new QLineEdit(k <= 5 ? QString::fromLatin1(defaults[k - 1]) : QString(), productPanel);
        e->setObjectName(QStringLiteral("Edit2_%1").arg(k));
        e->setGeometry(24 + col * 172, 6 + row * 30, 140, 22);
        productNameEdits[k] = e;
    }

    currencyPanel = new QFrame(this);
    currencyPanel->setObjectName(QStringLiteral("CurrencyPanel"));
    currencyPanel->setGeometry(8, 90, 344, 160);
    const QStringList codes{QStringLiteral("USD"), QStringLiteral("EUR"), QStringLiteral("GBP"), QStringLiteral("RUR"),
                            QStringLiteral("FRF")};
    for (int r = 1; r <= 5; ++r) {
        auto *n = new QLabel(QString::number(r), currencyPanel);
        n->setObjectName(QStringLiteral("LabelCurrency%1").arg(r));
        n->setGeometry(4, 6 + (r - 1) * 30, 18, 22);
        auto *c = new QComboBox(currencyPanel);
        c->setObjectName(QStringLiteral("TntComboBox%1").arg(r));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->addItems(codes);
        c->setCurrentText(codes[r - 1]);
        c->setGeometry(24, 6 + (r - 1) * 30, 90, 22);
        currencyBoxes[r] = c;
    }
    resetButton = new QPushButton(QStringLiteral("Reset"), currencyPanel);
    resetButton->setObjectName(QStringLiteral("TntButton1"));
    resetButton->setGeometry(124, 4, 80, 26);

    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("Button1"));
    closeButton->setGeometry(8, 258, 344, 28);
    setFixedSize(360, 294);
    noDefaultButtons(this);

    // Every change is written through to the settings first; the main window follows them.
    SettingsModel *settings = app.settings;
    connect(boardTypeGroup, &RadioGroup::indexChanged, settings, &SettingsModel::setBoardType);
    connect(productCountSpin, &QSpinBox::valueChanged, settings, &SettingsModel::setProductCount);
    connect(currencyCountSpin, &QSpinBox::valueChanged, settings, &SettingsModel::setCurrencyCount);
    for (int k = 1; k <= 10; ++k)
        connect(productNameEdits[k], &QLineEdit::textChanged, settings,
                [settings, k](const QString &name) { settings->setProductName(k, name); });
    for (int r = 1; r <= 5; ++r) {
        connect(currencyBoxes[r], &QComboBox::currentTextChanged, settings,
                [settings, r](const QString &currency) { settings->setCurrency(r, currency); });
        connect(currencyBoxes[r], &QComboBox::currentTextChanged, this, [this, r] { onCurrencyChanged(r); });
    }
    connect(boardTypeGroup, &RadioGroup::clicked, this, [this] { onBoardTypeChanged(); });
    connect(resetButton, &QPushButton::clicked, this, [this] { onResetClicked(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { onCloseClicked(); });

    // Arrange for the default board type (the main window is not laid out from here yet).
    onBoardTypeChanged();
}

int BoardViewWindow::boardType() const { return boardTypeGroup->itemIndex(); }

void BoardViewWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        onShown();
}
