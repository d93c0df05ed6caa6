// Commands that set the board's controller: brightness, lighting, clock, the nineteen
// operating parameters, and the bare modem commands.
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/App.h"
#include "app/BigTablo.h"
#include "comm/CommFunctions.h"
#include "core/protocol/Protocol.h"
#include "core/settings/ControllerConfig.h"
#include "gui/AutoControlsWindow.h"
#include "dialogs/Settings.h"
#include "core/text/Numbers.h"

// Sends Command_Text and keeps or undoes the setting by the board's answer.
void TForm1::Send_Controller_Setting()
{
    app.Form2->ComboBox1Change();   // reopens the port
    Exchange_Command();
    if (app.Reply_Error) {
        StatusBar1->setPanelText(0, QStringLiteral("Data error"));
        app.beep();
    }
    if (app.Reply_Timeout) {
        StatusBar1->setPanelText(2, QString());
        StatusBar1->setPanelText(1, QString());
        StatusBar1->setPanelText(0, QStringLiteral("Connection error, setting was not made"));
        app.beep();
    }
    if (app.Reply_OK) {
        ProgressBar1->setValue(1000);
        Save_Settings();
    } else {
        // The windows must not claim a setting that did not reach the board.
        Load_Controller_Settings();
    }
}

namespace {

// Shared by the brightness and lighting selectors: "BRIG=" or "LIGH=" with the code of the
// selected item, folding in the automatic mode for the auto item. False when nothing is sent.
bool buildSelectorCommand(App &app, RadioGroup *group, int autoItem, RadioGroup *autoMode, const char *prefix)
{
    if (app.Loading_Settings || app.Read_Busy || app.Settings_Send_Busy || group->itemIndex() < 0)
        return false;
    app.Command_Text = prefix;
    if (group->itemIndex() >= autoItem && autoMode->itemIndex() < 0) {
        // Selecting "by schedule" runs that group's mode switch (and may send "SETS=").
        const LookupOperation operation(app);
        const int errors = app.Form13->lookupErrors;
        autoMode->setItemIndex(1);
        if (app.Form13->lookupErrors != errors)
            return false;
    }
    const int index = group->itemIndex();
    // A failed "SETS=" on the way reloads the controller settings and clears the selections:
    // then there is nothing left to send.
    if (index < 0 || (index >= autoItem && autoMode->itemIndex() < 0))
        return false;
    const int code = index >= autoItem ? index + autoMode->itemIndex() : index;
    app.Command_Text = QByteArray(prefix) + QByteArray::number(code);
    return true;
}

} // namespace

void TForm1::RadioGroup1Click()
{
    if (!buildSelectorCommand(app, RadioGroup1, 5, app.Form13->brightnessModeGroup, "BRIG="))
        return;
    StatusBar1->setPanelText(1, QString::fromLatin1(app.Command_Text));
    Send_Controller_Setting();
}

void TForm1::RadioGroup2Click()
{
    if (!buildSelectorCommand(app, RadioGroup2, 2, app.Form13->lightingModeGroup, "LIGH="))
        return;
    StatusBar1->setPanelText(2, app.Form2->CheckBox9->isChecked() ? QString::fromLatin1(app.Command_Text) : QString());
    Send_Controller_Setting();
}

void TForm1::Btn_TimeClick()
{
    Set_Command_Controls_Enabled(false);
    app.Command_Text = "TIME=" + QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yy hh:mm:ss")).toLatin1();
    Send_Controller_Setting();
    Set_Command_Controls_Enabled(true);
}

void TForm2::Send_Settings()
{
    if (app.Loading_Settings || app.Read_Busy || app.Settings_Send_Busy)
        return;
    app.Settings_Send_Busy = true;
    TForm1 *f1 = app.Form1;
    AutoControlsWindow *f13 = app.Form13;

    ControllerConfig v;
    // Brightness and lighting first, before a group selected below can rebuild the selectors.
    v.brightness = f1->RadioGroup1->itemIndex();
    v.brightnessMode = f13->brightnessModeGroup->itemIndex();
    v.lighting = f1->RadioGroup2->itemIndex();
    v.lightingMode = f13->lightingModeGroup->itemIndex();
    // A group with no selection gets its first item and sends 0. Selecting runs the group's
    // handler; its own send is dropped while Settings_Send_Busy is set.
    const auto chosen = [](RadioGroup *g) {
        if (g->itemIndex() < 0)
            g->setItemIndex(0);
        return g->itemIndex();
    };
    v.flash = chosen(RadioGroup1);
    v.morningTime = app.Morning_Time;
    v.eveningTime = app.Evening_Time;
    v.morningCorrection = f13->morningCorrectionSpin->value();
    v.eveningCorrection = f13->eveningCorrectionSpin->value();
    v.dayLevel = f13->dayLevelBox->currentIndex();
    v.nightLevel = f13->nightLevelBox->currentIndex();
    v.offTime = app.OFF_Time;
    v.onTime = app.ON_Time;
    v.offCorrection = f13->offCorrectionSpin->value();
    v.onCorrection = f13->onCorrectionSpin->value();
    v.timerUsed = chosen(RadioGroup4);
    v.temperatureUsed = chosen(RadioGroup5);
    v.section = chosen(TntRadioGroup1);
    v.events = chosen(RadioGroup6);
    v.inverse = chosen(RadioGroup3);
    v.controlledBy = chosen(RadioGroup2);

    std::array<int, 19> fields;
    QString badText;
    if (!setsFields(v, fields, &badText)) {
        // A stored time that is not "hh:mm..." is never sent as some other time.
        app.Settings_Send_Busy = false;
        app.showError(notValidIntegerMessage(badText));
        return;
    }
    app.Command_Text = Protocol::buildSetsCommand(fields);
    f1->Send_Controller_Setting();
    // Saved whatever the outcome: after a failure this is what the reload put back.
    f1->Save_Controller_Settings();
    app.Settings_Send_Busy = false;
}

namespace {

// The bare modem commands go to the port at once: no port selection, no frame, no checksum,
// no wait. During another exchange's wait the command buffer still belongs to that exchange
// (a retry resends it), so it is left alone then.
void writeBare(App &app, const QByteArray &command)
{
    const QByteArray bytes = command + "\r\n";
    if (!app.Form1->Timer2->isActive())
        app.Command_Text = bytes;
    app.Port->Write_Command(bytes);
}

} // namespace

void TForm2::Button1Click() { writeBare(app, "PC"); }
void TForm2::Button3Click() { writeBare(app, "MD"); }
void TForm2::Button5Click() { writeBare(app, "TIME?"); }
