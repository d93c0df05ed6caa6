#include "gui/SettingsDialog.h"

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

#include "core/board/EventListener.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"
#include "gui/App.h"
#include "gui/widgets/SettingsBinding.h"
#include "gui/widgets/WidgetHelpers.h"

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
// A field for a settings file key, in the key's unit divided by `unit` (seconds for
// milliseconds, say): its range is the key's.
QSpinBox *spin(QWidget *parent, const char *key, int unit, int value, const QRect &g, const char *name)
{
    const SettingsStore::ProgramKey *k = SettingsStore::programKey(QByteArray(), key);
    auto *s = named(new QSpinBox(parent), name);
    s->setRange(k->lo / unit, k->hi / unit);
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

SettingsDialog::SettingsDialog(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Settings"));
    setFont(pixelFont(11));

    // Port settings
    portSettingsBox = named(new QGroupBox(QStringLiteral("Port settings"), this), "GroupBoxPort");
    portSettingsBox->setGeometry(8, 8, 270, 90);
    portCombo = named(new QComboBox(portSettingsBox), "ComboBox1");
    portCombo->setEditable(true);
    portCombo->setInsertPolicy(QComboBox::NoInsert);
    for (int n = 1; n <= 14; ++n)
        portCombo->addItem(QStringLiteral("COM%1").arg(n));
    portCombo->setCurrentText(QStringLiteral("COM1"));
    portCombo->setGeometry(10, 22, 110, 22);
    baudRateCombo = named(new QComboBox(portSettingsBox), "ComboBox11");
    baudRateCombo->setEditable(true);
    baudRateCombo->setInsertPolicy(QComboBox::NoInsert);
    baudRateCombo->addItems({QStringLiteral("9600"), QStringLiteral("19200")});
    baudRateCombo->setGeometry(126, 22, 66, 22);
    parityCombo = named(new QComboBox(portSettingsBox), "ComboBox3");
    parityCombo->setEditable(true);
    parityCombo->setInsertPolicy(QComboBox::NoInsert);
    parityCombo->addItems({QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"),
                           QStringLiteral("Mark"), QStringLiteral("Space")});
    parityCombo->setGeometry(126, 22, 66, 22);
    parityCombo->hide();
    refreshButton = named(new QPushButton(QStringLiteral("Refresh"), portSettingsBox), "Button2");
    refreshButton->setGeometry(198, 20, 62, 26);
    timeoutLabel = label(QStringLiteral("Timeout "), portSettingsBox, 10, 60, 0, "LabelTimeout");
    timeoutSpin = spin(portSettingsBox, "Timeout_for_command", 100, 10, QRect(64, 56, 56, 22), "SpinEdit5");
    timeoutUnitLabel = label(QStringLiteral("(x100 mSec)"), portSettingsBox, 126, 60, 0, "LabelTimeoutUnit");

    // Interface settings
    interfaceBox = named(new QGroupBox(QStringLiteral("Interface settings"), this), "GroupBoxInterface");
    interfaceBox->setGeometry(8, 104, 270, 96);
    attemptsLabel = label(QStringLiteral("მცდელობების რაოდენობა"), interfaceBox, 10, 24, 0, "LabelAttempts");
    attemptsSpin = spin(interfaceBox, "Attempts", 1, 1, QRect(200, 20, 56, 22), "SpinEdit4");
    oneWayLinkBox
        = check(QStringLiteral("ცალმხრივი კავშირი"), interfaceBox, QRect(10, 46, 250, 20), false, "CheckBox5");
    checksumsBox = check(QStringLiteral("Manage Checksumms"), interfaceBox, QRect(10, 70, 250, 20), true, "CheckBox3");

    // Auto functions
    autoFunctionsBox = named(new QGroupBox(QStringLiteral("Auto functions"), this), "GroupBoxAuto");
    autoFunctionsBox->setGeometry(8, 206, 270, 74);
    autoLoadBox = check(QStringLiteral("Autoload file every"), autoFunctionsBox, QRect(10, 22, 140, 20), false,
                        "Auto_Load_Chb");
    autoLoadIntervalSpin = spin(autoFunctionsBox, "Auto_Load_Intvl", 1000, 5, QRect(154, 20, 64, 22), "SpinEdit1");
    autoLoadIntervalSpin->setEnabled(false);
    secondsLabel = label(QStringLiteral("Sec"), autoFunctionsBox, 224, 24, 0, "LabelSec");
    secondsLabel->setEnabled(false);
    sendIfChangedBox
        = check(QStringLiteral("Send if file changed"), autoFunctionsBox, QRect(10, 46, 250, 20), false, "CheckBox2");
    sendIfChangedBox->hide();

    // Number format and display
    digitsLabel = label(QStringLiteral("თანრიგების რაოდენობა"), this, 10, 292, 0, "LabelDigits");
    digitsSpin = spin(this, "Digits", 1, 5, QRect(210, 288, 56, 22), "SpinEdit3");
    fillCharGroup
        = named(new RadioGroup(QStringLiteral("Fill char"), {QStringLiteral("'0'"), QStringLiteral("'   '")}, 2, this),
                "RadioGroup7");
    fillCharGroup->setGeometry(8, 316, 270, 42);
    fillCharGroup->setItemIndex(0);
    lightingControlBox = check(QStringLiteral("განათების მართვა"), this, QRect(10, 364, 260, 20), true, "CheckBox9");
    brightnessControlBox
        = check(QStringLiteral("სიკაშკაშის მართვა"), this, QRect(10, 386, 260, 20), true, "TntCheckBox3");
    protocolPanelBox = check(QStringLiteral("Protocol panel"), this, QRect(10, 408, 260, 20), false, "TntCheckBox1");

    // Controller parameters
    controllerBox = named(new QGroupBox(QStringLiteral("კონტროლერის პარამეტრები"), this), "GroupBoxController");
    controllerBox->setGeometry(286, 8, 346, 420);
    auto group = [&](const char *name, const QString &caption, const QStringList &items, int cols, const QRect &g) {
        auto *r = named(new RadioGroup(caption, items, cols, controllerBox), name);
        r->setGeometry(g);
        return r;
    };
    flashGroup = group("RadioGroup1", QStringLiteral("Flash"), {QStringLiteral("OFF"), QStringLiteral("ON")}, 2,
                       QRect(8, 20, 161, 42));
    timerUsedGroup = group("RadioGroup4", QStringLiteral("Timer used"), {QStringLiteral("NO"), QStringLiteral("YES")},
                           2, QRect(177, 20, 161, 42));
    inverseSignalsGroup = group("RadioGroup3", QStringLiteral("Inverse Signals"),
                                {QStringLiteral("WOSHMT"), QStringLiteral("SHMITH")}, 2, QRect(8, 66, 161, 42));
    eventsGroup = group("RadioGroup6", QStringLiteral("Events from tablo"),
                        {QStringLiteral("DISABLE"), QStringLiteral("ENABLE")}, 2, QRect(177, 66, 161, 42));
    temperatureSensorGroup = group("RadioGroup5", QStringLiteral("Temperature sensor used"),
                                   {QStringLiteral("NO"), QStringLiteral("YES")}, 2, QRect(8, 112, 330, 42));
    controlledByGroup = group("RadioGroup2", QStringLiteral("Controlled by"),
                              {QStringLiteral("PC"), QStringLiteral("MODEM")}, 2, QRect(8, 158, 330, 42));
    QStringList sections{QStringLiteral("OFF")};
    for (int n = 1; n <= 10; ++n)
        sections << QString::number(n);
    clockSectionGroup
        = group("TntRadioGroup1", QStringLiteral("ტემპ. საათის სექცია"), sections, 4, QRect(8, 204, 330, 84));
    pcButton = named(new QPushButton(QStringLiteral("PC temporary"), controllerBox), "Button1");
    pcButton->setGeometry(8, 296, 161, 26);
    modemButton = named(new QPushButton(QStringLiteral("MODEM"), controllerBox), "Button3");
    modemButton->setGeometry(177, 296, 161, 26);

    // Protocol panel
    protocolPanel = named(new QFrame(this), "ProtocolPanel");
    protocolPanel->setGeometry(8, 436, 624, 0);
    protocolLog = named(new QPlainTextEdit(protocolPanel), "Memo3");
    protocolLog->setReadOnly(true);
    protocolLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    protocolLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    protocolLog->setMaximumBlockCount(MaxLogLines);
    protocolLog->setGeometry(0, 0, 624, 190);
    timeQueryButton = named(new QPushButton(QStringLiteral("Time?"), protocolPanel), "Button5");
    timeQueryButton->setGeometry(0, 196, 80, 26);
    clearLogButton = named(new QPushButton(QStringLiteral("Clear memo"), protocolPanel), "Button4");
    clearLogButton->setGeometry(88, 196, 90, 26);
    pauseProtocolBox
        = check(QStringLiteral("Pause Protocol"), protocolPanel, QRect(190, 199, 150, 20), false, "TntCheckBox2");
    protocolPanel->hide();

    defaultsButton = named(new QPushButton(QStringLiteral("Defaults"), this), "Btn_Defaults_");
    defaultsButton->setGeometry(8, 441, 100, 28);
    closeButton = named(new QPushButton(QStringLiteral("Close"), this), "Btn_OK_");
    closeButton->setGeometry(532, 441, 100, 28);
    statusBar = named(new StatusBar({640}, {Qt::AlignLeft}, this), "StatusBar1");
    setFixedSize(640, 441 + 28 + 19 + 40);
    statusBar->setGeometry(0, height() - 19, width(), 19);
    noDefaultButtons(this);

    // The controller parameters are bound to the settings before their handlers connect.
    using SettingsBinding::bind;
    bind(flashGroup, app.settings, ControllerField::Flash);
    bind(timerUsedGroup, app.settings, ControllerField::TimerUsed);
    bind(inverseSignalsGroup, app.settings, ControllerField::Inverse);
    bind(eventsGroup, app.settings, ControllerField::Events);
    bind(temperatureSensorGroup, app.settings, ControllerField::TemperatureUsed);
    bind(controlledByGroup, app.settings, ControllerField::ControlledBy);
    bind(clockSectionGroup, app.settings, ControllerField::Section);

    // Operator changes run the handlers; combo boxes report only the operator's edits.
    connect(&app, &App::portReopened, this, &SettingsDialog::setPortBoxColour);
    connect(portCombo, &QComboBox::textActivated, this, [this] { reopenPort(); });
    connect(portCombo->lineEdit(), &QLineEdit::textEdited, this, [this] { reopenPort(); });
    connect(baudRateCombo, &QComboBox::textActivated, this, [this] { onBaudRateChanged(); });
    connect(baudRateCombo->lineEdit(), &QLineEdit::textEdited, this, [this] { onBaudRateChanged(); });
    connect(parityCombo, &QComboBox::textActivated, this, [this] { onParityChanged(); });
    connect(parityCombo->lineEdit(), &QLineEdit::textEdited, this, [this] { onParityChanged(); });
    connect(refreshButton, &QPushButton::clicked, this, [this] { refreshPortList(); });
    connect(timeoutSpin, &QSpinBox::valueChanged, this, [this] { onTimeoutChanged(); });
    connect(attemptsSpin, &QSpinBox::valueChanged, this, [this] { onAttemptsChanged(); });
    connect(oneWayLinkBox, &QCheckBox::toggled, this, [this] { onOneWayLinkToggled(); });
    connect(autoLoadBox, &QCheckBox::toggled, this, [this] { onAutoLoadToggled(); });
    connect(autoLoadIntervalSpin, &QSpinBox::valueChanged, this, [this] { onAutoLoadIntervalChanged(); });
    connect(sendIfChangedBox, &QCheckBox::toggled, this, [this] { onSendIfChangedToggled(); });
    connect(digitsSpin, &QSpinBox::valueChanged, this, [this] { onDigitsChanged(); });
    connect(fillCharGroup, &RadioGroup::indexChanged, this, [this] { onFillCharChanged(); });
    connect(checksumsBox, &QCheckBox::toggled, this, [this](bool on) { app.settings->setChecksums(on); });
    connect(lightingControlBox, &QCheckBox::toggled, this, [this] { onLightingControlToggled(); });
    connect(brightnessControlBox, &QCheckBox::toggled, this, [this] { onBrightnessControlToggled(); });
    connect(protocolPanelBox, &QCheckBox::toggled, this, [this] { onProtocolPanelToggled(); });
    connect(timerUsedGroup, &RadioGroup::clicked, this, [this] { onTimerUsedChanged(); });
    connect(controlledByGroup, &RadioGroup::clicked, this, [this] { onControlledByChanged(); });
    for (RadioGroup *g : {flashGroup, inverseSignalsGroup, eventsGroup, temperatureSensorGroup, clockSectionGroup})
        connect(g, &RadioGroup::clicked, this, [this] { onControllerParameterChanged(); });
    connect(pcButton, &QPushButton::clicked, this, [this] { onPcClicked(); });
    connect(modemButton, &QPushButton::clicked, this, [this] { onModemClicked(); });
    connect(timeQueryButton, &QPushButton::clicked, this, [this] { onTimeQueryClicked(); });
    connect(clearLogButton, &QPushButton::clicked, this, [this] { onClearLogClicked(); });
    connect(pauseProtocolBox, &QCheckBox::toggled, app.eventListener, &EventListener::setPaused);
    connect(defaultsButton, &QPushButton::clicked, this, [this] { onDefaultsClicked(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { onCloseClicked(); });
}

void SettingsDialog::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        onShown();
}

void SettingsDialog::logLine(const QByteArray &line)
{
    // The log keeps the most recent lines only (the block count is bounded).
    protocolLog->appendPlainText(QString::fromLatin1(line));
}

void SettingsDialog::onClearLogClicked() { protocolLog->clear(); }
