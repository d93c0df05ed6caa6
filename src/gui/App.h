#pragma once
// What the windows share: the files' paths, the settings, the board (its link, session, event
// listener, the board service and the controller workflow, the data-file uploader) and the
// platform services (modal dialogs, the error report, the beep, the text editor, the tray,
// today's date). It decides nothing about the board: the core does. No window knows another;
// what one window asks of the others is a signal of that window, which the program connects.
#include <QDate>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QtSerialLink;
class BoardSession;
class EventListener;
class DataFileUploader;
class BoardService;
class ControllerWorkflow;
class SettingsModel;

class App : public QObject {
    Q_OBJECT
public:
    // `folder` is the folder of the settings and data files (with or without a trailing
    // separator); empty means where the program keeps them (beside the executable, or per user).
    explicit App(const QString &folder = QString(), QObject *parent = nullptr);
    ~App() override;

    // The small error dialogs the windows ask for.
    enum class Notice { ConnectionError, UploadError, ReadError, DataFileMissing };

    // Files.
    QString settingsFilePath;
    QString dataFilePath;
    QString scheduleFilePath;   // empty: "Shedule.shd" in the working folder
    QString settingsPath() const { return settingsFilePath; }
    // Folder in which the schedule file is looked up by its bare name (the working folder).
    QString scheduleDir;   // empty: scheduleFilePath
    QString schedulePath() const;

    // The program settings and the controller configuration; the windows' controls write
    // through it and show what it holds.
    SettingsModel *settings = nullptr;

    bool startingUp = false;   // until the start-up step ends: nothing is saved
    bool closing = false;      // "Exit" has run: no more layout
    // An upload's error dialog shows: the data file's changed content waits meanwhile.
    std::function<bool()> uploadErrorShowing = [] { return false; };

    // The board: the serial line, the conversation over it, the lines the board sends on its
    // own, the requests and their meaning, and the data file's automatic upload.
    QtSerialLink *serialLink = nullptr;
    BoardSession *boardSession = nullptr;
    EventListener *eventListener = nullptr;
    BoardService *service = nullptr;
    ControllerWorkflow *workflow = nullptr;
    DataFileUploader *dataFileUploader = nullptr;

    // ---- Platform services, each replaceable by tests ----
    // Opens a modal dialog (window-modal, not waited for); tests install a hook that answers it.
    std::function<int(QDialog *)> modalHook;
    void openModal(QDialog *dialog);
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

    // ---- The settings file, saved from the settings ----
    void saveProgramSettings();      // sections "Settings" and "Tablo"; not while loading or starting up
    void saveControllerSettings();   // section "Controller"; not while loading
    QChar fillChar() const;          // of the fill mode in the settings
    // Opens the port again with the port, speed and parity of the settings.
    void reopenPort();

signals:
    void portReopened(bool failed);
};
