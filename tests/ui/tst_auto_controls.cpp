// The Auto Controls window: mode switches with the schedule lookup, stored time texts,
// sending only while open, placement and layout.
#include <QtTest>
#include <QComboBox>
#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QSpinBox>

#include "TestApp.h"
#include "core/board/BoardSession.h"
#include "core/settings/ControllerConfig.h"
#include "core/protocol/Protocol.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "core/files/IniFile.h"

namespace {
const QByteArray Heading = "Date  Morning  Evening\r\n";
const QByteArray Before = "05.12 06:14:00 20:43:00\r\n";
const QByteArray Day = "05.13 06:12:00 20:45:00\r\n";
const QByteArray After = "05.14 06:10:00 20:47:00\r\n";

// One group's controls.
struct Group {
    RadioGroup *mode;
    TimePicker *first, *second;
    QSpinBox *firstCorrection, *secondCorrection;
    QLabel *firstLabel, *secondLabel;
    SwitchTime firstTime, secondTime;
};
Group group(Program &app, bool brightness)
{
    AutoControlsWindow *f = app.autoControlsWindow;
    if (brightness)
        return {f->brightnessModeGroup,    f->morningTimePicker,     f->eveningTimePicker,
                f->morningCorrectionSpin,  f->eveningCorrectionSpin, f->morningCorrectionLabel,
                f->eveningCorrectionLabel, SwitchTime::Morning,       SwitchTime::Evening};
    return {f->lightingModeGroup, f->offTimePicker, f->onTimePicker, f->offCorrectionSpin, f->onCorrectionSpin,
            f->offCorrectionLabel,        f->onCorrectionLabel,         SwitchTime::Off,   SwitchTime::On};
}
QString shown(TimePicker *p) { return p->time().toString(QStringLiteral("HH:mm:ss")); }

// A context whose sends go nowhere quickly: a port that does not exist, the shortest time-out.
void quiet(TestApp &t)
{
    t.app->settings->setPort(t.path(QStringLiteral("no-such-port")));
    t.app->settingsDialog->portCombo->setCurrentText(t.app->settings->program().port);
    t.app->settings->setTimeout(400);
    t.app->settings->setAttempts(1);
    t.app->todayHook = [] { return QDate(2024, 5, 13); };
}
} // namespace

class TestAutoControls : public QObject {
    Q_OBJECT
private slots:
    // The schedule lookup through the window, for either group, with the window closed.
    void lookup_data()
    {
        QTest::addColumn<bool>("brightness");
        QTest::addColumn<QByteArray>("schedule");   // null: no file
        QTest::addColumn<int>("c1");
        QTest::addColumn<int>("c2");
        QTest::addColumn<QString>("first");          // empty: the picker keeps its time
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("error");          // %1: the file's full path

        for (bool b : {true, false}) {
            const char *g = b ? "brightness: " : "lighting: ";
            auto row = [&](const char *name) -> QTestData & {
                return QTest::newRow(qPrintable(QString::fromLatin1(g) + QLatin1String(name))) << b;
            };
            row("13 May with corrections") << Heading + Before + Day + After << 10 << -15 << "06:22:00"
                                           << "20:30:00"
                                           << "";
            row("past midnight") << Heading + "05.13 23:55:00 23:50:00\r\n"
                                 << 10 << 10 << "00:05:00"
                                 << "00:00:00"
                                 << "";
            row("before midnight") << Heading + "05.13 00:30:00 12:00:00\r\n" << -45 << 0 << "23:45:00" << "12:00:00"
                                   << "";
            row("month without leading zero") << Heading + "5.13  07:00:00 21:00:00\r\n" << 0 << 0 << "" << "" << "";
            row("heading with today's date") << "05.13 01:00:00 02:00:00\r\n" + Before + After << 0 << 0 << "" << ""
                                             << "";
            row("bad number before today's line") << Heading + "05.12 xx:14:00 20:43:00\r\n" + Day << 0 << 0 << ""
                                                  << "" << "'xx' is not a valid integer value";
            row("bad number after today's line") << Heading + Day + "05.14 xx:10:00 20:47:00\r\n" << 0 << 0
                                                 << "06:12:00" << "20:45:00" << "";
            row("no file") << QByteArray() << 0 << 0 << "" << ""
                           << "Cannot open file \"%1\". No such file or directory";
        }
    }
    void lookup()
    {
        QFETCH(bool, brightness);
        QFETCH(QByteArray, schedule);
        QFETCH(int, c1);
        QFETCH(int, c2);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, error);

        TestApp t;
        quiet(t);
        if (!schedule.isNull())
            t.writeFile(QStringLiteral("Shedule.shd"), schedule);
        Program &app = *t.app;
        Group g = group(app, brightness);
        app.settings->setSwitchTime(g.firstTime, QStringLiteral("08:00:00"));
        app.settings->setSwitchTime(g.secondTime, QStringLiteral("19:00:00"));
        g.mode->setItemIndex(0);   // by time: the pickers show the stored texts
        g.firstCorrection->setValue(c1);
        g.secondCorrection->setValue(c2);
        QCOMPARE(shown(g.first), QStringLiteral("08:00:00"));
        QSignalSpy sent(app.boardSession, &BoardSession::commandShown);

        g.mode->setItemIndex(1);

        const bool failed = !error.isEmpty();
        if (error.contains(QLatin1String("%1")))
            error = error.arg(QFileInfo(t.path(QStringLiteral("Shedule.shd"))).absoluteFilePath());
        QCOMPARE(app.reportedErrors, failed ? QStringList{error} : QStringList());
        QCOMPARE(shown(g.first), first.isEmpty() ? QStringLiteral("08:00:00") : first);
        QCOMPARE(shown(g.second), second.isEmpty() ? QStringLiteral("19:00:00") : second);
        // The stored texts are never the schedule's.
        QCOMPARE(app.settings->switchTime(g.firstTime), QStringLiteral("08:00:00"));
        QCOMPARE(app.settings->switchTime(g.secondTime), QStringLiteral("19:00:00"));
        // A failed lookup leaves the enabled states of by time; otherwise those of by schedule.
        QCOMPARE(g.first->isEnabled(), failed);
        QCOMPARE(g.second->isEnabled(), failed);
        for (QWidget *w : {static_cast<QWidget *>(g.firstCorrection), static_cast<QWidget *>(g.secondCorrection),
                           static_cast<QWidget *>(g.firstLabel), static_cast<QWidget *>(g.secondLabel)})
            QCOMPARE(w->isEnabled(), !failed);
        QVERIFY(app.autoControlsWindow->scheduleButton->isEnabled());
        QCOMPARE(sent.count(), 0);   // closed window: nothing sent
    }

    // Back to by time shows the stored times; a correction in by schedule recomputes at once.
    void modeChanges()
    {
        TestApp t;
        quiet(t);
        t.writeFile(QStringLiteral("Shedule.shd"), Heading + Day);
        Program &app = *t.app;
        AutoControlsWindow *f = app.autoControlsWindow;
        app.settings->setSwitchTime(SwitchTime::Morning, QStringLiteral("07:30:15"));
        app.settings->setSwitchTime(SwitchTime::Evening, QStringLiteral("21:00:00"));
        f->brightnessModeGroup->setItemIndex(1);
        QCOMPARE(shown(f->morningTimePicker), QStringLiteral("06:12:00"));
        f->morningCorrectionSpin->setValue(-20);
        QCOMPARE(shown(f->morningTimePicker), QStringLiteral("05:52:00"));
        f->eveningCorrectionSpin->setValue(15);
        QCOMPARE(shown(f->eveningTimePicker), QStringLiteral("21:00:00"));
        f->brightnessModeGroup->setItemIndex(0);
        QCOMPARE(shown(f->morningTimePicker), QStringLiteral("07:30:15"));
        QCOMPARE(shown(f->eveningTimePicker), QStringLiteral("21:00:00"));
        QVERIFY(f->morningTimePicker->isEnabled());
        QVERIFY(!f->morningCorrectionSpin->isEnabled());
        // The lighting group was not touched.
        QCOMPARE(shown(f->offTimePicker), QStringLiteral("00:00:00"));
    }

    // Only the operator's edit of a picker rewrites its stored text.
    void storedTexts()
    {
        TestApp t;
        quiet(t);
        Program &app = *t.app;
        AutoControlsWindow *f = app.autoControlsWindow;
        TimePicker *pickers[4] = {f->morningTimePicker, f->eveningTimePicker, f->offTimePicker, f->onTimePicker};
        const SwitchTime times[4] = {SwitchTime::Morning, SwitchTime::Evening, SwitchTime::Off, SwitchTime::On};
        for (int i = 0; i < 4; ++i) {
            pickers[i]->setTimeFromProgram(QTime(10, 11, 12));
            QCOMPARE(app.settings->switchTime(times[i]), QStringLiteral("00:00:00"));
            pickers[i]->setTime(QTime(9, 5, 7 + i));   // as the operator's edit
            QCOMPARE(app.settings->switchTime(times[i]), QStringLiteral("09:05:%1").arg(7 + i, 2, 10, QLatin1Char('0')));
        }
    }

    // Values read back from the board: the corrections' range is -127 to 127.
    void correctionReadBack_data()
    {
        QTest::addColumn<int>("correction");
        QTest::addColumn<int>("readBack");
        QTest::newRow("-1") << -1 << -1;
        QTest::newRow("-5") << -5 << -5;
        QTest::newRow("128") << 128 << 127;
        QTest::newRow("-127") << -127 << -127;
        QTest::newRow("127") << 127 << 127;
    }
    void correctionReadBack()
    {
        QFETCH(int, correction);
        QFETCH(int, readBack);
        TestApp t;
        quiet(t);
        QSpinBox *s = t.app->autoControlsWindow->morningCorrectionSpin;
        s->setValue(correction);
        ControllerConfig v;
        v.morningTime = v.eveningTime = v.offTime = v.onTime = QStringLiteral("00:00:00");
        v.morningCorrection = s->value();
        std::array<int, 19> fields{};
        QVERIFY(setsFields(v, fields));
        s->setValue(Protocol::offsetFromBoard(fields[5]));
        QCOMPARE(s->value(), readBack);
    }

    void viewSchedule_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("schedule") << true;
        QTest::newRow("no schedule") << false;
    }
    void viewSchedule()
    {
        QFETCH(bool, exists);
        TestApp t;
        if (exists)
            t.writeFile(QStringLiteral("Shedule.shd"), Heading + Day);
        t.app->autoControlsWindow->scheduleButton->setEnabled(true);
        t.app->autoControlsWindow->scheduleButton->click();
        QCOMPARE(t.editorStarts,
                 exists ? QStringList{t.path(QStringLiteral("Shedule.shd"))} : QStringList());
    }

    void placement()
    {
        TestApp t;
        quiet(t);
        t.app->mainWindow->move(40, 70);
        t.app->autoControlsWindow->show();
        QCOMPARE(t.app->autoControlsWindow->pos(), QPoint(t.app->mainWindow->width() + 20, t.app->mainWindow->y()));
    }

    void arrange_data()
    {
        QTest::addColumn<bool>("lighting");
        QTest::newRow("lighting control on") << true;
        QTest::newRow("lighting control off") << false;
    }
    void arrange()
    {
        QFETCH(bool, lighting);
        TestApp t;
        AutoControlsWindow *f = t.app->autoControlsWindow;
        f->lightingBox->setVisible(lighting);
        f->arrange();
        QWidget *above = lighting ? f->lightingBox : f->brightnessBox;
        QCOMPARE(f->scheduleButton->y(), above->y() + above->height() + 5);
        QCOMPARE(f->closeButton->y(), f->scheduleButton->y());
        QCOMPARE(f->height(), f->scheduleButton->y() + f->scheduleButton->height() + f->statusBar->height() + 42);
        QCOMPARE(f->statusBar->y() + f->statusBar->height(), f->height());
    }
};

QTEST_MAIN(TestAutoControls)
#include "tst_auto_controls.moc"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/TimePicker.h"
