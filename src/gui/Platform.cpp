#include "gui/Platform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

namespace Platform {

#ifdef Q_OS_WIN
void openInTextEditor(const QString &path)
{
    QProcess::startDetached(QStringLiteral("Notepad.exe"), {QDir::toNativeSeparators(path)});
}
#else
// Starts the application a desktop file names (its Exec line, with the path for %f/%F/%u/%U),
// detached; false when there is none.
static bool startDesktopEntry(const QString &desktop, const QString &path)
{
    QFile f(desktop);
    if (desktop.isEmpty() || !f.open(QIODevice::ReadOnly))
        return false;
    const QString content = QString::fromUtf8(f.readAll());
    const QRegularExpression execLine(QStringLiteral("^Exec=(.*)$"), QRegularExpression::MultilineOption);
    const auto m = execLine.match(content);
    if (!m.hasMatch())
        return false;
    QStringList out;
    bool placed = false;
    for (const QString &a : QProcess::splitCommand(m.captured(1))) {
        if (a == QLatin1String("%f") || a == QLatin1String("%F") || a == QLatin1String("%u") || a == QLatin1String("%U")) {
            out << path;
            placed = true;
        } else if (!a.startsWith(QLatin1Char('%'))) {
            out << a;
        }
    }
    if (!placed)
        out << path;
    return !out.isEmpty() && QProcess::startDetached(out.takeFirst(), out);
}

// The application registered for text/plain, not the one for the file's extension (the data
// and schedule files have extensions no desktop knows). The question goes to xdg-mime without
// waiting for it: the editor starts when the answer comes.
void openInTextEditor(const QString &path)
{
    auto *query = new QProcess();
    QObject::connect(query, &QProcess::finished, query, [query, path] {
        const QString id = QString::fromLocal8Bit(query->readAllStandardOutput()).trimmed();
        const QString desktop = id.isEmpty() ? QString() : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
        if (!startDesktopEntry(desktop, path))
            QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        query->deleteLater();
    });
    QObject::connect(query, &QProcess::errorOccurred, query, [query, path](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        query->deleteLater();
    });
    query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
}
#endif

} // namespace Platform
