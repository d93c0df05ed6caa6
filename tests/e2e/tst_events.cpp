// The board's own lines through the event poller over a real pty: the protocol log, the event
// values and the three status panels, "Pause Protocol", the clock label and the log bound.
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTextBlock>
#include <QTest>

#include "BoardRig.h"
#include "core/link/QtSerialLink.h"

namespace {

QByteArray withSum(const QByteArray &line, int delta = 0)
{
    return line + ';' + QByteArray::number(Protocol::byteSum(line) + delta) + ';';
}

// The board sends `bytes`; returns once they are waiting at the program's end of the line.
bool boardSends(BoardRig &rig, const QByteArray &bytes)
{
    QSerialPort *port = rig.app().serialLink->port();
    const qint64 before = port->bytesAvailable();
    if (!rig.sim.control(QStringLiteral("raw ") + simEscaped(bytes)))
        return false;
    QDeadlineTimer deadline(5000);
    while (port->bytesAvailable() < before + bytes.size() && !deadline.hasExpired())
        port->waitForReadyRead(20);
    return port->bytesAvailable() >= before + bytes.size();
}

} // namespace

class TestEvents : public QObject {
    Q_OBJECT
private slots:
    // One table of lines as the board sends them, each handled by ticks of the poller.
    void lines_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");   // one poller tick after each
        QTest::addColumn<bool>("checksums");
        QTest::addColumn<bool>("sensor");
        QTest::addColumn<bool>("lighting");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("panels");     // panels 1, 2, 3; "=" keeps what was shown
        QTest::addColumn<QStringList>("values");     // Board_Values 11..13; "=" keeps what was there

        const QStringList same{"=", "=", "="};
        const QStringList applied{"BRIG=75%", "LIGH=1", "21.5°C"};
        const QStringList values{"21.5", "3", "1"};
        const QByteArray ev = "EVENT 21.5,3,1";

        QTest::newRow("plain, checksums off") << QByteArrayList{ev + "\r\n"} << false << true << true
                                              << QStringList{ev} << applied << values;
        QTest::newRow("sum, checksums off") << QByteArrayList{withSum(ev) + "\r\n"} << false << true << true
                                            << QStringList{withSum(ev)} << applied << values;
        QTest::newRow("wrong sum, checksums off") << QByteArrayList{withSum(ev, 1) + "\r\n"} << false << true << true
                                                  << QStringList{withSum(ev, 1)} << applied << values;
        QTest::newRow("no sum, checksums on: logged, not applied")
            << QByteArrayList{ev + "\r\n"} << true << true << true << QStringList{ev} << same << same;
        QTest::newRow("sum, checksums on") << QByteArrayList{withSum(ev) + "\r\n"} << true << true << true
                                           << QStringList{withSum(ev)} << applied << values;
        QTest::newRow("wrong sum, checksums on") << QByteArrayList{withSum(ev, -1) + "\r\n"} << true << true << true
                                                 << QStringList{withSum(ev, -1)} << same << same;
        QTest::newRow("sensor error") << QByteArrayList{"EVENT -0.25,0,0\r\n"} << false << true << true
                                      << QStringList{"EVENT -0.25,0,0"}
                                      << QStringList{"BRIG=Min", "LIGH=0", "Error"}
                                      << QStringList{"-0.25", "0", "0"};
        QTest::newRow("sensor not used") << QByteArrayList{ev + "\r\n"} << false << false << true
                                         << QStringList{ev} << QStringList{"BRIG=75%", "LIGH=1", ""} << values;
        QTest::newRow("lighting control off") << QByteArrayList{ev + "\r\n"} << false << true << false
                                              << QStringList{ev} << QStringList{"BRIG=75%", "", "21.5°C"} << values;
        QTest::newRow("brightness not a digit") << QByteArrayList{"EVENT 20,x,2\r\n"} << false << true << true
                                                << QStringList{"EVENT 20,x,2"}
                                                << QStringList{"=", "LIGH=2", "20°C"}
                                                << QStringList{"20", "x", "2"};
        QTest::newRow("brightness out of range") << QByteArrayList{"EVENT 20,5,2\r\n"} << false << true << true
                                                 << QStringList{"EVENT 20,5,2"}
                                                 << QStringList{"=", "LIGH=2", "20°C"}
                                                 << QStringList{"20", "5", "2"};
        QTest::newRow("fields not reached are empty") << QByteArrayList{"EVENT 19\r\n"} << false << true << true
                                                      << QStringList{"EVENT 19"}
                                                      << QStringList{"=", "LIGH=", "19°C"}
                                                      << QStringList{"19", "", ""};
        QTest::newRow("lighting not reached") << QByteArrayList{"EVENT 18,4\r\n"} << false << true << true
                                              << QStringList{"EVENT 18,4"}
                                              << QStringList{"BRIG=100%", "LIGH=", "18°C"}
                                              << QStringList{"18", "4", ""};
        QTest::newRow("not an event: lower case") << QByteArrayList{"event 21.5,3,1\r\n"} << false << true << true
                                                  << QStringList{"event 21.5,3,1"} << same << same;
        QTest::newRow("not an event: no blank") << QByteArrayList{"EVENTS 1,2,3\r\n"} << false << true << true
                                                << QStringList{"EVENTS 1,2,3"} << same << same;
        QTest::newRow("modem and PC answers only logged")
            << QByteArrayList{"+CMGL: 1,\"REC READ\"\r\nPC OK\r\n+CCLK: \"24/01/02,10:00:00\"\r\n"} << false << true
            << true << QStringList{"+CMGL: 1,\"REC READ\"", "PC OK", "+CCLK: \"24/01/02,10:00:00\""} << same << same;
        QTest::newRow("empty lines not logged, last event wins")
            << QByteArrayList{"\r\n\r\nEVENT 20,1,0\r\n\r\nEVENT 22,2,1\r\n\r\n"} << false << true << true
            << QStringList{"EVENT 20,1,0", "EVENT 22,2,1"} << QStringList{"BRIG=50%", "LIGH=1", "22°C"}
            << QStringList{"22", "2", "1"};
        QTest::newRow("line finished by the next tick")
            << QByteArrayList{"EVENT 2", "1.5,3", ",1\r"} << false << true << true << QStringList{} << same << same;
        QTest::newRow("line finished by the next tick, with its end")
            << QByteArrayList{"EVENT 2", "1.5,3", ",1\r", "\n"} << false << true << true << QStringList{ev} << applied
            << values;
        QTest::newRow("overlong line dropped whole")
            << QByteArrayList{QByteArray(1700, '#'), QByteArray(1700, '#'), QByteArray(1700, '#'), "\r\n" + ev + "\r\n"}
            << false << true << true
            << QStringList{ev} << applied << values;
        QTest::newRow("lone CR and LF dropped") << QByteArrayList{"EVENT 2\r1.5,\n3,1\r\n"} << false << true << true
                                                << QStringList{ev} << applied << values;
    }
    void lines()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(bool, checksums);
        QFETCH(bool, sensor);
        QFETCH(bool, lighting);
        QFETCH(QStringList, log);
        QFETCH(QStringList, panels);
        QFETCH(QStringList, values);

        BoardRig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        // The ticks are run by the test, one after each chunk.
        rig.mainWindow()->clockAndEventTimer->stop();
        SettingsDialog *dialog = rig.settingsDialog();
        dialog->checksumsBox->setChecked(checksums);
        dialog->temperatureSensorGroup->setItemIndex(sensor ? 1 : 0);
        dialog->lightingControlBox->setChecked(lighting);
        dialog->onClearLogClicked();
        const QStringList before{"old1", "old2", "old3"};
        for (int i = 1; i <= 3; ++i)
            rig.mainWindow()->statusPanels->setPanelText(i, before[i - 1]);
        rig.app().service->takeEvent("old", "old", "old");
        const BoardReading &state = rig.app().service->state().reading;

        for (const QByteArray &chunk : chunks) {
            QVERIFY(boardSends(rig, chunk));
            rig.mainWindow()->onClockAndEventTick();
        }

        QCOMPARE(rig.logLines(), log);
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(rig.panel(i), panels[i - 1] == QLatin1String("=") ? before[i - 1] : panels[i - 1]);
        const QByteArrayList got{state.temperature, state.brightnessLevel, state.lightingState};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(QString::fromLatin1(got[i]), values[i] == QLatin1String("=") ? QStringLiteral("old") : values[i]);
        // Everything sent was read.
        QCOMPARE(rig.app().serialLink->port()->bytesAvailable(), 0);
    }

    // The board's own events, on the running timer, reach the panels.
    void boardEvents()
    {
        BoardRig rig({.sim = {"--checksums", "on", "--events", "--event-interval", "300", "--temp", "23.5",
                              "--bright", "2", "--light", "0"}});
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        rig.settingsDialog()->checksumsBox->setChecked(true);
        rig.settingsDialog()->temperatureSensorGroup->setItemIndex(1);
        rig.settingsDialog()->lightingControlBox->setChecked(true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.panel(3), QStringLiteral("23.5°C"), 5000);
        QCOMPARE(rig.panel(1), QStringLiteral("BRIG=50%"));
        QCOMPARE(rig.panel(2), QStringLiteral("LIGH=0"));
        QCOMPARE(rig.app().service->state().reading.temperature, QByteArray("23.5"));
        const QStringList log = rig.logLines();
        QVERIFY(!log.isEmpty());
        QVERIFY2(log.first().startsWith(QLatin1String("EVENT 23.5,2,0;")), qPrintable(log.first()));
    }

    // "Pause Protocol" stops the reading but not the clock; the bytes wait for the next tick.
    void pause()
    {
        BoardRig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        SettingsDialog *dialog = rig.settingsDialog();
        dialog->checksumsBox->setChecked(false);
        dialog->temperatureSensorGroup->setItemIndex(1);
        dialog->onClearLogClicked();
        dialog->pauseProtocolBox->setChecked(true);

        const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
        const QLabel *clockLabel = rig.mainWindow()->clockLabel;
        QTRY_VERIFY_WITH_TIMEOUT(clock.match(clockLabel->text()).hasMatch(), 6000);
        const QString first = clockLabel->text();
        QVERIFY(boardSends(rig, "EVENT 25,1,1\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(clockLabel->text() != first, 6000);
        QTest::qWait(1200);
        QVERIFY(clock.match(clockLabel->text()).hasMatch());
        QCOMPARE(rig.logLines(), QStringList());
        QVERIFY(rig.panel(3) != QStringLiteral("25°C"));
        QVERIFY(rig.app().serialLink->port()->bytesAvailable() > 0);

        dialog->pauseProtocolBox->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(rig.logLines(), QStringList{"EVENT 25,1,1"}, 6000);
        QCOMPARE(rig.panel(3), QStringLiteral("25°C"));
    }

    // The answer to "PC" is in the log within about a second of arriving.
    void pcAnswer()
    {
        BoardRig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        SettingsDialog *dialog = rig.settingsDialog();
        dialog->onClearLogClicked();
        dialog->pcButton->click();   // "PC temporary"
        QVERIFY(rig.sim.waitForReceived("PC\r\n"));
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(rig.logLines().contains(QStringLiteral("PC OK")), 5000);
        // One poller tick (a second) with slack for a loaded machine.
        QVERIFY2(clock.elapsed() <= 2500, qPrintable(QString::number(clock.elapsed())));
    }

    // The log keeps the most recent 5,000 lines; "Clear memo" empties it.
    void logBound()
    {
        BoardRig rig;
        QVERIFY2(rig.sim.ok(), qPrintable(rig.sim.errorText()));
        QVERIFY(rig.connect());
        SettingsDialog *dialog = rig.settingsDialog();
        dialog->onClearLogClicked();
        constexpr int Lines = 5050, Chunk = 1000;
        for (int first = 1; first <= Lines; first += Chunk) {
            QByteArray bytes;
            for (int n = first; n < first + Chunk && n <= Lines; ++n)
                bytes += "L" + QByteArray::number(n).rightJustified(4, '0') + "\r\n";
            QVERIFY(rig.sim.control(QStringLiteral("raw ") + simEscaped(bytes)));
            const QString last = QStringLiteral("L%1").arg(qMin(first + Chunk - 1, Lines), 4, 10, QLatin1Char('0'));
            QTRY_VERIFY_WITH_TIMEOUT(dialog->protocolLog->document()->lastBlock().text() == last, 15000);
        }
        QCOMPARE(dialog->protocolLog->blockCount(), 5000);
        const QStringList log = rig.logLines();
        QCOMPARE(log.size(), 5000);
        QCOMPARE(log.first(), QStringLiteral("L0051"));
        QCOMPARE(log.last(), QStringLiteral("L5050"));

        dialog->clearLogButton->click();   // "Clear memo"
        QCOMPARE(dialog->protocolLog->toPlainText(), QString());
        QVERIFY(boardSends(rig, "after\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.logLines(), QStringList{"after"}, 6000);
    }
};

QTEST_MAIN(TestEvents)
#include "tst_events.moc"
