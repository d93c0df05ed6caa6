#pragma once
// The main window: ten figure fields, the write, read and clock buttons, the brightness and
// lighting selectors, a progress bar, the clock label, a four-panel status bar, menus, timers
// and the tray icon.
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>
#include <array>

#include "ui/Controls.h"

class App;
class QCheckBox;
class QFrame;
class QMenu;
class QAction;
class QProgressBar;
class QPushButton;
class QSystemTrayIcon;

// A figure field: reports typed characters and mouse clicks to the main window.
class FigureEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
signals:
    void keyTyped(QChar c);
    void clickedByMouse();
protected:
    void keyPressEvent(QKeyEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(App &app);
    ~TForm1() override;

    App &app;

    // ---- Controls (indexes from 1) ----
    std::array<FigureEdit *, 11> Edit{};
    std::array<QCheckBox *, 6> CheckBox{};    // CheckBox1..CheckBox5
    std::array<QCheckBox *, 6> CheckBoxA{};   // CheckBox1a..CheckBox5a
    std::array<QLabel *, 11> Label3_{};       // product names
    QLabel *Flag_USD, *Flag_EUR, *Flag_GBP, *Flag_RUR, *Flag_FRF;
    QLabel *Sign_USD, *Sign_EUR, *Sign_GBP, *Sign_RUR, *Sign_FRF;
    QFrame *Panel1, *Panel2, *Panel4;
    QProgressBar *ProgressBar1;
    QPushButton *Btn_Send_, *Btn_Read_, *Btn_Time;
    RadioGroup *RadioGroup1, *RadioGroup2;
    QLabel *Label3;
    StatusBar *StatusBar1;
    QLabel *minLabel, *autoLabel, *offLabel, *onLabel;
    QLabel *Image1;
    QTimer *Timer1, *Timer2, *Timer3, *Timer5;
    QTimer *pendingUploadTimer;
    QMenu *File1, *Settings1, *Help1;
    QAction *Show1, *Load1, *Save1, *Minimize1, *Exit1;
    QAction *Settings3, *AutoControls1, *Tablo1, *est1, *Settings2, *About2;
    QSystemTrayIcon *Tray_Icon = nullptr;

    QLabel *flagOf(int i) const;   // 0..4 in the order USD, EUR, GBP, RUR, FRF
    QLabel *signOf(int i) const;

    // ---- Start-up and lifecycle ----
    void FormCreate();
    void Timer3Timer();        // the start-up step
    void FormClose();          // "Exit": saves both groups, removes the tray icon, sets Closing
    void Minimize1Click();
    void Exit1Click();
    void trayActivated(int reason);   // QSystemTrayIcon::ActivationReason
    void restoreFromTray();
    void About2Click();

    // ---- Settings file ----
    void Load_Settings();
    void Save_Settings();
    void Save_Controller_Settings();
    void Load_Controller_Settings();

    // ---- Layout ----
    void FormResize();
    void setFormHeight(int h);
    void setFormSize(int w, int h);

    // ---- Figures ----
    void Format_Edit(int k);
    void EditClick(int k);
    void EditKeyPress(int k, QChar c);
    void Check_Row(int r);
    void Check_Row_a(int r);
    void CheckBoxClick(int r);     // CheckBox1Click .. CheckBox5Click
    void CheckBoxAClick(int r);    // CheckBox1aClick .. CheckBox5aClick
    void Reformat_All();
    QString Blank_Value() const;
    int digits() const;            // the number of digit cells
    bool blankMode() const;        // fill mode

    // ---- Data file ----
    void Save1Click();
    void Load1Click();
    void Show1Click();
    void Timer1Timer();
    bool Create_Data_File();       // ten lines "0.000"; false on failure
    void Apply_Autoload_Interval(); // Timer1 follows "Autoload file every" N "Sec"
    void Upload_When_Changed();    // the load's upload of changed content; advances Previous_Content

    // ---- Board operations ----
    void Btn_Send_Click();
    void Btn_Read_Click();
    void Btn_TimeClick();
    void RadioGroup1Click();
    void RadioGroup2Click();
    void Send_Data();
    // The operator's upload (write button, test pattern, restore): runs at once, or, while
    // another exchange runs, as soon as that ends; one waits at most.
    void requestUpload();
    bool exchangeRunning() const;   // an upload, a read or any other exchange is under way
    void Read_Data();
    void Apply_Read_Reply(const std::array<QByteArray, 33> &values);   // an operator read's fields to the windows
    void Send_Controller_Setting();
    void Exchange_Command();
    void Read_Reply();
    void Timer2Timer();
    void Timer5Timer();
    void Set_Command_Controls_Enabled(bool on);   // Btn_Read_, Btn_Send_, Btn_Time, RadioGroup1, RadioGroup2
    bool Slot_Shown(int k) const;  // the show box of figure slot k (1..10) is on

signals:
    // "Exit" has run FormClose: the program ends.
    void exited();

protected:
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void buildMenus();
    void buildControls();
    bool m_exiting = false;
};
