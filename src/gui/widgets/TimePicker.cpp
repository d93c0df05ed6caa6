#include "gui/widgets/TimePicker.h"

#include <QSignalBlocker>

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
