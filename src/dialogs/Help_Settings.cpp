#include "dialogs/Help_Settings.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

TForm6::TForm6() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Settings"));
    setFixedSize(1028, 597);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 0, 1028, 597);
    Memo1->setEnabled(false);
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // "Sylfaen" where the desktop has it, otherwise the nearest face that draws Georgian.
    QFont f(QStringLiteral("Sylfaen"));
    if (!QFontDatabase::families().contains(QStringLiteral("Sylfaen")))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(13);
    Memo1->setFont(f);
    QPalette p = Memo1->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Text, QColor(0, 0, 0x80));
    Memo1->setPalette(p);
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}
