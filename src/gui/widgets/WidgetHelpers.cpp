#include "gui/widgets/WidgetHelpers.h"

#include <QPushButton>
#include <QWidget>

QFont pixelFont(int px, bool bold, const QString &family)
{
    QFont f;
    if (!family.isEmpty())
        f.setFamily(family);
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}

void noDefaultButtons(QWidget *dialog)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        b->setAutoDefault(false);
}
