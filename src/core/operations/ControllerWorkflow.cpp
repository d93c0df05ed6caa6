#include "core/operations/ControllerWorkflow.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <utility>

#include "core/files/ScheduleFile.h"
#include "core/protocol/Protocol.h"
#include "core/settings/BoardReadingSettings.h"
#include "core/settings/SettingsModel.h"
#include "core/settings/SettingsStore.h"

namespace {
constexpr SwitchTime SwitchTimes[] = {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On};
// The automatic item of each selector.
constexpr int BrightnessAutoItem = 5;
constexpr int LightingAutoItem = 2;
} // namespace

ControllerWorkflow::ControllerWorkflow(BoardService &service, SettingsModel &settings, QObject *parent)
    : QObject(parent), m_service(service), m_settings(settings)
{
    m_service.setControllerSettle([this] { return settle(); });
    // A choice made while the board is busy waits with the request it belongs to: what runs
    // meanwhile (a read, a failed command's reload) may replace it in the settings.
    connect(&m_settings, &SettingsModel::chosen, this, [this](ControllerField f, int value) {
        if (!m_service.isIdle())
            m_heldChoices.insert(f, value);
    });
    connect(&m_settings, &SettingsModel::timeChosen, this, [this](SwitchTime t, const QString &text) {
        if (!m_service.isIdle())
            m_heldTimes.insert(t, text);
    });
    connect(&m_service, &BoardService::idle, this, [this] {
        m_heldChoices.clear();
        m_heldTimes.clear();
        // What the operator chose while nothing waited may be kept.
        if (m_settings.controllerSettled() && !m_unsentChoices) {
            m_acknowledged = m_settings.controller();
            m_acknowledgedKnown = true;
        }
    });
}

// ---- The schedule lookup's operations ----

ControllerWorkflow::Operation::Operation(ControllerWorkflow &w) : m_w(w) { m_w.m_operations.append(this); }

ControllerWorkflow::Operation::~Operation() { m_w.m_operations.removeOne(this); }

void ControllerWorkflow::reportLookupFailure(const QString &message)
{
    // The outermost open operation tells whether its first failure was reported already.
    const bool reported = !m_operations.isEmpty() && m_operations.first()->m_failed;
    for (Operation *operation : m_operations)
        operation->m_failed = true;
    if (!reported)
        emit errorReported(message);
}

namespace {
QTime timeOfText(const QString &text)
{
    for (const char *format : {"HH:mm:ss", "H:mm:ss", "HH:mm", "H:mm"}) {
        const QTime t = QTime::fromString(text.trimmed(), QLatin1String(format));
        if (t.isValid())
            return t;
    }
    return QTime();
}

QTime timeOfMinutes(int minutes) { return QTime(minutes / 60, minutes % 60, 0); }
} // namespace

bool ControllerWorkflow::switchAutomaticMode(bool brightness)
{
    using F = ControllerField;
    if (m_settings.controllerValue(brightness ? F::BrightnessMode : F::LightingMode) == 1) {
        const QString path = m_schedulePath ? m_schedulePath() : QStringLiteral("Shedule.shd");
        const ScheduleLookup r = lookupSchedule(
            path, QFileInfo(path).absoluteFilePath(), m_today ? m_today() : QDate::currentDate(),
            m_settings.controllerValue(brightness ? F::MorningCorrection : F::OffCorrection),
            m_settings.controllerValue(brightness ? F::EveningCorrection : F::OnCorrection));
        if (r.status == ScheduleLookup::Failed) {
            // The lookup ends the operation: nothing changes and nothing is sent.
            reportLookupFailure(r.message);
            return false;
        }
        if (r.status == ScheduleLookup::Found)
            emit switchTimesShown(brightness, timeOfMinutes(r.first), timeOfMinutes(r.second));
        emit groupModeShown(brightness, true);
    } else {
        // A stored text that is no time leaves the picker as it is.
        emit switchTimesShown(brightness, timeOfText(m_settings.switchTime(brightness ? SwitchTime::Morning : SwitchTime::Off)),
                              timeOfText(m_settings.switchTime(brightness ? SwitchTime::Evening : SwitchTime::On)));
        emit groupModeShown(brightness, false);
    }
    emit modeSwitched(brightness);
    return true;
}

// ---- What is offered ----

void ControllerWorkflow::offerAutomaticModes()
{
    // Automatic modes are available with the timer in use or when not controlled by the PC
    // (no selection counts as not the PC).
    const bool timerYes = m_settings.controllerValue(ControllerField::TimerUsed) == 1;
    const bool available = timerYes || m_settings.controllerValue(ControllerField::ControlledBy) != 0;
    {
        const Quiet rebuilding(*this, Quiet::Loading);
        const int brightness = m_settings.controllerValue(ControllerField::Brightness);
        const int lighting = m_settings.controllerValue(ControllerField::Lighting);
        m_automaticOffered = available;
        if (!available) {
            // A waiting command for an item no longer offered is not sent, and the choice is gone.
            m_service.withdraw([](const BoardReply *r) {
                return (r->kind() == BoardReply::Kind::Brightness && r->code() >= BrightnessAutoItem)
                       || (r->kind() == BoardReply::Kind::Lighting && r->code() >= LightingAutoItem);
            });
            if (m_heldChoices.value(ControllerField::Brightness, -1) >= BrightnessAutoItem)
                m_heldChoices.remove(ControllerField::Brightness);
            if (m_heldChoices.value(ControllerField::Lighting, -1) >= LightingAutoItem)
                m_heldChoices.remove(ControllerField::Lighting);
        }
        // An item the rebuilt selector lacks becomes no selection, in the settings too.
        const int brightnessShown = brightness < brightnessItems() ? brightness : -1;
        const int lightingShown = lighting < lightingItems() ? lighting : -1;
        emit automaticModesOffered(available, timerYes, brightnessShown, lightingShown);
        m_settings.setControllerValue(ControllerField::Brightness, brightnessShown);
        m_settings.setControllerValue(ControllerField::Lighting, lightingShown);
    }
    sendControllerSettings();
}

// ---- Commands ----

int ControllerWorkflow::brightnessCode(int item, int autoMode)
{
    if (item < 0)
        return -1;
    return Protocol::brightnessCode(item, autoMode < 0 ? 1 : std::min(autoMode, 1));
}

int ControllerWorkflow::lightingCode(int item, int autoMode)
{
    if (item < 0)
        return -1;
    return Protocol::lightingCode(item, autoMode < 0 ? 1 : std::min(autoMode, 1));
}

namespace {
// The code of the item chosen on a selector, choosing "by schedule" for the automatic item
// with no mode; -1 when there is nothing to send.
template <typename Code>
int chosenCode(ControllerWorkflow &w, SettingsModel &s, ControllerField selector, int autoItem, ControllerField autoMode,
               Code code)
{
    if (w.quiet() || s.controllerValue(selector) < 0)
        return -1;
    if (s.controllerValue(selector) >= autoItem && s.controllerValue(autoMode) < 0) {
        // Selecting the automatic item runs that group's mode switch (and may send "SETS=").
        const ControllerWorkflow::Operation operation(w);
        s.choose(autoMode, 1);   // the operator's choice, made for them
        if (operation.failed())
            return -1;
    }
    const int index = s.controllerValue(selector);
    const int mode = s.controllerValue(autoMode);
    // A failed "SETS=" on the way reloads the controller settings and clears the selections:
    // then there is nothing left to send.
    if (index < 0 || (index >= autoItem && mode < 0))
        return -1;
    return code(index, mode);
}
} // namespace

BoardReply *ControllerWorkflow::chooseBrightness()
{
    const int code = chosenCode(*this, m_settings, ControllerField::Brightness, BrightnessAutoItem,
                                ControllerField::BrightnessMode, &ControllerWorkflow::brightnessCode);
    return code < 0 ? nullptr : track(m_service.setBrightness(code));
}

BoardReply *ControllerWorkflow::chooseLighting()
{
    const int code = chosenCode(*this, m_settings, ControllerField::Lighting, LightingAutoItem,
                                ControllerField::LightingMode, &ControllerWorkflow::lightingCode);
    return code < 0 ? nullptr : track(m_service.setLighting(code));
}

BoardReply *ControllerWorkflow::setClock() { return track(m_service.setClock()); }

void ControllerWorkflow::sendControllerSettings()
{
    if (quiet())
        return;
    // One waits at most: it takes the configuration as it is when it starts.
    if (m_service.isWaiting(BoardReply::Kind::ControllerSettings))
        return;
    // Never a made-up value over the board's configuration: the change waits in the windows
    // until the board has been read (or, on a one-way link, every value has been chosen).
    if (m_service.isIdle() && !m_settings.unknownSetsParts().isEmpty()) {
        emit settingsHeld(m_settings.program().oneWay ? QStringLiteral("Settings not sent: choose each one first")
                                                      : QStringLiteral("Settings not sent: read the board first"));
        return;
    }
    track(m_service.sendControllerSettings());
}

BoardService::Settled ControllerWorkflow::settle()
{
    // The windows show the selections the settling makes; their handlers send nothing meanwhile.
    const Quiet settling(*this, Quiet::Settling);
    restoreHeldChoices();
    if (QStringList unknown = m_settings.unknownSetsParts(); !unknown.isEmpty())
        return {{}, unknown};
    m_lastSettled = m_settings.settleForSend();
    return {m_lastSettled, {}};
}

void ControllerWorkflow::restoreHeldChoices()
{
    const QMap<ControllerField, int> choices = std::exchange(m_heldChoices, {});
    const QMap<SwitchTime, QString> times = std::exchange(m_heldTimes, {});
    if (!choices.isEmpty() || !times.isEmpty())
        m_unsentChoices = true;
    // Shown again without a command of their own: the configuration goes out once, now.
    const Quiet restoring(*this, Quiet::Loading);
    for (auto it = times.begin(); it != times.end(); ++it)
        m_settings.chooseSwitchTime(it.key(), it.value());
    for (auto it = choices.begin(); it != choices.end(); ++it)
        m_settings.choose(it.key(), it.value());
    if (!times.isEmpty())
        switchAutomaticModes();   // the time pickers show the times again
}

BoardReply *ControllerWorkflow::track(BoardReply *reply)
{
    whenFinished(reply, this, [this](BoardReply *r) { onCommandFinished(r); });
    return reply;
}

void ControllerWorkflow::onCommandFinished(BoardReply *reply)
{
    const bool settings = reply->kind() == BoardReply::Kind::ControllerSettings;
    switch (reply->status()) {
    case BoardReply::Status::Held:
        emit settingsHeld(m_settings.program().oneWay ? QStringLiteral("Settings not sent: choose each one first")
                                                      : QStringLiteral("Settings not sent: read the board first"));
        return;
    case BoardReply::Status::Invalid:
        // A stored time that is not a time of day is never sent as some other time.
        emit errorReported(reply->error());
        return;
    case BoardReply::Status::Done:
        break;
    default:
        return;   // replaced or withdrawn: nothing was sent
    }
    const ExchangeResult &result = reply->exchange();
    // Refused while another exchange runs: nothing was sent, nothing to keep or undo.
    if (result.outcome == ExchangeResult::Busy)
        return;
    // The reload after a failure and the save change selectors: their handlers send nothing.
    const Quiet showing(*this, settings ? Quiet::Settling : Quiet::Applying);
    emit commandFinished(reply);
    if (result.outcome == ExchangeResult::Ok) {
        save();
        const bool lighting = reply->kind() == BoardReply::Kind::Lighting;
        if (lighting || reply->kind() == BoardReply::Kind::Brightness) {
            // What the board took is what its selector shows, also after an earlier command
            // failed and cleared the selectors while this one waited.
            const int autoItem = lighting ? LightingAutoItem : BrightnessAutoItem;
            const Quiet selecting(*this, Quiet::Loading);
            m_settings.choose(lighting ? ControllerField::Lighting : ControllerField::Brightness,
                              std::min(reply->code(), autoItem));
            if (reply->code() >= autoItem)
                m_settings.choose(lighting ? ControllerField::LightingMode : ControllerField::BrightnessMode,
                                  reply->code() - autoItem);
        }
        if (settings) {
            m_acknowledged = m_lastSettled;
            m_acknowledgedKnown = true;
            m_unsentChoices = false;
        }
    } else {
        // A choice whose own command failed is not put back by a later settling.
        if (reply->kind() == BoardReply::Kind::Brightness) {
            m_heldChoices.remove(ControllerField::Brightness);
            m_heldChoices.remove(ControllerField::BrightnessMode);
        } else if (reply->kind() == BoardReply::Kind::Lighting) {
            m_heldChoices.remove(ControllerField::Lighting);
            m_heldChoices.remove(ControllerField::LightingMode);
        }
        // The windows must not claim a setting that did not reach the board.
        loadStored();
    }
    // Saved whatever the outcome: after a failure this is what the reload put back.
    if (settings && !loading()) {
        QString error;
        if (!m_settings.saveController(&error))
            emit saveFailed(error);
    }
}

void ControllerWorkflow::save()
{
    if (loading())
        return;
    QString error;
    if (!m_settings.saveProgram(&error))
        emit saveFailed(error);
}

// ---- The stored section and readings ----

void ControllerWorkflow::loadStored()
{
    const Operation operation(*this);
    const Quiet loadingStored(*this, Quiet::Loading);
    const QString path = m_settings.path();
    const ControllerConfig stored = SettingsStore::loadController(path);
    // What the board holds is no longer known; the stored times, corrections and levels are
    // what it was last sent.
    m_settings.forgetController(SettingsStore::hasStoredController(path));
    m_acknowledged = stored;
    m_acknowledgedKnown = SettingsStore::hasStoredController(path);
    m_unsentChoices = false;

    // The file keeps the selections for the record only: they become no selection.
    for (ControllerField f : {ControllerField::Lighting, ControllerField::BrightnessMode, ControllerField::Flash,
                              ControllerField::Brightness, ControllerField::LightingMode, ControllerField::Inverse,
                              ControllerField::Events, ControllerField::TimerUsed, ControllerField::TemperatureUsed,
                              ControllerField::Section, ControllerField::ControlledBy})
        m_settings.setControllerValue(f, -1);
    for (SwitchTime t : SwitchTimes)
        m_settings.setSwitchTime(t, textOf(stored, t));

    // Each correction runs its group's mode switch; a failed schedule lookup ends the load.
    for (ControllerField f : {ControllerField::MorningCorrection, ControllerField::EveningCorrection,
                              ControllerField::OffCorrection, ControllerField::OnCorrection}) {
        m_settings.setControllerValue(f, valueOf(stored, f));
        if (operation.failed())
            return;
    }
    m_settings.setControllerValue(ControllerField::DayLevel, stored.dayLevel);
    m_settings.setControllerValue(ControllerField::NightLevel, stored.nightLevel);

    if (!switchAutomaticMode(false) || !switchAutomaticMode(true))
        return;
    emit storedLoaded(false);
    offerAutomaticModes();
    if (operation.failed())
        return;
    emit storedLoaded(true);
}

void ControllerWorkflow::applyReading(const BoardReading &reading)
{
    const Quiet applying(*this);
    takeControllerReading(m_settings, reading);
    switchAutomaticMode(false);
    switchAutomaticMode(true);
    takeSectionReading(m_settings, reading);
    m_acknowledged = m_settings.controller();
    m_acknowledgedKnown = true;
}

bool ControllerWorkflow::saveForExit(QString *error)
{
    // Nothing waits: what the settings hold was acknowledged or chosen while nothing waited.
    if (m_service.isIdle() && !m_unsentChoices) {
        if (!m_settings.controllerSettled())
            return true;   // never the start values of a program that has not read the board
        return m_settings.saveController(error);
    }
    if (!m_acknowledgedKnown)
        return true;
    return SettingsStore::saveController(m_settings.path(), m_acknowledged, error);
}
