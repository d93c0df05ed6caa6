// Draws the program's icon, the tray picture (a dark display with "8.8" in red), at every size the
// desktop's icon theme asks for and writes hicolor/<n>x<n>/apps/quorvanel-tablo.png below the
// folder given. The drawing is the tray picture's, made in its own 32-unit square and scaled, so
// each size is drawn sharp rather than enlarged from 32 pixels.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

static QImage icon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.setPen(QColor(0x80, 0, 0));
    p.drawRoundedRect(1, 5, 30, 22, 3, 3);
    QFont f;
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xFF, 0x40, 0x20));
    p.drawText(QRect(1, 5, 30, 22), Qt::AlignCenter, QStringLiteral("8.8"));
    return image;
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        if (!QDir().mkpath(folder) || !icon(size).save(folder + QStringLiteral("/quorvanel-tablo.png"))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
