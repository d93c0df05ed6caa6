// The Settings dialog's options for the data file: automatic loading, its interval, sending
// when the file changed, and resuming the automatic load poll when the dialog closes.
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/DataFileMissingDialog.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::onAutoLoadToggled()
{
    if (autoLoadBox->isChecked()) {
        sendIfChangedBox->show();
        autoLoadIntervalSpin->setEnabled(true);
        secondsLabel->setEnabled(true);
        if (!QFile::exists(app.Data_File)) {
            app.beep();
            app.execModal(app.Form5);
        }
    } else {
        sendIfChangedBox->hide();
        sendIfChangedBox->setChecked(false);
        autoLoadIntervalSpin->setEnabled(false);
        secondsLabel->setEnabled(false);
    }
    app.Form1->saveSettings();
}

void SettingsDialog::onSendIfChangedToggled()
{
    app.Send_If_Changed = sendIfChangedBox->isChecked();
    app.Form1->saveSettings();
}

void SettingsDialog::onAutoLoadIntervalChanged()
{
    app.Auto_Load_Intvl = autoLoadIntervalSpin->value() * 1000;
    app.Form1->saveSettings();
    if (app.Form1->autoLoadTimer->isActive())
        app.Form1->autoLoadTimer->setInterval(app.Auto_Load_Intvl);
}

void SettingsDialog::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    // Leaving the dialog resumes automatic loading as set, rather than waiting for the next
    // exchange with the board.
    if (!e->spontaneous() && app.Form1 && !app.Closing)
        app.Form1->applyAutoLoadInterval();
}
