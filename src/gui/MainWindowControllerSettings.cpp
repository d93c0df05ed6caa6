// The section "Controller" of the settings file: the controller configuration as last sent.
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/files/IniFile.h"

namespace {
const QByteArray C = "Controller";
}

void MainWindow::saveControllerSettings()
{
    if (app.Loading_Settings)
        return;
    SettingsDialog *f2 = app.Form2;
    AutoControlsWindow *f13 = app.Form13;
    // The section is never erased: other keys in it stay.
    IniFile::Batch b{IniFile(app.settingsPath())};
    b.writeString(C, "Morning_Time", app.Morning_Time.toLatin1());
    b.writeString(C, "Evening_Time", app.Evening_Time.toLatin1());
    b.writeString(C, "OFF_Time", app.OFF_Time.toLatin1());
    b.writeString(C, "ON_Time", app.ON_Time.toLatin1());
    b.writeInteger(C, "Enable_Events", f2->eventsGroup->itemIndex());
    b.writeInteger(C, "Timer_Used", f2->timerUsedGroup->itemIndex());
    b.writeInteger(C, "Temperature_Used", f2->temperatureSensorGroup->itemIndex());
    b.writeInteger(C, "Back_light_Mode", lightingGroup->itemIndex());
    b.writeInteger(C, "Brightness_Mode", brightnessGroup->itemIndex());
    b.writeInteger(C, "Morning_Time_Correction", f13->morningCorrectionSpin->value());
    b.writeInteger(C, "Evening_Time_Correction", f13->eveningCorrectionSpin->value());
    b.writeInteger(C, "OFF_Time_Correction", f13->offCorrectionSpin->value());
    b.writeInteger(C, "ON_Time_Correction", f13->onCorrectionSpin->value());
    b.writeInteger(C, "Morning_Brightness", f13->dayLevelBox->currentIndex());
    b.writeInteger(C, "Evening_Brightness", f13->nightLevelBox->currentIndex());
    b.writeInteger(C, "Shedule_Backlight", f13->lightingModeGroup->itemIndex());
    b.writeInteger(C, "Shedule_Brightness", f13->brightnessModeGroup->itemIndex());
    b.writeInteger(C, "Inverse", f2->inverseSignalsGroup->itemIndex());
    b.writeInteger(C, "Flash", f2->flashGroup->itemIndex());
    b.writeInteger(C, "Time_Temp_Dispalay", f2->clockSectionGroup->itemIndex());
    b.writeInteger(C, "Modem_Used", f2->controlledByGroup->itemIndex());
    QString error;
    if (!b.commit(&error))
        app.showError(error);
}

void MainWindow::loadControllerSettings()
{
    SettingsDialog *f2 = app.Form2;
    AutoControlsWindow *f13 = app.Form13;
    const LookupOperation operation(app);
    app.Loading_Settings = true;
    // Cleared on every way out, also when a schedule lookup ends the load early.
    struct Done {
        App &app;
        ~Done() { app.Loading_Settings = false; }
    } done{app};
    const int errors = f13->lookupErrors;
    const auto failed = [&] { return f13->lookupErrors != errors; };

    const IniFile ini(app.settingsPath());
    for (RadioGroup *g : {lightingGroup, f13->brightnessModeGroup, f2->flashGroup, brightnessGroup, f13->lightingModeGroup,
                          f2->inverseSignalsGroup, f2->eventsGroup, f2->timerUsedGroup, f2->temperatureSensorGroup, f2->clockSectionGroup,
                          f2->controlledByGroup})
        g->setItemIndex(-1);

    app.Morning_Time = QString::fromLatin1(ini.readString(C, "Morning_Time", "00:00:00"));
    app.Evening_Time = QString::fromLatin1(ini.readString(C, "Evening_Time", "00:01:00"));
    app.OFF_Time = QString::fromLatin1(ini.readString(C, "OFF_Time", "00:00:00"));
    app.ON_Time = QString::fromLatin1(ini.readString(C, "ON_Time", "00:01:00"));

    // Each correction runs its group's mode switch; the spins clamp to their range.
    f13->morningCorrectionSpin->setValue(ini.readInteger(C, "Morning_Time_Correction", 0));
    if (failed())
        return;
    f13->eveningCorrectionSpin->setValue(ini.readInteger(C, "Evening_Time_Correction", 0));
    if (failed())
        return;
    f13->offCorrectionSpin->setValue(ini.readInteger(C, "OFF_Time_Correction", 0));
    if (failed())
        return;
    f13->onCorrectionSpin->setValue(ini.readInteger(C, "ON_Time_Correction", 0));
    if (failed())
        return;
    const auto level = [](int v) { return v >= 0 && v <= 4 ? v : -1; };
    f13->dayLevelBox->setCurrentIndex(level(ini.readInteger(C, "Morning_Brightness", 0)));
    f13->nightLevelBox->setCurrentIndex(level(ini.readInteger(C, "Evening_Brightness", 0)));

    if (!f13->switchMode(false) || !f13->switchMode(true))
        return;

    f2->timerUsedGroup->setEnabled(true);
    f2->onTimerUsedChanged();
    if (failed())
        return;
    f2->timeQueryButton->setEnabled(true);
    f2->pcButton->setEnabled(true);
    f2->modemButton->setEnabled(true);
}
