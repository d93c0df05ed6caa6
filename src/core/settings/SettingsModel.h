#pragma once
// The settings the program runs with: the program settings and the controller configuration,
// loaded from and saved to the settings file. Every setter brings its value into range and
// signals only a real change, with the signals of the groups or fields that changed.
#include <QObject>
#include <QStringList>
#include <array>

#include "core/settings/ControllerConfig.h"
#include "core/settings/ProgramSettings.h"

class SettingsModel : public QObject {
    Q_OBJECT
public:
    explicit SettingsModel(const QString &path, QObject *parent = nullptr);

    QString path() const { return m_path; }

    const ProgramSettings &program() const { return m_program; }
    const ControllerConfig &controller() const { return m_controller; }

    void setProgram(const ProgramSettings &s);
    void setController(const ControllerConfig &c);
    int controllerValue(ControllerField f) const { return valueOf(m_controller, f); }
    void setControllerValue(ControllerField f, int value);
    QString switchTime(SwitchTime t) const { return textOf(m_controller, t); }
    void setSwitchTime(SwitchTime t, const QString &text);

    void setPort(const QString &port);
    void setBaudRate(const QString &baudRate);
    void setParity(const QString &parity);
    void setAutoLoad(bool on);
    void setAutoLoadInterval(int ms);
    void setSendIfChanged(bool on);
    void setAttempts(int attempts);
    void setTimeout(int ms);
    void setChecksums(bool on);
    void setProductCount(int n);
    void setCurrencyCount(int n);
    void setLightingControl(bool on);
    void setBrightnessControl(bool on);
    void setShown(int slot, bool shown); // slot 1 .. 10
    void setOneWay(bool on);
    void setProductName(int k, const QString &name);   // k 1 .. 10
    void setCurrency(int r, const QString &currency);  // r 1 .. 5
    void setFillMode(int mode);
    void setBoardType(int type);
    void setDigits(int digits);

    // ---- What is known of the board's configuration ----
    // A value is known when the board reported it or the operator chose it; the times,
    // corrections and levels also when they were loaded from the stored section. Values the
    // program starts with are not known: a "SETS=" may carry known values only, so that it never
    // overwrites the board's configuration with made-up ones.
    bool isKnown(ControllerField f) const { return m_known[int(f)]; }
    bool isTimeKnown(SwitchTime t) const { return m_timeKnown[int(t)]; }
    void markKnown(ControllerField f) { m_known[int(f)] = true; }
    void markTimeKnown(SwitchTime t) { m_timeKnown[int(t)] = true; }
    // The operator's choice: known, set, and announced by chosen() or timeChosen().
    void choose(ControllerField f, int value);
    void chooseSwitchTime(SwitchTime t, const QString &text);
    // Forgets what was known. With `stored` the times, corrections and levels count as known.
    void forgetController(bool stored);
    // The parts of "SETS=" whose values are not known, in command order; empty when the command
    // may go out. On a one-way link the board sends no events: they need no choice.
    QStringList unknownSetsParts() const;
    // The configuration a "SETS=" carries: a parameter with no selection gets its first item (0)
    // here too; brightness and lighting are taken as they were before that, since selecting a
    // parameter may rebuild their selectors.
    ControllerConfig settleForSend();
    // The times, corrections and levels are all known: saving the section keeps real values.
    bool controllerSettled() const;

    // Through SettingsStore with path().
    bool saveProgram(QString *error = nullptr) const;
    bool saveController(QString *error = nullptr) const;

signals:
    // One field of the controller configuration changed; `value` is the value it holds when
    // the signal arrives.
    void controllerValueChanged(ControllerField field, int value);
    // The operator chose a value (after it is set).
    void chosen(ControllerField field, int value);
    void timeChosen(SwitchTime time, const QString &text);
    void autoLoadChanged();       // automatic loading on or off, its interval
    void oneWayChanged(bool on);
    void rowCountsChanged();      // number of products or currencies
    void selectorControlsChanged(); // lighting or brightness control offered
    void figureFormatChanged();   // digits, fill mode
    void boardTypeChanged(int type);

private:
    template <typename T>
    void setMember(T ProgramSettings::*member, const T &value);

    QString m_path;
    ProgramSettings m_program;
    ControllerConfig m_controller;
    std::array<bool, ControllerFieldCount> m_known{};
    std::array<bool, 4> m_timeKnown{};
};
