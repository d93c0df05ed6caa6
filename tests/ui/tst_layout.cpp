// The main window's layout pass for both board types and every row count edge.
#include <QCheckBox>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "TestApp.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"

namespace {

const QString CurrencyCaption = QStringLiteral("\"QUAM\" LTD. Currency Uploader v1.11");
const QString PriceCaption = QStringLiteral("\"QUAM\" LTD. Price Uploader v1.11");

bool shown(const QWidget *w) { return !w->isHidden(); }

// Numbers 1..n of the controls in `list` that are not hidden, e.g. "1,2,3".
template <class Array> QString shownOf(const Array &list, int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        if (shown(list[i]))
            out << QString::number(i);
    return out.join(QLatin1Char(','));
}

// Everything the pass decides, as one text, to compare layouts reached in different ways.
QString snapshot(MainWindow *f)
{
    QStringList s{f->windowTitle(), QStringLiteral("%1x%2").arg(f->width()).arg(f->height())};
    // Where a hidden control lies does not show; only that it is hidden counts.
    for (QWidget *w : f->figuresPanel->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        s << (!shown(w) ? w->objectName() + QStringLiteral(" hidden") : QStringLiteral("%1 %2,%3 %4x%5 %6")
                 .arg(w->objectName())
                 .arg(w->x())
                 .arg(w->y())
                 .arg(w->width())
                 .arg(w->height())
                 .arg(shown(w)));
    for (QWidget *w : {static_cast<QWidget *>(f->figuresPanel), static_cast<QWidget *>(f->controlsPanel),
                       static_cast<QWidget *>(f->progressBar), static_cast<QWidget *>(f->brightnessGroup),
                       static_cast<QWidget *>(f->lightingGroup), static_cast<QWidget *>(f->clockLabel)})
        s << QStringLiteral("%1 %2").arg(w->objectName(), QString::number(w->geometry().x()) + ','
                                                              + QString::number(w->geometry().y()) + ' '
                                                              + QString::number(w->width()) + 'x'
                                                              + QString::number(w->height()));
    return s.join(QLatin1Char('\n'));
}

// Sets the board type and counts the way the board view window does.
void configure(TestApp &t, int type, int count)
{
    BoardViewWindow *boardViewWindow = t.app->boardViewWindow;
    if (type == 0)
        boardViewWindow->currencyCountSpin->setValue(count);
    else
        boardViewWindow->productCountSpin->setValue(count);
    if (type < 0) {
        boardViewWindow->boardTypeGroup->setItemIndex(-1);   // clearing runs no handler
        boardViewWindow->onBoardTypeChanged();
    } else {
        boardViewWindow->boardTypeGroup->setItemIndex(type);
        boardViewWindow->onBoardTypeChanged();
    }
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void pass_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("figuresHeight");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("boxes");
        QTest::addColumn<QString>("boxesA");
        QTest::addColumn<QString>("names");
        QTest::addColumn<bool>("pictures");
        QTest::addColumn<bool>("cover");      // the unused rows cover shown
        QTest::addColumn<int>("coverTop");    // -1: not checked
        QTest::addColumn<int>("coverHeight");

        QTest::newRow("currency 5") << 0 << 5 << CurrencyCaption << 177 << "1,2,3,4,5,6,7,8,9,10"
                                    << "1,2,3,4,5" << "" << "" << true << true << 160 << 1;
        QTest::newRow("currency 4") << 0 << 4 << CurrencyCaption << 147 << "1,2,3,4,5,6,7,8" << "1,2,3,4" << ""
                                    << "" << true << true << 130 << 17;
        QTest::newRow("currency 3") << 0 << 3 << CurrencyCaption << 117 << "1,2,3,4,5,6" << "1,2,3" << "" << ""
                                    << true << true << 100 << 17;
        QTest::newRow("currency 1") << 0 << 1 << CurrencyCaption << 57 << "1,2" << "1" << "" << "" << true << true
                                    << 40 << 17;
        QTest::newRow("price 10") << 1 << 10 << PriceCaption << 324 << "1,2,3,4,5,6,7,8,9,10" << "1,2,3,4,5"
                                  << "1,2,3,4,5" << "1,2,3,4,5,6,7,8,9,10" << false << false << -1 << -1;
        QTest::newRow("price 4") << 1 << 4 << PriceCaption << 144 << "1,2,3,4" << "1,2" << "1,2" << "1,2,3,4"
                                 << false << false << -1 << -1;
        QTest::newRow("price 3") << 1 << 3 << PriceCaption << 114 << "1,2,3" << "1,2" << "1" << "1,2,3" << false
                                 << false << -1 << -1;
        QTest::newRow("price 1") << 1 << 1 << PriceCaption << 54 << "1" << "1" << "" << "1" << false << false << -1
                                 << -1;
        // No board type: the price arrangement with the blank panel left where it was.
        QTest::newRow("none 7") << -1 << 7 << PriceCaption << 234 << "1,2,3,4,5,6,7" << "1,2,3,4" << "1,2,3"
                                << "1,2,3,4,5,6,7" << false << true << 160 << 1;
    }
    void pass()
    {
        QFETCH(int, type);
        QFETCH(int, count);
        QFETCH(QString, caption);
        QFETCH(int, figuresHeight);
        QFETCH(QString, edits);
        QFETCH(QString, boxes);
        QFETCH(QString, boxesA);
        QFETCH(QString, names);
        QFETCH(bool, pictures);
        QFETCH(bool, cover);
        QFETCH(int, coverTop);
        QFETCH(int, coverHeight);

        TestApp t;
        t.startUp();
        MainWindow *f = t.mainWindow();
        configure(t, type, count);

        QCOMPARE(f->windowTitle(), caption);
        QCOMPARE(f->figuresPanel->height(), figuresHeight);
        QCOMPARE(shownOf(f->figureEdits, 10), edits);
        QCOMPARE(shownOf(f->oddSlotBoxes, 5), boxes);
        QCOMPARE(shownOf(f->evenSlotBoxes, 5), boxesA);
        QCOMPARE(shownOf(f->productNameLabels, 10), names);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(shown(f->flagOf(i)), pictures);
            QCOMPARE(shown(f->signOf(i)), pictures);
        }
        QCOMPARE(shown(f->unusedRowsCover), cover);
        if (coverTop >= 0) {
            QCOMPARE(f->unusedRowsCover->y(), coverTop);
            QCOMPARE(f->unusedRowsCover->height(), coverHeight);
        }

        // Row positions of the arrangement.
        for (int k = 1; k <= 10; ++k) {
            const int r = (k + 1) / 2;
            const QPoint expected = type == 0 ? QPoint(k % 2 ? 128 : 256, 10 + 30 * (r - 1))
                                              : QPoint(232, 10 + 30 * (k - 1));
            QCOMPARE(f->figureEdits[k]->pos(), expected);
            if (type != 0)
                QCOMPARE(f->productNameLabels[k]->pos(), QPoint(10, 15 + 30 * (k - 1)));
        }
        for (int r = 1; r <= 5; ++r) {
            QCOMPARE(f->oddSlotBoxes[r]->pos(),
                     type == 0 ? QPoint(224, 15 + 30 * (r - 1)) : QPoint(320, 15 + 60 * (r - 1)));
            QCOMPARE(f->evenSlotBoxes[r]->pos(),
                     type == 0 ? QPoint(224, 15 + 30 * (r - 1)) : QPoint(320, 45 + 60 * (r - 1)));
        }

        // The whole window.
        QCOMPARE(f->width(), 377);
        QCOMPARE(f->height(), f->figuresPanel->height() + f->controlsPanel->height() + f->statusPanels->height() + 70);
        QCOMPARE(f->figuresPanel->width(), 352);
        QCOMPARE(f->controlsPanel->width(), 352);
        QCOMPARE(f->controlsPanel->y(), f->figuresPanel->y() + figuresHeight + 5);
        QCOMPARE(f->progressBar->width(), 337);
        QCOMPARE(f->brightnessGroup->width(), 337);
        QCOMPARE(f->lightingGroup->width(), 337);
        QCOMPARE(f->clockLabel->y(), f->controlsPanel->height() - 17);
        // The buttons are arranged for the progress bar's width as it is now: one, two or
        // three of them across it.
        const int bar = f->progressBar->width();
        QCOMPARE(f->writeButton->x(), f->progressBar->x());
        QVERIFY2(QList<int>({bar, (bar - 20) / 2, (bar - 20) / 3}).contains(f->writeButton->width()),
                 qPrintable(QString::number(f->writeButton->width())));

        // The status bar stays at the bottom edge, inside the window.
        QWidget *client = f->centralWidget();
        QCOMPARE(f->statusPanels->geometry().bottom(), client->height() - 1);
        QVERIFY(f->controlsPanel->geometry().bottom() < f->statusPanels->y());

        // Running the pass again changes nothing.
        const QString before = snapshot(f);
        f->layOut();
        QCOMPARE(snapshot(f), before);
    }

    // Each layout is built from scratch: the history of board types and counts leaves no trace.
    void switching_data()
    {
        QTest::addColumn<QList<QPoint>>("history");   // (type, count) steps before the last one
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("count");
        QTest::newRow("price after currency") << QList<QPoint>{{0, 2}, {1, 10}, {0, 5}} << 1 << 6;
        QTest::newRow("currency after price") << QList<QPoint>{{1, 1}, {0, 1}, {1, 3}} << 0 << 4;
        QTest::newRow("currency after none") << QList<QPoint>{{-1, 2}} << 0 << 5;
        QTest::newRow("price after none") << QList<QPoint>{{0, 3}, {-1, 9}} << 1 << 9;
    }
    void switching()
    {
        QFETCH(QList<QPoint>, history);
        QFETCH(int, type);
        QFETCH(int, count);

        TestApp fresh;
        fresh.startUp();
        configure(fresh, type, count);

        TestApp t;
        t.startUp();
        for (const QPoint &step : history)
            configure(t, step.x(), step.y());
        configure(t, type, count);

        QCOMPARE(snapshot(t.mainWindow()), snapshot(fresh.mainWindow()));
    }

    // The loaded board type is in place before the window is first shown.
    void layoutBeforeFirstShow()
    {
        TestApp t("[Tablo]\r\nBoard_type=1\r\nProducts=4\r\nValutas=2\r\n");
        MainWindow *f = t.mainWindow();
        bool checked = false;
        struct Watch : QObject {
            MainWindow *f;
            bool *checked;
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Show && !*checked) {
                    *checked = true;
                    [&] {
                        QCOMPARE(f->windowTitle(), PriceCaption);
                        QCOMPARE(f->figuresPanel->height(), 144);
                        QCOMPARE(shownOf(f->productNameLabels, 10), QStringLiteral("1,2,3,4"));
                        QVERIFY(!shown(f->usdFlag));
                    }();
                }
                return false;
            }
        } watch;
        watch.f = f;
        watch.checked = &checked;
        f->installEventFilter(&watch);
        t.startUp();
        f->removeEventFilter(&watch);
        QVERIFY(checked);
        QVERIFY(f->isVisible());
    }

    // After "Exit" the pass leaves the window as it was.
    void nothingAfterExit()
    {
        TestApp t;
        t.startUp();
        MainWindow *f = t.mainWindow();
        configure(t, 0, 3);
        QSignalSpy exited(f, &MainWindow::exited);
        f->exitProgram();
        QCOMPARE(exited.count(), 1);
        QVERIFY(t.app->closing);
        const QString before = snapshot(f);
        configure(t, 1, 10);
        f->layOut();
        QCOMPARE(f->windowTitle(), CurrencyCaption);
        QCOMPARE(f->figuresPanel->height(), 117);
        QVERIFY(!shown(f->productNameLabels[1]));
        QCOMPARE(snapshot(f), before);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
