#pragma once
// Helpers the windows share for type and buttons.
#include <QFont>
#include <QString>

class QWidget;

// A font of the given pixel size; the windows' default type is 11 pixels.
QFont pixelFont(int px, bool bold = false, const QString &family = QString());

// Makes the push buttons of a dialog plain buttons: none becomes the default button, so Return
// in a field presses nothing. Space still presses the focused button.
void noDefaultButtons(QWidget *dialog);
