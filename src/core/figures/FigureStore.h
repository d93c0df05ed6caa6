#pragma once
// The ten figures as the program holds them: each slot's stored text (what the data file is
// saved from and what an edit is formatted against), the data file's content as last loaded
// (what the automatic upload compares), and the data file's load and save.
#include <QByteArray>
#include <QChar>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

#include "core/files/DataFile.h"

// The ten figures of a data file's lines, each formatted as a figure field formats what
// reaches it, cleaned of foreign characters. A missing or empty line counts as five blanks.
// `previous` holds the slots' figures before this load (for the position of the point).
QStringList figuresFromDataLines(const QList<QByteArray> &lines, const QStringList &previous, QChar lastKey,
                                 int digits, QChar fillChar, bool blankMode);
// The same, for a first load with the digits and the fill of `settings`.
struct ProgramSettings;
QStringList figuresFromDataLines(const QList<QByteArray> &lines, const ProgramSettings &settings);

class FigureStore : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // How the lines of a loaded file are formatted, as a figure field formats what reaches it.
    struct Formatting {
        QChar lastKey;     // the last character typed into any figure field
        int digits = 5;
        QChar fill = QLatin1Char('0');
        bool blankMode = false;
    };
    enum class Load {
        Loaded,    // the figures and the content are the file's
        Missing,   // there is no data file: nothing changed
        NotYet,    // the poll read a file that looks incomplete for the first time: nothing changed
        Failed     // the file could not be read (see the error): nothing changed
    };

    QString figure(int slot) const { return slot >= 1 && slot <= 10 ? m_figures[slot - 1] : QString(); }
    // Announces a real change with figureChanged(), which the figure fields show; `fromBoard`:
    // the board's own text (a read), which is shown as it came.
    void setFigure(int slot, const QString &text, bool fromBoard = false);
    QStringList figures() const { return {m_figures.begin(), m_figures.end()}; }

    // The formatted figures of the last load joined, or empty when nothing was loaded since
    // forgetLoadedContent().
    const QString &loadedContent() const { return m_loadedContent; }
    void forgetLoadedContent() { m_loadedContent.clear(); }

    // Reads the data file at `path` into the figures, each line formatted against its slot's
    // stored text; a missing or empty line counts as five blanks. `poll`: the automatic load's
    // memory, which takes a file that looks incomplete only when read the same twice.
    Load load(const QString &path, const Formatting &formatting, DataFile::PollMemory *poll, QString *error);
    // Writes the stored figures to `path`, one per line, replacing the file in one step.
    bool save(const QString &path, QString *error) const;
    // Writes the data file a new installation starts with: ten lines "0.000".
    static bool create(const QString &path, QString *error);

signals:
    void figureChanged(int slot, const QString &text, bool fromBoard);

private:
    std::array<QString, 10> m_figures;
    QString m_loadedContent;
};
