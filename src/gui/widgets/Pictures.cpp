#include "gui/widgets/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace Pictures {

static void stripes(QPainter &p, const QList<QColor> &colours, bool vertical, int w, int h)
{
    const int n = colours.size();
    for (int i = 0; i < n; ++i) {
        if (vertical)
            p.fillRect(QRect(i * w / n, 0, (i + 1) * w / n - i * w / n, h), colours[i]);
        else
            p.fillRect(QRect(0, i * h / n, w, (i + 1) * h / n - i * h / n), colours[i]);
    }
}

QPixmap flag(int currency)
{
    const int w = FlagWidth, h = FlagHeight;
    QPixmap pm(w, h);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor red(0xB2, 0x22, 0x34), blue(0x3C, 0x3B, 0x6E), white(Qt::white);
    switch (currency) {
    case 0: // stars and stripes
        for (int i = 0; i < 7; ++i)
            p.fillRect(QRectF(0, i * h / 6.5, w, h / 13.0), red);
        p.fillRect(QRect(0, 0, w * 2 / 5, h * 7 / 13), blue);
        p.setPen(Qt::white);
        for (int y = 2; y < h * 7 / 13 - 1; y += 4)
            for (int x = 2; x < w * 2 / 5 - 1; x += 4)
                p.drawPoint(x, y);
        break;
    case 1: { // blue field with a ring of stars
        p.fillRect(pm.rect(), QColor(0, 0x33, 0x99));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xFF, 0xCC, 0));
        for (int i = 0; i < 12; ++i) {
            const double a = i * 3.14159265 / 6;
            p.drawEllipse(QPointF(w / 2.0 + 9 * std::cos(a), h / 2.0 + 9 * std::sin(a)), 1.3, 1.3);
        }
        break;
    }
    case 2: { // union cross
        p.fillRect(pm.rect(), QColor(0x01, 0x21, 0x69));
        p.setPen(QPen(white, 6));
        p.drawLine(0, 0, w, h);
        p.drawLine(0, h, w, 0);
        p.setPen(QPen(QColor(0xC8, 0x10, 0x2E), 2));
        p.drawLine(0, 0, w, h);
        p.drawLine(0, h, w, 0);
        p.fillRect(QRect(w / 2 - 5, 0, 10, h), white);
        p.fillRect(QRect(0, h / 2 - 5, w, 10), white);
        p.fillRect(QRect(w / 2 - 3, 0, 6, h), QColor(0xC8, 0x10, 0x2E));
        p.fillRect(QRect(0, h / 2 - 3, w, 6), QColor(0xC8, 0x10, 0x2E));
        break;
    }
    case 3: // white, blue, red
        stripes(p, {white, QColor(0, 0x39, 0xA6), QColor(0xD5, 0x2B, 0x1E)}, false, w, h);
        break;
    default: // blue, white, red
        stripes(p, {QColor(0, 0x23, 0x95), white, QColor(0xED, 0x29, 0x39)}, true, w, h);
        break;
    }
    p.setPen(Qt::gray);
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);
    return pm;
}

QPixmap sign(int currency)
{
    static const char16_t *glyphs[5] = {u"$", u"€", u"£", u"₽", u"₣"};
    QPixmap pm(SignWidth, SignHeight);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f;
    f.setPixelSize(24);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x80, 0, 0));
    p.drawText(pm.rect(), Qt::AlignCenter, QString::fromUtf16(glyphs[qBound(0, currency, 4)]));
    return pm;
}

QPixmap trayIcon()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paintTrayPicture(p);
    return pm;
}

void paintTrayPicture(QPainter &p)
{
    p.setBrush(QColor(0x20, 0x20, 0x20));
    p.setPen(QColor(0x80, 0, 0));
    p.drawRoundedRect(1, 5, 30, 22, 3, 3);
    QFont f;
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xFF, 0x40, 0x20));
    p.drawText(QRect(1, 5, 30, 22), Qt::AlignCenter, QStringLiteral("8.8"));
}

QPixmap aboutPicture()
{
    QPixmap pm(97, 65);
    pm.fill(QColor(0x10, 0x10, 0x10));
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f;
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xFF, 0x50, 0x20));
    p.drawText(QRect(0, 4, 97, 28), Qt::AlignCenter, QStringLiteral("1.2345"));
    p.setPen(QColor(0x40, 0xFF, 0x60));
    p.drawText(QRect(0, 33, 97, 28), Qt::AlignCenter, QStringLiteral("88.888"));
    return pm;
}

} // namespace Pictures
