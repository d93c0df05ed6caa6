#include "gui/TestPatternWindow.h"

#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>

#include "gui/widgets/WidgetHelpers.h"

TestPatternWindow::TestPatternWindow() : QDialog(nullptr)
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Test"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    setFont(pixelFont(11));
    QStringList items;
    for (int d = 0; d <= 9; ++d)
        items << QStringLiteral("%1.%2").arg(d).arg(QString(4, QChar(u'0' + d)));
    items << QStringLiteral("88888") << QStringLiteral("88.888") << QStringLiteral("888.88") << QStringLiteral("8888.8")
          << QStringLiteral("88888.") << QStringLiteral("0.1234") << QStringLiteral("5.6789")
          << QStringLiteral("112233...");
    patternGroup = new RadioGroup(QStringLiteral("Test Mode"), items, 4, this);
    patternGroup->setObjectName(QStringLiteral("RadioGroup1"));
    restoreButton = new QPushButton(QStringLiteral("Close and restore data"), this);
    restoreButton->setObjectName(QStringLiteral("Button1"));
    keepButton = new QPushButton(QStringLiteral("Close and leave current data"), this);
    keepButton->setObjectName(QStringLiteral("Button2"));
    resize(377, 200);
    noDefaultButtons(this);
    connect(patternGroup, &RadioGroup::clicked, this, [this] { onPatternChosen(); });
    connect(restoreButton, &QPushButton::clicked, this, [this] { onRestoreClicked(); });
    connect(keepButton, &QPushButton::clicked, this, [this] { onKeepClicked(); });
}

void TestPatternWindow::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    const int w = width(), h = height();
    patternGroup->setGeometry(6, 4, w - 12, h - 48);
    const int bw = (w - 18) / 2;
    restoreButton->setGeometry(6, h - 38, bw, 30);
    keepButton->setGeometry(12 + bw, h - 38, bw, 30);
}

void TestPatternWindow::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        onShown();
}
