#pragma once
// The Settings dialog: serial line, exchange, automatic loading, number format, display
// options and the controller parameters. Every change takes effect at once.
#include <QDialog>
#include <array>

#include "ui/Controls.h"

class App;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(App &app);
    App &app;

    // Port settings
    QGroupBox *GroupBoxPort;
    QComboBox *ComboBox1;      // port
    QComboBox *ComboBox11;     // baud rate
    QComboBox *ComboBox3;      // parity (never shown)
    QPushButton *Button2;      // "Refresh"
    QSpinBox *SpinEdit5;       // time-out, x100 ms
    QLabel *LabelTimeout, *LabelTimeoutUnit;
    // Interface settings
    QGroupBox *GroupBoxInterface;
    QSpinBox *SpinEdit4;       // attempts
    QLabel *LabelAttempts;
    QCheckBox *CheckBox5;      // one-way connection
    QCheckBox *CheckBox3;      // "Manage Checksumms"
    // Auto functions
    QGroupBox *GroupBoxAuto;
    QCheckBox *Auto_Load_Chb;
    QSpinBox *SpinEdit1;       // seconds
    QLabel *LabelSec;          // "Sec"
    QCheckBox *CheckBox2;      // "Send if file changed"
    // Number format and display
    QSpinBox *SpinEdit3;       // digits
    QLabel *LabelDigits;
    RadioGroup *RadioGroup7;   // "Fill char"
    QCheckBox *CheckBox9;      // lighting control
    QCheckBox *TntCheckBox3;   // brightness control
    QCheckBox *TntCheckBox1;   // "Protocol panel"
    // Controller parameters
    QGroupBox *GroupBoxController;
    RadioGroup *RadioGroup1;   // "Flash"
    RadioGroup *RadioGroup4;   // "Timer used"
    RadioGroup *RadioGroup3;   // "Inverse Signals"
    RadioGroup *RadioGroup6;   // "Events from tablo"
    RadioGroup *RadioGroup5;   // "Temperature sensor used"
    RadioGroup *RadioGroup2;   // "Controlled by"
    RadioGroup *TntRadioGroup1; // temperature and clock section
    QPushButton *Button1;      // "PC temporary"
    QPushButton *Button3;      // "MODEM"
    // Protocol panel
    QFrame *ProtocolPanel;
    QPlainTextEdit *Memo3;
    QPushButton *Button5;      // "Time?"
    QPushButton *Button4;      // "Clear memo"
    QCheckBox *TntCheckBox2;   // "Pause Protocol"
    // Bottom
    QPushButton *Btn_Defaults_;
    QPushButton *Btn_OK_;
    StatusBar *StatusBar1;

    int Previous_Digits = 5;   // the number of digits before the last change

    // Adds a line to the protocol log (bounded to the most recent lines).
    void Log_Line(const QByteArray &line);
    static constexpr int MaxLogLines = 5000;

    // Handlers
    void FormShow();
    void Btn_Defaults_Click();
    void Btn_OK_Click();
    void RadioGroup4Click();
    void RadioGroup2Click();      // "Controlled by"
    void RadioGroup5Click();      // "Temperature sensor used"
    void Controller_Click();      // any other controller parameter
    void CheckBox5Click();
    void CheckBox9Click();
    void TntCheckBox3Click();
    void TntCheckBox1Click();
    void Auto_Load_ChbClick();
    void CheckBox2Click();
    void SpinEdit1Change();
    void SpinEdit3Change();
    void SpinEdit4Change();
    void SpinEdit5Change();
    void RadioGroup7Click();
    QChar fillChar() const;      // the fill character of the selected fill mode
    void Buttons_arrange();
    void Send_Settings();
    // The values that "SETS=" carries, as the windows hold them (-1: no selection).
    void Button1Click();   // "PC"
    void Button3Click();   // "MD"
    void Button5Click();   // "TIME?"
    void Button4Click();   // clear the log
    // Port
    void ComboBox1Change();
    void ComboBox11Change();
    void ComboBox3Change();
    void Button2Click();
    void Set_Port_Box_Colour(bool failed);

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;   // re-applies the automatic load poll
};
