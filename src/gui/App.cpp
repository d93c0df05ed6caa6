#include "gui/App.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <utility>

#include "core/board/EventListener.h"
#include "core/files/ProgramPaths.h"
#include "core/link/QtSerialLink.h"
#include "core/operations/BoardOperations.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "gui/Platform.h"

App::App(const QString &folder, QObject *parent) : QObject(parent)
{
    if (folder.isEmpty()) {
        // Beside the executable when its folder can be written, else the per-user folders.
        const ProgramPaths paths = currentProgramPaths();
        settingsFilePath = paths.settingsFile;
        dataFilePath = paths.dataFile;
        scheduleFilePath = paths.scheduleFile;
    } else {
        const QDir dir(QDir::fromNativeSeparators(folder));
        settingsFilePath = dir.filePath(QStringLiteral("Quorvanel_tablo.ini"));
        dataFilePath = dir.filePath(QStringLiteral("Tablo_data.tbl"));
    }
    settings = new SettingsModel(settingsFilePath, this);
    ControllerConfig controller = settings->controller();
    for (SwitchTime t : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
        textOf(controller, t) = QStringLiteral("00:00:00");
    settings->setController(controller);
    serialLink = new QtSerialLink(this);
    boardSession = new BoardSession(serialLink, nullptr, this);
    eventListener = new EventListener(boardSession, this);
    dataFileUploader = new DataFileUploader(this);
    operations = new BoardOperations(*boardSession, *settings, this);
    // Reopening a closed port saves the settings, as the operator's port choice does.
    connect(operations, &BoardOperations::portReopened, this, [this](bool wasClosed, bool failed) {
        if (wasClosed)
            saveProgramSettings();
        emit portReopened(failed);
    });
    operations->setReady([this] { return !workRunning() && !closing; });
    m_settingsTimer = new QTimer(this);
    m_settingsTimer->setObjectName(QStringLiteral("waitingSettingsTimer"));
    m_settingsTimer->setInterval(20);
    m_settingsTimer->setSingleShot(true);
    connect(m_settingsTimer, &QTimer::timeout, this, [this] { sendWaitingControllerSettings(); });
    connect(settings, &SettingsModel::chosen, this, [this](ControllerField f, int value) {
        if (boardBusy())
            m_heldChoices.insert(f, value);
    });
    connect(settings, &SettingsModel::timeChosen, this, [this](SwitchTime t, const QString &text) {
        if (boardBusy())
            m_heldTimes.insert(t, text);
    });
    // Choices made during an exchange are kept only for the controller settings they wait with.
    connect(boardSession, &BoardSession::busyChanged, this, [this](bool busy) {
        if (!busy && !m_settingsWaiting) {
            m_heldChoices.clear();
            m_heldTimes.clear();
        }
    });
}

void App::restoreHeldChoices()
{
    const QMap<ControllerField, int> choices = std::exchange(m_heldChoices, {});
    const QMap<SwitchTime, QString> times = std::exchange(m_heldTimes, {});
    // Shown again without a command of their own: the configuration goes out once, after.
    const bool wasLoading = std::exchange(loadingSettings, true);
    for (auto it = times.begin(); it != times.end(); ++it)
        settings->chooseSwitchTime(it.key(), it.value());
    for (auto it = choices.begin(); it != choices.end(); ++it)
        settings->choose(it.key(), it.value());
    if (!times.isEmpty())
        switchAutomaticModes();   // the time pickers show the times again
    loadingSettings = wasLoading;
}

bool App::boardBusy() const
{
    // Applying an upload's read-back is the program's own work, not a wait for the board.
    return boardSession->isBusy()
           || (operations->running() == BoardOperations::Kind::Upload && m_work != Work::ApplyingReading);
}

bool App::readRunning() const
{
    return operations->running() == BoardOperations::Kind::Read || m_work == Work::ApplyingReading;
}

bool App::workRunning() const
{
    return boardSession->isBusy() || operations->isBusy() || m_work != Work::None || loadingSettings || startingUp;
}

void App::sendControllerSettingsLater()
{
    m_settingsWaiting = true;
    m_settingsTimer->start();
}

void App::sendWaitingControllerSettings()
{
    if (closing || !m_settingsWaiting) {
        m_settingsWaiting = false;   // after "Exit" nothing more goes to the board
        return;
    }
    if (workRunning()) {
        m_settingsTimer->start();
        return;
    }
    m_settingsWaiting = false;
    restoreHeldChoices();
    sendControllerSettings();
}

App::~App() = default;

int App::execModal(QDialog *dialog)
{
    if (modalHook)
        return modalHook(dialog);
    return dialog->exec();
}

void App::showError(const QString &message)
{
    reportedErrors.append(message);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Exchange_Tablo"), message, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("ErrorBox"));
    execModal(&box);
}

void App::beep()
{
    ++beepCount;
    QApplication::beep();
}

void App::startEditor(const QString &path)
{
    if (editorHook) {
        editorHook(path);
        return;
    }
    Platform::openInTextEditor(path);
}

bool App::trayAvailable() const
{
    if (trayAvailableOverride)
        return *trayAvailableOverride;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QDate App::today() const { return todayHook ? todayHook() : QDate::currentDate(); }

QString App::schedulePath() const
{
    const QString name = QStringLiteral("Shedule.shd");
    if (!scheduleDir.isEmpty())
        return QDir(scheduleDir).filePath(name);
    return scheduleFilePath.isEmpty() ? name : scheduleFilePath;
}

void App::saveProgramSettings()
{
    if (loadingSettings || startingUp)
        return;
    QString error;
    if (!settings->saveProgram(&error))
        showError(error);
}

void App::saveControllerSettings()
{
    if (loadingSettings)
        return;
    // The section is never erased: other keys in it stay.
    QString error;
    if (!settings->saveController(&error))
        showError(error);
}

QChar App::fillChar() const { return settings->program().fillChar(); }

void App::reopenPort() { operations->reopenPort(); }

ExchangeOptions App::exchangeOptions() const
{
    return exchangeOptionsOf(settings->program());
}

void App::reportLookupFailure(const QString &message)
{
    // The outermost open operation tells whether its first failure was reported already.
    const bool reported = !m_lookupOperations.isEmpty() && m_lookupOperations.first()->m_failed;
    for (LookupOperation *operation : m_lookupOperations)
        operation->m_failed = true;
    if (!reported)
        showError(message);
}

LookupOperation::LookupOperation(App &app) : m_app(app) { m_app.m_lookupOperations.append(this); }

LookupOperation::~LookupOperation() { m_app.m_lookupOperations.removeOne(this); }
