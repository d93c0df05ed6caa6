// A port that cannot be opened says why: not there, held by another program, no permission.
#include <QtTest>

#include <QSerialPort>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "core/link/QtSerialLink.h"

using Problem = QtSerialLink::OpenProblem;

class TestPortOpen : public QObject {
    Q_OBJECT
private slots:
    void openError_data()
    {
        // How the port is prepared; the problem; the text, with %name, %pid and %program for the
        // name opened, this process's id and its program name.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such device") << "missing" << Problem::NotPresent << "%name is not present: no such device";
        QTest::newRow("stable name of an unplugged converter")
            << "dangling link" << Problem::NotPresent << "%name is not present: no such device";
        QTest::newRow("held by another program")
            << "held" << Problem::Busy << "%name is in use by another program: %program (pid %pid)";
        QTest::newRow("held, opened under a link to it")
            << "held, link" << Problem::Busy << "%name is in use by another program: %program (pid %pid)";
        QTest::newRow("no permission") << "no access" << Problem::NoPermission
                                       << "No permission to open %name: add yourself to the ";
        QTest::newRow("free, under a link to it") << "link" << Problem::None << "";
    }
    void openError()
    {
        QFETCH(QString, setup);
        QFETCH(QString, text);
        if (setup == "no access" && ::geteuid() == 0)
            QSKIP("root opens a device whatever its mode");

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString pty = QString::fromLocal8Bit(::ptsname(master));
        QSerialPort holder(pty);
        QString name = pty;
        if (setup == "missing")
            name = dir.filePath("ttyUSB9");
        if (setup.contains("link")) {
            name = dir.filePath("usb-FTDI_FT232R_A10-if00-port0");
            QVERIFY(QFile::link(setup == "dangling link" ? dir.filePath("ttyUSB7") : pty, name));
        }
        if (setup.startsWith("held"))
            QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        if (setup == "no access")
            QVERIFY(QFile::setPermissions(pty, {}));

        QtSerialLink link;
        const auto state = link.open(name, "9600", "None");
        QFile comm("/proc/self/comm");
        QVERIFY(comm.open(QIODevice::ReadOnly));
        text.replace("%name", name).replace("%pid", QString::number(QCoreApplication::applicationPid()))
            .replace("%program", QString::fromLocal8Bit(comm.readAll()).trimmed());
        QTEST(link.lastOpenProblem(), "problem");
        const QString error = link.lastOpenError();
        QVERIFY2(text.isEmpty() ? error.isEmpty() : error.startsWith(text), qPrintable(error));
        QCOMPARE(state == SerialLink::State::Open, text.isEmpty());
        link.close();
        holder.close();
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(TestPortOpen)
#include "tst_port_open.moc"
