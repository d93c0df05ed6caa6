#pragma once
// The main window: ten figure fields, the write, read and clock buttons, the brightness and
// lighting selectors, a progress bar, the clock label, a four-panel status bar, menus, timers
// and the tray icon.
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>

#include "core/board/BoardSession.h"
#include "core/operations/BoardService.h"
#include "core/settings/ProgramSettings.h"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/StatusBar.h"
#include "gui/widgets/TimePicker.h"
#include "gui/widgets/WidgetHelpers.h"

#include "gui/App.h"
class QCheckBox;
class QFrame;
class QMenu;
class QAction;
class QProgressBar;
class QPushButton;

// A figure field: reports typed characters and mouse clicks to the main window.
class FigureEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
signals:
    void keyTyped(QChar c);
    void clickedByMouse();
protected:
    void keyPressEvent(QKeyEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(App &app);
    ~MainWindow() override;

    App &app;

    // ---- Controls (indexes from 1) ----
    std::array<FigureEdit *, 11> figureEdits{};
    // Show boxes: row r (1..5) holds the box of slot 2r-1 and the box of slot 2r.
    std::array<QCheckBox *, 6> oddSlotBoxes{};
    std::array<QCheckBox *, 6> evenSlotBoxes{};
    std::array<QLabel *, 11> productNameLabels{};   // product names
    QLabel *usdFlag, *eurFlag, *gbpFlag, *rurFlag, *frfFlag;
    QLabel *usdSign, *eurSign, *gbpSign, *rurSign, *frfSign;
    QFrame *unusedRowsCover;   // blank, over the rows not in use
    QFrame *controlsPanel, *figuresPanel;
    QProgressBar *progressBar;
    QPushButton *writeButton, *readButton, *clockButton;
    RadioGroup *brightnessGroup, *lightingGroup;
    QLabel *clockLabel;
    StatusBar *statusPanels;
    QLabel *minLabel, *autoLabel, *offLabel, *onLabel;   // never shown: the selectors' item texts
    QTimer *autoLoadTimer;        // loads the data file while automatic loading is on
    QTimer *startUpTimer;         // runs the start-up step once
    QTimer *clockAndEventTimer;   // once a second: the clock label and the board's own lines
    QMenu *fileMenu, *toolsMenu, *helpMenu;
    QAction *showDataFileAction, *loadDataFileAction, *saveDataFileAction, *minimizeAction, *exitAction;
    QAction *settingsAction, *autoControlsAction, *boardViewAction, *testModeAction, *helpSettingsAction, *aboutAction;
    QAction *historyAction;   // Tools > History: the journal's window

    // ---- What the main window keeps ----
    bool testMode = false;   // test patterns are shown: the data file waits untouched
    bool lastUploadOk = false;   // the last upload ended in "Sent OK"
    // The figure fields' formatting: the key typed last, the caret, a format under way.
    QChar lastKey;
    int caretPos = 0;
    bool formatting = false;

    QLabel *flagOf(int i) const;   // 0..4 in the order USD, EUR, GBP, RUR, FRF
    QLabel *signOf(int i) const;

    // ---- Start-up and lifecycle ----
    // Lays the window out for the loaded settings and shows it.
    void showAtStartUp();
    void shutDown();   // "Exit": saves both groups, sets closing
    void minimizeToTray();
    void exitProgram();
    void restoreFromTray();
    void showAbout();

    // ---- Settings ----
    // The loaded show flags and product names in the controls.
    void showProgramSettings(const ProgramSettings &s);
    void showProductNames();
    void showSelectorControls();   // the brightness and lighting selectors offered or not
    void showOneWay();             // no read button on a one-way link
    // The selectors with or without their auto item, the clock button with the timer in use.
    void offerAutomaticModes(bool available, bool clock);
    // Selects the remembered items again; an item the rebuilt list lacks becomes no selection.
    void reselect(int brightness, int lighting);
    void arrangeButtons();         // the write, read and clock buttons, by the timer and the link
    // Follows the digits and the fill mode: a digit more appends the fill character to every
    // field; then every field is formatted again.
    void onFigureFormatChanged();

    // ---- Currency pictures ----
    void placeCurrency(int r, const QString &currency);   // the flag and sign on row r (1..5)
    void placeCurrenciesInOrder();                        // USD, EUR, GBP, RUR, FRF from the top

    // ---- Test patterns ----
    void beginTestMode();   // the real figures wait in the data file
    void showTestPattern(const QStringList &texts);   // through the fields, then uploaded
    void endTestMode();     // the data file's figures back, uploaded

    // ---- Layout ----
    void layOut();   // by board type and row counts
    void setWindowHeight(int h);
    void setWindowSize(int w, int h);

    // ---- Figures ----
    void formatField(int k);
    void onFieldClicked(int k);
    void onFieldKeyTyped(int k, QChar c);
    void applyOddSlotBox(int r);
    void applyEvenSlotBox(int r);
    void applySlotBoxes();
    void onOddSlotBoxToggled(int r);
    void onEvenSlotBoxToggled(int r);
    void reformatAllFields();
    int digits() const;       // the number of digit cells
    bool blankMode() const;   // fill mode

    // ---- What the program hands the window ----
    // Panel 0 of the status bar, and the progress bar.
    void showStatus(const QString &text);
    void showProgress(int value);
    // The event poll and the data-file poll stop while an exchange writes and waits.
    void onExchangeStarted();
    void onExchangeFinished();
    void pauseAutoLoad();   // until the interval is applied again
    // The fields' texts become the stored figures.
    void storeFigures();

    // ---- Data file ----
    void saveDataFile();
    // `poll`: the automatic load's memory (none for the menu, start-up and fallbacks).
    void loadDataFile(DataFile::PollMemory *poll = nullptr);
    void showDataFile();
    void onAutoLoadTick();
    bool createDataFile();          // ten lines "0.000"; false on failure
    void applyAutoLoadInterval();   // the auto-load timer follows "Autoload file every" N "Sec"
    void uploadIfChanged();         // the load's upload of changed content; advances the previous content

    // ---- Board operations ----
    void onWriteClicked();
    void onReadClicked();
    void onClockClicked();
    void onBrightnessChosen();
    void onLightingChosen();
    // The operator's upload (write button, test pattern, restore; `source` says which): the
    // figures are saved, and the upload carries the store's figures when it starts.
    BoardReply *requestUpload(const QString &source);
    void readBoard();
    // A request of the board service began or finished (the service reports every one).
    void onRequestStarted(BoardReply *reply);
    void onReplyFinished(BoardReply *reply);
    void onUploadFinished(const UploadResult &result);
    void onReadFinished(const ReadResult &result);
    // What an operator's read reported (the board state) to the windows.
    void applyReadReply();
    // A read's outcome to the windows; an upload's read-back (`readBack`) only stores and compares.
    void applyReadResult(const ReadResult &result, bool readBack);
    // A brightness, lighting, clock or controller-settings command ran: its outcome in the panels.
    void showCommandResult(BoardReply *reply);
    void onClockAndEventTick();
    // An event line's values to the status panels.
    void showBoardEvent(const QByteArray &temperature, const QByteArray &brightness, const QByteArray &lighting);
    void setCommandControlsEnabled(bool on);   // the three buttons and the two selectors
    bool slotShown(int k) const;               // the show box of figure slot k (1..10) is on

signals:
    // "Exit" has run shutDown(): the program ends.
    void exited();
    // The Tools and Help menus.
    void settingsRequested();
    void autoControlsRequested();
    void boardViewRequested();
    void testPatternsRequested();
    void historyRequested();
    void helpRequested();
    // A read tells which controller commands the board takes.
    void controllerCommandsAvailable(bool timeQuery, bool modem);
    // The start-up step is due.
    void startUpRequested();
    // The window (and its progress bar) became visible or hidden.
    void shownChanged(bool shown);
    // One of the small error dialogs is to be shown.
    void noticeRequested(App::Notice notice);
    // There is no data file: the Settings dialog, whose showing creates it, is to be shown.
    void dataFileMissing();

protected:
    void closeEvent(QCloseEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void buildMenus();
    void buildControls();
    bool m_exiting = false;
    bool m_exitWaiting = false;   // "Exit" waits for the board's waiting commands
    bool m_boardText = false;     // a field takes the board's own text (not cleaned)
    // Fields changed together save the data file once, at the end.
    int m_saveBatch = 0;
    bool m_saveDue = false;
    class SaveBatch {
    public:
        explicit SaveBatch(MainWindow &w) : m_w(w) { ++m_w.m_saveBatch; }
        ~SaveBatch();
        SaveBatch(const SaveBatch &) = delete;
        SaveBatch &operator=(const SaveBatch &) = delete;
    private:
        MainWindow &m_w;
    };
    bool m_built = false;    // every control exists: the layout pass may run
    int m_digitsShown = 5;   // the number of digits the fields were last formatted for
};
