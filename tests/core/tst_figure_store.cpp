// The ten figures held by the program: each slot of a loaded data file formatted as a figure
// (line splitting and the formatter have their own tables), and what a load that cannot take the
// file leaves.
#include <QTemporaryDir>
#include <QtTest>

#include "core/figures/FigureStore.h"

namespace {
QString written(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(QStringLiteral("Tablo_data.tbl"));
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? path : QString();
}
} // namespace

class TestFigureStore : public QObject {
    Q_OBJECT
private slots:
    void load_data()
    {
        QTest::addColumn<bool>("blank");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("malformed and missing lines")
            << false << QByteArray("1a2\r\n1,25\r\n 7\r\n--.--\r\n12345.6\r\n.5\r\n\r\n1.2.3\r\n")
            << QStringList{"1200", "1250", "7000", "0000", "1234", "5000", "0000", "1.230", "0000", "0000"};
        QTest::newRow("blank mode") << true << QByteArray(" 7\r\n1x\r\n\r\n")
                                    << QStringList{" 7  ", "1   "} + QStringList(8, QStringLiteral("    "));
        QTest::newRow("empty file") << false << QByteArray() << QStringList(10, QStringLiteral("0000"));
    }
    void load()
    {
        QFETCH(bool, blank);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        FigureStore store;
        QString error;
        QCOMPARE(store.load(written(dir, content), {QChar(), 4, blank ? QLatin1Char(' ') : QLatin1Char('0'), blank},
                            nullptr, &error),
                 FigureStore::Load::Loaded);
        QCOMPARE(store.figures(), expected);
        QCOMPARE(store.loadedContent(), expected.join(QString()));
    }

    // A load that does not take the file changes nothing.
    void notTaken()
    {
        QTemporaryDir dir;
        FigureStore store;
        store.setFigure(1, QStringLiteral("9.999"));
        QString error;
        DataFile::PollMemory poll;
        QCOMPARE(store.load(dir.filePath(QStringLiteral("none")), {}, &poll, &error), FigureStore::Load::Missing);
        const QString path = written(dir, "1.25\r\n");   // caught half-written: taken when read the same again
        QCOMPARE(store.load(path, {}, &poll, &error), FigureStore::Load::NotYet);
        QCOMPARE(store.figure(1), QStringLiteral("9.999"));
        QVERIFY(store.loadedContent().isEmpty());
        QCOMPARE(store.load(path, {}, &poll, &error), FigureStore::Load::Loaded);
        QCOMPARE(store.figures().mid(0, 2), (QStringList{"1.2500", "00000"}));
    }
};

QTEST_GUILESS_MAIN(TestFigureStore)
#include "tst_figure_store.moc"
