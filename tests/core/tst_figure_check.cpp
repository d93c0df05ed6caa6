#include <QtTest>
#include "core/figures/FigureCheck.h"

using Outcome = FigureCheck::Outcome;
Q_DECLARE_METATYPE(FigureCheck::Outcome)
class TestFigureCheck : public QObject {
    Q_OBJECT
private slots:
    // Figure 2 against what goes out for it (hidden for NotShown); the other slots hold "0".
    void checks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("digits");
        QTest::addColumn<bool>("blankFill");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<QString>("shown");   // the slot's text as it goes out
        const auto row = [](const char *text, int digits, bool blank, Outcome outcome, const char *shown) {
            QTest::addRow("D%d %s \"%s\" %d", digits, blank ? "blank" : "zero", text, int(outcome))
                << QString(text) << digits << blank << outcome << QString(shown);
        };
        const Outcome fine = Outcome::Fine, changed = Outcome::Changed;
        row("0.5", 5, false, fine, "0.5000");
        row("2.65", 4, false, fine, "2.6500");
        row("0", 5, false, fine, "00000");
        row("1234", 4, false, fine, "12340");   // the fifth character lies beyond the four cells
        row("1", 5, false, changed, "10000");
        row("007", 5, false, changed, "00700");
        row("123456", 5, false, changed, "12345");
        row("12345.6", 5, false, changed, "12345.");
        row("2.6515", 4, false, changed, "2.6510");
        row(".5", 5, false, changed, "50000");
        row("1,25", 5, false, changed, "12500");
        row("", 5, false, changed, "00000");
        row("1", 5, true, fine, "1    ");
        row("007", 5, true, fine, "007  ");
        row(" 1.5 ", 4, true, fine, " 1.5  ");
        row("", 4, true, fine, "     ");
        row("12345", 4, true, changed, "1234 ");
        row(".5", 5, true, changed, "5    ");
        row("7.5", 5, false, Outcome::NotShown, "00000");
    }
    void checks()
    {
        QFETCH(QString, text);
        QFETCH(int, digits);
        QFETCH(bool, blankFill);
        QFETCH(Outcome, outcome);
        QFETCH(QString, shown);
        std::array<bool, 10> flags;
        flags.fill(true);
        flags[1] = outcome != Outcome::NotShown;
        const FigureChecks checks = checkFigures({"0", text, "0", "0", "0", "0", "0", "0", "0", "0"}, flags, digits,
                                                 blankFill ? QLatin1Char(' ') : QLatin1Char('0'), blankFill);
        QCOMPARE(checks[1].outcome, outcome);
        QCOMPARE(checks[1].shown, shown);
        // Only a changed figure is refused, named with what the board would show.
        const QString refusal = QStringLiteral("figure 2 \"%1\" would show as \"%2\"").arg(text, shown);
        QCOMPARE(figureRejections(checks), outcome == Outcome::Changed ? QStringList{refusal} : QStringList());
    }
};
QTEST_GUILESS_MAIN(TestFigureCheck)
#include "tst_figure_check.moc"
