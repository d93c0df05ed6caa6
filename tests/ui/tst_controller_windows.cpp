// The windows' face on a fresh installation, Return in their fields, and the binding of their
// controls to the settings.
#include <QtTest>

#include "core/operations/ControllerWorkflow.h"
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTimeEdit>
#include <QPushButton>
#include <QSpinBox>

#include "TestApp.h"
#include "gui/MainWindow.h"
#include "gui/BoardViewWindow.h"
#include "gui/AutoControlsWindow.h"
#include "gui/SettingsDialog.h"
#include "gui/TestPatternWindow.h"

namespace {
QWidget *window(Program &app, const QString &name)
{
    if (name == QLatin1String("Form1"))
        return app.mainWindow;
    if (name == QLatin1String("Form2"))
        return app.settingsDialog;
    if (name == QLatin1String("Form13"))
        return app.autoControlsWindow;
    if (name == QLatin1String("Form12"))
        return app.boardViewWindow;
    return app.testPatternWindow;
}
template <class T> T *control(Program &app, const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('.'));
    T *w = window(app, parts[0])->findChild<T *>(parts[1]);
    if (!w)
        qWarning("no control %s", qPrintable(path));
    return w;
}

// The control that shows a field of the controller configuration, and its value.
QWidget *controlOf(Program &app, ControllerField f)
{
    SettingsDialog *s = app.settingsDialog;
    AutoControlsWindow *a = app.autoControlsWindow;
    QWidget *const controls[ControllerFieldCount] = {
        app.mainWindow->brightnessGroup, a->brightnessModeGroup, app.mainWindow->lightingGroup, a->lightingModeGroup,
        s->flashGroup, a->morningCorrectionSpin, a->eveningCorrectionSpin, a->offCorrectionSpin, a->onCorrectionSpin,
        a->dayLevelBox, a->nightLevelBox, s->timerUsedGroup, s->temperatureSensorGroup, s->clockSectionGroup,
        s->eventsGroup, s->inverseSignalsGroup, s->controlledByGroup};
    return controls[int(f)];
}
int valueOf(QWidget *w)
{
    if (auto *g = qobject_cast<RadioGroup *>(w))
        return g->itemIndex();
    if (auto *s = qobject_cast<QSpinBox *>(w))
        return s->value();
    return qobject_cast<QComboBox *>(w)->currentIndex();
}
void setValueOf(QWidget *w, int v)
{
    if (auto *g = qobject_cast<RadioGroup *>(w))
        g->setItemIndex(v);
    else if (auto *s = qobject_cast<QSpinBox *>(w))
        s->setValue(v);
    else
        qobject_cast<QComboBox *>(w)->setCurrentIndex(v);
}
} // namespace

class TestControllerWindows : public QObject {
    Q_OBJECT
private slots:
    // What each window shows on a fresh installation (after the start-up step, no settings file):
    // its title and every control's texts, items, ranges and values, in creation order, compared
    // with tests/ui/faces/<window>.txt. TABLO_GOLDEN_RECORD=1 rewrites the files.
    void faces_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *name : {"Form1", "Form2", "Form13", "Form12", "Form11"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void faces()
    {
        QFETCH(QString, window);
        TestApp t;
        t.startUp();
        QWidget *w = ::window(*t.app, window);
        QStringList lines{QStringLiteral("title: ") + w->windowTitle()};
        for (QWidget *c : w->findChildren<QWidget *>()) {
            // The parts a control is made of are part of its own line.
            // The clock label shows the time of day.
            if (qobject_cast<RadioGroup *>(c->parentWidget()) || qobject_cast<QAbstractSpinBox *>(c->parentWidget())
                || qobject_cast<QComboBox *>(c->parentWidget()) || c->objectName().isEmpty()
                || c->objectName().startsWith(QLatin1String("qt_")) || c == t.app->mainWindow->clockLabel)
                continue;
            QString line = c->objectName() + QLatin1Char(' ');
            if (auto *g = qobject_cast<RadioGroup *>(c))
                line += QStringLiteral("radio \"%1\" [%2] columns %3 index %4")
                            .arg(g->title(), g->items().join(QLatin1Char('|')))
                            .arg(g->columns())
                            .arg(g->itemIndex());
            else if (auto *b = qobject_cast<QCheckBox *>(c))
                line += QStringLiteral("check \"%1\" %2").arg(b->text(), b->isChecked() ? "on" : "off");
            else if (auto *b = qobject_cast<QAbstractButton *>(c))
                line += QStringLiteral("button \"%1\"").arg(b->text());
            else if (auto *l = qobject_cast<QLabel *>(c))
                line += QStringLiteral("label \"%1\"").arg(l->text());
            else if (auto *g = qobject_cast<QGroupBox *>(c))
                line += QStringLiteral("group \"%1\"").arg(g->title());
            else if (auto *s = qobject_cast<QSpinBox *>(c))
                line += QStringLiteral("spin %1..%2 = %3").arg(s->minimum()).arg(s->maximum()).arg(s->value());
            else if (auto *b = qobject_cast<QComboBox *>(c)) {
                QStringList items;
                for (int i = 0; i < b->count(); ++i)
                    items << b->itemText(i);
                line += QStringLiteral("combo [%1] \"%2\"").arg(items.join(QLatin1Char('|')), b->currentText());
            } else if (auto *e = qobject_cast<QLineEdit *>(c)) {
                line += QStringLiteral("edit \"%1\"").arg(e->text());
            } else if (auto *p = qobject_cast<QTimeEdit *>(c)) {
                line += QStringLiteral("time %1 = %2").arg(p->displayFormat(), p->time().toString(p->displayFormat()));
            } else if (auto *m = qobject_cast<QMenu *>(c)) {
                QStringList items;
                for (const QAction *a : m->actions())
                    items << a->text();
                line += QStringLiteral("menu \"%1\" [%2]%3")
                            .arg(m->title(), items.join(QLatin1Char('|')),
                                 m->menuAction()->isVisible() ? QString() : QStringLiteral(" hidden"));
            } else
                continue;
            lines << line;
        }
        const QByteArray face = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
        QFile file(QStringLiteral(FACES_DIR "/%1.txt").arg(window));
        if (qEnvironmentVariableIntValue("TABLO_GOLDEN_RECORD") == 1) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(face);
            return;
        }
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName() + " missing: record with TABLO_GOLDEN_RECORD=1"));
        QCOMPARE(QString::fromUtf8(face), QString::fromUtf8(file.readAll()));
    }

    void returnPressesNothing_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *path : {"Form2.SpinEdit5", "Form2.SpinEdit4", "Form2.SpinEdit3", "Form13.DateTimePicker1",
                                 "Form13.SpinEdit8", "Form13.SpinEdit7", "Form11.RadioGroup1", "Form12.SpinEdit1"})
            QTest::newRow(path) << QString::fromLatin1(path);
    }
    void returnPressesNothing()
    {
        QFETCH(QString, path);
        QStringList pressed;
        TestApp t;
        t.startUp();
        QWidget *field = control<QWidget>(*t.app, path), *w = field->window();
        for (QPushButton *b : w->findChildren<QPushButton *>())
            connect(b, &QPushButton::clicked, b, [&pressed, b] { pressed << b->text(); });
        w->show();
        if (auto *g = qobject_cast<RadioGroup *>(field))
            field = g->button(3);   // a test pattern
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(pressed.join(QStringLiteral(", ")), QString());
    }

    // Before any load or read: stored times "00:00:00" shown in all four pickers as HH:mm:ss.
    // Every controller field and its control show the same value, whichever of them changes.
    void controllerBindings()
    {
        TestApp t;
        Program &app = *t.app;
        std::optional<ControllerWorkflow::Quiet> work;
        work.emplace(*app.workflow);   // no command while the values change
        for (int i = 0; i < ControllerFieldCount; ++i) {
            const auto f = ControllerField(i);
            QWidget *w = controlOf(app, f);
            QCOMPARE(app.settings->controllerValue(f), valueOf(w));
            const bool number = qobject_cast<QSpinBox *>(w);
            app.settings->setControllerValue(f, number ? -20 : 1);
            QCOMPARE(valueOf(w), number ? -20 : 1);
            setValueOf(w, number ? 15 : 0);
            QCOMPARE(app.settings->controllerValue(f), number ? 15 : 0);
            setValueOf(w, -1);   // no selection (a spin keeps -1)
            QCOMPARE(app.settings->controllerValue(f), -1);
        }
    }

    // The program settings follow their controls.
    void programBindings()
    {
        TestApp t;
        Program &app = *t.app;
        SettingsDialog *s = app.settingsDialog;
        BoardViewWindow *b = app.boardViewWindow;
        s->checksumsBox->setChecked(false);
        s->oneWayLinkBox->setChecked(true);
        s->lightingControlBox->setChecked(false);
        s->brightnessControlBox->setChecked(false);
        s->autoLoadBox->setChecked(true);
        s->sendIfChangedBox->setChecked(true);
        s->digitsSpin->setValue(3);
        s->fillCharGroup->setItemIndex(1);
        s->attemptsSpin->setValue(4);
        s->timeoutSpin->setValue(12);
        s->autoLoadIntervalSpin->setValue(9);
        b->boardTypeGroup->setItemIndex(1);
        b->productCountSpin->setValue(7);
        b->currencyCountSpin->setValue(2);
        b->productNameEdits[3]->setText(QStringLiteral("Gas"));
        b->currencyBoxes[2]->setCurrentText(QStringLiteral("GBP"));
        app.mainWindow->evenSlotBoxes[2]->setChecked(false);
        ProgramSettings expected;
        expected.checksums = false, expected.oneWay = true, expected.lightingControl = false;
        expected.brightnessControl = false, expected.autoLoad = true, expected.sendIfChanged = true;
        expected.digits = 3, expected.fillMode = 1, expected.attempts = 4, expected.timeoutMs = 1200;
        expected.autoLoadIntervalMs = 9000, expected.boardType = 1, expected.productCount = 7;
        expected.currencyCount = 2, expected.productNames[2] = QStringLiteral("Gas");
        expected.currencies[1] = QStringLiteral("GBP"), expected.shown[3] = false;
        QVERIFY(app.settings->program() == expected);
    }
};

QTEST_MAIN(TestControllerWindows)
#include "tst_controller_windows.moc"
#include "gui/widgets/RadioGroup.h"
#include "gui/widgets/TimePicker.h"
