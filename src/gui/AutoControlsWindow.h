#pragma once
// The automatic controls window ("Auto Controls"): times, corrections, day and night brightness and the automatic
// modes with which the board's controller switches brightness and lighting by itself.
#include <QDialog>

#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/StatusBar.h"
#include "gui/widgets/TimePicker.h"

class App;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

class AutoControlsWindow : public QDialog {
    Q_OBJECT
public:
    // Panel 0 of the status bar: the command going out, or why nothing goes out.
    void showStatus(const QString &text) { statusBar->setPanelText(0, text); }
    explicit AutoControlsWindow(App &app);
    App &app;

    QGroupBox *brightnessBox;
    TimePicker *morningTimePicker, *eveningTimePicker;
    QLabel *morningTimeLabel, *eveningTimeLabel;   // "დილის დრო", "საღამოს დრო"
    QSpinBox *morningCorrectionSpin, *eveningCorrectionSpin;
    QLabel *morningCorrectionLabel, *eveningCorrectionLabel;   // "დროის წანაცვლება"
    QComboBox *dayLevelBox, *nightLevelBox;
    QLabel *dayLevelLabel, *nightLevelLabel;   // "დღის სიკაშკაშე", "ღამის სიკაშკაშე"
    RadioGroup *brightnessModeGroup;           // brightness automatic mode

    QGroupBox *lightingBox;
    TimePicker *offTimePicker, *onTimePicker;
    QLabel *offTimeLabel, *onTimeLabel;   // "გამორთვის დრო", "ჩართვის დრო"
    QSpinBox *offCorrectionSpin, *onCorrectionSpin;
    QLabel *offCorrectionLabel, *onCorrectionLabel;   // "დროის წანაცვლება"
    RadioGroup *lightingModeGroup;                    // lighting automatic mode

    QPushButton *scheduleButton;   // "გრაფიკის დათვალიერება"
    QPushButton *closeButton;      // "Close"
    StatusBar *statusBar;

    // Handlers
    void onShown();
    void onBrightnessModeChanged();   // brightness mode switch
    void onLightingModeChanged();     // lighting mode switch
    // A group's switch times as the automatic-mode switch shows them (an invalid time: unchanged).
    void showSwitchTimes(bool brightness, const QTime &first, const QTime &second);
    void onTimePicked(int n);   // 1..4
    void onDayLevelChanged();
    void onNightLevelChanged();
    void onScheduleClicked();
    void onCloseClicked();
    void sendIfShown();   // sends the configuration while the window is visible
    void arrange();       // layout by lighting control
    void showLightingControl();   // the lighting group is shown when the lighting control is offered
    // With the automatic modes offered, the groups follow their modes; without them, every time
    // and correction can be set and both modes are "by time".
    void offerAutomaticModes(bool available);
    // Sets the enabled state of a group's pickers, corrections and labels (no lookup).
    void setGroupMode(bool brightness, bool bySchedule);

signals:
    void opening();   // showing begins: the window stands beside the main window

protected:
    void showEvent(QShowEvent *e) override;
};
