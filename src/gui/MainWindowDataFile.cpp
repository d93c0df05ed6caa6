// The data file "Tablo_data.tbl": saving and loading the ten figures, and the automatic load
// poll.
#include <QCheckBox>
#include <QFile>
#include <QHideEvent>
#include <QLabel>
#include <QSpinBox>

#include "core/figures/FigureFormat.h"
#include "core/files/DataFile.h"
#include "core/services/DataFileUploader.h"
#include "core/settings/SettingsModel.h"
#include "gui/App.h"
#include "gui/MainWindow.h"

void MainWindow::saveDataFile()
{
    QStringList figures;
    for (int k = 1; k <= 10; ++k)
        figures << app.storedFigures[k];
    QString error;
    if (!DataFile::writeFileSafely(app.dataFilePath, DataFile::compose(figures), &error)) {
        app.showError(error);
        return;
    }
    statusPanels->setPanelText(0, QStringLiteral("Saved"));
}

namespace {

// Reads the data file into the stored figures and the fields, and uploads it when it changed.
// `poll`: the automatic load's memory; a content it does not take yet leaves the fields, the
// stored figures and the status as they are.
void load(MainWindow &w, DataFile::PollMemory *poll)
{
    App &app = w.app;
    if (!QFile::exists(app.dataFilePath)) {
        if (poll)
            poll->forget();
        // Showing the Settings dialog creates the file; nothing is loaded this time.
        app.runSettingsModal();
        return;
    }

    QByteArray content;
    QString error;
    const bool read = DataFile::readFile(app.dataFilePath, content, &error);
    if (poll && !read)
        poll->forget();
    else if (poll && !poll->takes(content))
        return; // a file that looks incomplete, read for the first time
    w.statusPanels->setPanelText(0, QStringLiteral("Loading"));
    if (!read) {
        app.showError(error);
        return; // fields, stored figures and the change detector stay as they were
    }

    // The lines come from a file, not from the board: they are always cleaned of foreign
    // characters, also when a board read falls back to the file.
    const QList<QByteArray> lines = DataFile::splitLines(content);
    app.loadedContent.clear();
    for (int k = 1; k <= 10; ++k) {
        QString line = k <= lines.size() ? QString::fromLatin1(lines.at(k - 1)) : QString();
        if (line.isEmpty())
            line = QStringLiteral("     ");
        const FormatResult r = formatFigure(line, app.storedFigures[k], w.lastKey, w.digits(), app.fillChar(),
                                            w.blankMode(), false);
        app.storedFigures[k] = r.text;
        app.loadedContent += r.text;
    }

    // A field that changes is formatted through its change event (and, with automatic
    // loading off, saves the file in its formatted form).
    for (int k = 1; k <= 10; ++k) {
        const QString figure = app.storedFigures[k];
        if (w.figureEdits[k]->text() != figure)
            w.figureEdits[k]->setText(figure);
    }

    // ---- Upload when the file's content changed ----
    w.uploadIfChanged();
    // ---- end of upload when changed ----

    w.statusPanels->setPanelText(0, QStringLiteral("Loaded"));
}

} // namespace

void MainWindow::loadDataFile()
{
    load(*this, nullptr);
}

void MainWindow::showDataFile()
{
    if (QFile::exists(app.dataFilePath))
        app.startEditor(app.dataFilePath);
    else
        app.runSettingsModal(); // showing the dialog creates the file
}

void MainWindow::onAutoLoadTick()
{
    // A board read writes the fields itself (and falls back to the file on its own). The file may
    // be caught while another program rewrites it: one that looks incomplete waits for the next poll.
    if (app.settings->program().autoLoad && !app.readRunning())
        load(*this, &app.dataFileUploader->pollMemory());
}

bool MainWindow::createDataFile()
{
    QString error;
    if (!DataFile::writeFileSafely(app.dataFilePath, QByteArray("0.000\r\n").repeated(10), &error)) {
        app.showError(error);
        return false;
    }
    return true;
}

void MainWindow::applyAutoLoadInterval()
{
    autoLoadTimer->setInterval(qBound(1000, app.settings->program().autoLoadIntervalMs, 1000000));
    if (app.settings->program().autoLoad)
        autoLoadTimer->start();
    else
        autoLoadTimer->stop();
}
