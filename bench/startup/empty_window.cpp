// An empty Qt window shown at once: the yardstick of the start-up benchmark.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.resize(370, 285);
    w.show();
    return app.exec();
}
