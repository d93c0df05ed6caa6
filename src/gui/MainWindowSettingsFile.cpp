// Loading and saving the sections "Settings" and "Tablo" of the settings file.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "app/App.h"
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
    SettingsDialog *f2 = app.Form2;
    BoardViewWindow *f12 = app.Form12;
    app.Loading_Settings = true;
    const IniFile ini(app.settingsPath());
    move(20, 20);

    // Section "Settings"
    app.Baud_Rate = QString::fromLatin1(ini.readString(S, "BaudRAte", "9600"));
    app.Parity = QStringLiteral("None");
    app.Port_Name = QString::fromLatin1(ini.readString(S, "Port_Number", "COM1"));
    f2->autoLoadBox->setChecked(ini.readBool(S, "Auto_Load", false));
    app.Send_If_Changed = ini.readBool(S, "Send_If_Changed", false);
    f2->sendIfChangedBox->setChecked(app.Send_If_Changed);
    // Values outside what the dialog's fields can hold are brought into their range.
    app.Auto_Load_Intvl = qBound(1000, ini.readInteger(S, "Auto_Load_Intvl", 5000), 1000000);
    app.Attempts = qBound(1, ini.readInteger(S, "Attempts", 1), 10);
    app.Timeout_Ms = qBound(400, ini.readInteger(S, "Timeout_for_command", 1000), 10000);
    f2->checksumsBox->setChecked(ini.readBool(S, "Manage_Checksumms", true));

    // Section "Tablo"
    f12->productCountSpin->setValue(ini.readInteger(T, "Products", 10));
    f12->currencyCountSpin->setValue(ini.readInteger(T, "Valutas", 5));
    f2->lightingControlBox->setChecked(ini.readBool(T, "Show_B_L", true));
    f2->onLightingControlToggled();
    f2->brightnessControlBox->setChecked(ini.readBool(T, "Show_Brig", true));
    f2->onBrightnessControlToggled();
    for (int r = 1; r <= 5; ++r)
        oddSlotBoxes[r]->setChecked(ini.readBool(T, showKey(r, false), r <= 4));
    for (int r = 1; r <= 5; ++r)
        evenSlotBoxes[r]->setChecked(ini.readBool(T, showKey(r, true), r <= 4));
    f2->oneWayLinkBox->setChecked(ini.readBool(T, "Replys", false));
    for (int k = 1; k <= 10; ++k)
        f12->productNameEdits[k]->setText(
            QString::fromLatin1(ini.readString(T, "Name_" + QByteArray::number(k), NameDefaults[k - 1])));
    for (int r = 1; r <= 5; ++r)
        f12->currencyBoxes[r]->setCurrentText(
            QString::fromLatin1(ini.readString(T, "VAL_" + QByteArray::number(r), CurrencyDefaults[r - 1])));
    for (int k = 1; k <= 10; ++k)
        productNameLabels[k]->setText(f12->productNameEdits[k]->text());
    f2->fillCharGroup->setItemIndex(ini.readInteger(T, "Fill_char", 0));
    // The data file loaded below is formatted with the fill mode just read.
    app.Fill_Char = f2->fillChar();
    f2->onOneWayLinkToggled();
    f12->boardTypeGroup->setItemIndex(ini.readInteger(T, "Board_type", 0));
    f2->digitsSpin->setValue(ini.readInteger(T, "Digits", 5));

    for (int r = 1; r <= 5; ++r)
        applyOddSlotBox(r);
    for (int r = 1; r <= 5; ++r)
        applyEvenSlotBox(r);
    f12->onBoardTypeChanged();
    loadDataFile();
    f2->onTimerUsedChanged();
    app.Loading_Settings = false;
    f2->onFillCharChanged();
}

void MainWindow::saveSettings()
{
    if (app.Loading_Settings || app.Starting_Up)
        return;
    SettingsDialog *f2 = app.Form2;
    BoardViewWindow *f12 = app.Form12;
    IniFile::Batch b{IniFile(app.settingsPath())};
    b.eraseSection(S);
    b.eraseSection(T);
    b.writeString(S, "BaudRAte", app.Baud_Rate.toLatin1());
    b.writeString(S, "Port_Number", app.Port_Name.toLatin1());
    b.writeBool(S, "Auto_Load", f2->autoLoadBox->isChecked());
    b.writeInteger(S, "Auto_Load_Intvl", app.Auto_Load_Intvl);
    b.writeBool(S, "Send_If_Changed", app.Send_If_Changed);
    b.writeInteger(S, "Attempts", app.Attempts);
    b.writeInteger(S, "Timeout_for_command", app.Timeout_Ms);
    b.writeBool(S, "Manage_Checksumms", f2->checksumsBox->isChecked());

    b.writeInteger(T, "Products", f12->productCountSpin->value());
    b.writeInteger(T, "Valutas", f12->currencyCountSpin->value());
    b.writeBool(T, "Show_B_L", f2->lightingControlBox->isChecked());
    b.writeBool(T, "Show_Brig", f2->brightnessControlBox->isChecked());
    for (int r = 1; r <= 5; ++r)
        b.writeBool(T, showKey(r, false), oddSlotBoxes[r]->isChecked());
    for (int r = 1; r <= 5; ++r)
        b.writeBool(T, showKey(r, true), evenSlotBoxes[r]->isChecked());
    b.writeBool(T, "Replys", f2->oneWayLinkBox->isChecked());
    for (int k = 1; k <= 10; ++k)
        b.writeString(T, "Name_" + QByteArray::number(k), f12->productNameEdits[k]->text().toLatin1());
    for (int r = 1; r <= 5; ++r)
        b.writeString(T, "VAL_" + QByteArray::number(r), f12->currencyBoxes[r]->currentText().toLatin1());
    b.writeInteger(T, "Board_type", f12->boardTypeGroup->itemIndex());
    b.writeInteger(T, "Digits", f2->digitsSpin->value());
    b.writeInteger(T, "Fill_char", f2->fillCharGroup->itemIndex());
    QString error;
    if (!b.commit(&error))
        app.showError(error);
}
