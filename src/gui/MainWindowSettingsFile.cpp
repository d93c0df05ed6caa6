// Loading and saving the sections "Settings" and "Tablo" of the settings file.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "gui/App.h"
#include "gui/MainWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"
#include "core/files/IniFile.h"

namespace {
const QByteArray S = "Settings";
const QByteArray T = "Tablo";
const char *const NameDefaults[10] = {"Normal", "Regular", "Premium", "Super", "Diesel", "", "", "", "", ""};
const char *const CurrencyDefaults[5] = {"USD", "EUR", "GBP", "RUR", "FRF"};

QByteArray showKey(int r, bool second)
{
    return QByteArray::number(r) + (second ? "a_st_Currency" : "st_Currency");
}
} // namespace

void MainWindow::loadSettings()
{
    SettingsDialog *settings = app.settingsDialog;
    BoardViewWindow *boardView = app.boardViewWindow;
    app.loadingSettings = true;
    const IniFile ini(app.settingsPath());
    move(20, 20);

    // Section "Settings"
    app.baudRate = QString::fromLatin1(ini.readString(S, "BaudRAte", "9600"));
    app.parity = QStringLiteral("None");
    app.portName = QString::fromLatin1(ini.readString(S, "Port_Number", "COM1"));
    settings->autoLoadBox->setChecked(ini.readBool(S, "Auto_Load", false));
    app.sendIfChanged = ini.readBool(S, "Send_If_Changed", false);
    settings->sendIfChangedBox->setChecked(app.sendIfChanged);
    // Values outside what the dialog's fields can hold are brought into their range.
    app.autoLoadIntervalMs = qBound(1000, ini.readInteger(S, "Auto_Load_Intvl", 5000), 1000000);
    app.attempts = qBound(1, ini.readInteger(S, "Attempts", 1), 10);
    app.timeoutMs = qBound(400, ini.readInteger(S, "Timeout_for_command", 1000), 10000);
    settings->checksumsBox->setChecked(ini.readBool(S, "Manage_Checksumms", true));

    // Section "Tablo"
    boardView->productCountSpin->setValue(ini.readInteger(T, "Products", 10));
    boardView->currencyCountSpin->setValue(ini.readInteger(T, "Valutas", 5));
    settings->lightingControlBox->setChecked(ini.readBool(T, "Show_B_L", true));
    settings->onLightingControlToggled();
    settings->brightnessControlBox->setChecked(ini.readBool(T, "Show_Brig", true));
    settings->onBrightnessControlToggled();
    for (int r = 1; r <= 5; ++r)
        oddSlotBoxes[r]->setChecked(ini.readBool(T, showKey(r, false), r <= 4));
    for (int r = 1; r <= 5; ++r)
        evenSlotBoxes[r]->setChecked(ini.readBool(T, showKey(r, true), r <= 4));
    settings->oneWayLinkBox->setChecked(ini.readBool(T, "Replys", false));
    for (int k = 1; k <= 10; ++k)
        boardView->productNameEdits[k]->setText(
            QString::fromLatin1(ini.readString(T, "Name_" + QByteArray::number(k), NameDefaults[k - 1])));
    for (int r = 1; r <= 5; ++r)
        boardView->currencyBoxes[r]->setCurrentText(
            QString::fromLatin1(ini.readString(T, "VAL_" + QByteArray::number(r), CurrencyDefaults[r - 1])));
    for (int k = 1; k <= 10; ++k)
        productNameLabels[k]->setText(boardView->productNameEdits[k]->text());
    settings->fillCharGroup->setItemIndex(ini.readInteger(T, "Fill_char", 0));
    // The data file loaded below is formatted with the fill mode just read.
    app.fillChar = settings->fillChar();
    settings->onOneWayLinkToggled();
    boardView->boardTypeGroup->setItemIndex(ini.readInteger(T, "Board_type", 0));
    settings->digitsSpin->setValue(ini.readInteger(T, "Digits", 5));

    for (int r = 1; r <= 5; ++r)
        applyOddSlotBox(r);
    for (int r = 1; r <= 5; ++r)
        applyEvenSlotBox(r);
    boardView->onBoardTypeChanged();
    loadDataFile();
    settings->onTimerUsedChanged();
    app.loadingSettings = false;
    settings->onFillCharChanged();
}

void MainWindow::saveSettings()
{
    if (app.loadingSettings || app.startingUp)
        return;
    SettingsDialog *settings = app.settingsDialog;
    BoardViewWindow *boardView = app.boardViewWindow;
    IniFile::Batch b{IniFile(app.settingsPath())};
    b.eraseSection(S);
    b.eraseSection(T);
    b.writeString(S, "BaudRAte", app.baudRate.toLatin1());
    b.writeString(S, "Port_Number", app.portName.toLatin1());
    b.writeBool(S, "Auto_Load", settings->autoLoadBox->isChecked());
    b.writeInteger(S, "Auto_Load_Intvl", app.autoLoadIntervalMs);
    b.writeBool(S, "Send_If_Changed", app.sendIfChanged);
    b.writeInteger(S, "Attempts", app.attempts);
    b.writeInteger(S, "Timeout_for_command", app.timeoutMs);
    b.writeBool(S, "Manage_Checksumms", settings->checksumsBox->isChecked());

    b.writeInteger(T, "Products", boardView->productCountSpin->value());
    b.writeInteger(T, "Valutas", boardView->currencyCountSpin->value());
    b.writeBool(T, "Show_B_L", settings->lightingControlBox->isChecked());
    b.writeBool(T, "Show_Brig", settings->brightnessControlBox->isChecked());
    for (int r = 1; r <= 5; ++r)
        b.writeBool(T, showKey(r, false), oddSlotBoxes[r]->isChecked());
    for (int r = 1; r <= 5; ++r)
        b.writeBool(T, showKey(r, true), evenSlotBoxes[r]->isChecked());
    b.writeBool(T, "Replys", settings->oneWayLinkBox->isChecked());
    for (int k = 1; k <= 10; ++k)
        b.writeString(T, "Name_" + QByteArray::number(k), boardView->productNameEdits[k]->text().toLatin1());
    for (int r = 1; r <= 5; ++r)
        b.writeString(T, "VAL_" + QByteArray::number(r), boardView->currencyBoxes[r]->currentText().toLatin1());
    b.writeInteger(T, "Board_type", boardView->boardTypeGroup->itemIndex());
    b.writeInteger(T, "Digits", settings->digitsSpin->value());
    b.writeInteger(T, "Fill_char", settings->fillCharGroup->itemIndex());
    QString error;
    if (!b.commit(&error))
        app.showError(error);
}
