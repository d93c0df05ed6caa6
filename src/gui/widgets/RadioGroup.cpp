#include "gui/widgets/RadioGroup.h"

#include <QEvent>
#include <QResizeEvent>
#include <QSignalBlocker>

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
    const bool wasSelected = m_index >= 0;
    m_index = -1;
    m_updating = false;
    placeButtons();
    if (wasSelected)
        emit indexChanged(-1);
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
        emit indexChanged(-1);
        return;
    }
    if (index == m_index)
        return;
    m_updating = true;
    m_buttons[index]->setChecked(true);
    m_index = index;
    m_updating = false;
    emit indexChanged(m_index);
    emit clicked();
}

void RadioGroup::onButton(int id, bool checked)
{
    if (m_updating || !checked)
        return;
    if (id == m_index)
        return;
    m_index = id;
    emit indexChanged(m_index);
    emit clicked();
}
