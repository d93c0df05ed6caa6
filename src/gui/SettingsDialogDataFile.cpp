// The Settings dialog's options for the data file: automatic loading, its interval, sending
// when the file changed, and resuming the automatic load poll when the dialog closes.
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QLabel>
#include <QSpinBox>

#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/SettingsDialog.h"

void SettingsDialog::onAutoLoadToggled()
{
    app.settings->setAutoLoad(autoLoadBox->isChecked());
    if (autoLoadBox->isChecked()) {
        sendIfChangedBox->show();
        autoLoadIntervalSpin->setEnabled(true);
        secondsLabel->setEnabled(true);
        if (!QFile::exists(app.dataFilePath)) {
            app.beep();
            emit noticeRequested(App::Notice::DataFileMissing);
        }
    } else {
        sendIfChangedBox->hide();
        sendIfChangedBox->setChecked(false);
        autoLoadIntervalSpin->setEnabled(false);
        secondsLabel->setEnabled(false);
    }
    app.saveProgramSettings();
}

void SettingsDialog::onSendIfChangedToggled()
{
    app.settings->setSendIfChanged(sendIfChangedBox->isChecked());
    app.saveProgramSettings();
}

void SettingsDialog::onAutoLoadIntervalChanged()
{
    app.settings->setAutoLoadInterval(autoLoadIntervalSpin->value() * 1000);
    app.saveProgramSettings();
}

void SettingsDialog::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    if (!e->spontaneous() && !app.closing)
        emit closed();
}
