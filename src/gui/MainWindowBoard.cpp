// What the main window shows of the board's requests: the figure upload ("SEND=" with its
// verifying read-back) and the board read ("READ="), as the board service reports them.
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <utility>

#include "core/operations/BoardService.h"
#include "core/operations/ControllerWorkflow.h"
#include "core/protocol/Protocol.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"


void MainWindow::onExchangeStarted()
{
    clockAndEventTimer->stop();
    autoLoadTimer->stop();
}

void MainWindow::onExchangeFinished()
{
    if (app.settings->program().autoLoad)
        applyAutoLoadInterval();
    clockAndEventTimer->start();
}

void MainWindow::showStatus(const QString &text) { statusPanels->setPanelText(0, text); }

void MainWindow::showProgress(int value) { progressBar->setValue(value); }

bool MainWindow::slotShown(int k) const
{
    QCheckBox *box = (k % 2) ? oddSlotBoxes[(k + 1) / 2] : evenSlotBoxes[k / 2];
    return box && box->isChecked();
}

BoardReply *MainWindow::requestUpload(const QString &source)
{
    // The figures are kept in the data file at once (not with automatic sending, and not the
    // test patterns); the upload takes them from the store when it starts.
    if (!app.settings->program().sendIfChanged && !testMode)
        saveDataFile();
    return app.service->upload(source);
}

void MainWindow::onRequestStarted(BoardReply *reply)
{
    switch (reply->kind()) {
    case BoardReply::Kind::Upload:
        lastUploadOk = false;
        setCommandControlsEnabled(false);
        statusPanels->setPanelText(0, QStringLiteral("Sending"));
        break;
    case BoardReply::Kind::Read:
        setCommandControlsEnabled(false);
        break;
    case BoardReply::Kind::Brightness:
        // The command that runs is the one the panel names (an earlier failure emptied it).
        statusPanels->setPanelText(1, QString::fromLatin1(reply->command()));
        break;
    case BoardReply::Kind::Lighting:
        statusPanels->setPanelText(2, app.settings->program().lightingControl ? QString::fromLatin1(reply->command())
                                                                             : QString());
        break;
    default:
        break;
    }
}

void MainWindow::onReplyFinished(BoardReply *reply)
{
    if (reply->status() != BoardReply::Status::Done)
        return;
    switch (reply->kind()) {
    case BoardReply::Kind::Upload:
        onUploadFinished(reply->upload());
        break;
    case BoardReply::Kind::Read:
        onReadFinished(reply->read());
        break;
    case BoardReply::Kind::Clock:
        setCommandControlsEnabled(true);
        break;
    default:
        break;
    }
}

void MainWindow::onUploadFinished(const UploadResult &result)
{
    if (result.verified) {
        // The read-back ends like a read: the board's other fields are stored, the settings saved.
        const ControllerWorkflow::Operation operation(*app.workflow);
        {
            const ControllerWorkflow::Quiet applying(*app.workflow);
            applyReadResult(result.readBack, true);
            setCommandControlsEnabled(true);
        }
        app.saveProgramSettings();
    }

    switch (result.outcome) {
    case UploadResult::ConnectionError:
        statusPanels->setPanelText(0, QStringLiteral("Connection error"));
        app.beep();
        emit noticeRequested(App::Notice::ConnectionError);
        break;
    case UploadResult::SentOk:
        statusPanels->setPanelText(0, QStringLiteral("Sent OK"));
        lastUploadOk = true;
        break;
    case UploadResult::DataError:
        // Accepted, but the read-back differs: first the acceptance, then the error.
        if (result.send.outcome == ExchangeResult::Ok)
            statusPanels->setPanelText(0, QStringLiteral("Sent OK"));
        statusPanels->setPanelText(0, QStringLiteral("Data error"));
        app.beep();
        emit noticeRequested(App::Notice::UploadError);
        break;
    default:
        break;
    }
    setCommandControlsEnabled(true);
}

void MainWindow::readBoard()
{
    if (app.settings->program().oneWay) {
        // One-way link: nothing can come back; the saved controller settings stand instead.
        app.workflow->loadStored();
        return;
    }
    app.service->read(QStringLiteral("read-button"));
}

void MainWindow::onReadFinished(const ReadResult &result)
{
    if (result.outcome == ReadResult::OneWay) {
        // The link became one-way while the read waited: as for a one-way read, the saved
        // controller settings stand instead.
        setCommandControlsEnabled(true);
        app.workflow->loadStored();
        return;
    }
    // What the read applies may run the schedule lookup many times: one report at most.
    const ControllerWorkflow::Operation operation(*app.workflow);
    applyReadResult(result, false);
    setCommandControlsEnabled(true);
    app.saveProgramSettings();
}

void MainWindow::applyReadResult(const ReadResult &result, bool readBack)
{
    const BoardReading &board = app.service->state().reading;
    if (result.outcome == ReadResult::ReadOk) {
        if (!readBack)
            applyReadReply();
        progressBar->setValue(1000);
        statusPanels->setPanelText(0, QStringLiteral("Reading Ok"));

        const bool timer = board.timerUsed.trimmed() == "1";
        const bool modem = board.controlledBy.trimmed() == "1";
        emit controllerCommandsAvailable(timer || modem, modem);
    }

    if (!readBack) {
        // The data file stands in for the board's figures, unless an upload waits with the
        // figures the operator asked for.
        const bool uploadWaits = app.service->isWaiting(BoardReply::Kind::Upload);
        if (result.outcome == ReadResult::DataError) {
            if (!uploadWaits)
                loadDataFile();
            statusPanels->setPanelText(0, QStringLiteral("Data error"));
            app.beep();
            emit noticeRequested(App::Notice::ReadError);
        }
        if (result.outcome == ReadResult::ConnectionError) {
            if (!uploadWaits)
                loadDataFile();
            statusPanels->setPanelText(1, QString());
            statusPanels->setPanelText(2, QString());
            app.workflow->loadStored();
            statusPanels->setPanelText(0, QStringLiteral("Connection error, data loaded from file"));
            app.beep();
        }
    }

    // Rebuilds the selectors; the settings send it would start is held back: the read still runs.
    const ControllerWorkflow::Quiet applying(*app.workflow);
    app.workflow->offerAutomaticModes();
}

void MainWindow::applyReadReply()
{
    SettingsModel *settings = app.settings;
    const BoardReading &board = app.service->state().reading;

    // The shown slots took the board's figures through the store (and their fields); with
    // automatic loading off the data file keeps them.
    if (!settings->program().autoLoad)
        saveDataFile();

    app.workflow->applyReading(board);

    statusPanels->setPanelText(2, settings->program().lightingControl
                                      ? QStringLiteral("LIGH=") + QString::fromLatin1(board.lightingState)
                                      : QString());
    const QString brightness = Protocol::brightnessPanelText(board.brightnessLevel);
    if (!brightness.isEmpty())
        statusPanels->setPanelText(1, brightness);
    if (settings->controllerValue(ControllerField::TemperatureUsed) == 1)
        statusPanels->setPanelText(3, Protocol::temperaturePanelText(board.temperature));
    else
        statusPanels->setPanelText(3, QString());

    app.saveProgramSettings();
}

void MainWindow::uploadIfChanged()
{
    // While an upload's error dialog shows (also from inside the upload that raised it), the
    // change waits, and is tried again only some time after: a board that is off must not
    // raise one dialog after another. The upload itself is the figures in the store.
    const FigureStore &figures = app.service->figures();
    app.dataFileUploader->offer(figures.loadedContent(), figures.figures(),
                                app.settings->program().sendIfChanged && !app.workflow->loading(),
                                app.uploadErrorShowing());
}
