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

#include "core/board/BoardSession.h"


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
class SettingsModel;

class App;

// Marks a stretch of code as one operation for the schedule lookup: the operation reports only
// its first failed lookup, and tells whether one failed while it was open.
class LookupOperation {
public:
    explicit LookupOperation(App &app);
    ~LookupOperation();
    LookupOperation(const LookupOperation &) = delete;
    LookupOperation &operator=(const LookupOperation &) = delete;
    bool failed() const { return m_failed; }
private:
    friend class App;
    App &m_app;
    bool m_failed = false;
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
    // Once, soon after the start: loads the settings, shows the main window, opens the port.
    void runStartUpStep();
    // Runs the Settings dialog modally (showing it creates a missing data file).
    void runSettingsModal();

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

    // Process-wide state: file paths, the settings, the data file's change detector.
    QString settingsFilePath;
    QString dataFilePath;
    QString scheduleFilePath;   // empty: "Shedule.shd" in the working folder
    // The program settings and the controller configuration; the windows' controls write
    // through it and show what it holds.
    SettingsModel *settings = nullptr;
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

    // A failed schedule lookup: reported unless the open operation already reported one; every
    // open operation learns that it failed.
    void reportLookupFailure(const QString &message);

    // Figure formatting state.
    QChar fillChar() const;   // of the fill mode in the settings
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
    // The small error dialogs, run modally unless already showing.
    enum class Notice { ConnectionError, UploadError, ReadError, DataFileMissing };
    void showNotice(Notice notice);
    // An upload's error dialog is showing (a connection or a data error).
    bool uploadErrorShowing() const;
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

    // ---- The settings file, loaded into every window and saved from the settings ----
    // Sections "Settings" and "Tablo", with the data file the figures come from.
    void loadProgramSettings();
    void saveProgramSettings();   // not while loading or starting up
    // Section "Controller": what the board was last sent. A failed schedule lookup ends the load.
    void loadControllerSettings();
    void saveControllerSettings();   // not while loading
    // Runs the brightness or the lighting automatic mode switch, or both (brightness first);
    // false when a schedule lookup failed (reported).
    bool switchAutomaticMode(bool brightness);
    bool switchAutomaticModes();
    // Offers the automatic modes by "Timer used" and "Controlled by": the main window's
    // selectors and buttons, the Settings and Auto Controls windows; then sends the parameters.
    void offerAutomaticModes();
    // Sends the controller configuration ("SETS=") the settings hold, and saves it.
    void sendControllerSettings();

    // The reply timing and framing the operator has set, for every exchange.
    ExchangeOptions exchangeOptions() const;

private:
    friend class LookupOperation;
    QList<LookupOperation *> m_lookupOperations;   // open ones, the outermost first
    // What one window does that another must follow.
    void connectWindows();
    // What the board session and the event listener report goes to the windows.
    void connectBoardToWindows();
};
