// Where the start-up's time goes inside the process: the application object, the program and
// its core, each window, the start-up step (settings, data file, selectors, port), and the main
// window's first paint. Prints the median of each over the runs (offscreen, or xcb when a
// DISPLAY is set). The 100 ms wait before the start-up step is not in these figures.
//
//   bench_startup_steps [runs, default 20]
#include <QApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

#include "../tests/common/TestApp.h"

int main(int argc, char **argv)
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    const double appMs = clock.nsecsElapsed() / 1e6;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;
    QMap<QString, QList<double>> steps;
    for (int i = 0; i < runs + 1; ++i) {
        QTemporaryDir dir;
        {
            QFile f(dir.filePath("Tablo_data.tbl"));
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray("1.0000\r\n").repeated(10));
        }
        QElapsedTimer t;
        t.start();
        double last = 0;
        QList<QPair<QString, double>> run;
        const auto mark = [&](const QString &name) {
            const double now = t.nsecsElapsed() / 1e6;
            run << qMakePair(name, now - last);
            last = now;
        };
        Program program(dir.path());
        program.trayAvailableOverride = false;
        mark("program and core");
        program.createWindows();
        program.mainWindow->startUpTimer->stop();
        mark("windows created");
        program.runStartUpStep();
        mark("start-up step");
        program.mainWindow->repaint();
        QCoreApplication::processEvents();
        mark("first paint");
        program.loadProgramSettings();
        mark("settings loaded again");
        program.reopenPort();
        mark("port opened again");
        if (i > 0)   // the first run warms the caches
            for (const auto &[name, ms] : run)
                steps[name] << ms;
    }
    std::printf("QApplication: %.1f ms (once)\n", appMs);
    for (const QString &name : {"program and core", "windows created", "start-up step", "first paint",
                                "settings loaded again", "port opened again"}) {
        QList<double> v = steps.value(name);
        std::sort(v.begin(), v.end());
        std::printf("%-18s median %.2f ms (min %.2f, max %.2f) over %d runs\n", qPrintable(name), v[v.size() / 2],
                    v.first(), v.last(), int(v.size()));
    }
    return 0;
}
