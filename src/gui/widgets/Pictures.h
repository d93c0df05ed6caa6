#pragma once
// Small built-in pictures: five flags, five currency signs, the tray icon, the About picture.
#include <QPixmap>

class QPainter;

namespace Pictures {
constexpr int FlagWidth = 50, FlagHeight = 28;
constexpr int SignWidth = 48, SignHeight = 28;
QPixmap flag(int currency);   // 0..4: USD, EUR, GBP, RUR, FRF
QPixmap sign(int currency);
QPixmap trayIcon();
// The tray picture's drawing in a 32-unit square (the program's icon scales it to each size).
void paintTrayPicture(QPainter &p);
QPixmap aboutPicture();       // 97 x 65
} // namespace Pictures
