// Program entry: one instance, every window created hidden, then the message loop. The
// start-up step (100 ms later) loads the settings and shows the main window.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "app/Program.h"
#include "gui/MainWindow.h"
#include "app/SingleInstance.h"
#include "gui/widgets/Pictures.h"

int main(int argc, char **argv)
{
    QApplication qapp(argc, argv);
    SingleInstance guard;
    switch (guard.start()) {
    case SingleInstance::OtherAnswered:
        return 0;
    case SingleInstance::LockFailed: {
        QMessageBox box(QMessageBox::NoIcon, QString(), guard.error(), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    case SingleInstance::Run:
        break;
    }
    QApplication::setApplicationName(QStringLiteral("Exchange_Tablo"));
    // The launcher's name: the desktop matches the window to its entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("tablo"));
    QApplication::setWindowIcon(QIcon(Pictures::trayIcon()));
    QApplication::setQuitOnLastWindowClosed(false);
    guard.listen();

    Program program;
    program.createWindows();
    QObject::connect(program.mainWindow, &MainWindow::exited, &qapp, &QApplication::quit, Qt::QueuedConnection);
    return qapp.exec();
}
