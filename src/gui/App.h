#pragma once
// The application context: owns every window and the process-wide state. Windows and
// operations reach each other through it; a test builds a fresh one.
#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>


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
class QtSerialLink;
class BoardSession;
class EventListener;
class DataFileUploader;

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
    // separator); empty means where the program keeps them (beside the executable, or per user).
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
    QString settingsFilePath;
    QString dataFilePath;
    QString scheduleFilePath;   // empty: "Shedule.shd" in the working folder
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
    QString loadedContent;   // the data file's figures as last loaded

    // Board values, indexed 1..32 (entry 0 unused): 1..10 the stored figure texts.
    std::array<QString, 33> boardValues;

    // Flags.
    bool startingUp = false;         // until the start-up step ends: nothing is saved
    bool loadingSettings = false;    // settings are being loaded: nothing is saved or sent
    bool closing = false;            // "Exit" has run: no more layout
    bool readBusy = false;           // a board read runs
    bool settingsSendBusy = false;   // the controller parameters are being sent
    bool testMode = false;           // test patterns are shown
    bool uploadBusy = false;         // set while uploadFigures() runs
    bool lastUploadOk = false;       // the last upload ended in "Sent OK"

    // Schedule lookups: an operation that runs several of them (a read, a load of the controller
    // settings, showing the Settings dialog) reports only its first failure.
    int lookupOperationDepth = 0;
    bool lookupFailureReported = false;

    // Figure formatting state.
    QChar fillChar = QLatin1Char('0');
    QChar lastKey;
    int caretPos = 0;
    bool formatting = false;

    // The serial line to the board, the conversation over it, and the lines the board sends
    // on its own.
    QtSerialLink *serialLink = nullptr;
    BoardSession *boardSession = nullptr;
    EventListener *eventListener = nullptr;
    // Uploads a loaded data file when its content changed; after a failed upload the change is
    // tried again no sooner than its retry interval later.
    DataFileUploader *dataFileUploader = nullptr;

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
    QString scheduleDir;   // empty: scheduleFilePath
    QString schedulePath() const;

    // The settings file's full path.
    QString settingsPath() const { return settingsFilePath; }

private:
    // What the board session and the event listener report goes to the windows.
    void connectBoardToWindows();
};
