#pragma once
// The application context the windows share: the settings, the board session, the process-wide
// state and the platform services. What one window asks of the others (an operation that spans
// windows) is declared here and carried out by the program that builds and wires the windows;
// no window knows another.
#include <QByteArray>
#include <QDate>
#include <QMap>
#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <utility>

#include "core/board/BoardSession.h"
#include "core/settings/ControllerConfig.h"


class QDialog;
class QTimer;
class QtSerialLink;
class BoardSession;
class EventListener;
class DataFileUploader;
class BoardOperations;
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

    // ---- What spans windows ----
    // Once, soon after the start: loads the settings, shows the main window, opens the port.
    virtual void runStartUpStep() = 0;
    // Runs the Settings dialog modally (showing it creates a missing data file).
    virtual void runSettingsModal() = 0;
    // The small error dialogs, run modally unless already showing.
    enum class Notice { ConnectionError, UploadError, ReadError, DataFileMissing };
    virtual void showNotice(Notice notice) = 0;
    // An upload's error dialog is showing (a connection or a data error).
    virtual bool uploadErrorShowing() const = 0;
    // Section "Controller": what the board was last sent. A failed schedule lookup ends the load.
    virtual void loadControllerSettings() = 0;
    // Runs the brightness or the lighting automatic mode switch, or both (brightness first);
    // false when a schedule lookup failed (reported).
    virtual bool switchAutomaticMode(bool brightness) = 0;
    bool switchAutomaticModes() { return switchAutomaticMode(true) && switchAutomaticMode(false); }
    // Offers the automatic modes by "Timer used" and "Controlled by": the main window's
    // selectors and buttons, the Settings and Auto Controls windows; then sends the parameters.
    virtual void offerAutomaticModes() = 0;
    // Sends the controller configuration ("SETS=") the settings hold, and saves it.
    virtual void sendControllerSettings() = 0;

    // An exchange with the board runs (or an upload is under way): an operator's request now
    // must wait for it.
    bool boardBusy() const;
    // The board or the program's own work on a result (a load, an applied reading) runs: no new
    // operation starts now.
    bool workRunning() const;
    // The controller settings go out once nothing runs; the choices made meanwhile go with them.
    void sendControllerSettingsLater();
    bool controllerSettingsWaiting() const { return m_settingsWaiting; }

    // Process-wide state: file paths, the settings, the data file's change detector.
    QString settingsFilePath;
    QString dataFilePath;
    QString scheduleFilePath;   // empty: "Shedule.shd" in the working folder
    // The program settings and the controller configuration; the windows' controls write
    // through it and show what it holds.
    SettingsModel *settings = nullptr;

    // Flags.
    bool startingUp = false;         // until the start-up step ends: nothing is saved
    bool loadingSettings = false;    // settings are being loaded: nothing is saved or sent
    bool closing = false;            // "Exit" has run: no more layout

    // The program's own work on a result: the controls it changes meanwhile send nothing, and no
    // new operation starts.
    enum class Work {
        None,
        ApplyingReading,   // a read's or an upload's read-back's values go to the controls
        SendingSettings    // the controller settings are settled for a send, or its result shown
    };
    Work work() const { return m_work; }
    // Marks the lifetime of a scope as `work`; the work before it comes back at its end.
    class WorkScope {
    public:
        WorkScope(App &app, Work work) : m_app(app), m_previous(std::exchange(app.m_work, work)) {}
        ~WorkScope() { m_app.m_work = m_previous; }
        WorkScope(const WorkScope &) = delete;
        WorkScope &operator=(const WorkScope &) = delete;
    private:
        App &m_app;
        Work m_previous;
    };
    // A board read runs, or a reading is being applied.
    bool readRunning() const;
    bool sendingSettings() const { return m_work == Work::SendingSettings; }

    // A failed schedule lookup: reported unless the open operation already reported one; every
    // open operation learns that it failed.
    void reportLookupFailure(const QString &message);

    QChar fillChar() const;   // of the fill mode in the settings

    // The serial line to the board, the conversation over it, and the lines the board sends
    // on its own.
    QtSerialLink *serialLink = nullptr;
    BoardSession *boardSession = nullptr;
    EventListener *eventListener = nullptr;
    // What the windows ask of the board runs here, one operation at a time, without waiting.
    BoardOperations *operations = nullptr;
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

    // ---- The settings file, saved from the settings ----
    void saveProgramSettings();      // sections "Settings" and "Tablo"; not while loading or starting up
    void saveControllerSettings();   // section "Controller"; not while loading

    // The reply timing and framing the operator has set, for every exchange.
    ExchangeOptions exchangeOptions() const;

    // Opens the port again with the port, speed and parity of the settings (before every board
    // operation, and when the operator changes them); tells portReopened whether it failed.
    void reopenPort();

signals:
    void portReopened(bool failed);

private:
    void sendWaitingControllerSettings();
    // Puts back the controller values the operator chose while the board was busy: what ran
    // meanwhile (a read, a failed command's reload) may have replaced them.
    void restoreHeldChoices();
    Work m_work = Work::None;
    bool m_settingsWaiting = false;
    QTimer *m_settingsTimer = nullptr;
    QMap<ControllerField, int> m_heldChoices;
    QMap<SwitchTime, QString> m_heldTimes;

    friend class LookupOperation;
    QList<LookupOperation *> m_lookupOperations;   // open ones, the outermost first
};
