#pragma once
// The Settings dialog: serial line, exchange, automatic loading, number format, display
// options and the controller parameters. Every change takes effect at once.
#include <QDialog>

#include "core/settings/ProgramSettings.h"
#include <array>

#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/StatusBar.h"

#include "gui/App.h"
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
    // Panel 0 of the status bar: the command going out, or why nothing goes out.
    void showStatus(const QString &text) { statusBar->setPanelText(0, text); }
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

    // Adds a line to the protocol log (bounded to the most recent lines).
    void logLine(const QByteArray &line);
    static constexpr int MaxLogLines = 5000;

    // The loaded settings in the controls: automatic loading, checksums, one-way link, the
    // selectors offered, the fill mode and the number of digits.
    void showProgramSettings(const ProgramSettings &s);
    // "Time?" with the automatic modes.
    void offerAutomaticModes(bool available);
    // "Time?", and "PC" and "MODEM", as the board takes them.
    void enableControllerCommands(bool timeQuery, bool modem);
    void showChosenPort();   // the port, parity and baud rate in the settings

    // Handlers
    void onShown();
    void onDefaultsClicked();
    void onCloseClicked();
    void onTimerUsedChanged();             // offers the automatic modes and sends the parameters
    void onControlledByChanged();          // "Controlled by"
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
    void onPcClicked();          // "PC"
    void onModemClicked();       // "MD"
    void onTimeQueryClicked();   // "TIME?"
    void onClearLogClicked();
    // Port
    void reopenPort();   // with the port box's text
    void onBaudRateChanged();
    void onParityChanged();
    void refreshPortList();
    // While the board is busy the port boxes and "Refresh" wait: nothing closes the port under
    // a running exchange.
    void onBoardBusyChanged(bool busy);
    void setPortBoxColour(bool failed);

signals:
    // Showing begins: the dialog stands beside the main window, which holds back its automatic
    // load while the dialog is open, and the data file exists.
    void opening();
    // "Close": the product names typed are the ones shown.
    void namesConfirmed();
    // Leaving the dialog resumes automatic loading as set.
    void closed();
    // One of the small error dialogs is to be shown.
    void noticeRequested(App::Notice notice);

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;   // re-applies the automatic load poll

private:
    bool m_refreshWaiting = false;   // a port list refresh waits for the board
};
