#pragma once
// A fresh application context for a test: its own program folder, every window created,
// modal dialogs answered instead of blocking, and the start-up step run on demand.
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

#include "core/settings/SettingsModel.h"
#include "app/Program.h"
#include "core/operations/BoardService.h"
#include "gui/MainWindow.h"

// Runs one exchange of `command` and lets the application run until it ends.
inline ExchangeResult exchangeAndWait(BoardSession &session, const QByteArray &command, const ExchangeOptions &options)
{
    std::optional<ExchangeResult> result;
    session.startExchange(command, options, [&result](const ExchangeResult &r) { result = r; });
    [[maybe_unused]] const bool ended = QTest::qWaitFor([&result] { return result.has_value(); }, 600000);
    return result.value_or(ExchangeResult{});
}

class TestApp {
public:
    // `ini` (optional) is written as the settings file before the windows are made.
    explicit TestApp(const QByteArray &ini = QByteArray(), bool withDataFile = true)
    {
        dir = std::make_unique<QTemporaryDir>();
        if (!ini.isNull())
            writeFile(QStringLiteral("Quorvanel_tablo.ini"), ini);
        if (withDataFile)
            writeFile(QStringLiteral("Tablo_data.tbl"), QByteArray("1.0000\r\n").repeated(10));
        app = std::make_unique<Program>(dir->path());
        app->trayAvailableOverride = false;
        app->scheduleDir = dir->path();
        app->editorHook = [this](const QString &p) { editorStarts << p; };
        app->modalHook = [this](QDialog *d) {
            modals << d->objectName();
            if (onModal)
                onModal(d);
            // A dialog that shows itself hides when answered.
            d->hide();
            return int(QDialog::Accepted);
        };
        app->createWindows();
        // The start-up step runs when the test says so, not from the timer.
        app->mainWindow->startUpTimer->stop();
    }
    ~TestApp()
    {
        app.reset();
    }

    // Runs the start-up step (settings load, window shown, port opened).
    void startUp() { app->runStartUpStep(); }

    QString path(const QString &name) const { return QDir(dir->path()).filePath(name); }
    void writeFile(const QString &name, const QByteArray &data) const
    {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(data);
    }
    QByteArray readFile(const QString &name) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::ReadOnly))
            return QByteArray();
        return f.readAll();
    }
    bool exists(const QString &name) const { return QFile::exists(path(name)); }

    MainWindow *mainWindow() const { return app->mainWindow; }

    // Lets the program run until no board operation runs or waits.
    bool settle(int timeoutMs = 20000) const
    {
        const auto idle = [this] { return app->service->isIdle(); };
        return QTest::qWaitFor(idle, timeoutMs);
    }

    // Every controller value counts as known, as after a read of the board: "SETS=" may go out.
    void knowController() const
    {
        for (int f = 0; f < ControllerFieldCount; ++f)
            app->settings->markKnown(ControllerField(f));
        for (SwitchTime s : {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On})
            app->settings->markTimeKnown(s);
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Program> app;
    QStringList modals;          // objectNames of the modal dialogs shown, in order
    QStringList editorStarts;    // files opened in the text editor
    std::function<void(QDialog *)> onModal;
};
