#include "gui/widgets/StatusBar.h"

#include <QAccessibleWidget>
#include <QResizeEvent>

namespace {
// Assistive technology sees a StatusBar as a status bar whose children are its panels, in order.
QAccessibleInterface *statusBarAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String(StatusBar::staticMetaObject.className()) && qobject_cast<StatusBar *>(object))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
    return nullptr;
}
} // namespace

StatusBar::StatusBar(const QList<int> &widths, const QList<Qt::Alignment> &alignments, QWidget *parent)
    : QWidget(parent), m_widths(widths)
{
    QAccessible::installFactory(statusBarAccessible);   // installed once, however many bars
    for (int i = 0; i < widths.size(); ++i) {
        auto *l = new QLabel(this);
        l->setObjectName(QStringLiteral("Panel%1").arg(i));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setAlignment(alignments.value(i, Qt::AlignLeft) | Qt::AlignVCenter);
        l->setIndent(2);
        m_panels.append(l);
    }
    setFixedHeight(19);
}

QString StatusBar::panelText(int i) const { return m_panels.value(i) ? m_panels[i]->text() : QString(); }

void StatusBar::setPanelText(int i, const QString &text)
{
    if (QLabel *l = m_panels.value(i))
        l->setText(text);
}

int StatusBar::panelWidth(int i) const { return m_widths.value(i); }

Qt::Alignment StatusBar::panelAlignment(int i) const
{
    return m_panels.value(i) ? (m_panels[i]->alignment() & Qt::AlignHorizontal_Mask) : Qt::Alignment();
}

void StatusBar::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    int x = 0;
    for (int i = 0; i < m_panels.size(); ++i) {
        const bool last = i == m_panels.size() - 1;
        const int w = last ? qMax(m_widths[i], width() - x) : m_widths[i];
        m_panels[i]->setGeometry(x, 0, w, height());
        x += w;
    }
}
