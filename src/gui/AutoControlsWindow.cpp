#include "gui/AutoControlsWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

#include "core/operations/ControllerWorkflow.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/widgets/SettingsBinding.h"
#include "gui/widgets/WidgetHelpers.h"

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
    s->setRange(-127, 127);
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

AutoControlsWindow::AutoControlsWindow(App &a) : QDialog(nullptr), app(a)
{
    setObjectName(QStringLiteral("Form13"));
    setWindowTitle(QStringLiteral("Auto Controls"));
    setFont(pixelFont(11));

    brightnessBox = new QGroupBox(QStringLiteral("სიკაშკაშის ავტომატური მართვა"), this);
    brightnessBox->setObjectName(QStringLiteral("GroupBox1"));
    brightnessBox->setGeometry(8, 8, 360, 176);
    morningTimeLabel = label(QStringLiteral("დილის დრო"), brightnessBox, 10, 24, "Label1");
    morningTimePicker = picker(brightnessBox, QRect(10, 42, 90, 22), "DateTimePicker1");
    morningCorrectionLabel = label(QStringLiteral("დროის წანაცვლება"), brightnessBox, 120, 24, "Label8");
    morningCorrectionSpin = correction(brightnessBox, QRect(120, 42, 64, 22), "SpinEdit8");
    dayLevelLabel = label(QStringLiteral("დღის სიკაშკაშე"), brightnessBox, 250, 24, "Label5");
    dayLevelBox = level(brightnessBox, QRect(250, 42, 96, 22), 4, "ComboBox2");
    eveningTimeLabel = label(QStringLiteral("საღამოს დრო"), brightnessBox, 10, 72, "Label2");
    eveningTimePicker = picker(brightnessBox, QRect(10, 90, 90, 22), "DateTimePicker2");
    eveningCorrectionLabel = label(QStringLiteral("დროის წანაცვლება"), brightnessBox, 120, 72, "Label9");
    eveningCorrectionSpin = correction(brightnessBox, QRect(120, 90, 64, 22), "SpinEdit9");
    nightLevelLabel = label(QStringLiteral("ღამის სიკაშკაშე"), brightnessBox, 250, 72, "Label6");
    nightLevelBox = level(brightnessBox, QRect(250, 90, 96, 22), 2, "ComboBox4");
    brightnessModeGroup = new RadioGroup(QStringLiteral("ავტო რეჟიმი"), Modes, 2, brightnessBox);
    brightnessModeGroup->setObjectName(QStringLiteral("TntRadioGroup2"));
    brightnessModeGroup->setGeometry(10, 122, 336, 44);

    lightingBox = new QGroupBox(QStringLiteral("განათების ავტომატური მართვა"), this);
    lightingBox->setObjectName(QStringLiteral("GroupBox2"));
    lightingBox->setGeometry(8, 190, 360, 176);
    offTimeLabel = label(QStringLiteral("გამორთვის დრო"), lightingBox, 10, 24, "Label3");
    offTimePicker = picker(lightingBox, QRect(10, 42, 90, 22), "DateTimePicker3");
    offCorrectionLabel = label(QStringLiteral("დროის წანაცვლება"), lightingBox, 120, 24, "Label10");
    offCorrectionSpin = correction(lightingBox, QRect(120, 42, 64, 22), "SpinEdit6");
    onTimeLabel = label(QStringLiteral("ჩართვის დრო"), lightingBox, 10, 72, "Label4");
    onTimePicker = picker(lightingBox, QRect(10, 90, 90, 22), "DateTimePicker4");
    onCorrectionLabel = label(QStringLiteral("დროის წანაცვლება"), lightingBox, 120, 72, "Label11");
    onCorrectionSpin = correction(lightingBox, QRect(120, 90, 64, 22), "SpinEdit7");
    lightingModeGroup = new RadioGroup(QStringLiteral("ავტო რეჟიმი"), Modes, 2, lightingBox);
    lightingModeGroup->setObjectName(QStringLiteral("TntRadioGroup1"));
    lightingModeGroup->setGeometry(10, 122, 336, 44);

    scheduleButton = new QPushButton(QStringLiteral("გრაფიკის დათვალიერება"), this);
    scheduleButton->setObjectName(QStringLiteral("Button3"));
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("Btn_Close_"));
    statusBar = new StatusBar({376}, {Qt::AlignLeft}, this);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    setFixedWidth(376);
    arrange();
    noDefaultButtons(this);

    // Bound to the settings before the handlers connect.
    using SettingsBinding::bind;
    bind(brightnessModeGroup, app.settings, ControllerField::BrightnessMode);
    bind(lightingModeGroup, app.settings, ControllerField::LightingMode);
    bind(morningCorrectionSpin, app.settings, ControllerField::MorningCorrection);
    bind(eveningCorrectionSpin, app.settings, ControllerField::EveningCorrection);
    bind(offCorrectionSpin, app.settings, ControllerField::OffCorrection);
    bind(onCorrectionSpin, app.settings, ControllerField::OnCorrection);
    bind(dayLevelBox, app.settings, ControllerField::DayLevel);
    bind(nightLevelBox, app.settings, ControllerField::NightLevel);
    connect(app.settings, &SettingsModel::selectorControlsChanged, this, [this] { showLightingControl(); });

    // The automatic-mode switch (in the core) shows its times and modes here; the window, when
    // open, sends the configuration after each switch.
    connect(app.workflow, &ControllerWorkflow::switchTimesShown, this, &AutoControlsWindow::showSwitchTimes);
    connect(app.workflow, &ControllerWorkflow::groupModeShown, this, [this](bool brightness, bool bySchedule) {
        if (bySchedule)
            scheduleButton->setEnabled(true);
        setGroupMode(brightness, bySchedule);
    });
    connect(app.workflow, &ControllerWorkflow::modeSwitched, this, [this] { sendIfShown(); });
    connect(brightnessModeGroup, &RadioGroup::clicked, this, [this] { onBrightnessModeChanged(); });
    connect(lightingModeGroup, &RadioGroup::clicked, this, [this] { onLightingModeChanged(); });
    connect(morningCorrectionSpin, &QSpinBox::valueChanged, this, [this] { onBrightnessModeChanged(); });
    connect(eveningCorrectionSpin, &QSpinBox::valueChanged, this, [this] { onBrightnessModeChanged(); });
    connect(offCorrectionSpin, &QSpinBox::valueChanged, this, [this] { onLightingModeChanged(); });
    connect(onCorrectionSpin, &QSpinBox::valueChanged, this, [this] { onLightingModeChanged(); });
    connect(morningTimePicker, &TimePicker::operatorChanged, this, [this] { onTimePicked(1); });
    connect(eveningTimePicker, &TimePicker::operatorChanged, this, [this] { onTimePicked(2); });
    connect(offTimePicker, &TimePicker::operatorChanged, this, [this] { onTimePicked(3); });
    connect(onTimePicker, &TimePicker::operatorChanged, this, [this] { onTimePicked(4); });
    connect(dayLevelBox, &QComboBox::activated, this, [this] { onDayLevelChanged(); });
    connect(nightLevelBox, &QComboBox::activated, this, [this] { onNightLevelChanged(); });
    connect(scheduleButton, &QPushButton::clicked, this, [this] { onScheduleClicked(); });
    connect(closeButton, &QPushButton::clicked, this, [this] { onCloseClicked(); });
}

void AutoControlsWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        onShown();
}
