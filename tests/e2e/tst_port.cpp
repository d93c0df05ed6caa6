// The serial port and the port boxes of the Settings dialog, against the board simulator's pty:
// names, line settings, the red box, typing, the scan, raw writes and reads, a hang-up.
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/resource.h>
#include <termios.h>

#include "BoardRig.h"
#include "Sim.h"
#include "TestApp.h"
#include "core/link/PortNames.h"
#include "core/link/QtSerialLink.h"
#include "gui/SettingsDialog.h"

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

bool isRed(SettingsDialog *f2) { return f2->portCombo->palette().color(QPalette::Base) == QColor(Qt::red); }

void selectPort(SettingsDialog *f2, const QString &name)
{
    f2->portCombo->setEditText(name);
    f2->reopenPort();
}

// A simulator reachable under a fixed path of our own (a link to its pty).
struct LinkedSim {
    QTemporaryDir dir;
    QString link = QDir(dir.path()).filePath(QStringLiteral("board"));
    Sim sim{{QStringLiteral("--link"), link}};
};
} // namespace

class TestPort : public QObject {
    Q_OBJECT
private slots:
    void portBoxColour_data();
    void portBoxColour();
    void typingReopensThePort();
    void lineSettings_data();
    void lineSettings();
    void writeIsExact();
    void readByte();
    void hangUpWhileIdle();
    void scanKeepsRememberedPty();
    void scanDropsVanishedPort();
    void scanWaitsForTheResult();
};

void TestPort::portBoxColour_data()
{
    QTest::addColumn<QString>("name");    // "{sim}": the simulator's pty
    QTest::addColumn<QString>("baud");
    QTest::addColumn<bool>("opens");
    QTest::newRow("missing device") << "/nonexistent/tablo-port" << "9600" << false;
    QTest::newRow("COM256 (no such device)") << "COM256" << "9600" << false;
    QTest::newRow("empty name") << "" << "9600" << false;
    QTest::newRow("a folder") << "/tmp" << "9600" << false;
    QTest::newRow("a plain file") << "{file}" << "9600" << false;
    QTest::newRow("baud that is no number") << "{sim}" << "fast" << false;
    QTest::newRow("simulator's pty") << "{sim}" << "9600" << true;
    QTest::newRow("simulator's pty at 19200") << "{sim}" << "19200" << true;
}

void TestPort::portBoxColour()
{
    QFETCH(QString, name);
    QFETCH(QString, baud);
    QFETCH(bool, opens);
    Sim sim;
    QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
    TestApp t;
    SettingsDialog *f2 = t.app->settingsDialog;
    t.writeFile(QStringLiteral("plain.txt"), "not a port\r\n");
    name.replace(QStringLiteral("{sim}"), sim.port()).replace(QStringLiteral("{file}"), t.path("plain.txt"));

    // From an open port to the name, and back: the box follows every change.
    selectPort(f2, sim.port());
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    QVERIFY(!isRed(f2));

    f2->baudRateCombo->setEditText(baud);
    f2->onBaudRateChanged();
    QCOMPARE(t.app->settings->program().baudRate, baud);
    selectPort(f2, name);
    QCOMPARE(t.app->settings->program().port, name);
    QCOMPARE(t.app->serialLink->state(), opens ? SerialLink::State::Open : SerialLink::State::Failed);
    QCOMPARE(isRed(f2), !opens);
    // A red box tells why the port does not open.
    const QString why = t.app->serialLink->lastOpenError();
    QCOMPARE(why.isEmpty(), opens);
    if (!opens)
        QCOMPARE(f2->portCombo->toolTip(), why);
    QCOMPARE(t.readFile(QStringLiteral("plain.txt")), QByteArray("not a port\r\n"));

    f2->baudRateCombo->setEditText(QStringLiteral("9600"));
    f2->onBaudRateChanged();
    selectPort(f2, sim.port());
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    QVERIFY(!isRed(f2));
    QVERIFY(why.isEmpty() || !f2->portCombo->toolTip().contains(why));
}

void TestPort::typingReopensThePort()
{
    LinkedSim s;
    QVERIFY2(s.sim.ok(), qPrintable(s.sim.errorText()));
    TestApp t;
    SettingsDialog *f2 = t.app->settingsDialog;
    f2->portCombo->lineEdit()->clear();
    // Every typed character reopens the port with the text as it stands.
    QTest::keyClicks(f2->portCombo->lineEdit(), s.link.chopped(1));
    QCOMPARE(t.app->settings->program().port, s.link.chopped(1));
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Failed);
    QVERIFY(isRed(f2));
    QTest::keyClicks(f2->portCombo->lineEdit(), s.link.right(1));
    QCOMPARE(t.app->settings->program().port, s.link);
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    QVERIFY(!isRed(f2));
    QTest::keyClick(f2->portCombo->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Failed);
    QVERIFY(isRed(f2));
}

void TestPort::lineSettings_data()
{
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("parity");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("parityBits");   // PARODD | CMSPAR as set (a pty always clears PARENB)
    QTest::addColumn<int>("qtParity");
    QTest::newRow("9600 None") << "9600" << "None" << int(B9600) << 0 << int(QSerialPort::NoParity);
    QTest::newRow("19200 None") << "19200" << "None" << int(B19200) << 0 << int(QSerialPort::NoParity);
    QTest::newRow("Odd") << "9600" << "Odd" << int(B9600) << int(PARODD) << int(QSerialPort::OddParity);
    QTest::newRow("Even") << "9600" << "Even" << int(B9600) << 0 << int(QSerialPort::EvenParity);
    QTest::newRow("Mark") << "9600" << "Mark" << int(B9600) << int(PARODD | CMSPAR) << int(QSerialPort::MarkParity);
    QTest::newRow("Space") << "9600" << "Space" << int(B9600) << int(CMSPAR) << int(QSerialPort::SpaceParity);
    QTest::newRow("lower-case odd is no parity") << "9600" << "odd" << int(B9600) << 0 << int(QSerialPort::NoParity);
    QTest::newRow("unknown text is no parity") << "9600" << "Bogus" << int(B9600) << 0 << int(QSerialPort::NoParity);
}

void TestPort::lineSettings()
{
    QFETCH(QString, baud);
    QFETCH(QString, parity);
    QFETCH(int, speed);
    QFETCH(int, parityBits);
    QFETCH(int, qtParity);
    Sim sim;
    QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
    TestApp t;
    SettingsDialog *f2 = t.app->settingsDialog;
    selectPort(f2, sim.port());
    // The baud and parity boxes store their text and reopen the port at once.
    f2->baudRateCombo->setEditText(baud);
    f2->onBaudRateChanged();
    f2->parityCombo->setEditText(parity);
    f2->onParityChanged();
    QCOMPARE(t.app->settings->program().baudRate, baud);
    QCOMPARE(t.app->settings->program().parity, parity);
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);

    termios tio{};
    QCOMPARE(tcgetattr(int(t.app->serialLink->port()->handle()), &tio), 0);
    QCOMPARE(int(cfgetospeed(&tio)), speed);
    QCOMPARE(int(cfgetispeed(&tio)), speed);
    QCOMPARE(int(tio.c_cflag & CSIZE), int(CS8));
    QCOMPARE(int(tio.c_cflag & CSTOPB), 0);
    QCOMPARE(int(tio.c_cflag & CRTSCTS), 0);
    QCOMPARE(int(tio.c_iflag & (IXON | IXOFF | IXANY)), 0);
    QCOMPARE(int(tio.c_cflag & (PARODD | CMSPAR)), parityBits);
    QCOMPARE(int(t.app->serialLink->port()->parity()), qtParity);
    QCOMPARE(t.app->serialLink->port()->readBufferSize(), qint64(2048));
}

void TestPort::writeIsExact()
{
    Sim sim{{QStringLiteral("--silent")}};
    QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
    TestApp t;
    selectPort(t.app->settingsDialog, sim.port());
    const QByteArray bytes("SEND=\0\x01\x7f\x80\xff;\r\nA", 14);
    t.app->serialLink->write(bytes);
    QVERIFY(sim.waitForReceived(bytes));
    t.app->serialLink->write("B");
    QVERIFY(sim.waitForReceived(bytes + "B"));
    QCOMPARE(sim.received(), bytes + "B");
}

void TestPort::readByte()
{
    Sim sim{{QStringLiteral("--silent")}};
    QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
    TestApp t;
    selectPort(t.app->settingsDialog, sim.port());
    QtSerialLink *port = t.app->serialLink;
    // Takes what the event loop has buffered, never waiting for more.
    const auto readAll = [port] {
        QByteArray got;
        char c = 0;
        while (port->readBufferedByte(c))
            got += c;
        return got;
    };

    QCOMPARE(readAll(), QByteArray());
    QVERIFY(sim.control(QStringLiteral("raw A\\x00\\xffZ")));
    QByteArray got;
    QTRY_COMPARE_WITH_TIMEOUT((got += readAll()), QByteArray("A\0\xffZ", 4), 5000);

    // Closing discards what came in and was not read: after a reopen it is gone.
    QVERIFY(sim.control(QStringLiteral("raw XY")));
    QThread::msleep(200);   // in the line's queue, not yet taken by the event loop
    port->close();
    QCOMPARE(port->state(), SerialLink::State::Closed);
    QCOMPARE(readAll(), QByteArray());
    selectPort(t.app->settingsDialog, sim.port());
    QCOMPARE(port->state(), SerialLink::State::Open);
    QTest::qWait(300);
    QCOMPARE(readAll(), QByteArray());
}

void TestPort::hangUpWhileIdle()
{
    Sim sim{{QStringLiteral("--silent")}};
    QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
    TestApp t;
    SettingsDialog *f2 = t.app->settingsDialog;
    selectPort(f2, sim.port());
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);

    QVERIFY(sim.control(QStringLiteral("hangup")));
    // The first error closes the port, with nothing read or written.
    QTRY_COMPARE(t.app->serialLink->state(), SerialLink::State::Failed);
    QCOMPARE(t.app->serialLink->errorCount(), 1);
    const double cpu0 = cpuSeconds();
    QTest::qWait(1000);
    const double idle = cpuSeconds() - cpu0;
    QVERIFY2(idle < 0.5, qPrintable(QString::number(idle)));   // only a flood of errors breaks this
    char c;
    QVERIFY(!t.app->serialLink->readBufferedByte(c));
    t.app->serialLink->write("BRIG=1;\r\n");
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Failed);

    // A new board: the next selection opens it.
    QVERIFY(sim.control(QStringLiteral("replug")));
    selectPort(f2, sim.port());
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    QVERIFY(!isRed(f2));
    t.app->serialLink->write("BRIG=1;\r\n");
    QVERIFY(sim.waitForReceived("BRIG=1;\r\n"));
}

void TestPort::scanKeepsRememberedPty()
{
    LinkedSim s;
    QVERIFY2(s.sim.ok(), qPrintable(s.sim.errorText()));
    TestApp t;
    SettingsDialog *f2 = t.app->settingsDialog;
    selectPort(f2, s.link);
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    f2->refreshPortList();

    QStringList items;
    for (int i = 0; i < f2->portCombo->count(); ++i)
        items << f2->portCombo->itemText(i);
    QVERIFY2(items.contains(s.link), qPrintable(items.join(QLatin1Char(' '))));
    QCOMPARE(items.count(s.link), 1);
    QVERIFY(!items.contains(QStringLiteral("COM1")));   // no fixed list of names
    QCOMPARE(f2->portCombo->currentText(), s.link);
    // The item's tool tip names the device the link reaches now.
    const int at = f2->portCombo->findText(s.link);
    QCOMPARE(f2->portCombo->itemData(at, Qt::ToolTipRole).toString(), PortNames::devicePath(s.link));
    QCOMPARE(t.app->settings->program().port, s.link);
    QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    QVERIFY(!isRed(f2));
    t.app->serialLink->write("X");
    QVERIFY(s.sim.waitForReceived("X"));
}

void TestPort::scanDropsVanishedPort()
{
    QString gone;
    TestApp t;
    SettingsDialog *f2 = t.app->settingsDialog;
    {
        Sim sim;
        QVERIFY2(sim.ok(), qPrintable(sim.errorText()));
        gone = sim.port();
        selectPort(f2, gone);
        QCOMPARE(t.app->serialLink->state(), SerialLink::State::Open);
    }
    // The simulator is gone; make sure no other process got the same pty number meanwhile.
    if (QFile::exists(gone))
        QSKIP("the pty number was taken again");
    f2->refreshPortList();
    QStringList items;
    for (int i = 0; i < f2->portCombo->count(); ++i)
        items << f2->portCombo->itemText(i);
    QVERIFY(!items.contains(gone));
    // The first port found is selected, or none at all and the box turns red.
    QCOMPARE(f2->portCombo->currentText(), items.isEmpty() ? QString() : items.first());
    QCOMPARE(t.app->settings->program().port, f2->portCombo->currentText());
    const bool failed = t.app->serialLink->state() == SerialLink::State::Failed;
    QCOMPARE(isRed(f2), failed);
    if (items.isEmpty())
        QVERIFY(failed);
}

// A read that ends in a data error with the data file missing opens the Settings dialog from
// inside its result: the port scan waits until the result is handled, and the remembered port
// stays, in the box and in the settings file.
void TestPort::scanWaitsForTheResult()
{
    BoardRig r(BoardRig::Options{.settings = standardSettings()});
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    QVERIFY(r.sim.control("reply " + simEscaped("ERROR\r\n")));
    QFile::remove(r.testApp.path("Tablo_data.tbl"));
    r.testApp.onModal = [](QDialog *d) { d->show(); };
    r.mainWindow()->readBoard();
    QVERIFY(r.settle());
    QVERIFY2(r.testApp.modals.contains("Form2"), qPrintable(r.testApp.modals.join(' ')));
    QCOMPARE(r.app().settings->program().port, r.sim.port());
    QCOMPARE(r.settingsDialog()->portCombo->currentText(), r.sim.port());
    QVERIFY(r.testApp.readFile("Quorvanel_tablo.ini").contains("Port_Number=" + r.sim.port().toLatin1()));
}

QTEST_MAIN(TestPort)
#include "tst_port.moc"
