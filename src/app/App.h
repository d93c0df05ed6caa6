#pragma once
// The application context: owns every window and the process-wide state. Windows and
// operations reach each other through it; a test builds a fresh one.
#include <QByteArray>
#include <QDate>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>

#include "core/protocol/Protocol.h"

class QDialog;
class MainWindow;
class SettingsDialog;
class DataFileMissingDialog;
class HelpWindow;
class ConnectionErrorDialog;
class UploadErrorDialog;
class ReadErrorDialog;
class TestPatternWindow;
class BoardViewWindow;
class AutoControlsWindow;
class SerialPort;

class App;

// Marks a stretch of code as one operation for the schedule lookup's error report.
class LookupOperation {
public:
    explicit LookupOperation(App &app);
    ~LookupOperation();
    LookupOperation(const LookupOperation &) = delete;
    LookupOperation &operator=(const LookupOperation &) = delete;
private:
    App &m_app;
};

class App : public QObject {
    Q_OBJECT
public:
    // `folder` is the folder of the settings and data files (with or without a trailing
    // separator); empty means the executable's folder.
    explicit App(const QString &folder = QString(), QObject *parent = nullptr);
    ~App() override;

    // Creates every window, hidden, in the order the program needs them.
    void createWindows();

    // Windows (all live until the context ends).
    MainWindow *mainWindow = nullptr;
    SettingsDialog *settingsDialog = nullptr;
    HelpWindow *helpWindow = nullptr;
    DataFileMissingDialog *dataFileMissingDialog = nullptr;
    ConnectionErrorDialog *connectionErrorDialog = nullptr;
    UploadErrorDialog *uploadErrorDialog = nullptr;
    ReadErrorDialog *readErrorDialog = nullptr;
    TestPatternWindow *testPatternWindow = nullptr;
    BoardViewWindow *boardViewWindow = nullptr;
    AutoControlsWindow *autoControlsWindow = nullptr;

    // Process-wide state: file paths, the controller's switching times, the serial line and
    // exchange settings, the data file's change detector.
    QString programDir;
    QString dataFilePath;
    QString morningTime = QStringLiteral("00:00:00");
    QString eveningTime = QStringLiteral("00:00:00");
    QString offTime = QStringLiteral("00:00:00");
    QString onTime = QStringLiteral("00:00:00");
    QString portName = QStringLiteral("COM1");
    QString baudRate = QStringLiteral("9600");
    QString parity = QStringLiteral("None");
    int autoLoadIntervalMs = 5000;
    bool sendIfChanged = false;
    int attempts = 1;
    int timeoutMs = 1000;
    QString loadedContent, previousContent;

    // Board values, indexed 1..32 (entry 0 unused): 1..10 the stored figure texts.
    std::array<QString, 33> boardValues;

    // Flags.
    bool startingUp = false;         // until the start-up step ends: nothing is saved
    bool loadingSettings = false;    // settings are being loaded: nothing is saved or sent
    bool closing = false;            // "Exit" has run: no more layout
    bool readBusy = false;           // a board read runs
    bool verifyingRead = false;      // the read is an upload's read-back
    bool settingsSendBusy = false;   // the controller parameters are being sent
    bool testMode = false;           // test patterns are shown
    bool exchangeBusy = false;       // set by exchangeCommand() while it runs
    bool uploadBusy = false;         // set while uploadFigures() runs
    bool lastUploadOk = false;       // the last upload ended in "Sent OK"
    // Upload of a changed data file: after a skipped or failed upload the change is tried
    // again no sooner than uploadRetryMs later.
    int uploadRetryMs = 30000;
    QDeadlineTimer uploadRetryDeadline;   // default: expired

    // Schedule lookups: an operation that runs several of them (a read, a load of the controller
    // settings, showing the Settings dialog) reports only its first failure.
    int lookupOperationDepth = 0;
    bool lookupFailureReported = false;

    // Figure formatting state.
    QChar fillChar = QLatin1Char('0');
    QChar lastKey;
    int caretPos = 0;
    bool formatting = false;

    // Command exchange state.
    QByteArray commandText;
    QByteArray replyText;
    bool replyOk = false, replyError = false, replyTimeout = false, replyRead = false;
    bool modemLineSeen = false;
    int elapsedMs = 0;
    int attemptTimeoutMs = 1000;
    Protocol::LineAssembler lineAssembler;   // shared by the reply reader and the event poller
    QString expectedReadback, readbackText;

    // The serial port.
    SerialPort *port = nullptr;

    // ---- Platform services, each replaceable by tests ----
    // Runs a modal dialog; tests install a hook that answers it instead of blocking.
    std::function<int(QDialog *)> modalHook;
    int execModal(QDialog *dialog);
    // The application's general error report (a message box with the runtime's text).
    void showError(const QString &message);
    QStringList reportedErrors;             // every message shown, for tests
    // The system's default beep.
    void beep();
    int beepCount = 0;
    // Starts the desktop's text editor on a file, detached.
    std::function<void(const QString &)> editorHook;
    void startEditor(const QString &path);
    // Whether the desktop has a notification area.
    std::optional<bool> trayAvailableOverride;
    bool trayAvailable() const;
    // Today's date for the schedule lookup.
    std::function<QDate()> todayHook;
    QDate today() const;
    // Folder in which the schedule file is looked up by its bare name (the working folder).
    QString scheduleDir;   // empty: the process's working folder
    QString schedulePath() const;

    // The settings file's full path.
    QString settingsPath() const { return programDir + QStringLiteral("Quorvanel_tablo.ini"); }
};
