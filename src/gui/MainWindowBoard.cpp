// The figure upload ("SEND=" with its verifying read-back) and the board read ("READ=").
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <utility>

#include "core/operations/BoardOperations.h"
#include "core/protocol/Protocol.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/BoardReadingSettings.h"
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

bool MainWindow::exchangeRunning() const
{
    return app.boardSession->isBusy() || app.operations->isBusy()
           || app.operations->hasWaiting();
}

void MainWindow::requestUpload()
{
    if (exchangeRunning()) {
        pendingUploadTimer->start();
        return;
    }
    pendingUploadTimer->stop();
    uploadFigures();
}

void MainWindow::uploadFigures(std::function<void(bool)> done)
{
    lastUploadOk = false;
    // One upload at a time, and never inside a read or another exchange.
    if (exchangeRunning()) {
        if (done)
            done(false);
        return;
    }

    if (!app.settings->program().sendIfChanged && !testMode)
        saveDataFile();
    setCommandControlsEnabled(false);

    // The command carries the filler for a hidden slot, but the slot's stored text stays its
    // field's figure, so a later save of the data file keeps the figure.
    QStringList figures;
    std::array<bool, 10> shown;
    for (int i = 1; i <= 10; ++i) {
        figures << figureEdits[i]->text();
        app.operations->figures().setFigure(i, figures.last());
        shown[i - 1] = slotShown(i);
    }

    statusPanels->setPanelText(0, QStringLiteral("Sending"));
    m_uploadDone = std::move(done);
    app.operations->requestFigures(figures, shown);
}

void MainWindow::onOperationStarted(BoardOperations::Kind kind)
{
    if (kind == BoardOperations::Kind::Read)
        setCommandControlsEnabled(false);
}

void MainWindow::onUploadFinished(const UploadResult &result)
{
    if (result.verified) {
        // The read-back ends like a read: the board's other fields are stored, the settings saved.
        const LookupOperation operation(app);
        {
            const App::WorkScope reading(app, App::Work::ApplyingReading);
            applyReadResult(result.readBack, true);
            setCommandControlsEnabled(true);
        }
        app.saveProgramSettings();
    }

    switch (result.outcome) {
    case UploadResult::ConnectionError:
        statusPanels->setPanelText(0, QStringLiteral("Connection error"));
        app.beep();
        app.showNotice(App::Notice::ConnectionError);
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
        app.showNotice(App::Notice::UploadError);
        break;
    default:
        break;
    }

    setCommandControlsEnabled(true);
    if (m_uploadDone)
        std::exchange(m_uploadDone, nullptr)(lastUploadOk);
}

void MainWindow::readBoard()
{
    if (app.exchangeOptions().oneWay) {
        // One-way link: nothing can come back; the saved controller settings stand instead.
        app.loadControllerSettings();
        return;
    }
    app.operations->requestRead();
}

void MainWindow::onReadFinished(const ReadResult &result)
{
    if (result.outcome == ReadResult::OneWay) {
        // The link became one-way while the read waited: as for a one-way read, the saved
        // controller settings stand instead.
        setCommandControlsEnabled(true);
        app.loadControllerSettings();
        return;
    }
    // What the read applies may run the schedule lookup many times: one report at most.
    const LookupOperation operation(app);
    applyReadResult(result, false);
    setCommandControlsEnabled(true);
    app.saveProgramSettings();
}

void MainWindow::applyReadResult(const ReadResult &result, bool readBack)
{
    if (result.outcome == ReadResult::ReadOk) {
        // What the board reported besides its figures; a 31-field reply leaves "controlled by"
        // as it was.
        const QByteArray controlledBy = boardState.controlledBy;
        boardState = result.reading;
        if (parseBoardReading(result.exchange.reply, result.reading).fields < 32)
            boardState.controlledBy = controlledBy;

        if (readBack) {
            // The stored figures stay what the fields hold; the board's texts are only compared.
            for (int k = 1; k <= 10; ++k)
                app.operations->figures().setFigure(k, figureEdits[k]->text());
        } else {
            applyReadReply(result.reading.figures);
        }

        progressBar->setValue(1000);
        statusPanels->setPanelText(0, QStringLiteral("Reading Ok"));

        const bool timer = boardState.timerUsed.trimmed() == "1";
        const bool modem = boardState.controlledBy.trimmed() == "1";
        emit controllerCommandsAvailable(timer || modem, modem);
    }

    if (!readBack) {
        if (result.outcome == ReadResult::DataError) {
            loadDataFile();
            statusPanels->setPanelText(0, QStringLiteral("Data error"));
            app.beep();
            app.showNotice(App::Notice::ReadError);
        }
        if (result.outcome == ReadResult::ConnectionError) {
            loadDataFile();
            statusPanels->setPanelText(1, QString());
            statusPanels->setPanelText(2, QString());
            app.loadControllerSettings();
            statusPanels->setPanelText(0, QStringLiteral("Connection error, data loaded from file"));
            app.beep();
        }
    }

    // Rebuilds the selectors; the settings send it would start is held back: the read still runs.
    app.offerAutomaticModes();
}

void MainWindow::applyReadReply(const std::array<QByteArray, 10> &figures)
{
    SettingsModel *settings = app.settings;
    const BoardReading &board = boardState;

    // Figures: a shown slot takes the board's figure through its field (which formats and
    // stores it); a hidden slot keeps its field's figure as its stored text.
    for (int k = 1; k <= 10; ++k) {
        if (slotShown(k)) {
            const QString text = QString::fromLatin1(figures[k - 1]);
            app.operations->figures().setFigure(k, text);
            figureEdits[k]->setText(text);
        } else {
            app.operations->figures().setFigure(k, figureEdits[k]->text());
        }
    }
    if (!settings->program().autoLoad)
        saveDataFile();

    takeControllerReading(*settings, board);
    app.switchAutomaticMode(false);
    app.switchAutomaticMode(true);

    takeSectionReading(*settings, board);

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
    // raise one dialog after another. The upload itself is the figures in the fields.
    const bool errorShowing = app.uploadErrorShowing();
    const FigureStore &figures = app.operations->figures();
    app.dataFileUploader->offer(figures.loadedContent(), figures.figures(), app.settings->program().sendIfChanged && !app.loadingSettings,
                              errorShowing);
}
