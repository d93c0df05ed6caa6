#pragma once
// The program: builds the core, then every window, and wires them. What one window does that
// another must follow goes through here, as do the operations that span windows (loading the
// settings into every window, offering the automatic modes, sending the controller settings).
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

    // The notification area icon: from the start-up step until "Exit".
    QSystemTrayIcon *trayIcon = nullptr;
    // Left and right presses restore the main window (a double click arrives after its first
    // press); a middle click does nothing.
    void trayActivated(int reason);   // QSystemTrayIcon::ActivationReason

    // Sections "Settings" and "Tablo" into every window, with the data file the figures come from.
    void loadProgramSettings();

    void runStartUpStep() override;
    void runSettingsModal() override;
    void showNotice(Notice notice) override;
    bool uploadErrorShowing() const override;
    void loadControllerSettings() override;
    bool switchAutomaticMode(bool brightness) override;
    void offerAutomaticModes() override;
    void sendControllerSettings() override;

private:
    // "SETS=" waits for the board to be read: the status bars say so.
    void showControllerSettingsHeld();
    // "SETS=" ended: kept or undone by the answer, and saved.
    void onControllerSettingsSent(const ExchangeResult &result);
    // What the board session and the event listener report goes to the windows.
    void connectBoardToWindows();
    // What one window does that another must follow.
    void connectWindows();
};
