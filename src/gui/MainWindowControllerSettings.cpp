// The section "Controller" of the settings file: the controller configuration as last sent.
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/files/IniFile.h"
#include "gui/widgets/RadioGroup.h"

namespace {
const QByteArray C = "Controller";
}

void MainWindow::saveControllerSettings()
{
    if (app.loadingSettings)
        return;
    SettingsDialog *settings = app.settingsDialog;
    AutoControlsWindow *autoControls = app.autoControlsWindow;
    // The section is never erased: other keys in it stay.
    IniFile::Batch b{IniFile(app.settingsPath())};
    b.writeString(C, "Morning_Time", app.morningTime.toLatin1());
    b.writeString(C, "Evening_Time", app.eveningTime.toLatin1());
    b.writeString(C, "OFF_Time", app.offTime.toLatin1());
    b.writeString(C, "ON_Time", app.onTime.toLatin1());
    b.writeInteger(C, "Enable_Events", settings->eventsGroup->itemIndex());
    b.writeInteger(C, "Timer_Used", settings->timerUsedGroup->itemIndex());
    b.writeInteger(C, "Temperature_Used", settings->temperatureSensorGroup->itemIndex());
    b.writeInteger(C, "Back_light_Mode", lightingGroup->itemIndex());
    b.writeInteger(C, "Brightness_Mode", brightnessGroup->itemIndex());
    b.writeInteger(C, "Morning_Time_Correction", autoControls->morningCorrectionSpin->value());
    b.writeInteger(C, "Evening_Time_Correction", autoControls->eveningCorrectionSpin->value());
    b.writeInteger(C, "OFF_Time_Correction", autoControls->offCorrectionSpin->value());
    b.writeInteger(C, "ON_Time_Correction", autoControls->onCorrectionSpin->value());
    b.writeInteger(C, "Morning_Brightness", autoControls->dayLevelBox->currentIndex());
    b.writeInteger(C, "Evening_Brightness", autoControls->nightLevelBox->currentIndex());
    b.writeInteger(C, "Shedule_Backlight", autoControls->lightingModeGroup->itemIndex());
    b.writeInteger(C, "Shedule_Brightness", autoControls->brightnessModeGroup->itemIndex());
    b.writeInteger(C, "Inverse", settings->inverseSignalsGroup->itemIndex());
    b.writeInteger(C, "Flash", settings->flashGroup->itemIndex());
    b.writeInteger(C, "Time_Temp_Dispalay", settings->clockSectionGroup->itemIndex());
    b.writeInteger(C, "Modem_Used", settings->controlledByGroup->itemIndex());
    QString error;
    if (!b.commit(&error))
        app.showError(error);
}

void MainWindow::loadControllerSettings()
{
    SettingsDialog *settings = app.settingsDialog;
    AutoControlsWindow *autoControls = app.autoControlsWindow;
    const LookupOperation operation(app);
    app.loadingSettings = true;
    // Cleared on every way out, also when a schedule lookup ends the load early.
    struct Done {
        App &app;
        ~Done() { app.loadingSettings = false; }
    } done{app};
    const int errors = autoControls->lookupErrors;
    const auto failed = [&] { return autoControls->lookupErrors != errors; };

    const IniFile ini(app.settingsPath());
    for (RadioGroup *g : {lightingGroup, autoControls->brightnessModeGroup, settings->flashGroup, brightnessGroup,
                          autoControls->lightingModeGroup, settings->inverseSignalsGroup, settings->eventsGroup,
                          settings->timerUsedGroup, settings->temperatureSensorGroup, settings->clockSectionGroup,
                          settings->controlledByGroup})
        g->setItemIndex(-1);

    app.morningTime = QString::fromLatin1(ini.readString(C, "Morning_Time", "00:00:00"));
    app.eveningTime = QString::fromLatin1(ini.readString(C, "Evening_Time", "00:01:00"));
    app.offTime = QString::fromLatin1(ini.readString(C, "OFF_Time", "00:00:00"));
    app.onTime = QString::fromLatin1(ini.readString(C, "ON_Time", "00:01:00"));

    // Each correction runs its group's mode switch; the spins clamp to their range.
    autoControls->morningCorrectionSpin->setValue(ini.readInteger(C, "Morning_Time_Correction", 0));
    if (failed())
        return;
    autoControls->eveningCorrectionSpin->setValue(ini.readInteger(C, "Evening_Time_Correction", 0));
    if (failed())
        return;
    autoControls->offCorrectionSpin->setValue(ini.readInteger(C, "OFF_Time_Correction", 0));
    if (failed())
        return;
    autoControls->onCorrectionSpin->setValue(ini.readInteger(C, "ON_Time_Correction", 0));
    if (failed())
        return;
    const auto level = [](int v) { return v >= 0 && v <= 4 ? v : -1; };
    autoControls->dayLevelBox->setCurrentIndex(level(ini.readInteger(C, "Morning_Brightness", 0)));
    autoControls->nightLevelBox->setCurrentIndex(level(ini.readInteger(C, "Evening_Brightness", 0)));

    if (!autoControls->switchMode(false) || !autoControls->switchMode(true))
        return;

    settings->timerUsedGroup->setEnabled(true);
    settings->onTimerUsedChanged();
    if (failed())
        return;
    settings->timeQueryButton->setEnabled(true);
    settings->pcButton->setEnabled(true);
    settings->modemButton->setEnabled(true);
}
