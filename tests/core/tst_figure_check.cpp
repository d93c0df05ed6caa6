#include <QtTest>
#include "core/figures/FigureCheck.h"

class TestFigureCheck : public QObject {
    Q_OBJECT
private slots:
    // Figure 2 against what goes out for it; the other slots hold "0".
    void checks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("blankFill");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("verdict");   // fine, changed or hidden
        QTest::addColumn<QString>("shown");     // the slot's text as it goes out

        auto row = [](const char *text, int digits, bool blankFill, const char *verdict, const char *shown) {
            QTest::addRow("D%d %s \"%s\"", digits, blankFill ? "blank" : "zero", text)
                << QString::fromLatin1(text) << digits << blankFill << false << QString::fromLatin1(verdict)
                << QString::fromLatin1(shown);
        };
        row("0.5", 5, false, "fine", "0.5000");
        row("2.65", 4, false, "fine", "2.6500");
        row("01.50", 5, false, "fine", "01.500");
        row("0", 5, false, "fine", "00000");
        row("1234", 4, false, "fine", "12340");   // the fifth character lies beyond the four cells
        row("1", 5, false, "changed", "10000");
        row("007", 5, false, "changed", "00700");
        row("123456", 5, false, "changed", "12345");
        row("12345.6", 5, false, "changed", "12345.");
        row("2.6515", 4, false, "changed", "2.6510");
        row(".5", 5, false, "changed", "50000");
        row("1,25", 5, false, "changed", "12500");
        row("", 5, false, "changed", "00000");
        row("1", 5, true, "fine", "1    ");
        row("007", 5, true, "fine", "007  ");
        row(" 1.5 ", 4, true, "fine", " 1.5  ");
        row("", 4, true, "fine", "     ");
        row("12345", 4, true, "changed", "1234 ");
        row(".5", 5, true, "changed", "5    ");
        row("1 2", 5, true, "changed", "1 2  ");
        QTest::newRow("hidden slot") << "7.5" << 5 << false << true << "hidden" << "00000";
    }
    void checks()
    {
        QFETCH(QString, text);
        QFETCH(int, digits);
        QFETCH(bool, blankFill);
        QFETCH(bool, hidden);
        QFETCH(QString, verdict);
        QFETCH(QString, shown);
        std::array<bool, 10> flags;
        flags.fill(true);
        flags[1] = !hidden;
        const QStringList requested{"0", text, "0", "0", "0", "0", "0", "0", "0", "0"};
        const FigureChecks checks =
            checkFigures(requested, flags, digits, blankFill ? QLatin1Char(' ') : QLatin1Char('0'), blankFill);

        const QMap<QString, FigureCheck::Outcome> outcomes{{"fine", FigureCheck::Outcome::Fine},
                                                          {"changed", FigureCheck::Outcome::Changed},
                                                          {"hidden", FigureCheck::Outcome::NotShown}};
        QCOMPARE(checks[1].outcome, outcomes.value(verdict));
        QCOMPARE(checks[1].shown, shown);
        // Only a changed figure is refused, named with what the board would show.
        const QStringList expected = verdict == "changed"
            ? QStringList{QStringLiteral("figure 2 \"%1\" would show as \"%2\"").arg(text, shown)}
            : QStringList();
        QCOMPARE(figureRejections(checks), expected);
    }
};

QTEST_GUILESS_MAIN(TestFigureCheck)
#include "tst_figure_check.moc"
