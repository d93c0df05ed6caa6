#include "core/figures/FigureStore.h"

#include <QFile>

#include "core/figures/FigureFormat.h"
#include "core/settings/ProgramSettings.h"

QStringList figuresFromDataLines(const QList<QByteArray> &lines, const QStringList &previous, QChar lastKey,
                                 int digits, QChar fillChar, bool blankMode)
{
    QStringList out;
    for (int k = 0; k < 10; ++k) {
        QString line = k < lines.size() ? QString::fromLatin1(lines.at(k)) : QString();
        if (line.isEmpty())
            line = QStringLiteral("     ");
        // The lines come from a file, not from the board: always cleaned of foreign characters.
        out << formatFigure(line, previous.value(k), lastKey, digits, fillChar, blankMode, false).text;
    }
    return out;
}

QStringList figuresFromDataLines(const QList<QByteArray> &lines, const ProgramSettings &s)
{
    return figuresFromDataLines(lines, {}, QChar(), s.digits, s.fillChar(), s.fillMode == 1);
}

void FigureStore::setFigure(int slot, const QString &text, bool fromBoard)
{
    if (slot < 1 || slot > 10 || m_figures[slot - 1] == text)
        return;
    m_figures[slot - 1] = text;
    emit figureChanged(slot, text, fromBoard);
}

FigureStore::Load FigureStore::load(const QString &path, const Formatting &f, DataFile::PollMemory *poll,
                                    QString *error)
{
    if (!QFile::exists(path)) {
        if (poll)
            poll->forget();
        return Load::Missing;
    }
    QByteArray content;
    const bool read = DataFile::readFile(path, content, error);
    if (poll && !read)
        poll->forget();
    else if (poll && !poll->takes(content))
        return Load::NotYet;
    if (!read)
        return Load::Failed;

    const QStringList formatted =
        figuresFromDataLines(DataFile::splitLines(content), figures(), f.lastKey, f.digits, f.fill, f.blankMode);
    m_loadedContent.clear();
    for (int k = 0; k < 10; ++k) {
        setFigure(k + 1, formatted.value(k));
        m_loadedContent += m_figures[k];
    }
    return Load::Loaded;
}

bool FigureStore::save(const QString &path, QString *error) const
{
    // A file that already holds these figures is left as it is: a safe write costs a sync.
    const QByteArray content = DataFile::compose(figures());
    QByteArray stored;
    if (DataFile::readFile(path, stored, nullptr) && stored == content)
        return true;
    return DataFile::writeFileSafely(path, content, error);
}

bool FigureStore::create(const QString &path, QString *error)
{
    return DataFile::writeFileSafely(path, QByteArray("0.000\r\n").repeated(10), error);
}
