#pragma once
#include <QTimeEdit>

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
