#pragma once
// A status bar of fixed-width panels.
#include <QLabel>
#include <QList>
#include <QWidget>

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
