#pragma once
// The program: builds the core, then every window, and wires them. What one window does that
// another must follow goes through here; what a result means is decided in the core.
#include "gui/App.h"

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
class HistoryWindow;
class JournalRecorder;
class QSystemTrayIcon;

class Program : public App {
    Q_OBJECT
public:
    // `folder` as for App: the folder of the settings and data files, or empty for the usual.
    explicit Program(const QString &folder = QString(), QObject *parent = nullptr);
    ~Program() override;

    // Creates every window, hidden, in the order the program needs them, and wires them.
    void createWindows();

    // Windows (all live until the program ends).
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
    HistoryWindow *historyWindow = nullptr;

    // The journal: every finished request and each change of the board's reported state, written
    // to journalFilePath ([Journal] File= of the settings file, else beside the data file).
    JournalRecorder *journalRecorder = nullptr;
    QString journalFilePath;
    int journalRetentionDays = 400;

    // The notification area icon: from the start-up step until "Exit".
    QSystemTrayIcon *trayIcon = nullptr;
    // Left and right presses restore the main window (a double click arrives after its first
    // press); a middle click does nothing.
    void trayActivated(int reason);   // QSystemTrayIcon::ActivationReason

    // Sections "Settings" and "Tablo" into every window, with the data file the figures come from.
    void loadProgramSettings();

    // Once, soon after the start: loads the settings, shows the main window, opens the port.
    void runStartUpStep();
    // The small error dialogs, opened unless already showing.
    void showNotice(Notice notice);
    // The Settings dialog, opened modally (showing it creates a missing data file).
    void openSettingsModal();

private:
    // What the board session, the service and the event listener report goes to the windows.
    void connectBoardToWindows();
    // What one window does that another must follow.
    void connectWindows();
    // The recorder on the board service, its one notice in the status bar, the History window.
    void connectJournal();
};
