#include <QtTest>
#include "core/figures/FigureFormat.h"

class TestFigureFormat : public QObject {
    Q_OBJECT
private slots:
    void formatting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("lastKey"); // empty: no key typed yet
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("blankMode");
        QTest::addColumn<bool>("boardRead");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("removed");

        auto zero = [](const char *name, const char *text, const char *expected, int removed) {
            QTest::newRow(name) << text << "" << "" << 4 << false << false << expected << removed;
        };
        zero("12", "12", "1200", 0);
        zero("1.5", "1.5", "1.500", 0);
        zero("12.3456", "12.3456", "12.34", 0);
        zero("point after D cells stays", "1234.5", "1234.", 0);
        zero("point after D+1 cells goes", "12345.6", "1234", 0);
        zero("leading point", ".5", "5000", 1);
        zero("leading points", "..5", "5000", 2);
        zero("letter", "1a2", "1200", 1);
        zero("comma", "1,25", "1250", 1);
        zero("blank", " 7", "7000", 1);
        zero("empty", "", "0000", 0);
        zero("dashes", "--.--", "0000", 5);

        auto typed = [](const char *name, const char *text, const char *key, const char *expected, int removed) {
            QTest::newRow(name) << text << "1.250" << key << 4 << false << false << expected << removed;
        };
        typed("point typed after 1.2", "1.2.50", ".", "12.50", 0);
        typed("point typed after 1.25", "1.25.0", ".", "125.0", 0);
        typed("point typed in front", ".1.250", ".", "1250", 1);
        typed("5 typed in front", "51.250", "5", "51.25", 0);
        typed("second point without point key", "1.2.50", "5", "1.250", 1);
        typed("second point, no key yet", "1.2.50", "", "1.250", 1);

        auto blank = [](const char *name, const char *text, const char *expected, int removed) {
            QTest::newRow(name) << text << "" << "" << 4 << true << false << expected << removed;
        };
        blank("blank mode, blank kept", " 1.2", " 1.2 ", 0);
        blank("blank mode, 12", "12", "12  ", 0);
        blank("blank mode, letter", "1x", "1   ", 1);
        blank("blank mode, inner blank", "1 2", "1 2 ", 0);
        blank("blank mode, empty", "", "    ", 0);

        auto read = [](const char *name, const char *text, const char *expected, int removed) {
            QTest::newRow(name) << text << "" << "" << 4 << false << true << expected << removed;
        };
        read("read keeps dashes", "--.--", "--.--", 0);
        read("read drops surplus point", "1..2", "1.200", 1);
        read("read drops leading point", ".-5", "-500", 1);
        read("read cuts length", "12.3456", "12.34", 0);

        QTest::newRow("D 5 to 3") << "1.2345" << "" << "" << 3 << false << false << "1.23" << 0;
        QTest::newRow("D 3 to 5") << "1.23" << "" << "" << 5 << false << false << "1.2300" << 0;
        QTest::newRow("D 1") << "7.5" << "" << "" << 1 << false << false << "7." << 0;
        QTest::newRow("D 1 no point") << "75" << "" << "" << 1 << false << false << "7" << 0;
        QTest::newRow("D 5 data file line") << "     " << "" << "" << 5 << false << false << "00000" << 5;
    }
    void formatting()
    {
        QFETCH(QString, text);
        QFETCH(QString, previous);
        QFETCH(QString, lastKey);
        QFETCH(int, digits);
        QFETCH(bool, blankMode);
        QFETCH(bool, boardRead);
        QFETCH(QString, expected);
        QFETCH(int, removed);
        const QChar key = lastKey.isEmpty() ? QChar() : lastKey.at(0);
        const QChar fill = blankMode ? QLatin1Char(' ') : QLatin1Char('0');

        const FormatResult r = formatFigure(text, previous, key, digits, fill, blankMode, boardRead);
        QCOMPARE(r.text, expected);
        QCOMPARE(r.removed, removed);

        // A figure text is already in its form: formatting it again changes nothing.
        const FormatResult again = formatFigure(r.text, r.text, QChar(), digits, fill, blankMode, boardRead);
        QCOMPARE(again.text, expected);
        QCOMPARE(again.removed, 0);
    }

    void blanks_data()
    {
        QTest::addColumn<int>("digits");
        QTest::addColumn<QString>("fill");
        QTest::addColumn<QString>("expected");
        QTest::newRow("4 zeros") << 4 << "0" << "0000";
        QTest::newRow("4 blanks") << 4 << " " << "    ";
        QTest::newRow("5 zeros") << 5 << "0" << "00000";
        QTest::newRow("1 blank") << 1 << " " << " ";
    }
    void blanks()
    {
        QFETCH(int, digits);
        QFETCH(QString, fill);
        QFETCH(QString, expected);
        QCOMPARE(blankFigure(digits, fill.at(0)), expected);
    }

    void plainFigures()
    {
        for (const char *ok : {"1", "1.25", ".5", "5.", "00000", "123456789"})
            QVERIFY2(isPlainFigure(QString::fromLatin1(ok)), ok);
        for (const char *bad : {"", ".", "1,25", "abc", "1.2.3", "-1", " 1", "1 ", "+1", "1e3"})
            QVERIFY2(!isPlainFigure(QString::fromLatin1(bad)), bad);
        QVERIFY(!isPlainFigure(QString(QChar(0x0661))));   // an Arabic-Indic digit is no digit here
    }
};

QTEST_GUILESS_MAIN(TestFigureFormat)
#include "tst_figure_format.moc"
