// The Auto Controls window: mode switches with the schedule lookup, the stored time texts,
// sending the configuration while the window is open, placement and layout.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTime>

#include "app/App.h"
#include "app/BigTablo.h"
#include "dialogs/Auto_Controls.h"
#include "core/files/ScheduleFile.h"
#include "dialogs/Settings.h"

namespace {

QTime timeOfText(const QString &text)
{
    for (const char *format : {"HH:mm:ss", "H:mm:ss", "HH:mm", "H:mm"}) {
        const QTime t = QTime::fromString(text.trimmed(), QLatin1String(format));
        if (t.isValid())
            return t;
    }
    return QTime();
}

QTime timeOfMinutes(int minutes) { return QTime(minutes / 60, minutes % 60, 0); }

} // namespace

void TForm13::FormShow() { move(app.Form1->width() + 20, app.Form1->y()); }

void TForm13::TntRadioGroup2Click() { Mode_Switch(true); }
void TForm13::TntRadioGroup1Click() { Mode_Switch(false); }

bool TForm13::Mode_Switch(bool brightness)
{
    RadioGroup *mode = brightness ? TntRadioGroup2 : TntRadioGroup1;
    TimePicker *first = brightness ? DateTimePicker1 : DateTimePicker3;
    TimePicker *second = brightness ? DateTimePicker2 : DateTimePicker4;
    QSpinBox *firstCorrection = brightness ? SpinEdit8 : SpinEdit6;
    QSpinBox *secondCorrection = brightness ? SpinEdit9 : SpinEdit7;

    if (mode->itemIndex() == 1) {
        Button3->setEnabled(true);
        const QString path = app.schedulePath();
        const ScheduleLookup r = lookupSchedule(path, QFileInfo(path).absoluteFilePath(), app.today(),
                                                firstCorrection->value(), secondCorrection->value());
        if (r.status == ScheduleLookup::Failed) {
            // The lookup ends the operation: nothing changes and nothing is sent.
            ++Lookup_Errors;
            if (!app.Lookup_Failure_Reported)
                app.showError(r.message);
            app.Lookup_Failure_Reported = app.Lookup_Operation_Depth > 0;
            return false;
        }
        if (r.status == ScheduleLookup::Found) {
            first->setTimeFromProgram(timeOfMinutes(r.first));
            second->setTimeFromProgram(timeOfMinutes(r.second));
        }
        Set_Group_Mode(brightness, true);
    } else {
        const QString &firstText = brightness ? app.Morning_Time : app.OFF_Time;
        const QString &secondText = brightness ? app.Evening_Time : app.ON_Time;
        // A stored text that is no time leaves the picker as it is.
        const QTime t1 = timeOfText(firstText), t2 = timeOfText(secondText);
        if (t1.isValid())
            first->setTimeFromProgram(t1);
        if (t2.isValid())
            second->setTimeFromProgram(t2);
        Set_Group_Mode(brightness, false);
    }
    Send();
    return true;
}

void TForm13::Set_Group_Mode(bool brightness, bool bySchedule)
{
    QWidget *const pickers[2] = {brightness ? DateTimePicker1 : DateTimePicker3,
                                 brightness ? DateTimePicker2 : DateTimePicker4};
    QWidget *const corrections[4] = {brightness ? SpinEdit8 : SpinEdit6, brightness ? SpinEdit9 : SpinEdit7,
                                     brightness ? Label8 : Label10, brightness ? Label9 : Label11};
    for (QWidget *w : pickers)
        w->setEnabled(!bySchedule);
    for (QWidget *w : corrections)
        w->setEnabled(bySchedule);
}

void TForm13::DateTimePickerChange(int n)
{
    TimePicker *const pickers[4] = {DateTimePicker1, DateTimePicker2, DateTimePicker3, DateTimePicker4};
    QString *const texts[4] = {&app.Morning_Time, &app.Evening_Time, &app.OFF_Time, &app.ON_Time};
    if (n < 1 || n > 4)
        return;
    QString text = pickers[n - 1]->time().toString(QStringLiteral("hh:mm:ss"));
    if (text.size() < 8)
        text.prepend(QLatin1Char('0'));
    *texts[n - 1] = text;
    Send();
}

void TForm13::ComboBox2Change() { Send(); }
void TForm13::ComboBox4Change() { Send(); }

void TForm13::Button3Click()
{
    if (QFile::exists(app.schedulePath()))
        app.startEditor(app.Program_Dir + QStringLiteral("Shedule.shd"));
}

void TForm13::Btn_Close_Click() { hide(); }

void TForm13::Send()
{
    // Changes made while the window is closed (loading, reading back) are not sent.
    if (isVisible())
        app.Form2->Send_Settings();
}

void TForm13::Arrange()
{
    // The buttons stand 5 pixels below the lowest visible group box.
    QWidget *above = GroupBox2->isHidden() ? GroupBox1 : GroupBox2;
    const int top = above->y() + above->height() + 5;
    const int buttonHeight = 28;
    Button3->setGeometry(8, top, 200, buttonHeight);
    Btn_Close_->setGeometry(width() - 8 - 100, top, 100, buttonHeight);
    setFixedHeight(top + buttonHeight + StatusBar1->height() + 42);
    StatusBar1->setGeometry(0, height() - StatusBar1->height(), width(), StatusBar1->height());
}
