#include "core/figures/FigureFrame.h"

#include "core/figures/FigureFormat.h"

FigureFrame figureFrame(const QStringList &texts)
{
    FigureFrame frame;
    frame.texts = texts;
    frame.payload = "SEND=";
    for (const QString &text : texts) {
        frame.payload += text.toLatin1();
        frame.payload += ',';
        frame.expected += text;
    }
    return frame;
}

FigureFrame figureFrame(const QStringList &figures, const std::array<bool, 10> &shown, int digits, QChar fill)
{
    const QString blank = blankFigure(digits, fill);
    const QString padding = digits < 5 ? QString(5 - digits, fill) : QString();
    QStringList texts;
    for (int i = 0; i < 10; ++i)
        texts << (shown[i] ? figures.value(i) : blank) + padding;
    return figureFrame(texts);
}
