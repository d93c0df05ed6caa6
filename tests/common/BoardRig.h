#pragma once
// The program with all its windows (a TestApp) and a board simulator on a pseudo-terminal, for
// the end-to-end tests:
//
//   BoardRig r({.sim = {"--silent"}, .settings = "Attempts=1\r\n"});
//   QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
//   r.mainWindow()->readBoard();
//   QCOMPARE(r.commands(), QByteArrayList{"READ="});
//
// Without a settings file the program starts on its defaults and connect() names the port.
#include <QByteArray>
#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "Sim.h"
#include "TestApp.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"

class BoardRig {
public:
    struct Options {
        QStringList sim;   // the simulator's command-line options
        // Settings-file text after "[Settings]" and the line naming the simulator's port;
        // null: no settings file at all.
        QByteArray settings;
        QByteArray dataFile;   // the data file's text; null: ten figures "1.0000"
        QByteArray schedule;   // the schedule file's text; null: no schedule file
        std::function<void(BoardRig &)> beforeStartUp;
        bool startUp = true;   // run the start-up step (settings load, window shown, port opened)
    };

    BoardRig();
    explicit BoardRig(const Options &options);
    BoardRig(const BoardRig &) = delete;
    BoardRig &operator=(const BoardRig &) = delete;

    Sim sim;          // started first: the settings file names its port
    TestApp testApp;

    Program &app() const { return *testApp.app; }
    MainWindow *mainWindow() const { return testApp.app->mainWindow; }
    SettingsDialog *settingsDialog() const { return testApp.app->settingsDialog; }
    TestPatternWindow *testPatternWindow() const { return testApp.app->testPatternWindow; }
    AutoControlsWindow *autoControlsWindow() const { return testApp.app->autoControlsWindow; }

    // Names the simulator's port in the Settings dialog and reopens it; true when it is open.
    bool connect() const;
    // Every controller value counts as known, as after a read of the board.
    void knowController() const { testApp.knowController(); }
    bool settle() const { return testApp.settle(); }

    QString panel(int i) const { return mainWindow()->statusPanels->panelText(i); }   // main window
    QStringList figures() const;    // the ten figure fields
    QByteArray dataFile() const { return testApp.readFile(QStringLiteral("Tablo_data.tbl")); }
    QStringList logLines() const;   // the protocol log of the Settings dialog
    // The main window's controls that start an exchange (disabled while one runs).
    QList<QWidget *> exchangeControls() const;

    // The commands the board received, in order, each without its frame (from the first ';').
    // A line without a frame comes whole, CR included, so it never equals a framed command.
    QByteArrayList commands() const;
    // The controller values the board holds (its READ fields 14 to 32), from the simulator's dump.
    QByteArrayList boardControllerValues();
};

// A settings file's text after its port line: 9600 baud, no automatic loading, one attempt of
// a second, checksums on, a board of five-digit slots filled with zeros and answering.
// `overrides` are "Key=value" lines; a key not among those goes to the [Tablo] section.
QByteArray standardSettings(const QStringList &overrides = {});
// `bytes` in the simulator's escape form, for its control commands ("raw", "reply", ...).
QString simEscaped(const QByteArray &bytes);
