// The Settings dialog's options for the data file: automatic loading, its interval, sending
// when the file changed, and resuming the automatic load poll when the dialog closes.
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::onAutoLoadToggled()
{
    if (autoLoadBox->isChecked()) {
        sendIfChangedBox->show();
        autoLoadIntervalSpin->setEnabled(true);
        secondsLabel->setEnabled(true);
        if (!QFile::exists(app.dataFilePath)) {
            app.beep();
            app.execModal(app.dataFileMissingDialog);
        }
    } else {
        sendIfChangedBox->hide();
        sendIfChangedBox->setChecked(false);
        autoLoadIntervalSpin->setEnabled(false);
        secondsLabel->setEnabled(false);
    }
    app.mainWindow->saveSettings();
}

void SettingsDialog::onSendIfChangedToggled()
{
    app.sendIfChanged = sendIfChangedBox->isChecked();
    app.mainWindow->saveSettings();
}

void SettingsDialog::onAutoLoadIntervalChanged()
{
    app.autoLoadIntervalMs = autoLoadIntervalSpin->value() * 1000;
    app.mainWindow->saveSettings();
    if (app.mainWindow->autoLoadTimer->isActive())
        app.mainWindow->autoLoadTimer->setInterval(app.autoLoadIntervalMs);
}

void SettingsDialog::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    // Leaving the dialog resumes automatic loading as set, rather than waiting for the next
    // exchange with the board.
    if (!e->spontaneous() && app.mainWindow && !app.closing)
        app.mainWindow->applyAutoLoadInterval();
}
