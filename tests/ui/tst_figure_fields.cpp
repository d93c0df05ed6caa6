// The ten figure fields through the real main window: typing, clicking, show boxes, and
// reformatting when the digit count or the fill character changes.
#include <QCheckBox>
#include <QDir>
#include <QSpinBox>
#include <QtTest>

#include "core/operations/ControllerWorkflow.h"

#include "core/operations/BoardService.h"
#include "core/figures/FigureFormat.h"
#include "TestApp.h"
#include "core/files/DataFile.h"
#include "gui/BoardViewWindow.h"
#include "gui/SettingsDialog.h"

namespace {

std::unique_ptr<TestApp> started(int digits, bool blank)
{
    const QByteArray ini = "[Tablo]\r\nDigits=" + QByteArray::number(digits) + "\r\nFill_char=" + (blank ? "1" : "0")
                           + "\r\n";
    auto t = std::make_unique<TestApp>(ini);
    t->startUp();
    return t;
}

QByteArray storedFile(const Program &app)
{
    QStringList figures;
    for (int k = 1; k <= 10; ++k)
        figures << app.service->figures().figure(k);
    return DataFile::compose(figures);
}

} // namespace

class TestFigureFields : public QObject {
    Q_OBJECT
private slots:
    void typing_data();
    void typing();
    void click_data();
    void click();
    void editSaves_data();
    void editSaves();
    void failedSaveReleasesGuard();
    void controlKeysCountAsLastKey();
    void showBoxes_data();
    void showBoxes();
    void digitCount_data();
    void digitCount();
    void fillChar_data();
    void fillChar();
};

void TestFigureFields::typing_data()
{
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<bool>("boardRead");
    QTest::addColumn<QString>("start");   // written into the field first
    QTest::addColumn<int>("caret");       // caret before typing
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCaret");

    QTest::newRow("point typed after 1.2 moves it") << 4 << false << false << "1.250" << 3 << "." << "12.50" << 4;
    QTest::newRow("point typed in front") << 4 << false << false << "1.250" << 0 << "." << "1250" << 0;
    QTest::newRow("digit typed in front") << 4 << false << false << "1.250" << 0 << "5" << "51.25" << 1;
    QTest::newRow("12") << 4 << false << false << "" << 0 << "12" << "1200" << 2;
    QTest::newRow("1.5") << 4 << false << false << "" << 0 << "1.5" << "1.500" << 3;
    QTest::newRow("letter dropped") << 4 << false << false << "" << 0 << "1a2" << "1200" << 2;
    QTest::newRow("comma dropped") << 4 << false << false << "" << 0 << "1,25" << "1250" << 3;
    QTest::newRow("one cell") << 1 << false << false << "" << 0 << "7" << "7" << 1;
    QTest::newRow("blank 12") << 4 << true << false << "" << 0 << "12" << "12  " << 2;
    QTest::newRow("blank 1x") << 4 << true << false << "" << 0 << "1x" << "1   " << 1;
    QTest::newRow("blank leading blank") << 4 << true << false << "" << 0 << " 1.2" << " 1.2 " << 4;
    // Written whole into the field: the caret ends behind the text less what was removed.
    QTest::newRow("written 1a2") << 4 << false << false << "1a2" << -1 << "" << "1200" << 2;
    QTest::newRow("written .5") << 4 << false << false << ".5" << -1 << "" << "5000" << 1;
    QTest::newRow("written 12345.6") << 4 << false << false << "12345.6" << -1 << "" << "1234" << 4;
    QTest::newRow("written --.--") << 4 << false << false << "--.--" << -1 << "" << "0000" << 0;
    QTest::newRow("read --.--") << 4 << false << true << "--.--" << -1 << "" << "--.--" << 5;
}

void TestFigureFields::typing()
{
    QFETCH(int, digits);
    QFETCH(bool, blank);
    QFETCH(bool, boardRead);
    QFETCH(QString, start);
    QFETCH(int, caret);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, expectedCaret);

    auto t = started(digits, blank);
    Program &app = *t->app;
    FigureEdit *e = app.mainWindow->figureEdits[1];
    if (boardRead)
        app.service->figures().setFigure(1, start, true);
    else
        e->setText(start);
    if (caret >= 0)
        e->setCursorPosition(caret);
    QTest::keyClicks(e, keys);

    QCOMPARE(e->text(), expected);
    QCOMPARE(e->cursorPosition(), expectedCaret);
    QCOMPARE(app.service->figures().figure(1), expected);
    QVERIFY(!app.mainWindow->formatting);
    // The board's own figures are saved once the whole read is applied, not field by field.
    if (!boardRead)
        QCOMPARE(DataFile::splitLines(t->readFile("Tablo_data.tbl")).value(0), expected.toLatin1());
}

void TestFigureFields::click_data()
{
    QTest::addColumn<bool>("blank");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expectedCaret");
    QTest::newRow("starts with zero fill") << false << "0012" << 0;
    QTest::newRow("starts with a digit") << false << "1200" << 4;
    QTest::newRow("starts with blank fill") << true << "  12" << 0;
    QTest::newRow("blank mode, leading zero is no fill") << true << "0012" << 4;
}

void TestFigureFields::click()
{
    QFETCH(bool, blank);
    QFETCH(QString, text);
    QFETCH(int, expectedCaret);
    auto t = started(4, blank);
    FigureEdit *e = t->mainWindow()->figureEdits[1];
    e->setText(text);
    QCOMPARE(e->text(), text);
    // The click formats and saves even though nothing changed.
    t->writeFile(QStringLiteral("Tablo_data.tbl"), "other program's content");
    QTest::mouseClick(e, Qt::LeftButton, {}, QPoint(e->width() - 3, e->height() / 2));
    QCOMPARE(e->cursorPosition(), expectedCaret);
    QCOMPARE(e->text(), text);
    QCOMPARE(t->readFile(QStringLiteral("Tablo_data.tbl")), storedFile(*t->app));
}

void TestFigureFields::editSaves_data()
{
    QTest::addColumn<bool>("autoLoad");
    QTest::addColumn<bool>("testMode");
    QTest::addColumn<bool>("saved");
    QTest::newRow("both off") << false << false << true;
    QTest::newRow("automatic loading") << true << false << false;
    QTest::newRow("test mode") << false << true << false;
    QTest::newRow("both on") << true << true << false;
}

void TestFigureFields::editSaves()
{
    QFETCH(bool, autoLoad);
    QFETCH(bool, testMode);
    QFETCH(bool, saved);
    auto t = started(4, false);
    Program &app = *t->app;
    app.settingsDialog->autoLoadBox->setChecked(autoLoad);
    app.mainWindow->testMode = testMode;
    const QByteArray sentinel = "untouched";
    t->writeFile(QStringLiteral("Tablo_data.tbl"), sentinel);
    FigureEdit *e = app.mainWindow->figureEdits[3];
    e->setCursorPosition(0);
    QTest::keyClicks(e, QStringLiteral("7"));
    QCOMPARE(e->text(), QStringLiteral("71.00"));
    QCOMPARE(app.service->figures().figure(3), QStringLiteral("71.00"));
    const QByteArray file = t->readFile(QStringLiteral("Tablo_data.tbl"));
    QCOMPARE(file, saved ? storedFile(app) : sentinel);
    if (saved)
        QCOMPARE(DataFile::splitLines(file).value(2), QByteArray("71.00"));
}

void TestFigureFields::failedSaveReleasesGuard()
{
    auto t = started(4, false);
    Program &app = *t->app;
    QFile::remove(app.dataFilePath);
    QVERIFY(QDir().mkdir(app.dataFilePath));
    FigureEdit *e = app.mainWindow->figureEdits[1];
    e->setCursorPosition(0);
    QTest::keyClicks(e, QStringLiteral("5"));
    QCOMPARE(app.reportedErrors.size(), 1);
    QVERIFY(!app.mainWindow->formatting);
    QCOMPARE(e->text(), QStringLiteral("51.00"));
    QCOMPARE(app.service->figures().figure(1), QStringLiteral("51.00"));
    // The next key is formatted again: the guard did not stay set.
    QTest::keyClicks(e, QStringLiteral("6"));
    QCOMPARE(e->text(), QStringLiteral("561.0"));
    QCOMPARE(app.reportedErrors.size(), 2);
}

void TestFigureFields::controlKeysCountAsLastKey()
{
    // After "." the operator presses Esc: the last key is Esc, so a text with two points written
    // into the field later loses its second point instead of moving the first.
    auto t = started(4, false);
    Program &app = *t->app;
    FigureEdit *e = app.mainWindow->figureEdits[2];
    e->setCursorPosition(e->text().size());
    QTest::keyClick(e, '.');
    QCOMPARE(app.mainWindow->lastKey, QChar('.'));
    e->setText(QStringLiteral("1.250"));
    QTest::keyClick(e, Qt::Key_Escape);
    QCOMPARE(app.mainWindow->lastKey, QChar(27));
    e->setText(QStringLiteral("1.2.5"));
    QCOMPARE(e->text(), QStringLiteral("1.250"));
    QTest::keyClick(e, Qt::Key_Backspace);
    QCOMPARE(app.mainWindow->lastKey, QChar(8));
}

void TestFigureFields::showBoxes_data()
{
    QTest::addColumn<int>("boardType");
    QTest::addColumn<bool>("second");   // the row's second box instead of its first
    QTest::addColumn<int>("row");
    // After switching the box off: enabled state of the fields of slots 2r-1 and 2r, of the
    // product names 2r-1 and 2r, and the state of the second box.
    QTest::addColumn<QList<bool>>("expected");
    QTest::newRow("currency, row 2") << 0 << false << 2 << QList<bool>{false, false, true, true, false};
    QTest::newRow("currency, row 5") << 0 << false << 5 << QList<bool>{false, false, true, true, false};
    QTest::newRow("currency, hidden box") << 0 << true << 2 << QList<bool>{true, true, true, true, false};
    QTest::newRow("price, first box") << 1 << false << 3 << QList<bool>{false, true, false, true, true};
    QTest::newRow("price, second box") << 1 << true << 3 << QList<bool>{true, false, true, false, false};
    QTest::newRow("no type, first box") << -1 << false << 2 << QList<bool>{false, true, false, true, true};
    QTest::newRow("no type, second box") << -1 << true << 2 << QList<bool>{true, true, true, true, false};
}

void TestFigureFields::showBoxes()
{
    QFETCH(int, boardType);
    QFETCH(bool, second);
    QFETCH(int, row);
    QFETCH(QList<bool>, expected);
    auto t = started(4, false);
    MainWindow *f = t->mainWindow();
    t->app->boardViewWindow->boardTypeGroup->setItemIndex(boardType);
    QCOMPARE(t->app->boardViewWindow->boardType(), boardType);
    for (int r = 1; r <= 5; ++r) {
        f->oddSlotBoxes[r]->setChecked(true);
        f->evenSlotBoxes[r]->setChecked(true);
    }
    for (int k = 1; k <= 10; ++k) {
        f->figureEdits[k]->setEnabled(true);
        f->productNameLabels[k]->setEnabled(true);
    }
    QCheckBox *box = second ? f->evenSlotBoxes[row] : f->oddSlotBoxes[row];
    auto states = [&] {
        return QList<bool>{f->figureEdits[2 * row - 1]->isEnabled(), f->figureEdits[2 * row]->isEnabled(),
                           f->productNameLabels[2 * row - 1]->isEnabled(), f->productNameLabels[2 * row]->isEnabled(),
                           f->evenSlotBoxes[row]->isChecked()};
    };
    const QString before = f->figureEdits[2 * row - 1]->text();
    box->setChecked(false);
    QCOMPARE(states(), expected);
    QCOMPARE(f->figureEdits[2 * row - 1]->text(), before);   // a disabled field keeps its figure
    // Other rows are left alone.
    const int other = row == 1 ? 2 : 1;
    QVERIFY(f->figureEdits[2 * other - 1]->isEnabled() && f->figureEdits[2 * other]->isEnabled());
    box->setChecked(true);
    QCOMPARE(states(), (QList<bool>{true, true, true, true, true}));
}

void TestFigureFields::digitCount_data()
{
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QList<int>>("changes");
    QTest::addColumn<bool>("loading");
    QTest::addColumn<QString>("expected");
    QTest::newRow("5 to 3") << 5 << false << "1.2345" << QList<int>{3} << false << "1.23";
    QTest::newRow("5 to 3 to 5") << 5 << false << "1.2345" << QList<int>{3, 5} << false << "1.2300";
    QTest::newRow("4 to 5") << 4 << false << "1234" << QList<int>{5} << false << "12340";
    QTest::newRow("blank 3 to 5") << 3 << true << "1.2" << QList<int>{5} << false << "1.2   ";
    QTest::newRow("while settings load") << 5 << false << "1.2345" << QList<int>{3} << true << "1.2345";
}

void TestFigureFields::digitCount()
{
    QFETCH(int, digits);
    QFETCH(bool, blank);
    QFETCH(QString, start);
    QFETCH(QList<int>, changes);
    QFETCH(bool, loading);
    QFETCH(QString, expected);
    auto t = started(digits, blank);
    Program &app = *t->app;
    for (int k = 1; k <= 10; ++k)
        app.mainWindow->figureEdits[k]->setText(start);
    std::optional<ControllerWorkflow::Quiet> loadingScope;
    if (loading) loadingScope.emplace(*app.workflow, ControllerWorkflow::Quiet::Loading);
    for (int d : changes)
        app.settingsDialog->digitsSpin->setValue(d);
    loadingScope.reset();
    for (int k : {1, 6, 10}) {   // enabled and disabled fields alike
        QCOMPARE(app.mainWindow->figureEdits[k]->text(), expected);
        QCOMPARE(app.service->figures().figure(k), expected);
    }
}

void TestFigureFields::fillChar_data()
{
    QTest::addColumn<bool>("loading");
    QTest::newRow("operator's choice") << false;
    QTest::newRow("while settings load") << true;
}

void TestFigureFields::fillChar()
{
    QFETCH(bool, loading);
    auto t = started(4, false);
    Program &app = *t->app;
    QCOMPARE(blankFigure(app.settings->program().digits, app.fillChar()), QStringLiteral("0000"));
    t->writeFile(QStringLiteral("Tablo_data.tbl"), "untouched");
    std::optional<ControllerWorkflow::Quiet> loadingScope;
    if (loading) loadingScope.emplace(*app.workflow, ControllerWorkflow::Quiet::Loading);
    app.settingsDialog->fillCharGroup->setItemIndex(1);
    loadingScope.reset();
    if (loading) {
        QCOMPARE(app.mainWindow->figureEdits[2]->text(), QStringLiteral("1.000"));
        QCOMPARE(t->readFile(QStringLiteral("Tablo_data.tbl")), QByteArray("untouched"));
        return;
    }
    QCOMPARE(app.fillChar(), QLatin1Char(' '));
    QCOMPARE(blankFigure(app.settings->program().digits, app.fillChar()), QStringLiteral("    "));
    // All fields were reformatted, which saved them.
    QCOMPARE(t->readFile(QStringLiteral("Tablo_data.tbl")), QByteArray("1.000\r\n").repeated(10));
    app.mainWindow->figureEdits[2]->setText(QStringLiteral("7"));
    QCOMPARE(app.mainWindow->figureEdits[2]->text(), QStringLiteral("7   "));
    app.settingsDialog->fillCharGroup->setItemIndex(0);
    QCOMPARE(app.fillChar(), QLatin1Char('0'));
    QCOMPARE(app.mainWindow->figureEdits[2]->text(), QStringLiteral("7000"));   // blanks are no cells in zero mode
}

QTEST_MAIN(TestFigureFields)
#include "tst_figure_fields.moc"
