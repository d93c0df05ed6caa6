// The board view window: currency pictures, board type panels, product names, placement.
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "core/operations/ControllerWorkflow.h"

#include "TestApp.h"
#include "gui/BoardViewWindow.h"

namespace {

using Edits = QList<QPair<int, QString>>;   // (row, text typed into the row's currency choice)

// Flag positions of USD, EUR, GBP, RUR, FRF in this order.
QList<QPoint> flagPositions(MainWindow *f)
{
    QList<QPoint> p;
    for (int i = 0; i < 5; ++i)
        p << f->flagOf(i)->pos();
    return p;
}

QPoint row(int r) { return QPoint(8, 10 + 30 * (r - 1)); }

// Types `text` into a currency choice as the operator does, replacing what was there.
void typeCurrency(BoardViewWindow *boardViewWindow, int r, const QString &text)
{
    QLineEdit *line = boardViewWindow->currencyBoxes[r]->lineEdit();
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Delete);
    QTest::keyClicks(line, text);
}

} // namespace

class TestBoardView : public QObject {
    Q_OBJECT
private slots:
    void currencyPlacement_data()
    {
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QList<QPoint>>("flags");

        const QList<QPoint> defaults{row(1), row(2), row(3), row(4), row(5)};
        QTest::newRow("defaults") << Edits{} << false << defaults;
        // GBP moves to row 1; USD keeps its place.
        QTest::newRow("GBP on row 1") << Edits{{1, "GBP"}} << false
                                      << QList<QPoint>{row(1), row(2), row(1), row(4), row(5)};
        QTest::newRow("FRF on row 2") << Edits{{2, "FRF"}} << false
                                      << QList<QPoint>{row(1), row(2), row(3), row(4), row(2)};
        QTest::newRow("lower case moves nothing") << Edits{{3, "usd"}} << false << defaults;
        QTest::newRow("mixed case moves nothing") << Edits{{5, "Gbp"}} << false << defaults;
        QTest::newRow("leading blank moves nothing") << Edits{{2, " RUR"}} << false << defaults;
        QTest::newRow("unknown moves nothing") << Edits{{1, "JPY"}} << false << defaults;
        QTest::newRow("same currency twice: last placed wins")
            << Edits{{1, "EUR"}, {4, "EUR"}} << false << QList<QPoint>{row(1), row(4), row(3), row(4), row(5)};
        QTest::newRow("reset") << Edits{{1, "GBP"}, {3, "USD"}, {2, "RUR"}} << true << defaults;
    }
    void currencyPlacement()
    {
        QFETCH(Edits, edits);
        QFETCH(bool, reset);
        QFETCH(QList<QPoint>, flags);

        TestApp t;
        t.startUp();
        MainWindow *f = t.mainWindow();
        BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
        boardViewWindow->show();
        for (const auto &e : edits)
            typeCurrency(boardViewWindow, e.first, e.second);
        if (reset)
            QTest::mouseClick(boardViewWindow->resetButton, Qt::LeftButton);

        QCOMPARE(flagPositions(f), flags);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(f->signOf(i)->pos(), flags[i] + QPoint(60, 0));
        // The choices keep what was typed, also after "Reset".
        for (const auto &e : edits)
            QCOMPARE(boardViewWindow->currencyBoxes[e.first]->currentText(), e.second);
    }

    // The next layout of a currency board places the pictures by the choices again.
    void layoutPlacesByChoices()
    {
        TestApp t;
        t.startUp();
        MainWindow *f = t.mainWindow();
        BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
        typeCurrency(boardViewWindow, 1, QStringLiteral("GBP"));
        typeCurrency(boardViewWindow, 3, QStringLiteral("USD"));
        QTest::mouseClick(boardViewWindow->resetButton, Qt::LeftButton);
        QCOMPARE(flagPositions(f), (QList<QPoint>{row(1), row(2), row(3), row(4), row(5)}));

        boardViewWindow->currencyCountSpin->setValue(4);   // a count change lays the main window out
        QCOMPARE(f->gbpFlag->pos(), row(1));
        QCOMPARE(f->gbpSign->pos(), row(1) + QPoint(60, 0));
        QCOMPARE(f->usdFlag->pos(), row(3));
        QCOMPARE(f->eurFlag->pos(), row(2));
        QCOMPARE(f->frfFlag->pos(), row(5));
        for (int i = 0; i < 5; ++i)
            QVERIFY(!f->flagOf(i)->isHidden());
    }

    void boardTypePanels_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("loading");
        QTest::addColumn<bool>("currencyPanel");
        QTest::addColumn<QString>("caption");
        QTest::newRow("price") << 1 << false << false << "\"QUAM\" LTD. Price Uploader v1.11";
        QTest::newRow("none") << -1 << false << false << "\"QUAM\" LTD. Price Uploader v1.11";
        QTest::newRow("currency") << 0 << false << true << "\"QUAM\" LTD. Currency Uploader v1.11";
        // While the settings are loaded the main window is not laid out from here.
        QTest::newRow("price while loading") << 1 << true << false << QString();
    }
    void boardTypePanels()
    {
        QFETCH(int, type);
        QFETCH(bool, loading);
        QFETCH(bool, currencyPanel);
        QFETCH(QString, caption);

        TestApp t;
        t.startUp();
        BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
        // Start from the opposite board type.
        boardViewWindow->boardTypeGroup->setItemIndex(type == 0 ? 1 : 0);
        const QString before = t.mainWindow()->windowTitle();
        const int panelBefore = t.mainWindow()->figuresPanel->height();

        std::optional<ControllerWorkflow::Quiet> loadingScope;

        if (loading) loadingScope.emplace(*t.app->workflow, ControllerWorkflow::Quiet::Loading);
        if (type < 0) {
            boardViewWindow->boardTypeGroup->setItemIndex(-1);   // clearing runs no handler by itself
            boardViewWindow->onBoardTypeChanged();
        } else {
            boardViewWindow->boardTypeGroup->button(type)->click();
        }
        loadingScope.reset();

        QCOMPARE(!boardViewWindow->currencyPanel->isHidden(), currencyPanel);
        QCOMPARE(!boardViewWindow->currencyCountSpin->isHidden(), currencyPanel);
        QCOMPARE(!boardViewWindow->currencyCountLabel->isHidden(), currencyPanel);
        QCOMPARE(!boardViewWindow->productPanel->isHidden(), !currencyPanel);
        QCOMPARE(!boardViewWindow->productCountSpin->isHidden(), !currencyPanel);
        QCOMPARE(!boardViewWindow->productCountLabel->isHidden(), !currencyPanel);
        if (loading) {
            QCOMPARE(t.mainWindow()->windowTitle(), before);
            QCOMPARE(t.mainWindow()->figuresPanel->height(), panelBefore);
        } else {
            QCOMPARE(t.mainWindow()->windowTitle(), caption);
        }
    }

    // Names reach the main window only through "Close", which also saves; the frame's close
    // box only hides.
    void productNames_data()
    {
        QTest::addColumn<bool>("viaButton");
        QTest::newRow("Close") << true;
        QTest::newRow("frame close box") << false;
    }
    void productNames()
    {
        QFETCH(bool, viaButton);
        TestApp t;
        t.startUp();
        BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
        boardViewWindow->boardTypeGroup->setItemIndex(1);
        boardViewWindow->show();
        QCOMPARE(t.mainWindow()->productNameLabels[3]->text(), QStringLiteral("Premium"));
        const QByteArray iniBefore = t.readFile(QStringLiteral("Quorvanel_tablo.ini"));

        boardViewWindow->productNameEdits[3]->selectAll();
        QTest::keyClicks(boardViewWindow->productNameEdits[3], QStringLiteral("Gas 95"));
        boardViewWindow->productNameEdits[7]->setText(QStringLiteral("Kerosene"));
        QCOMPARE(t.mainWindow()->productNameLabels[3]->text(), QStringLiteral("Premium"));

        if (viaButton)
            QTest::mouseClick(boardViewWindow->closeButton, Qt::LeftButton);
        else
            boardViewWindow->close();
        QVERIFY(!boardViewWindow->isVisible());

        const QByteArray ini = t.readFile(QStringLiteral("Quorvanel_tablo.ini"));
        if (viaButton) {
            QCOMPARE(t.mainWindow()->productNameLabels[3]->text(), QStringLiteral("Gas 95"));
            QCOMPARE(t.mainWindow()->productNameLabels[7]->text(), QStringLiteral("Kerosene"));
            QCOMPARE(t.mainWindow()->productNameLabels[1]->text(), QStringLiteral("Normal"));
            QVERIFY(ini.contains("Name_3=Gas 95\r\n"));
            QVERIFY(ini.contains("Name_7=Kerosene\r\n"));
            QVERIFY(ini.contains("Board_type=1\r\n"));
        } else {
            QCOMPARE(t.mainWindow()->productNameLabels[3]->text(), QStringLiteral("Premium"));
            QCOMPARE(t.mainWindow()->productNameLabels[7]->text(), QString());
            QCOMPARE(ini, iniBefore);
            // The state is kept for the next showing.
            QCOMPARE(boardViewWindow->productNameEdits[3]->text(), QStringLiteral("Gas 95"));
        }
    }

    // The window opens beside the main window: left at the main window's width plus 20, top at
    // the main window's top, wherever the main window stands.
    void placement_data()
    {
        QTest::addColumn<QPoint>("mainPos");
        QTest::newRow("as loaded") << QPoint(20, 20);
        QTest::newRow("moved") << QPoint(310, 140);
    }
    void placement()
    {
        QFETCH(QPoint, mainPos);
        TestApp t;
        t.startUp();
        MainWindow *f = t.mainWindow();
        f->move(mainPos);
        QCOMPARE(f->pos(), mainPos);
        t.mainWindow()->boardViewAction->trigger();
        BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
        QVERIFY(boardViewWindow->isVisible());
        QCOMPARE(boardViewWindow->pos(), QPoint(f->width() + 20, mainPos.y()));
    }
};

QTEST_MAIN(TestBoardView)
#include "tst_board_view.moc"
