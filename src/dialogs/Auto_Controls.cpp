#include "dialogs/Auto_Controls.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

#include "app/App.h"

namespace {
QLabel *label(const QString &text, QWidget *parent, int x, int y, const char *name)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}
QSpinBox *correction(QWidget *parent, const QRect &g, const char *name)
{
    auto *s = new QSpinBox(parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(-127, 128);
    s->setValue(0);
    s->setGeometry(g);
    return s;
}
TimePicker *picker(QWidget *parent, const QRect &g, const char *name)
{
    auto *p = new TimePicker(parent);
    p->setObjectName(QLatin1String(name));
    p->setGeometry(g);
    return p;
}
QComboBox *level(QWidget *parent, const QRect &g, int index, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems({QStringLiteral("Min"), QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                 QStringLiteral("100%")});
    c->setCurrentIndex(index);
    c->setGeometry(g);
    return c;
}
const QStringList Modes{QStringLiteral("დროით"), QStringLiteral("გრაფიკით")};
} // namespace

TForm13::TForm13(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("Auto Controls"));
    setFont(pixelFont(11));

    GroupBox1 = new QGroupBox(QStringLiteral("სიკაშკაშის ავტომატური მართვა"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 360, 176);
    Label1 = label(QStringLiteral("დილის დრო"), GroupBox1, 10, 24, "Label1");
    DateTimePicker1 = picker(GroupBox1, QRect(10, 42, 90, 22), "DateTimePicker1");
    Label8 = label(QStringLiteral("დროის წანაცვლება"), GroupBox1, 120, 24, "Label8");
    SpinEdit8 = correction(GroupBox1, QRect(120, 42, 64, 22), "SpinEdit8");
    Label5 = label(QStringLiteral("დღის სიკაშკაშე"), GroupBox1, 250, 24, "Label5");
    ComboBox2 = level(GroupBox1, QRect(250, 42, 96, 22), 4, "ComboBox2");
    Label2 = label(QStringLiteral("საღამოს დრო"), GroupBox1, 10, 72, "Label2");
    DateTimePicker2 = picker(GroupBox1, QRect(10, 90, 90, 22), "DateTimePicker2");
    Label9 = label(QStringLiteral("დროის წანაცვლება"), GroupBox1, 120, 72, "Label9");
    SpinEdit9 = correction(GroupBox1, QRect(120, 90, 64, 22), "SpinEdit9");
    Label6 = label(QStringLiteral("ღამის სიკაშკაშე"), GroupBox1, 250, 72, "Label6");
    ComboBox4 = level(GroupBox1, QRect(250, 90, 96, 22), 2, "ComboBox4");
    TntRadioGroup2 = new RadioGroup(QStringLiteral("ავტო რეჟიმი"), Modes, 2, GroupBox1);
    TntRadioGroup2->setObjectName(QStringLiteral("TntRadioGroup2"));
    TntRadioGroup2->setGeometry(10, 122, 336, 44);

    GroupBox2 = new QGroupBox(QStringLiteral("განათების ავტომატური მართვა"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(8, 190, 360, 176);
    Label3 = label(QStringLiteral("გამორთვის დრო"), GroupBox2, 10, 24, "Label3");
    DateTimePicker3 = picker(GroupBox2, QRect(10, 42, 90, 22), "DateTimePicker3");
    Label10 = label(QStringLiteral("დროის წანაცვლება"), GroupBox2, 120, 24, "Label10");
    SpinEdit6 = correction(GroupBox2, QRect(120, 42, 64, 22), "SpinEdit6");
    Label4 = label(QStringLiteral("ჩართვის დრო"), GroupBox2, 10, 72, "Label4");
    DateTimePicker4 = picker(GroupBox2, QRect(10, 90, 90, 22), "DateTimePicker4");
    Label11 = label(QStringLiteral("დროის წანაცვლება"), GroupBox2, 120, 72, "Label11");
    SpinEdit7 = correction(GroupBox2, QRect(120, 90, 64, 22), "SpinEdit7");
    TntRadioGroup1 = new RadioGroup(QStringLiteral("ავტო რეჟიმი"), Modes, 2, GroupBox2);
    TntRadioGroup1->setObjectName(QStringLiteral("TntRadioGroup1"));
    TntRadioGroup1->setGeometry(10, 122, 336, 44);

    Button3 = new QPushButton(QStringLiteral("გრაფიკის დათვალიერება"), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Btn_Close_ = new QPushButton(QStringLiteral("Close"), this);
    Btn_Close_->setObjectName(QStringLiteral("Btn_Close_"));
    StatusBar1 = new StatusBar({376}, {Qt::AlignLeft}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setFixedWidth(376);
    Arrange();
    noDefaultButtons(this);

    connect(TntRadioGroup2, &RadioGroup::clicked, this, [this] { TntRadioGroup2Click(); });
    connect(TntRadioGroup1, &RadioGroup::clicked, this, [this] { TntRadioGroup1Click(); });
    connect(SpinEdit8, &QSpinBox::valueChanged, this, [this] { TntRadioGroup2Click(); });
    connect(SpinEdit9, &QSpinBox::valueChanged, this, [this] { TntRadioGroup2Click(); });
    connect(SpinEdit6, &QSpinBox::valueChanged, this, [this] { TntRadioGroup1Click(); });
    connect(SpinEdit7, &QSpinBox::valueChanged, this, [this] { TntRadioGroup1Click(); });
    connect(DateTimePicker1, &TimePicker::operatorChanged, this, [this] { DateTimePickerChange(1); });
    connect(DateTimePicker2, &TimePicker::operatorChanged, this, [this] { DateTimePickerChange(2); });
    connect(DateTimePicker3, &TimePicker::operatorChanged, this, [this] { DateTimePickerChange(3); });
    connect(DateTimePicker4, &TimePicker::operatorChanged, this, [this] { DateTimePickerChange(4); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { ComboBox2Change(); });
    connect(ComboBox4, &QComboBox::activated, this, [this] { ComboBox4Change(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Btn_Close_, &QPushButton::clicked, this, [this] { Btn_Close_Click(); });
}

void TForm13::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}
