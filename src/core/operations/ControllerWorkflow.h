#pragma once
// What the controller's results mean, decided once for every front end: applying a reading,
// the automatic-mode switch with its one report of a failed schedule lookup per operation, which
// automatic items and clock are offered, the choice -> command code rule, settling and sending
// "SETS=", putting the stored values back after a command failed, and saving after a result.
//
// Choices the operator makes while the board is busy go into the settings at once and wait with
// the request they belong to. A choice whose own command failed is not shown again; a waiting
// brightness or lighting request whose automatic item is no longer offered is withdrawn.
#include <QDate>
#include <QMap>
#include <QTime>
#include <QObject>
#include <QString>
#include <functional>

#include "core/operations/BoardService.h"
#include "core/settings/ControllerConfig.h"

class SettingsModel;

class ControllerWorkflow : public QObject {
    Q_OBJECT
public:
    ControllerWorkflow(BoardService &service, SettingsModel &settings, QObject *parent = nullptr);

    // Where the schedule file is (by default "Shedule.shd" in the working folder) and today's date
    // (by default the clock's), for the automatic-mode switch.
    void setSchedule(std::function<QString()> path, std::function<QDate()> today)
    {
        m_schedulePath = std::move(path);
        m_today = std::move(today);
    }

    // ---- The program's own changes ----
    // While the program loads settings, applies a reading or settles a send, a change of a
    // controller value is its own: nothing is sent for it.
    // While the program loads settings or rebuilds the selectors, nothing is saved either.
    bool quiet() const { return m_quiet > 0 || m_loading > 0; }
    bool loading() const { return m_loading > 0; }
    // "SETS=" is being settled, or its outcome applied.
    bool settling() const { return m_settling > 0; }
    class Quiet {
    public:
        // Applying a result, loading (nothing saved either), settling "SETS=" or showing its outcome.
        enum Kind { Applying, Loading, Settling };
        explicit Quiet(ControllerWorkflow &w, Kind kind = Applying) : m_w(w), m_kind(kind)
        {
            ++(kind == Loading ? m_w.m_loading : m_w.m_quiet);
            m_w.m_settling += kind == Settling;
        }
        ~Quiet()
        {
            --(m_kind == Loading ? m_w.m_loading : m_w.m_quiet);
            m_w.m_settling -= m_kind == Settling;
        }
        Quiet(const Quiet &) = delete;
        Quiet &operator=(const Quiet &) = delete;
    private:
        ControllerWorkflow &m_w;
        Kind m_kind;
    };
    // One operation for the schedule lookup: it reports only its first failed lookup and tells
    // whether one failed while it was open.
    class Operation {
    public:
        explicit Operation(ControllerWorkflow &w);
        ~Operation();
        Operation(const Operation &) = delete;
        Operation &operator=(const Operation &) = delete;
        bool failed() const { return m_failed; }
    private:
        friend class ControllerWorkflow;
        ControllerWorkflow &m_w;
        bool m_failed = false;
    };
    void reportLookupFailure(const QString &message);

    // ---- The automatic modes ----
    // The automatic-mode switch of one group (brightness or lighting): by schedule, the times of
    // today's schedule line with the group's corrections; by time, the stored times. The times
    // and the mode go to the views (switchTimesShown, groupModeShown). False when the schedule
    // lookup failed (reported once per operation): nothing changes then.
    bool switchAutomaticMode(bool brightness);
    bool switchAutomaticModes() { return switchAutomaticMode(true) && switchAutomaticMode(false); }
    // Offers the automatic items and the clock by "Timer used" and "Controlled by"
    // (automaticModesOffered), withdraws a waiting request for an item no longer offered, clears
    // a selection past the items offered, then sends the configuration.
    void offerAutomaticModes();
    // Items of the brightness and lighting selectors with the automatic modes offered or not.
    int brightnessItems() const { return m_automaticOffered ? 6 : 5; }
    int lightingItems() const { return m_automaticOffered ? 3 : 2; }


    // ---- Commands ----
    // The code a selector's choice sends: the item, with the automatic mode for the automatic
    // item (no mode counts as by schedule). -1: nothing to send.
    static int brightnessCode(int item, int autoMode);
    static int lightingCode(int item, int autoMode);
    // The operator chose a brightness or lighting item: its command, or nothing when the
    // program made the change or nothing is selected. The automatic item with no automatic mode
    // chooses "by schedule" first (which runs that group's switch).
    BoardReply *chooseBrightness();
    BoardReply *chooseLighting();
    BoardReply *setClock();
    // "SETS=" with the configuration settled when it starts; held back (settingsHeld) while a
    // value is not known.
    void sendControllerSettings();
    // Section "Controller": what the board was last sent. Forgets what the board holds, clears
    // the selections; a failed schedule lookup ends it.
    void loadStored();
    // A good reading: every reported value set and known, the automatic modes switched between.
    void applyReading(const BoardReading &reading);

    // ---- Exit ----
    // The configuration the settings file may keep: what the board acknowledged or reported,
    // the file held, or the operator chose while nothing waited. Saved by "Exit".
    bool saveForExit(QString *error);

signals:
    // A group's switch times as its pickers show them (an invalid time: left as it is).
    void switchTimesShown(bool brightness, const QTime &first, const QTime &second);
    // A group's mode: by schedule (the corrections apply) or by time (the pickers do).
    void groupModeShown(bool brightness, bool bySchedule);
    // A group's switch ran; a window that sends its changes may send the configuration now.
    void modeSwitched(bool brightness);
    // Which automatic items and whether the clock are offered; the selectors are rebuilt and
    // show the items given (-1: none).
    void automaticModesOffered(bool available, bool clock, int brightness, int lighting);
    // "SETS=" waits for the board to be read (or, one way, for every value to be chosen).
    void settingsHeld(const QString &text);
    // A command ran: the views show its outcome (before a failure's reload).
    void commandFinished(BoardReply *reply);
    // The stored section was loaded again (after a failed command, a silent read, one way).
    void storedLoaded(bool complete);
    // A schedule lookup failed or a command could not be built: the general error report.
    void errorReported(const QString &message);
    // A settings file could not be written.
    void saveFailed(const QString &message);

private:
    BoardReply *track(BoardReply *reply);
    void onCommandFinished(BoardReply *reply);
    BoardService::Settled settle();
    void restoreHeldChoices();
    void save();

    BoardService &m_service;
    SettingsModel &m_settings;
    std::function<QString()> m_schedulePath;
    std::function<QDate()> m_today;
    int m_quiet = 0;
    int m_loading = 0;
    int m_settling = 0;
    QList<Operation *> m_operations;   // open ones, the outermost first
    bool m_automaticOffered = true;

    // Choices made while the board was busy, put back when the configuration is settled.
    QMap<ControllerField, int> m_heldChoices;
    QMap<SwitchTime, QString> m_heldTimes;
    // What may be saved when a change was not carried out.
    ControllerConfig m_acknowledged;
    ControllerConfig m_lastSettled;   // what the last "SETS=" carried
    bool m_acknowledgedKnown = false;
    // The settings hold choices made while the board was busy that no "SETS=" has carried yet.
    bool m_unsentChoices = false;
};
