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
// The application registered for text/plain, not the one for the file's extension (the data
// and schedule files have extensions no desktop knows).
static QString textPlainDesktopFile()
{
    QProcess q;
    q.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!q.waitForFinished(3000))
        return {};
    const QString id = QString::fromLocal8Bit(q.readAllStandardOutput()).trimmed();
    if (id.isEmpty())
        return {};
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id);
}

void openInTextEditor(const QString &path)
{
    const QString desktop = textPlainDesktopFile();
    QFile f(desktop);
    if (!desktop.isEmpty() && f.open(QIODevice::ReadOnly)) {
        const QString content = QString::fromUtf8(f.readAll());
        const QRegularExpression execLine(QStringLiteral("^Exec=(.*)$"), QRegularExpression::MultilineOption);
        const auto m = execLine.match(content);
        if (m.hasMatch()) {
            QStringList args = QProcess::splitCommand(m.captured(1));
            QStringList out;
            bool placed = false;
            for (const QString &a : args) {
                if (a == QLatin1String("%f") || a == QLatin1String("%F") || a == QLatin1String("%u") ||
                    a == QLatin1String("%U")) {
                    out << path;
                    placed = true;
                } else if (!a.startsWith(QLatin1Char('%'))) {
                    out << a;
                }
            }
            if (!placed)
                out << path;
            if (!out.isEmpty() && QProcess::startDetached(out.takeFirst(), out))
                return;
        }
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
#endif

} // namespace Platform
