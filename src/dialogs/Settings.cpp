#include "dialogs/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QTextBlock>

#include "app/App.h"

namespace {
template <class T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
QLabel *label(const QString &text, QWidget *parent, int x, int y, int w = 0, const char *name = nullptr)
{
    auto *l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QLatin1String(name));
    l->move(x, y);
    if (w)
        l->resize(w, 18);
    else
        l->adjustSize();
    return l;
}
QSpinBox *spin(QWidget *parent, int lo, int hi, int value, const QRect &g, const char *name)
{
    auto *s = named(new QSpinBox(parent), name);
    s->setRange(lo, hi);
    s->setValue(value);
    s->setGeometry(g);
    return s;
}
QCheckBox *check(const QString &text, QWidget *parent, const QRect &g, bool on, const char *name)
{
    auto *c = named(new QCheckBox(text, parent), name);
    c->setGeometry(g);
    c->setChecked(on);
    return c;
}
} // namespace

TForm2::TForm2(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Settings"));
    setFont(pixelFont(11));

    // Port settings
    GroupBoxPort = named(new QGroupBox(QStringLiteral("Port settings"), this), "GroupBoxPort");
    GroupBoxPort->setGeometry(8, 8, 270, 90);
    ComboBox1 = named(new QComboBox(GroupBoxPort), "ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= 14; ++n)
        ComboBox1->addItem(QStringLiteral("COM%1").arg(n));
    ComboBox1->setCurrentText(QStringLiteral("COM1"));
    ComboBox1->setGeometry(10, 22, 110, 22);
    ComboBox11 = named(new QComboBox(GroupBoxPort), "ComboBox11");
    ComboBox11->setEditable(true);
    ComboBox11->setInsertPolicy(QComboBox::NoInsert);
    ComboBox11->addItems({QStringLiteral("9600"), QStringLiteral("19200")});
    ComboBox11->setGeometry(126, 22, 66, 22);
    ComboBox3 = named(new QComboBox(GroupBoxPort), "ComboBox3");
    ComboBox3->setEditable(true);
    ComboBox3->setInsertPolicy(QComboBox::NoInsert);
    ComboBox3->addItems({QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"), QStringLiteral("Mark"),
                         QStringLiteral("Space")});
    ComboBox3->setGeometry(126, 22, 66, 22);
    ComboBox3->hide();
    Button2 = named(new QPushButton(QStringLiteral("Refresh"), GroupBoxPort), "Button2");
    Button2->setGeometry(198, 20, 62, 26);
    LabelTimeout = label(QStringLiteral("Timeout "), GroupBoxPort, 10, 60, 0, "LabelTimeout");
    SpinEdit5 = spin(GroupBoxPort, 4, 100, 10, QRect(64, 56, 56, 22), "SpinEdit5");
    LabelTimeoutUnit = label(QStringLiteral("(x100 mSec)"), GroupBoxPort, 126, 60, 0, "LabelTimeoutUnit");

    // Interface settings
    GroupBoxInterface = named(new QGroupBox(QStringLiteral("Interface settings"), this), "GroupBoxInterface");
    GroupBoxInterface->setGeometry(8, 104, 270, 96);
    LabelAttempts = label(QStringLiteral("მცდელობების რაოდენობა"), GroupBoxInterface, 10, 24, 0, "LabelAttempts");
    SpinEdit4 = spin(GroupBoxInterface, 1, 10, 1, QRect(200, 20, 56, 22), "SpinEdit4");
    CheckBox5 = check(QStringLiteral("ცალმხრივი კავშირი"), GroupBoxInterface, QRect(10, 46, 250, 20), false, "CheckBox5");
    CheckBox3 = check(QStringLiteral("Manage Checksumms"), GroupBoxInterface, QRect(10, 70, 250, 20), true, "CheckBox3");

    // Auto functions
    GroupBoxAuto = named(new QGroupBox(QStringLiteral("Auto functions"), this), "GroupBoxAuto");
    GroupBoxAuto->setGeometry(8, 206, 270, 74);
    Auto_Load_Chb = check(QStringLiteral("Autoload file every"), GroupBoxAuto, QRect(10, 22, 140, 20), false,
                          "Auto_Load_Chb");
    SpinEdit1 = spin(GroupBoxAuto, 1, 1000, 5, QRect(154, 20, 64, 22), "SpinEdit1");
    SpinEdit1->setEnabled(false);
    LabelSec = label(QStringLiteral("Sec"), GroupBoxAuto, 224, 24, 0, "LabelSec");
    LabelSec->setEnabled(false);
    CheckBox2 = check(QStringLiteral("Send if file changed"), GroupBoxAuto, QRect(10, 46, 250, 20), false, "CheckBox2");
    CheckBox2->hide();

    // Number format and display
    LabelDigits = label(QStringLiteral("თანრიგების რაოდენობა"), this, 10, 292, 0, "LabelDigits");
    SpinEdit3 = spin(this, 1, 5, 5, QRect(210, 288, 56, 22), "SpinEdit3");
    RadioGroup7 = named(new RadioGroup(QStringLiteral("Fill char"), {QStringLiteral("'0'"), QStringLiteral("'   '")}, 2, this),
                        "RadioGroup7");
    RadioGroup7->setGeometry(8, 316, 270, 42);
    RadioGroup7->setItemIndex(0);
    CheckBox9 = check(QStringLiteral("განათების მართვა"), this, QRect(10, 364, 260, 20), true, "CheckBox9");
    TntCheckBox3 = check(QStringLiteral("სიკაშკაშის მართვა"), this, QRect(10, 386, 260, 20), true, "TntCheckBox3");
    TntCheckBox1 = check(QStringLiteral("Protocol panel"), this, QRect(10, 408, 260, 20), false, "TntCheckBox1");

    // Controller parameters
    GroupBoxController = named(new QGroupBox(QStringLiteral("კონტროლერის პარამეტრები"), this), "GroupBoxController");
    GroupBoxController->setGeometry(286, 8, 346, 420);
    auto group = [&](const char *name, const QString &caption, const QStringList &items, int cols, const QRect &g) {
        auto *r = named(new RadioGroup(caption, items, cols, GroupBoxController), name);
        r->setGeometry(g);
        return r;
    };
    RadioGroup1 = group("RadioGroup1", QStringLiteral("Flash"), {QStringLiteral("OFF"), QStringLiteral("ON")}, 2,
                        QRect(8, 20, 161, 42));
    RadioGroup4 = group("RadioGroup4", QStringLiteral("Timer used"), {QStringLiteral("NO"), QStringLiteral("YES")}, 2,
                        QRect(177, 20, 161, 42));
    RadioGroup3 = group("RadioGroup3", QStringLiteral("Inverse Signals"),
                        {QStringLiteral("WOSHMT"), QStringLiteral("SHMITH")}, 2, QRect(8, 66, 161, 42));
    RadioGroup6 = group("RadioGroup6", QStringLiteral("Events from tablo"),
                        {QStringLiteral("DISABLE"), QStringLiteral("ENABLE")}, 2, QRect(177, 66, 161, 42));
    RadioGroup5 = group("RadioGroup5", QStringLiteral("Temperature sensor used"), {QStringLiteral("NO"), QStringLiteral("YES")},
                        2, QRect(8, 112, 330, 42));
    RadioGroup2 = group("RadioGroup2", QStringLiteral("Controlled by"), {QStringLiteral("PC"), QStringLiteral("MODEM")}, 2,
                        QRect(8, 158, 330, 42));
    QStringList sections{QStringLiteral("OFF")};
    for (int n = 1; n <= 10; ++n)
        sections << QString::number(n);
    TntRadioGroup1 = group("TntRadioGroup1", QStringLiteral("ტემპ. საათის სექცია"), sections, 4, QRect(8, 204, 330, 84));
    Button1 = named(new QPushButton(QStringLiteral("PC temporary"), GroupBoxController), "Button1");
    Button1->setGeometry(8, 296, 161, 26);
    Button3 = named(new QPushButton(QStringLiteral("MODEM"), GroupBoxController), "Button3");
    Button3->setGeometry(177, 296, 161, 26);

    // Protocol panel
    ProtocolPanel = named(new QFrame(this), "ProtocolPanel");
    ProtocolPanel->setGeometry(8, 436, 624, 0);
    Memo3 = named(new QPlainTextEdit(ProtocolPanel), "Memo3");
    Memo3->setReadOnly(true);
    Memo3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo3->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo3->setMaximumBlockCount(MaxLogLines);
    Memo3->setGeometry(0, 0, 624, 190);
    Button5 = named(new QPushButton(QStringLiteral("Time?"), ProtocolPanel), "Button5");
    Button5->setGeometry(0, 196, 80, 26);
    Button4 = named(new QPushButton(QStringLiteral("Clear memo"), ProtocolPanel), "Button4");
    Button4->setGeometry(88, 196, 90, 26);
    TntCheckBox2 = check(QStringLiteral("Pause Protocol"), ProtocolPanel, QRect(190, 199, 150, 20), false, "TntCheckBox2");
    ProtocolPanel->hide();

    Btn_Defaults_ = named(new QPushButton(QStringLiteral("Defaults"), this), "Btn_Defaults_");
    Btn_Defaults_->setGeometry(8, 441, 100, 28);
    Btn_OK_ = named(new QPushButton(QStringLiteral("Close"), this), "Btn_OK_");
    Btn_OK_->setGeometry(532, 441, 100, 28);
    StatusBar1 = named(new StatusBar({640}, {Qt::AlignLeft}, this), "StatusBar1");
    setFixedSize(640, 441 + 28 + 19 + 40);
    StatusBar1->setGeometry(0, height() - 19, width(), 19);
    noDefaultButtons(this);

    // Operator changes run the handlers; combo boxes report only the operator's edits.
    connect(ComboBox1, &QComboBox::textActivated, this, [this] { ComboBox1Change(); });
    connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox1Change(); });
    connect(ComboBox11, &QComboBox::textActivated, this, [this] { ComboBox11Change(); });
    connect(ComboBox11->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox11Change(); });
    connect(ComboBox3, &QComboBox::textActivated, this, [this] { ComboBox3Change(); });
    connect(ComboBox3->lineEdit(), &QLineEdit::textEdited, this, [this] { ComboBox3Change(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(SpinEdit5, &QSpinBox::valueChanged, this, [this] { SpinEdit5Change(); });
    connect(SpinEdit4, &QSpinBox::valueChanged, this, [this] { SpinEdit4Change(); });
    connect(CheckBox5, &QCheckBox::toggled, this, [this] { CheckBox5Click(); });
    connect(Auto_Load_Chb, &QCheckBox::toggled, this, [this] { Auto_Load_ChbClick(); });
    connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });
    connect(SpinEdit3, &QSpinBox::valueChanged, this, [this] { SpinEdit3Change(); });
    connect(RadioGroup7, &RadioGroup::clicked, this, [this] { RadioGroup7Click(); });
    connect(CheckBox9, &QCheckBox::toggled, this, [this] { CheckBox9Click(); });
    connect(TntCheckBox3, &QCheckBox::toggled, this, [this] { TntCheckBox3Click(); });
    connect(TntCheckBox1, &QCheckBox::toggled, this, [this] { TntCheckBox1Click(); });
    connect(RadioGroup4, &RadioGroup::clicked, this, [this] { RadioGroup4Click(); });
    connect(RadioGroup2, &RadioGroup::clicked, this, [this] { RadioGroup2Click(); });
    connect(RadioGroup5, &RadioGroup::clicked, this, [this] { RadioGroup5Click(); });
    for (RadioGroup *g : {RadioGroup1, RadioGroup3, RadioGroup6, TntRadioGroup1})
        connect(g, &RadioGroup::clicked, this, [this] { Controller_Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Btn_Defaults_, &QPushButton::clicked, this, [this] { Btn_Defaults_Click(); });
    connect(Btn_OK_, &QPushButton::clicked, this, [this] { Btn_OK_Click(); });
}

void TForm2::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        FormShow();
}

void TForm2::Log_Line(const QByteArray &line)
{
    // The log keeps the most recent lines only (the block count is bounded).
    Memo3->appendPlainText(QString::fromLatin1(line));
}

void TForm2::Button4Click() { Memo3->clear(); }
