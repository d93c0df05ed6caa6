#include "ui/Controls.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QSignalBlocker>

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

RadioGroup::RadioGroup(const QString &caption, const QStringList &items, int columns, QWidget *parent)
    : QGroupBox(caption, parent), m_items(items), m_columns(qMax(1, columns))
{
    m_group.setExclusive(true);
    connect(&m_group, &QButtonGroup::idToggled, this, &RadioGroup::onButton);
    rebuild();
}

void RadioGroup::rebuild()
{
    m_updating = true;
    for (QRadioButton *b : m_buttons) {
        m_group.removeButton(b);
        b->deleteLater();
        b->hide();
    }
    m_buttons.clear();
    for (int i = 0; i < m_items.size(); ++i) {
        auto *b = new QRadioButton(m_items[i], this);
        b->setObjectName(objectName() + QStringLiteral("_item%1").arg(i));
        b->setFont(font());
        m_group.addButton(b, i);
        b->show();
        m_buttons.append(b);
    }
    m_index = -1;
    m_updating = false;
    placeButtons();
}

void RadioGroup::placeButtons()
{
    if (m_buttons.isEmpty())
        return;
    const int cols = qMin(m_columns, int(m_buttons.size()));
    const int rows = (m_buttons.size() + m_columns - 1) / m_columns;
    const int top = 16, left = 6;
    const int w = qMax(1, (width() - left - 2) / qMax(1, cols));
    const int h = qMax(16, (height() - top - 4) / qMax(1, rows));
    for (int i = 0; i < m_buttons.size(); ++i) {
        // Items run down the first column, then the next, as a radio group lays them out.
        const int col = i / rows, row = i % rows;
        m_buttons[i]->setGeometry(left + col * w, top + row * h, w, qMin(h, 20));
    }
}

void RadioGroup::resizeEvent(QResizeEvent *e)
{
    QGroupBox::resizeEvent(e);
    placeButtons();
}

void RadioGroup::changeEvent(QEvent *e)
{
    QGroupBox::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        for (QRadioButton *b : m_buttons)
            b->setFont(font());
}

void RadioGroup::setItems(const QStringList &items, int columns)
{
    m_items = items;
    m_columns = qMax(1, columns);
    rebuild();
}

void RadioGroup::setItemIndex(int index)
{
    if (index >= m_buttons.size())
        index = m_buttons.size() - 1;
    if (index < 0) {
        if (m_index < 0)
            return;
        m_updating = true;
        m_group.setExclusive(false);
        m_buttons[m_index]->setChecked(false);
        m_group.setExclusive(true);
        m_index = -1;
        m_updating = false;
        return;
    }
    if (index == m_index)
        return;
    m_updating = true;
    m_buttons[index]->setChecked(true);
    m_index = index;
    m_updating = false;
    emit clicked();
}

void RadioGroup::onButton(int id, bool checked)
{
    if (m_updating || !checked)
        return;
    if (id == m_index)
        return;
    m_index = id;
    emit clicked();
}

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

TimePicker::TimePicker(QWidget *parent) : QTimeEdit(parent)
{
    setDisplayFormat(QStringLiteral("HH:mm:ss"));
    setTime(QTime(0, 0, 0));
    connect(this, &QTimeEdit::timeChanged, this, [this] { emit operatorChanged(); });
}

void TimePicker::setTimeFromProgram(const QTime &t)
{
    const QSignalBlocker block(this);
    setTime(t);
}
