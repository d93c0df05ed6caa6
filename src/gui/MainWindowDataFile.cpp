// The data file "Tablo_data.tbl": saving and loading the ten figures, and the automatic load
// poll.
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QLabel>
#include <QSpinBox>
#include <optional>
#include <utility>

#include "core/figures/FigureStore.h"
#include "core/operations/BoardService.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

void MainWindow::saveDataFile()
{
    QString error;
    if (!app.service->figures().save(app.dataFilePath, &error)) {
        app.showError(error);
        return;
    }
    statusPanels->setPanelText(0, QStringLiteral("Saved"));
}

// Reads the data file into the stored figures and the fields, and uploads it when it changed.
// `poll`: the automatic load's memory; a content it does not take yet leaves the fields, the
// stored figures and the status as they are.
void MainWindow::loadDataFile(DataFile::PollMemory *poll)
{
    FigureStore &figures = app.service->figures();
    QString error;
    // The lines come from a file, not from the board: they are always cleaned of foreign
    // characters, also when a board read falls back to the file.
    const FigureStore::Formatting formatting{lastKey, digits(), app.fillChar(), blankMode()};
    std::optional<SaveBatch> batch(std::in_place, *this);
    switch (figures.load(app.dataFilePath, formatting, poll, &error)) {
    case FigureStore::Load::Missing:
        // Showing the Settings dialog creates the file; nothing is loaded this time.
        emit dataFileMissing();
        return;
    case FigureStore::Load::NotYet:
        return; // a file that looks incomplete, read for the first time
    case FigureStore::Load::Failed:
        statusPanels->setPanelText(0, QStringLiteral("Loading"));
        app.showError(error);
        return; // fields, stored figures and the change detector stay as they were
    case FigureStore::Load::Loaded:
        statusPanels->setPanelText(0, QStringLiteral("Loading"));
        break;
    }

    // The fields took the figures from the store, each formatted through its change event
    // (and, with automatic loading off, the file is saved in its formatted form).
    batch.reset();
    uploadIfChanged();

    statusPanels->setPanelText(0, QStringLiteral("Loaded"));
}

void MainWindow::showDataFile()
{
    if (QFile::exists(app.dataFilePath))
        app.startEditor(app.dataFilePath);
    else
        emit dataFileMissing(); // showing the dialog creates the file
}

void MainWindow::onAutoLoadTick()
{
    // A board read writes the fields itself (and falls back to the file on its own). The file may
    // be caught while another program rewrites it: one that looks incomplete waits for the next poll.
    if (app.settings->program().autoLoad && app.service->running() != BoardReply::Kind::Read)
        loadDataFile(&app.dataFileUploader->pollMemory());
}

bool MainWindow::createDataFile()
{
    QString error;
    if (!FigureStore::create(app.dataFilePath, &error)) {
        app.showError(error);
        return false;
    }
    return true;
}

void MainWindow::pauseAutoLoad() { autoLoadTimer->stop(); }

void MainWindow::storeFigures()
{
    for (int k = 1; k <= 10; ++k)
        app.service->figures().setFigure(k, figureEdits[k]->text());
}

void MainWindow::applyAutoLoadInterval()
{
    autoLoadTimer->setInterval(qBound(1000, app.settings->program().autoLoadIntervalMs, 1000000));
    if (app.settings->program().autoLoad)
        autoLoadTimer->start();
    else
        autoLoadTimer->stop();
}
