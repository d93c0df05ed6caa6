#pragma once
// Small controls with the behaviour the windows rely on: a radio group whose selection is an
// index (-1 = none) and whose click runs for operator and program changes alike, and a status
// bar of fixed-width panels.
#include <QButtonGroup>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QRadioButton>
#include <QStringList>
#include <QTimeEdit>
#include <QWidget>

// A font of the given pixel size; the windows' default type is 11 pixels.
QFont pixelFont(int px, bool bold = false, const QString &family = QString());

// Makes the push buttons of a dialog plain buttons: none becomes the default button, so Return
// in a field presses nothing. Space still presses the focused button.
void noDefaultButtons(QWidget *dialog);

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
    // Replaces the items; the selection becomes none (nothing is emitted).
    void setItems(const QStringList &items, int columns);
    int columns() const { return m_columns; }
    QRadioButton *button(int i) const { return m_buttons.value(i); }

signals:
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

class StatusBar : public QWidget {
    Q_OBJECT
public:
    // One panel per width; the last panel takes the rest of the bar. Alignments per panel.
    StatusBar(const QList<int> &widths, const QList<Qt::Alignment> &alignments, QWidget *parent = nullptr);
    QString panelText(int i) const;
    void setPanelText(int i, const QString &text);
    int panelWidth(int i) const;
    Qt::Alignment panelAlignment(int i) const;
    int panelCount() const { return m_panels.size(); }
    QLabel *panel(int i) const { return m_panels.value(i); }

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    QList<QLabel *> m_panels;
    QList<int> m_widths;
};

// A time picker that shows "HH:mm:ss". `operatorChanged` is emitted only for the operator's
// edits; setTimeFromProgram never emits it.
class TimePicker : public QTimeEdit {
    Q_OBJECT
public:
    explicit TimePicker(QWidget *parent = nullptr);
    void setTimeFromProgram(const QTime &t);
signals:
    void operatorChanged();
};
