// The Settings dialog's behaviour: showing it, "Defaults", "Close", the timer and control
// mode, one-way connection, lighting and brightness control, the protocol panel, the
// exchange's attempts and time-out, the main window's button layout and the controller group.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/text/Numbers.h"

void SettingsDialog::onShown()
{
    MainWindow *mainWindow = app.mainWindow;
    AutoControlsWindow *autoControls = app.autoControlsWindow;
    move(mainWindow->width() + 20, mainWindow->y());
    mainWindow->autoLoadTimer->stop();
    if (!QFile::exists(app.dataFilePath))
        mainWindow->createDataFile();
    // Where the data file is, for whoever sets up the program that writes it.
    autoFunctionsBox->setToolTip(QDir::toNativeSeparators(QFileInfo(app.dataFilePath).absoluteFilePath()));

    autoLoadIntervalSpin->setValue(roundHalfEven(app.autoLoadIntervalMs / 1000.0));
    sendIfChangedBox->setChecked(app.sendIfChanged);
    autoLoadIntervalSpin->setEnabled(autoLoadBox->isChecked());
    secondsLabel->setEnabled(autoLoadBox->isChecked());

    attemptsSpin->setValue(app.attempts);
    timeoutSpin->setValue(roundHalfEven(app.timeoutMs / 100.0));

    app.boardViewWindow->productPanel->setVisible(app.boardViewWindow->boardType() != 0);
    autoControls->scheduleButton->setEnabled(QFile::exists(app.schedulePath()));

    // A failed schedule lookup ends the showing here (already reported).
    if (!autoControls->switchMode(true) || !autoControls->switchMode(false))
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
    app.mainWindow->saveSettings();
}

void SettingsDialog::onCloseClicked()
{
    app.autoLoadIntervalMs = autoLoadIntervalSpin->value() * 1000;
    app.sendIfChanged = sendIfChangedBox->isChecked();
    app.timeoutMs = timeoutSpin->value() * 100;
    app.attempts = attemptsSpin->value();
    for (int k = 1; k <= 10; ++k)
        app.mainWindow->productNameLabels[k]->setText(app.boardViewWindow->productNameEdits[k]->text());
    hide();
    app.mainWindow->saveSettings();
}

void SettingsDialog::onTimerUsedChanged()
{
    MainWindow *mainWindow = app.mainWindow;
    AutoControlsWindow *autoControls = app.autoControlsWindow;
    // Automatic modes are available with the timer in use or when not controlled by the PC
    // (no selection counts as not the PC).
    const bool timerYes = timerUsedGroup->itemIndex() == 1;
    const bool available = timerYes || controlledByGroup->itemIndex() != 0;

    const int brightness = mainWindow->brightnessGroup->itemIndex();
    const int lighting = mainWindow->lightingGroup->itemIndex();
    const bool wasLoading = app.loadingSettings;
    app.loadingSettings = true;   // no command while the selectors are rebuilt

    mainWindow->clockButton->setVisible(timerYes);
    const QString min = mainWindow->minLabel->text(), autoText = mainWindow->autoLabel->text();
    const QString off = mainWindow->offLabel->text(), on = mainWindow->onLabel->text();
    const QStringList levels{min, QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("75%"),
                             QStringLiteral("100%")};
    if (available) {
        timeQueryButton->setEnabled(true);
        mainWindow->brightnessGroup->setItems(levels + QStringList{autoText}, 6);
        mainWindow->lightingGroup->setItems({off, on, autoText}, 3);
        autoControls->setGroupMode(true, autoControls->brightnessModeGroup->itemIndex() == 1);
        autoControls->setGroupMode(false, autoControls->lightingModeGroup->itemIndex() == 1);
        autoControls->brightnessModeGroup->setEnabled(true);
        autoControls->lightingModeGroup->setEnabled(true);
    } else {
        timeQueryButton->setEnabled(false);
        mainWindow->brightnessGroup->setItems(levels, 5);
        mainWindow->lightingGroup->setItems({off, on}, 2);
        for (QWidget *w :
             {static_cast<QWidget *>(autoControls->morningTimePicker),
              static_cast<QWidget *>(autoControls->eveningTimePicker),
              static_cast<QWidget *>(autoControls->offTimePicker), static_cast<QWidget *>(autoControls->onTimePicker),
              static_cast<QWidget *>(autoControls->offCorrectionSpin),
              static_cast<QWidget *>(autoControls->onCorrectionSpin),
              static_cast<QWidget *>(autoControls->morningCorrectionSpin),
              static_cast<QWidget *>(autoControls->eveningCorrectionSpin),
              static_cast<QWidget *>(autoControls->morningCorrectionLabel),
              static_cast<QWidget *>(autoControls->eveningCorrectionLabel),
              static_cast<QWidget *>(autoControls->offCorrectionLabel),
              static_cast<QWidget *>(autoControls->onCorrectionLabel)})
            w->setEnabled(true);
        autoControls->brightnessModeGroup->setEnabled(false);
        autoControls->lightingModeGroup->setEnabled(false);
        // A selector that changes runs its mode switch (by time: no lookup).
        autoControls->brightnessModeGroup->setItemIndex(0);
        autoControls->lightingModeGroup->setItemIndex(0);
    }
    // A remembered item that the rebuilt list no longer has becomes no selection.
    mainWindow->brightnessGroup->setItemIndex(brightness < mainWindow->brightnessGroup->count() ? brightness : -1);
    mainWindow->lightingGroup->setItemIndex(lighting < mainWindow->lightingGroup->count() ? lighting : -1);

    app.loadingSettings = wasLoading;
    arrangeMainButtons();
    sendControllerSettings();
}

void SettingsDialog::onControlledByChanged()
{
    if (!app.settingsSendBusy && controlledByGroup->itemIndex() == 1) {
        pcButton->setEnabled(true);
        modemButton->setEnabled(true);
    }
    if (app.loadingSettings || app.readBusy || app.settingsSendBusy || controlledByGroup->itemIndex() < 0)
        return;
    onTimerUsedChanged();
}

void SettingsDialog::onTemperatureSensorChanged()
{
    if (temperatureSensorGroup->itemIndex() == 1)
        app.mainWindow->statusPanels->setPanelText(3, QString());
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
    MainWindow *mainWindow = app.mainWindow;
    if (oneWayLinkBox->isChecked()) {
        mainWindow->readButton->setVisible(false);
        eventsGroup->setItemIndex(-1);
        eventsGroup->setEnabled(false);
    } else {
        mainWindow->readButton->setVisible(true);
        eventsGroup->setEnabled(true);
    }
    arrangeMainButtons();
    mainWindow->saveSettings();
}

void SettingsDialog::onLightingControlToggled()
{
    MainWindow *mainWindow = app.mainWindow;
    AutoControlsWindow *autoControls = app.autoControlsWindow;
    const bool on = lightingControlBox->isChecked();
    autoControls->lightingBox->setVisible(on);
    mainWindow->lightingGroup->setVisible(on);
    const int bottom = on ? mainWindow->lightingGroup->y() + mainWindow->lightingGroup->height() + 25
                          : mainWindow->lightingGroup->y() + 25;
    mainWindow->controlsPanel->resize(mainWindow->controlsPanel->width(), bottom);
    autoControls->arrange();
    mainWindow->layOut();
    mainWindow->saveSettings();
}

void SettingsDialog::onBrightnessControlToggled()
{
    app.mainWindow->brightnessGroup->setVisible(brightnessControlBox->isChecked());
    app.mainWindow->saveSettings();
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
    app.attempts = attemptsSpin->value();
    app.mainWindow->saveSettings();
}

void SettingsDialog::onTimeoutChanged()
{
    app.timeoutMs = timeoutSpin->value() * 100;
    app.mainWindow->saveSettings();
}

void SettingsDialog::arrangeMainButtons()
{
    MainWindow *mainWindow = app.mainWindow;
    const int L = mainWindow->progressBar->x();
    const int W = mainWindow->progressBar->width();
    const bool timer = timerUsedGroup->itemIndex() != 0;   // not "NO", also no selection
    const bool oneWay = oneWayLinkBox->isChecked();
    const auto place = [](QPushButton *b, int x, int w) { b->setGeometry(x, b->y(), w, b->height()); };
    if (timer && !oneWay) {
        const int w = (W - 20) / 3;
        place(mainWindow->writeButton, L, w);
        place(mainWindow->readButton, L + w + 10, w);
        place(mainWindow->clockButton, L + 2 * (w + 10), w);
    } else if (timer) {
        const int w = (W - 20) / 2;
        place(mainWindow->writeButton, L, w);
        place(mainWindow->clockButton, L + w + 20, w);
    } else if (!oneWay) {
        const int w = (W - 20) / 2;
        place(mainWindow->writeButton, L, w);
        place(mainWindow->readButton, L + w + 20, w);
    } else {
        place(mainWindow->writeButton, L, W);
    }
}
