#pragma once
// The Settings dialog: serial line, exchange, automatic loading, number format, display
// options and the controller parameters. Every change takes effect at once.
#include <QDialog>
#include <array>

#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/StatusBar.h"

class App;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(App &app);
    App &app;

    // Port settings
    QGroupBox *portSettingsBox;
    QComboBox *portCombo;
    QComboBox *baudRateCombo;
    QComboBox *parityCombo;       // never shown
    QPushButton *refreshButton;   // "Refresh"
    QSpinBox *timeoutSpin;        // x100 ms
    QLabel *timeoutLabel, *timeoutUnitLabel;
    // Interface settings
    QGroupBox *interfaceBox;
    QSpinBox *attemptsSpin;
    QLabel *attemptsLabel;
    QCheckBox *oneWayLinkBox;   // the board never answers
    QCheckBox *checksumsBox;    // "Manage Checksumms"
    // Auto functions
    QGroupBox *autoFunctionsBox;
    QCheckBox *autoLoadBox;
    QSpinBox *autoLoadIntervalSpin;   // seconds
    QLabel *secondsLabel;             // "Sec"
    QCheckBox *sendIfChangedBox;      // "Send if file changed"
    // Number format and display
    QSpinBox *digitsSpin;
    QLabel *digitsLabel;
    RadioGroup *fillCharGroup;   // "Fill char"
    QCheckBox *lightingControlBox;
    QCheckBox *brightnessControlBox;
    QCheckBox *protocolPanelBox;   // "Protocol panel"
    // Controller parameters
    QGroupBox *controllerBox;
    RadioGroup *flashGroup;               // "Flash"
    RadioGroup *timerUsedGroup;           // "Timer used"
    RadioGroup *inverseSignalsGroup;      // "Inverse Signals"
    RadioGroup *eventsGroup;              // "Events from tablo"
    RadioGroup *temperatureSensorGroup;   // "Temperature sensor used"
    RadioGroup *controlledByGroup;        // "Controlled by"
    RadioGroup *clockSectionGroup;        // the temperature and clock section of the board
    QPushButton *pcButton;                // "PC temporary"
    QPushButton *modemButton;             // "MODEM"
    // Protocol panel
    QFrame *protocolPanel;
    QPlainTextEdit *protocolLog;
    QPushButton *timeQueryButton;   // "Time?"
    QPushButton *clearLogButton;    // "Clear memo"
    QCheckBox *pauseProtocolBox;    // "Pause Protocol"
    // Bottom
    QPushButton *defaultsButton;
    QPushButton *closeButton;
    StatusBar *statusBar;

    int previousDigits = 5;   // the number of digits before the last change

    // Adds a line to the protocol log (bounded to the most recent lines).
    void logLine(const QByteArray &line);
    static constexpr int MaxLogLines = 5000;

    // Handlers
    void onShown();
    void onDefaultsClicked();
    void onCloseClicked();
    // Rebuilds the main window's selectors and the automatic modes for "Timer used" and
    // "Controlled by", arranges the main window's buttons and sends the parameters.
    void onTimerUsedChanged();
    void onControlledByChanged();          // "Controlled by"
    void onTemperatureSensorChanged();     // "Temperature sensor used"
    void onControllerParameterChanged();   // any other controller parameter
    void onOneWayLinkToggled();
    void onLightingControlToggled();
    void onBrightnessControlToggled();
    void onProtocolPanelToggled();
    void onAutoLoadToggled();
    void onSendIfChangedToggled();
    void onAutoLoadIntervalChanged();
    void onDigitsChanged();
    void onAttemptsChanged();
    void onTimeoutChanged();
    void onFillCharChanged();
    QChar fillChar() const;      // the fill character of the selected fill mode
    void arrangeMainButtons();   // the main window's write, read and clock buttons
    // Sends the controller parameters ("SETS=") as the windows hold them, and saves them.
    void sendControllerSettings();
    void onPcClicked();          // "PC"
    void onModemClicked();       // "MD"
    void onTimeQueryClicked();   // "TIME?"
    void onClearLogClicked();
    // Port
    void reopenPort();   // with the port box's text
    void onBaudRateChanged();
    void onParityChanged();
    void refreshPortList();
    void setPortBoxColour(bool failed);

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;   // re-applies the automatic load poll
};
