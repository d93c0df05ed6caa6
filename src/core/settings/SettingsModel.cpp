#include "core/settings/SettingsModel.h"

#include "core/settings/SettingsStore.h"

SettingsModel::SettingsModel(const QString &path, QObject *parent) : QObject(parent), m_path(path) {}

void SettingsModel::setProgram(const ProgramSettings &next)
{
    const ProgramSettings s = withinRanges(next);
    if (s == m_program)
        return;
    const ProgramSettings old = m_program;
    m_program = s;

    if (s.autoLoad != old.autoLoad || s.autoLoadIntervalMs != old.autoLoadIntervalMs)
        emit autoLoadChanged();
    if (s.oneWay != old.oneWay)
        emit oneWayChanged(s.oneWay);
    if (s.productCount != old.productCount || s.currencyCount != old.currencyCount)
        emit rowCountsChanged();
    if (s.lightingControl != old.lightingControl || s.brightnessControl != old.brightnessControl)
        emit selectorControlsChanged();
    if (s.digits != old.digits || s.fillMode != old.fillMode)
        emit figureFormatChanged();
    if (s.boardType != old.boardType)
        emit boardTypeChanged(s.boardType);
}

void SettingsModel::setController(const ControllerConfig &next)
{
    const ControllerConfig c = withinRanges(next);
    if (c == m_controller)
        return;
    const ControllerConfig old = m_controller;
    m_controller = c;
    // A receiver may change other fields meanwhile: each signal carries the value held then.
    for (int i = 0; i < ControllerFieldCount; ++i) {
        const auto f = ControllerField(i);
        if (valueOf(c, f) != valueOf(old, f) && valueOf(m_controller, f) != valueOf(old, f))
            emit controllerValueChanged(f, valueOf(m_controller, f));
    }
}

void SettingsModel::setControllerValue(ControllerField f, int value)
{
    ControllerConfig c = m_controller;
    valueOf(c, f) = value;
    setController(c);
}

void SettingsModel::setSwitchTime(SwitchTime t, const QString &text)
{
    ControllerConfig c = m_controller;
    textOf(c, t) = text;
    setController(c);
}

template <typename T>
void SettingsModel::setMember(T ProgramSettings::*member, const T &value)
{
    ProgramSettings s = m_program;
    s.*member = value;
    setProgram(s);
}

void SettingsModel::setPort(const QString &port) { setMember(&ProgramSettings::port, port); }
void SettingsModel::setBaudRate(const QString &baudRate) { setMember(&ProgramSettings::baudRate, baudRate); }
void SettingsModel::setParity(const QString &parity) { setMember(&ProgramSettings::parity, parity); }
void SettingsModel::setAutoLoad(bool on) { setMember(&ProgramSettings::autoLoad, on); }
void SettingsModel::setAutoLoadInterval(int ms) { setMember(&ProgramSettings::autoLoadIntervalMs, ms); }
void SettingsModel::setSendIfChanged(bool on) { setMember(&ProgramSettings::sendIfChanged, on); }
void SettingsModel::setAttempts(int attempts) { setMember(&ProgramSettings::attempts, attempts); }
void SettingsModel::setTimeout(int ms) { setMember(&ProgramSettings::timeoutMs, ms); }
void SettingsModel::setChecksums(bool on) { setMember(&ProgramSettings::checksums, on); }
void SettingsModel::setProductCount(int n) { setMember(&ProgramSettings::productCount, n); }
void SettingsModel::setCurrencyCount(int n) { setMember(&ProgramSettings::currencyCount, n); }
void SettingsModel::setLightingControl(bool on) { setMember(&ProgramSettings::lightingControl, on); }
void SettingsModel::setBrightnessControl(bool on) { setMember(&ProgramSettings::brightnessControl, on); }
void SettingsModel::setOneWay(bool on) { setMember(&ProgramSettings::oneWay, on); }
void SettingsModel::setFillMode(int mode) { setMember(&ProgramSettings::fillMode, mode); }
void SettingsModel::setBoardType(int type) { setMember(&ProgramSettings::boardType, type); }
void SettingsModel::setDigits(int digits) { setMember(&ProgramSettings::digits, digits); }

void SettingsModel::setShown(int slot, bool shown)
{
    if (slot < 1 || slot > 10)
        return;
    ProgramSettings s = m_program;
    s.shown[slot - 1] = shown;
    setProgram(s);
}

void SettingsModel::setProductName(int k, const QString &name)
{
    if (k < 1 || k > 10)
        return;
    ProgramSettings s = m_program;
    s.productNames[k - 1] = name;
    setProgram(s);
}

void SettingsModel::setCurrency(int r, const QString &currency)
{
    if (r < 1 || r > 5)
        return;
    ProgramSettings s = m_program;
    s.currencies[r - 1] = currency;
    setProgram(s);
}

bool SettingsModel::saveProgram(QString *error) const
{
    return SettingsStore::saveProgram(m_path, m_program, error);
}

bool SettingsModel::saveController(QString *error) const
{
    return SettingsStore::saveController(m_path, m_controller, error);
}

namespace {
// The values that are not selectors: the corrections and the day and night levels.
constexpr ControllerField ValueFields[] = {ControllerField::MorningCorrection, ControllerField::EveningCorrection,
                                           ControllerField::DayLevel,          ControllerField::NightLevel,
                                           ControllerField::OffCorrection,     ControllerField::OnCorrection};
} // namespace

void SettingsModel::choose(ControllerField f, int value)
{
    markKnown(f);
    setControllerValue(f, value);
    emit chosen(f, value);
}

void SettingsModel::chooseSwitchTime(SwitchTime t, const QString &text)
{
    markTimeKnown(t);
    setSwitchTime(t, text);
    emit timeChosen(t, text);
}

void SettingsModel::forgetController(bool stored)
{
    m_known.fill(false);
    m_timeKnown.fill(stored);
    for (ControllerField f : ValueFields)
        m_known[int(f)] = stored;
}

bool SettingsModel::controllerSettled() const
{
    for (ControllerField f : ValueFields)
        if (!isKnown(f))
            return false;
    for (bool known : m_timeKnown)
        if (!known)
            return false;
    return true;
}

QStringList SettingsModel::unknownSetsParts() const
{
    using F = ControllerField;
    const ControllerConfig &c = m_controller;
    QStringList unknown;
    const auto need = [&](bool known, const char *name) {
        if (!known)
            unknown << QLatin1String(name);
    };
    // An automatic item also needs its mode.
    need(isKnown(F::Brightness) && (c.brightness < 5 || isKnown(F::BrightnessMode)), "brightness");
    need(isKnown(F::Lighting) && (c.lighting < 2 || isKnown(F::LightingMode)), "lighting");
    need(isKnown(F::Flash), "flash");
    need(isTimeKnown(SwitchTime::Morning), "morning time");
    need(isTimeKnown(SwitchTime::Evening), "evening time");
    need(isKnown(F::MorningCorrection), "morning correction");
    need(isKnown(F::EveningCorrection), "evening correction");
    need(isKnown(F::DayLevel), "day brightness");
    need(isKnown(F::NightLevel), "night brightness");
    need(isTimeKnown(SwitchTime::Off), "switch-off time");
    need(isTimeKnown(SwitchTime::On), "switch-on time");
    need(isKnown(F::OffCorrection), "switch-off correction");
    need(isKnown(F::OnCorrection), "switch-on correction");
    need(isKnown(F::TimerUsed), "timer used");
    need(isKnown(F::TemperatureUsed), "temperature sensor used");
    need(isKnown(F::Section), "temperature and clock section");
    need(isKnown(F::Events) || m_program.oneWay, "events");
    need(isKnown(F::Inverse), "inverse signals");
    need(isKnown(F::ControlledBy), "controlled by");
    return unknown;
}

ControllerConfig SettingsModel::settleForSend()
{
    ControllerConfig sent = controller();
    const ControllerField parameters[] = {ControllerField::Flash,   ControllerField::TimerUsed,
                                          ControllerField::TemperatureUsed, ControllerField::Section,
                                          ControllerField::Events,  ControllerField::Inverse,
                                          ControllerField::ControlledBy};
    for (ControllerField f : parameters)
        if (controllerValue(f) < 0)
            setControllerValue(f, 0);
    const ControllerConfig now = controller();
    for (ControllerField f : parameters)
        valueOf(sent, f) = valueOf(now, f);
    for (ControllerField f : {ControllerField::MorningCorrection, ControllerField::EveningCorrection,
                              ControllerField::OffCorrection, ControllerField::OnCorrection, ControllerField::DayLevel,
                              ControllerField::NightLevel})
        valueOf(sent, f) = valueOf(now, f);
    return sent;
}
