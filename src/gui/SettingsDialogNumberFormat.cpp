// The Settings dialog's number format: the digit count and the fill character. The figures
// follow them in the main window.
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::onDigitsChanged() { app.settings->setDigits(digitsSpin->value()); }

void SettingsDialog::onFillCharChanged() { app.settings->setFillMode(fillCharGroup->itemIndex()); }
