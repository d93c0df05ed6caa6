#include "gui/App.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include "core/board/EventListener.h"
#include "core/files/ProgramPaths.h"
#include "core/link/QtSerialLink.h"
#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
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
    service = new BoardService(*boardSession, *settings, this);
    workflow = new ControllerWorkflow(*service, *settings, this);
    // Reopening a closed port saves the settings, as the operator's port choice does.
    connect(service, &BoardService::portReopened, this, [this](bool wasClosed, bool failed) {
        if (wasClosed)
            saveProgramSettings();
        emit portReopened(failed);
    });
    connect(workflow, &ControllerWorkflow::errorReported, this, &App::showError);
    connect(workflow, &ControllerWorkflow::saveFailed, this, &App::showError);
}

App::~App() = default;

void App::openModal(QDialog *dialog)
{
    if (modalHook) {
        modalHook(dialog);
        return;
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->open();
}

void App::showError(const QString &message)
{
    reportedErrors.append(message);
    auto *box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Exchange_Tablo"), message, QMessageBox::Ok);
    box->setObjectName(QStringLiteral("ErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (modalHook) {
        modalHook(box);
        delete box;
        return;
    }
    openModal(box);
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
    if (workflow->loading() || startingUp)
        return;
    QString error;
    if (!settings->saveProgram(&error))
        showError(error);
}

void App::saveControllerSettings()
{
    if (workflow->loading())
        return;
    // The section is never erased: other keys in it stay.
    QString error;
    if (!settings->saveController(&error))
        showError(error);
}

QChar App::fillChar() const { return settings->program().fillChar(); }

void App::reopenPort() { service->reopenPort(); }
