#pragma once
// The Auto Controls window: times, corrections, day and night brightness and the automatic
// modes with which the board's controller switches brightness and lighting by itself.
#include <QDialog>

#include "ui/Controls.h"

class App;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class TForm13 : public QDialog {
    Q_OBJECT
public:
    explicit TForm13(App &app);
    App &app;

    QGroupBox *GroupBox1;           // brightness
    TimePicker *DateTimePicker1, *DateTimePicker2;
    QLabel *Label1, *Label2;        // "დილის დრო", "საღამოს დრო"
    QSpinBox *SpinEdit8, *SpinEdit9;
    QLabel *Label8, *Label9;        // "დროის წანაცვლება"
    QComboBox *ComboBox2, *ComboBox4;
    QLabel *Label5, *Label6;        // "დღის სიკაშკაშე", "ღამის სიკაშკაშე"
    RadioGroup *TntRadioGroup2;     // brightness automatic mode

    QGroupBox *GroupBox2;           // lighting
    TimePicker *DateTimePicker3, *DateTimePicker4;
    QLabel *Label3, *Label4;        // "გამორთვის დრო", "ჩართვის დრო"
    QSpinBox *SpinEdit6, *SpinEdit7;
    QLabel *Label10, *Label11;      // "დროის წანაცვლება"
    RadioGroup *TntRadioGroup1;     // lighting automatic mode

    QPushButton *Button3;           // "გრაფიკის დათვალიერება"
    QPushButton *Btn_Close_;        // "Close"
    StatusBar *StatusBar1;

    // Handlers
    void FormShow();
    void TntRadioGroup2Click();     // brightness mode switch
    void TntRadioGroup1Click();     // lighting mode switch
    // The mode switch of one group. False when the schedule lookup failed (already reported):
    // the operation that ran it ends there.
    bool Mode_Switch(bool brightness);
    int Lookup_Errors = 0;          // failed schedule lookups so far (callers compare counts)
    void DateTimePickerChange(int n);   // 1..4
    void ComboBox2Change();
    void ComboBox4Change();
    void Button3Click();
    void Btn_Close_Click();
    void Send();                    // sends the configuration while the window is visible
    void Arrange();                 // layout by lighting control
    // Sets the enabled state of a group's pickers, corrections and labels (no lookup).
    void Set_Group_Mode(bool brightness, bool bySchedule);

protected:
    void showEvent(QShowEvent *e) override;
};
