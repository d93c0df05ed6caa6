#include "gui/HelpWindow.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

HelpWindow::HelpWindow() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(1028, 597);
    helpText = new QPlainTextEdit(this);
    helpText->setObjectName(QStringLiteral("Memo1"));
    helpText->setGeometry(0, 0, 1028, 597);
    helpText->setEnabled(false);
    helpText->setReadOnly(true);
    helpText->setFocusPolicy(Qt::NoFocus);
    helpText->setLineWrapMode(QPlainTextEdit::NoWrap);
    // "Sylfaen" where the desktop has it, otherwise the nearest face that draws Georgian.
    QFont f(QStringLiteral("Sylfaen"));
    if (!QFontDatabase::families().contains(QStringLiteral("Sylfaen")))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(13);
    helpText->setFont(f);
    QPalette p = helpText->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Text, QColor(0, 0, 0x80));
    helpText->setPalette(p);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}
