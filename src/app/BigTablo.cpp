#include "app/BigTablo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTime>

#include "app/App.h"
#include "app/Pictures.h"
#include "gui/BoardViewWindow.h"
#include "gui/AboutDialog.h"
#include "gui/AutoControlsWindow.h"
#include "gui/HelpWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"

void FigureEdit::keyPressEvent(QKeyEvent *e)
{
    // Every character key counts, control characters (Backspace, Enter, Ctrl+V) included.
    const QString t = e->text();
    if (!t.isEmpty())
        emit keyTyped(t.at(0));
    QLineEdit::keyPressEvent(e);
}

void FigureEdit::mouseReleaseEvent(QMouseEvent *e)
{
    QLineEdit::mouseReleaseEvent(e);
    emit clickedByMouse();
}

namespace {
void setTextColour(QWidget *w, const QColor &c)
{
    // Active and inactive only: a disabled control keeps the style's grey.
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::Text, c);
    }
    w->setPalette(p);
}
const QColor Maroon(0x80, 0, 0);
const QColor Navy(0, 0, 0x80);
} // namespace

TForm1::TForm1(App &a) : QMainWindow(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("\"QUAM\" LTD. Uploader"));
    setFont(pixelFont(11, false));
    buildControls();
    buildMenus();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::buildControls()
{
    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("Client"));
    setCentralWidget(central);

    Panel4 = new QFrame(central);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel4->setGeometry(8, 4, 352, 177);

    QFont figureFont = pixelFont(21, true, QStringLiteral("Tahoma"));
    // Without Tahoma the fallback face is wider: narrow it so six characters fit the field.
    if (QFontInfo(figureFont).family() != QLatin1String("Tahoma"))
        figureFont.setStretch(84);
    for (int k = 1; k <= 10; ++k) {
        auto *e = new FigureEdit(QStringLiteral("1.0000"), Panel4);
        e->setObjectName(QStringLiteral("Edit%1").arg(k));
        e->setFont(figureFont);
        e->setTextMargins(0, 0, 0, 0);
        setTextColour(e, Maroon);
        const int r = (k + 1) / 2;
        e->setGeometry(k % 2 ? 128 : 256, 10 + 30 * (r - 1), 81, 33);
        connect(e, &QLineEdit::textChanged, this, [this, k] { Format_Edit(k); });
        connect(e, &FigureEdit::keyTyped, this, [this, k](QChar c) { EditKeyPress(k, c); });
        connect(e, &FigureEdit::clickedByMouse, this, [this, k] { EditClick(k); });
        Edit[k] = e;
    }
    Edit[9]->setEnabled(false);
    Edit[10]->setEnabled(false);

    const QFont nameFont = pixelFont(21, true);
    for (int k = 1; k <= 10; ++k) {
        auto *l = new QLabel(QStringLiteral("0"), Panel4);
        l->setObjectName(QStringLiteral("Label3_%1").arg(k));
        l->setFont(nameFont);
        setTextColour(l, Navy);
        l->setGeometry(10, 15 + 30 * (k - 1), 210, 26);
        l->hide();
        Label3_[k] = l;
    }
    for (int r = 1; r <= 5; ++r) {
        auto *c = new QCheckBox(Panel4);
        c->setObjectName(QStringLiteral("CheckBox%1").arg(r));
        c->setGeometry(224, 15 + 30 * (r - 1), 17, 17);
        c->setChecked(r <= 4);
        connect(c, &QCheckBox::toggled, this, [this, r] { CheckBoxClick(r); });
        CheckBox[r] = c;
        auto *a = new QCheckBox(Panel4);
        a->setObjectName(QStringLiteral("CheckBox%1a").arg(r));
        a->setGeometry(224, 15 + 30 * (r - 1), 17, 17);
        a->hide();
        connect(a, &QCheckBox::toggled, this, [this, r] { CheckBoxAClick(r); });
        CheckBoxA[r] = a;
    }
    const char *codes[5] = {"USD", "EUR", "GBP", "RUR", "FRF"};
    QLabel **flags[5] = {&Flag_USD, &Flag_EUR, &Flag_GBP, &Flag_RUR, &Flag_FRF};
    QLabel **signs[5] = {&Sign_USD, &Sign_EUR, &Sign_GBP, &Sign_RUR, &Sign_FRF};
    for (int i = 0; i < 5; ++i) {
        auto *f = new QLabel(Panel4);
        f->setObjectName(QStringLiteral("Flag_%1").arg(QLatin1String(codes[i])));
        f->setPixmap(Pictures::flag(i));
        f->setGeometry(8, 10 + 30 * i, Pictures::FlagWidth, Pictures::FlagHeight);
        *flags[i] = f;
        auto *s = new QLabel(Panel4);
        s->setObjectName(QStringLiteral("Sign_%1").arg(QLatin1String(codes[i])));
        s->setPixmap(Pictures::sign(i));
        s->setGeometry(68, 10 + 30 * i, Pictures::SignWidth, Pictures::SignHeight);
        *signs[i] = s;
    }
    Panel1 = new QFrame(Panel4);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    Panel1->setGeometry(2, 160, 348, 1);
    Panel1->raise();

    Panel2 = new QFrame(central);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel2->setGeometry(8, 186, 352, 189);

    ProgressBar1 = new QProgressBar(Panel2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(8, 8, 273, 17);

    const QFont buttonFont = pixelFont(16, true);
    Btn_Send_ = new QPushButton(QStringLiteral("ჩაწერა"), Panel2);
    Btn_Send_->setObjectName(QStringLiteral("Btn_Send_"));
    Btn_Read_ = new QPushButton(QStringLiteral("წაკითხვა"), Panel2);
    Btn_Read_->setObjectName(QStringLiteral("Btn_Read_"));
    Btn_Time = new QPushButton(QStringLiteral("საათი"), Panel2);
    Btn_Time->setObjectName(QStringLiteral("Btn_Time"));
    int x = 8;
    for (QPushButton *b : {Btn_Send_, Btn_Read_, Btn_Time}) {
        b->setFont(buttonFont);
        b->setGeometry(x, 32, 84, 33);
        x += 94;
    }
    connect(Btn_Send_, &QPushButton::clicked, this, [this] { Btn_Send_Click(); });
    connect(Btn_Read_, &QPushButton::clicked, this, [this] { Btn_Read_Click(); });
    connect(Btn_Time, &QPushButton::clicked, this, [this] { Btn_TimeClick(); });

    const QFont selectorFont = pixelFont(13, false);
    RadioGroup1 = new RadioGroup(QStringLiteral("სიკაშკაშე"),
                                 {QStringLiteral("მინ"), QStringLiteral("25%"), QStringLiteral("50%"),
                                  QStringLiteral("75%"), QStringLiteral("100%"), QStringLiteral("ავტო")},
                                 6, Panel2);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setFont(selectorFont);
    RadioGroup1->setGeometry(8, 72, 273, 44);
    connect(RadioGroup1, &RadioGroup::clicked, this, [this] { RadioGroup1Click(); });
    RadioGroup2 = new RadioGroup(QStringLiteral("განათება"),
                                 {QStringLiteral("გამორთული"), QStringLiteral("ჩართული"), QStringLiteral("ავტო")}, 3,
                                 Panel2);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setFont(selectorFont);
    RadioGroup2->setGeometry(8, 120, 273, 44);
    connect(RadioGroup2, &RadioGroup::clicked, this, [this] { RadioGroup2Click(); });

    Label3 = new QLabel(QStringLiteral(" "), Panel2);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(pixelFont(11, true));
    setTextColour(Label3, Maroon);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label3->setGeometry(260, 189 - 17, 80, 15);

    minLabel = new QLabel(QStringLiteral("მინ"), this);
    autoLabel = new QLabel(QStringLiteral("ავტო"), this);
    offLabel = new QLabel(QStringLiteral("გამორთული"), this);
    onLabel = new QLabel(QStringLiteral("ჩართული"), this);
    minLabel->setObjectName(QStringLiteral("minLabel"));
    autoLabel->setObjectName(QStringLiteral("autoLabel"));
    offLabel->setObjectName(QStringLiteral("offLabel"));
    onLabel->setObjectName(QStringLiteral("onLabel"));
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Pictures::trayIcon());
    for (QLabel *l : {minLabel, autoLabel, offLabel, onLabel, Image1})
        l->hide();

    StatusBar1 = new StatusBar({210, 67, 45, 55}, {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignHCenter},
                               central);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(10);
    Timer2->setTimerType(Qt::PreciseTimer);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(100);
    Timer5 = new QTimer(this);
    Timer5->setObjectName(QStringLiteral("Timer5"));
    Timer5->setInterval(1000);
    // An operator's upload asked for during another exchange waits here until it can run.
    pendingUploadTimer = new QTimer(this);
    pendingUploadTimer->setObjectName(QStringLiteral("pendingUploadTimer"));
    pendingUploadTimer->setInterval(20);
    pendingUploadTimer->setSingleShot(true);
    connect(pendingUploadTimer, &QTimer::timeout, this, [this] { requestUpload(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    connect(Timer2, &QTimer::timeout, this, [this] { Timer2Timer(); });
    connect(Timer3, &QTimer::timeout, this, [this] { Timer3Timer(); });
    connect(Timer5, &QTimer::timeout, this, [this] { Timer5Timer(); });
    Timer3->start();
    Timer5->start();
}

void TForm1::buildMenus()
{
    QMenuBar *bar = menuBar();
    File1 = bar->addMenu(QStringLiteral("File"));
    File1->setObjectName(QStringLiteral("File1"));
    Show1 = File1->addAction(QStringLiteral("Show data File"), this, [this] { Show1Click(); });
    Load1 = File1->addAction(QStringLiteral("Load  data File"), this, [this] { Load1Click(); });
    Save1 = File1->addAction(QStringLiteral("Save data File"), this, [this] { Save1Click(); });
    Minimize1 = File1->addAction(QStringLiteral("Minimize"), this, [this] { Minimize1Click(); });
    Exit1 = File1->addAction(QStringLiteral("Exit"), this, [this] { Exit1Click(); });
    Settings1 = bar->addMenu(QStringLiteral("Tools"));
    Settings1->setObjectName(QStringLiteral("Settings1"));
    Settings3 = Settings1->addAction(QStringLiteral("Settings"), this, [this] { app.Form2->show(); app.Form2->raise(); });
    AutoControls1 = Settings1->addAction(QStringLiteral("Auto mode controls"), this,
                                         [this] { app.Form13->show(); app.Form13->raise(); });
    Tablo1 = Settings1->addAction(QStringLiteral("Tablo viev"), this, [this] { app.Form12->show(); app.Form12->raise(); });
    est1 = Settings1->addAction(QStringLiteral("Test"), this, [this] {
        app.Form11->move(width() + 20, y());
        app.Form11->resize(width(), app.Form11->height());
        app.Form11->show();
        app.Form11->raise();
    });
    Help1 = bar->addMenu(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Settings2 = Help1->addAction(QStringLiteral("Help settings"), this, [this] { app.Form6->show(); app.Form6->raise(); });
    Help1->menuAction()->setVisible(false);
    About2 = bar->addAction(QStringLiteral("About"), this, [this] { About2Click(); });
    Show1->setObjectName(QStringLiteral("Show1"));
    Load1->setObjectName(QStringLiteral("Load1"));
    Save1->setObjectName(QStringLiteral("Save1"));
    Minimize1->setObjectName(QStringLiteral("Minimize1"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Settings3->setObjectName(QStringLiteral("Settings3"));
    AutoControls1->setObjectName(QStringLiteral("AutoControls1"));
    Tablo1->setObjectName(QStringLiteral("Tablo1"));
    est1->setObjectName(QStringLiteral("est1"));
    Settings2->setObjectName(QStringLiteral("Settings2"));
    About2->setObjectName(QStringLiteral("About2"));
}

QLabel *TForm1::flagOf(int i) const
{
    QLabel *const f[5] = {Flag_USD, Flag_EUR, Flag_GBP, Flag_RUR, Flag_FRF};
    return (i >= 0 && i < 5) ? f[i] : nullptr;
}

QLabel *TForm1::signOf(int i) const
{
    QLabel *const s[5] = {Sign_USD, Sign_EUR, Sign_GBP, Sign_RUR, Sign_FRF};
    return (i >= 0 && i < 5) ? s[i] : nullptr;
}

void TForm1::FormCreate()
{
    app.Starting_Up = true;
    app.Data_File = app.Program_Dir + QStringLiteral("Tablo_data.tbl");
    app.Morning_Time = app.Evening_Time = app.OFF_Time = app.ON_Time = QStringLiteral("00:00:00");
    // The window stays hidden until the start-up step shows it.
}

void TForm1::Timer3Timer()
{
    setFormHeight(285);
    Timer3->stop();
    Load_Settings();

    if (!Tray_Icon) {
        Tray_Icon = new QSystemTrayIcon(QIcon(Image1->pixmap()), this);
        Tray_Icon->setObjectName(QStringLiteral("Tray_Icon"));
        Tray_Icon->setToolTip(QStringLiteral("Exchange_Tablo"));
        connect(Tray_Icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
            trayActivated(int(r));
        });
        if (app.trayAvailable())
            Tray_Icon->show();
    }
    // The window is laid out for the loaded board type before it is first shown.
    FormResize();
    show();

    app.Form2->portCombo->setCurrentText(app.Port_Name);
    app.Form2->parityCombo->setCurrentText(app.Parity);
    app.Form2->baudRateCombo->setCurrentText(app.Baud_Rate);
    app.Form2->reopenPort();

    for (int k = 1; k <= 10; ++k)
        app.Board_Values[k] = Edit[k]->text();
    app.Loaded_Content.clear();
    app.Previous_Content.clear();
    for (TimePicker *p : {app.Form13->morningTimePicker, app.Form13->eveningTimePicker, app.Form13->offTimePicker,
                          app.Form13->onTimePicker})
        p->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    app.Form2->onProtocolPanelToggled();
    app.Starting_Up = false;
    Apply_Autoload_Interval();
}

void TForm1::trayActivated(int reason)
{
    // Left and right presses restore the window (a double click arrives after its first
    // press); a middle click does nothing.
    switch (QSystemTrayIcon::ActivationReason(reason)) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::Context:
    case QSystemTrayIcon::DoubleClick:
        restoreFromTray();
        break;
    default:
        break;
    }
}

void TForm1::restoreFromTray()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TForm1::Minimize1Click()
{
    // Without a notification area a hidden window could never come back: minimise instead.
    if (app.trayAvailable())
        hide();
    else
        showMinimized();
}

void TForm1::Exit1Click()
{
    m_exiting = true;
    close();
}

void TForm1::closeEvent(QCloseEvent *e)
{
    if (!m_exiting) {
        e->ignore();
        Minimize1Click();
        return;
    }
    FormClose();
    e->accept();
    emit exited();
}

void TForm1::FormClose()
{
    Save_Settings();
    Save_Controller_Settings();
    if (Tray_Icon) {
        Tray_Icon->hide();
        delete Tray_Icon;
        Tray_Icon = nullptr;
    }
    app.Closing = true;
}

void TForm1::About2Click()
{
    AboutDialog box(this);
    app.execModal(&box);
}

void TForm1::setFormSize(int w, int h)
{
    if (w == width() && h == height())
        return;
    setFixedSize(w, h);
    if (!isVisible())
        FormResize();   // a hidden window gets no resize event until it is shown
}

void TForm1::setFormHeight(int h) { setFormSize(width(), h); }

void TForm1::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    if (StatusBar1 && centralWidget())
        StatusBar1->setGeometry(0, centralWidget()->height() - StatusBar1->height(), centralWidget()->width(),
                                StatusBar1->height());
    FormResize();
}

void TForm1::Set_Command_Controls_Enabled(bool on)
{
    for (QWidget *w : {static_cast<QWidget *>(Btn_Read_), static_cast<QWidget *>(Btn_Send_),
                       static_cast<QWidget *>(Btn_Time), static_cast<QWidget *>(RadioGroup1),
                       static_cast<QWidget *>(RadioGroup2)})
        w->setEnabled(on);
}

void TForm1::Btn_Send_Click() { requestUpload(); }
void TForm1::Btn_Read_Click() { Read_Data(); }
