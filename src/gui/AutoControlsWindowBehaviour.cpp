// The automatic controls window: mode switches with the schedule lookup, the stored time texts,
// sending the configuration while the window is open, placement and layout.
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QTime>

#include "core/operations/ControllerWorkflow.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/AutoControlsWindow.h"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/TimePicker.h"

void AutoControlsWindow::onShown() { emit opening(); }

void AutoControlsWindow::onBrightnessModeChanged() { app.workflow->switchAutomaticMode(true); }
void AutoControlsWindow::onLightingModeChanged() { app.workflow->switchAutomaticMode(false); }

void AutoControlsWindow::showSwitchTimes(bool brightness, const QTime &first, const QTime &second)
{
    if (first.isValid())
        (brightness ? morningTimePicker : offTimePicker)->setTimeFromProgram(first);
    if (second.isValid())
        (brightness ? eveningTimePicker : onTimePicker)->setTimeFromProgram(second);
}

void AutoControlsWindow::setGroupMode(bool brightness, bool bySchedule)
{
    QWidget *const pickers[2] = {brightness ? morningTimePicker : offTimePicker,
                                 brightness ? eveningTimePicker : onTimePicker};
    QWidget *const corrections[4] = {brightness ? morningCorrectionSpin : offCorrectionSpin,
                                     brightness ? eveningCorrectionSpin : onCorrectionSpin,
                                     brightness ? morningCorrectionLabel : offCorrectionLabel,
                                     brightness ? eveningCorrectionLabel : onCorrectionLabel};
    for (QWidget *w : pickers)
        w->setEnabled(!bySchedule);
    for (QWidget *w : corrections)
        w->setEnabled(bySchedule);
}

void AutoControlsWindow::onTimePicked(int n)
{
    TimePicker *const pickers[4] = {morningTimePicker, eveningTimePicker, offTimePicker, onTimePicker};
    const SwitchTime times[4] = {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On};
    if (n < 1 || n > 4)
        return;
    QString text = pickers[n - 1]->time().toString(QStringLiteral("hh:mm:ss"));
    if (text.size() < 8)
        text.prepend(QLatin1Char('0'));
    app.settings->chooseSwitchTime(times[n - 1], text);
    sendIfShown();
}

void AutoControlsWindow::onDayLevelChanged() { sendIfShown(); }
void AutoControlsWindow::onNightLevelChanged() { sendIfShown(); }

void AutoControlsWindow::onScheduleClicked()
{
    if (QFile::exists(app.schedulePath()))
        app.startEditor(QFileInfo(app.schedulePath()).absoluteFilePath());   // the file the lookup reads
}

void AutoControlsWindow::onCloseClicked() { hide(); }

void AutoControlsWindow::sendIfShown()
{
    // Changes made while the window is closed (loading, reading back) are not sent.
    if (isVisible())
        app.workflow->sendControllerSettings();
}

void AutoControlsWindow::arrange()
{
    // The buttons stand 5 pixels below the lowest visible group box.
    QWidget *above = lightingBox->isHidden() ? brightnessBox : lightingBox;
    const int top = above->y() + above->height() + 5;
    const int buttonHeight = 28;
    scheduleButton->setGeometry(8, top, 200, buttonHeight);
    closeButton->setGeometry(width() - 8 - 100, top, 100, buttonHeight);
    setFixedHeight(top + buttonHeight + statusBar->height() + 42);
    statusBar->setGeometry(0, height() - statusBar->height(), width(), statusBar->height());
}

void AutoControlsWindow::showLightingControl()
{
    lightingBox->setVisible(app.settings->program().lightingControl);
    arrange();
}

void AutoControlsWindow::offerAutomaticModes(bool available)
{
    if (available) {
        setGroupMode(true, brightnessModeGroup->itemIndex() == 1);
        setGroupMode(false, lightingModeGroup->itemIndex() == 1);
        brightnessModeGroup->setEnabled(true);
        lightingModeGroup->setEnabled(true);
        return;
    }
    for (QWidget *w : {static_cast<QWidget *>(morningTimePicker), static_cast<QWidget *>(eveningTimePicker),
                       static_cast<QWidget *>(offTimePicker), static_cast<QWidget *>(onTimePicker),
                       static_cast<QWidget *>(offCorrectionSpin), static_cast<QWidget *>(onCorrectionSpin),
                       static_cast<QWidget *>(morningCorrectionSpin), static_cast<QWidget *>(eveningCorrectionSpin),
                       static_cast<QWidget *>(morningCorrectionLabel), static_cast<QWidget *>(eveningCorrectionLabel),
                       static_cast<QWidget *>(offCorrectionLabel), static_cast<QWidget *>(onCorrectionLabel)})
        w->setEnabled(true);
    brightnessModeGroup->setEnabled(false);
    lightingModeGroup->setEnabled(false);
    // A mode that changes runs its switch (by time: no lookup).
    brightnessModeGroup->setItemIndex(0);
    lightingModeGroup->setItemIndex(0);
}
