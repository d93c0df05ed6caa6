// The ten figures as an upload sends them, and the read-back it expects.
#include <QtTest>

#include "core/figures/FigureFrame.h"

using Shown = std::array<bool, 10>;
Q_DECLARE_METATYPE(Shown)

class TestFigureFrame : public QObject {
    Q_OBJECT
private slots:
    void frame_data()
    {
        QTest::addColumn<QStringList>("figures");
        QTest::addColumn<Shown>("shown");
        QTest::addColumn<int>("digits");
        QTest::addColumn<QChar>("fill");
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("expected");

        const Shown all = {true, true, true, true, true, true, true, true, true, true};
        Shown firstOnly{};
        firstOnly[0] = true;
        QTest::newRow("five digits, no fill added") << QStringList(10, "1.0000") << all << 5 << QChar('0')
                                                    << "SEND=" + QByteArray("1.0000,").repeated(10) << QString("1.0000").repeated(10);
        QTest::newRow("all hidden, fill 0") << QStringList(10, "1.0000") << Shown{} << 5 << QChar('0')
                                            << "SEND=" + QByteArray("00000,").repeated(10) << QString("00000").repeated(10);
        QTest::newRow("four digits, fill blank") << QStringList(10, "1.000") << firstOnly << 4 << QChar(' ')
                                                 << "SEND=1.000 ," + QByteArray("     ,").repeated(9)
                                                 << "1.000 " + QString(45, ' ');
    }
    void frame()
    {
        QFETCH(QStringList, figures);
        QFETCH(Shown, shown);
        QFETCH(int, digits);
        QFETCH(QChar, fill);
        const FigureFrame f = figureFrame(figures, shown, digits, fill);
        QTEST(f.payload, "payload");
        QTEST(f.expected, "expected");
    }
};

QTEST_GUILESS_MAIN(TestFigureFrame)
#include "tst_figure_frame.moc"
