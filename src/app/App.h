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
    // `programDir` is the folder of the settings and data files (with or without a trailing
    // separator); empty means the executable's folder.
    explicit App(const QString &programDir = QString(), QObject *parent = nullptr);
    ~App() override;

    // Creates every window, hidden, in the order the program needs them.
    void createWindows();

    // Windows (all live until the context ends).
    MainWindow *Form1 = nullptr;
    SettingsDialog *Form2 = nullptr;
    HelpWindow *Form6 = nullptr;
    DataFileMissingDialog *Form5 = nullptr;
    ConnectionErrorDialog *Form8 = nullptr;
    UploadErrorDialog *Form9 = nullptr;
    ReadErrorDialog *Form10 = nullptr;
    TestPatternWindow *Form11 = nullptr;
    BoardViewWindow *Form12 = nullptr;
    AutoControlsWindow *Form13 = nullptr;

    // Process-wide state of the main window module.
    QString Program_Dir;
    QString Data_File;
    QString Morning_Time = QStringLiteral("00:00:00");
    QString Evening_Time = QStringLiteral("00:00:00");
    QString OFF_Time = QStringLiteral("00:00:00");
    QString ON_Time = QStringLiteral("00:00:00");
    QString Port_Name = QStringLiteral("COM1");
    QString Baud_Rate = QStringLiteral("9600");
    QString Parity = QStringLiteral("None");
    int Auto_Load_Intvl = 5000;
    bool Send_If_Changed = false;
    int Attempts = 1;
    int Timeout_Ms = 1000;
    QString Loaded_Content, Previous_Content;

    // Board values, indexed 1..32 (entry 0 unused): 1..10 the stored figure texts.
    std::array<QString, 33> Board_Values;

    // Flags.
    bool Starting_Up = false;
    bool Loading_Settings = false;
    bool Closing = false;
    bool Read_Busy = false;
    bool Settings_Send_Busy = false;
    bool Test_Mode = false;
    bool Send_Busy = false;         // set while Send_Data runs
    bool Last_Send_OK = false;      // the last Send_Data ended in "Sent OK"
    // Upload of a changed data file: after a skipped or failed upload the change is tried
    // again no sooner than Upload_Retry_Ms later.
    int Upload_Retry_Ms = 30000;
    QDeadlineTimer Upload_Retry_Deadline;   // default: expired

    // Schedule lookups: an operation that runs several of them (a read, a load of the controller
    // settings, showing the Settings dialog) reports only its first failure.
    int Lookup_Operation_Depth = 0;
    bool Lookup_Failure_Reported = false;

    // Figure formatting state.
    QChar Fill_Char = QLatin1Char('0');
    QChar Last_Key;
    int Caret_Pos = 0;
    bool Formatting = false;

    // The serial line to the board, the conversation over it, and the lines the board sends
    // on its own.
    QtSerialLink *serialLink = nullptr;
    BoardSession *boardSession = nullptr;
    EventListener *eventListener = nullptr;

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
    QString settingsPath() const { return Program_Dir + QStringLiteral("Quorvanel_tablo.ini"); }

private:
    // What the board session and the event listener report goes to the windows.
    void connectBoardToWindows();
};
