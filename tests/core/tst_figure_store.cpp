// The ten figures held by the program: the data file's lines formatted as figures, and what a
// load that cannot take the file leaves.
#include <QTemporaryDir>
#include <QtTest>

#include "core/figures/FigureStore.h"

class TestFigureStore : public QObject {
    Q_OBJECT
private slots:
    void load_data()
    {
        QTest::addColumn<bool>("blank");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        const QStringList three{"1.250", "1.275", "0.890"};
        QTest::newRow("LF only, three lines") << false << QByteArray("1.250\n1.275\n0.890\n")
                                              << three + QStringList(7, QStringLiteral("0000"));
        QTest::newRow("three lines, blank mode") << true << QByteArray("1.250\r\n1.275\r\n0.890\r\n")
                                                 << three + QStringList(7, QStringLiteral("    "));
        QTest::newRow("lines after the tenth ignored")
            << false << QByteArray("1\r\n").repeated(10) + "9.999\r\n" << QStringList(10, QStringLiteral("1000"));
        QTest::newRow("malformed lines")
            << false << QByteArray("1a2\r\n1,25\r\n 7\r\n--.--\r\n12345.6\r\n.5\r\n\r\n1.2.3\r\nabc\r\n1234.5\r\n")
            << QStringList{"1200", "1250", "7000", "0000", "1234", "5000", "0000", "1.230", "0000", "1234."};
        QTest::newRow("malformed, blank mode")
            << true << QByteArray(" 7\r\n1x\r\n\r\n") << QStringList{" 7  ", "1   "} + QStringList(8, QStringLiteral("    "));
        QTest::newRow("last line without line end")
            << false << QByteArray("1.250\r\n2.5") << QStringList{"1.250", "2.500"} + QStringList(8, QStringLiteral("0000"));
        QTest::newRow("empty file") << false << QByteArray() << QStringList(10, QStringLiteral("0000"));
    }
    void load()
    {
        QFETCH(bool, blank);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tablo_data.tbl"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        FigureStore store;
        QString error;
        QCOMPARE(store.load(path, {QChar(), 4, blank ? QLatin1Char(' ') : QLatin1Char('0'), blank}, nullptr, &error),
                 FigureStore::Load::Loaded);
        QCOMPARE(store.figures(), expected);
        QCOMPARE(store.loadedContent(), expected.join(QString()));
        // Saved, the figures read back as they are.
        QVERIFY(store.save(path, &error));
        FigureStore again;
        again.load(path, {QChar(), 4, blank ? QLatin1Char(' ') : QLatin1Char('0'), blank}, nullptr, &error);
        QCOMPARE(again.figures(), expected);
    }

    // A load that does not take the file changes nothing.
    void notTaken()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Tablo_data.tbl"));
        FigureStore store;
        store.setFigure(1, QStringLiteral("9.999"));
        QString error;
        DataFile::PollMemory poll;
        QCOMPARE(store.load(path, {}, &poll, &error), FigureStore::Load::Missing);
        QVERIFY(FigureStore::create(path, &error));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("1.25\r\n");   // caught half-written: taken only when read the same again
        f.close();
        QCOMPARE(store.load(path, {}, &poll, &error), FigureStore::Load::NotYet);
        QCOMPARE(store.figure(1), QStringLiteral("9.999"));
        QVERIFY(store.loadedContent().isEmpty());
        QCOMPARE(store.load(path, {}, &poll, &error), FigureStore::Load::Loaded);
        QCOMPARE(store.figure(1), QStringLiteral("1.2500"));
        QCOMPARE(store.figure(2), QStringLiteral("00000"));
    }
};

QTEST_GUILESS_MAIN(TestFigureStore)
#include "tst_figure_store.moc"
