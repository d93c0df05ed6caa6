// The Settings dialog's behaviour: showing it, "Defaults", "Close", the timer and control
// mode, one-way connection, lighting and brightness control, the protocol panel, the
// exchange's attempts and time-out, the main window's button layout and the controller group.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "gui/MainWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/text/Numbers.h"

void SettingsDialog::onShown()
{
    MainWindow *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;
    move(f1->width() + 20, f1->y());
    f1->autoLoadTimer->stop();
    if (!QFile::exists(app.Data_File))
        f1->createDataFile();

    autoLoadIntervalSpin->setValue(roundHalfEven(app.Auto_Load_Intvl / 1000.0));
    sendIfChangedBox->setChecked(app.Send_If_Changed);
    autoLoadIntervalSpin->setEnabled(autoLoadBox->isChecked());
    secondsLabel->setEnabled(autoLoadBox->isChecked());

    attemptsSpin->setValue(app.Attempts);
    timeoutSpin->setValue(roundHalfEven(app.Timeout_Ms / 100.0));

    app.Form12->productPanel->setVisible(app.Form12->boardType() != 0);
    f13->scheduleButton->setEnabled(QFile::exists(app.schedulePath()));

    // A failed schedule lookup ends the showing here (already reported).
    if (!f13->switchMode(true) || !f13->switchMode(false))
        return;
    refreshPortList();
}

void SettingsDialog::onDefaultsClicked()
{
    attemptsSpin->setValue(1);
    timeoutSpin->setValue(4);
    autoLoadIntervalSpin->setValue(5);
    autoLoadBox->setChecked(false);
    autoLoadIntervalSpin->setEnabled(false);
    secondsLabel->setEnabled(false);
    sendIfChangedBox->setChecked(false);
    oneWayLinkBox->setChecked(false);
    checksumsBox->setChecked(true);
    app.Form1->saveSettings();
}

void SettingsDialog::onCloseClicked()
{
    app.Auto_Load_Intvl = autoLoadIntervalSpin->value() * 1000;
    app.Send_If_Changed = sendIfChangedBox->isChecked();
    app.Timeout_Ms = timeoutSpin->value() * 100;
    app.Attempts = attemptsSpin->value();
    for (int k = 1; k <= 10; ++k)
        app.Form1->productNameLabels[k]->setText(app.Form12->productNameEdits[k]->text());
    hide();
    app.Form1->saveSettings();
}

void SettingsDialog::onTimerUsedChanged()
{
    MainWindow *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;
    // Automatic modes are available with the timer in use or when not controlled by the PC
    // (no selection counts as not the PC).
    const bool timerYes = timerUsedGroup->itemIndex() == 1;
    const bool available = timerYes || controlledByGroup->itemIndex() != 0;

    const int brightness = f1->brightnessGroup->itemIndex();
    const int lighting = f1->lightingGroup->itemIndex();
    const bool wasLoading = app.Loading_Settings;
    app.Loading_Settings = true;   // no command while the selectors are rebuilt

    f1->clockButton->setVisible(timerYes);
    const QString min = f1->minLabel->text(), autoText = f1->autoLabel->text();
    const QString off = f1->offLabel->text(), on = f1->onLabel->text();
    const QStringList levels{min, QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                             QStringLiteral("100%")};
    if (available) {
        timeQueryButton->setEnabled(true);
        f1->brightnessGroup->setItems(levels + QStringList{autoText}, 6);
        f1->lightingGroup->setItems({off, on, autoText}, 3);
        f13->setGroupMode(true, f13->brightnessModeGroup->itemIndex() == 1);
        f13->setGroupMode(false, f13->lightingModeGroup->itemIndex() == 1);
        f13->brightnessModeGroup->setEnabled(true);
        f13->lightingModeGroup->setEnabled(true);
    } else {
        timeQueryButton->setEnabled(false);
        f1->brightnessGroup->setItems(levels, 5);
        f1->lightingGroup->setItems({off, on}, 2);
        for (QWidget *w : {static_cast<QWidget *>(f13->morningTimePicker), static_cast<QWidget *>(f13->eveningTimePicker),
                           static_cast<QWidget *>(f13->offTimePicker), static_cast<QWidget *>(f13->onTimePicker),
                           static_cast<QWidget *>(f13->offCorrectionSpin), static_cast<QWidget *>(f13->onCorrectionSpin),
                           static_cast<QWidget *>(f13->morningCorrectionSpin), static_cast<QWidget *>(f13->eveningCorrectionSpin),
                           static_cast<QWidget *>(f13->morningCorrectionLabel), static_cast<QWidget *>(f13->eveningCorrectionLabel),
                           static_cast<QWidget *>(f13->offCorrectionLabel), static_cast<QWidget *>(f13->onCorrectionLabel)})
            w->setEnabled(true);
        f13->brightnessModeGroup->setEnabled(false);
        f13->lightingModeGroup->setEnabled(false);
        // A selector that changes runs its mode switch (by time: no lookup).
        f13->brightnessModeGroup->setItemIndex(0);
        f13->lightingModeGroup->setItemIndex(0);
    }
    // A remembered item that the rebuilt list no longer has becomes no selection.
    f1->brightnessGroup->setItemIndex(brightness < f1->brightnessGroup->count() ? brightness : -1);
    f1->lightingGroup->setItemIndex(lighting < f1->lightingGroup->count() ? lighting : -1);

    app.Loading_Settings = wasLoading;
    arrangeMainButtons();
    sendControllerSettings();
}

void SettingsDialog::onControlledByChanged()
{
    if (!app.Settings_Send_Busy && controlledByGroup->itemIndex() == 1) {
        pcButton->setEnabled(true);
        modemButton->setEnabled(true);
    }
    if (app.Loading_Settings || app.Read_Busy || app.Settings_Send_Busy || controlledByGroup->itemIndex() < 0)
        return;
    onTimerUsedChanged();
}

void SettingsDialog::onTemperatureSensorChanged()
{
    if (temperatureSensorGroup->itemIndex() == 1)
        app.Form1->statusBar->setPanelText(3, QString());
    onControllerParameterChanged();
}

void SettingsDialog::onControllerParameterChanged()
{
    // Values put in by loading or reading back while the dialog is closed are not sent.
    if (isVisible())
        sendControllerSettings();
}

void SettingsDialog::onOneWayLinkToggled()
{
    MainWindow *f1 = app.Form1;
    if (oneWayLinkBox->isChecked()) {
        f1->readButton->setVisible(false);
        eventsGroup->setItemIndex(-1);
        eventsGroup->setEnabled(false);
    } else {
        f1->readButton->setVisible(true);
        eventsGroup->setEnabled(true);
    }
    arrangeMainButtons();
    f1->saveSettings();
}

void SettingsDialog::onLightingControlToggled()
{
    MainWindow *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;
    const bool on = lightingControlBox->isChecked();
    f13->lightingBox->setVisible(on);
    f1->lightingGroup->setVisible(on);
    const int bottom = on ? f1->lightingGroup->y() + f1->lightingGroup->height() + 25 : f1->lightingGroup->y() + 25;
    f1->controlsPanel->resize(f1->controlsPanel->width(), bottom);
    f13->arrange();
    f1->layOut();
    f1->saveSettings();
}

void SettingsDialog::onBrightnessControlToggled()
{
    app.Form1->brightnessGroup->setVisible(brightnessControlBox->isChecked());
    app.Form1->saveSettings();
}

void SettingsDialog::onProtocolPanelToggled()
{
    const bool on = protocolPanelBox->isChecked();
    protocolPanel->resize(protocolPanel->width(), on ? 225 : 0);
    protocolPanel->setVisible(on);
    const int top = protocolPanel->y() + protocolPanel->height() + 5;
    closeButton->move(closeButton->x(), top);
    defaultsButton->move(defaultsButton->x(), top);
    setFixedSize(width(), top + closeButton->height() + statusBar->height() + 40);
    statusBar->setGeometry(0, height() - statusBar->height(), width(), statusBar->height());
}

void SettingsDialog::onAttemptsChanged()
{
    app.Attempts = attemptsSpin->value();
    app.Form1->saveSettings();
}

void SettingsDialog::onTimeoutChanged()
{
    app.Timeout_Ms = timeoutSpin->value() * 100;
    app.Form1->saveSettings();
}

void SettingsDialog::arrangeMainButtons()
{
    MainWindow *f1 = app.Form1;
    const int L = f1->progressBar->x();
    const int W = f1->progressBar->width();
    const bool timer = timerUsedGroup->itemIndex() != 0;   // not "NO", also no selection
    const bool oneWay = oneWayLinkBox->isChecked();
    const auto place = [](QPushButton *b, int x, int w) { b->setGeometry(x, b->y(), w, b->height()); };
    if (timer && !oneWay) {
        const int w = (W - 20) / 3;
        place(f1->writeButton, L, w);
        place(f1->readButton, L + w + 10, w);
        place(f1->clockButton, L + 2 * (w + 10), w);
    } else if (timer) {
        const int w = (W - 20) / 2;
        place(f1->writeButton, L, w);
        place(f1->clockButton, L + w + 20, w);
    } else if (!oneWay) {
        const int w = (W - 20) / 2;
        place(f1->writeButton, L, w);
        place(f1->readButton, L + w + 20, w);
    } else {
        place(f1->writeButton, L, W);
    }
}
