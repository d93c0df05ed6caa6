#pragma once
// A radio group whose selection is an index (-1 = none) and whose click runs for operator and
// program changes alike.
#include <QButtonGroup>
#include <QGroupBox>
#include <QList>
#include <QRadioButton>
#include <QStringList>

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, int columns, QWidget *parent = nullptr);

    int itemIndex() const { return m_index; }
    // Selects an item. An index past the end selects the last item; a negative index clears the
    // selection. `clicked` is emitted when an item becomes selected, not when cleared or unchanged.
    void setItemIndex(int index);
    int count() const { return m_items.size(); }
    QStringList items() const { return m_items; }
    QString itemText(int i) const { return m_items.value(i); }
    // Replaces the items; the selection becomes none (only indexChanged is emitted).
    void setItems(const QStringList &items, int columns);
    int columns() const { return m_columns; }
    QRadioButton *button(int i) const { return m_buttons.value(i); }

signals:
    // Every change of the selection, clearing included; before `clicked`.
    void indexChanged(int index);
    void clicked();

protected:
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    void rebuild();
    void placeButtons();
    void onButton(int id, bool checked);

    QStringList m_items;
    int m_columns;
    int m_index = -1;
    QButtonGroup m_group;
    QList<QRadioButton *> m_buttons;
    bool m_updating = false;
};
