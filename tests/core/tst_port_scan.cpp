// The port list over a device folder of our own (stable by-id names first, with the device each
// reaches now; the remembered name kept), and why a port cannot be opened.
#include <QtTest>
#include <QSerialPort>
#include <fcntl.h>
#include <unistd.h>
#include "core/link/PortNames.h"
#include "core/link/QtSerialLink.h"

using Problem = QtSerialLink::OpenProblem;

class TestPortScan : public QObject {
    Q_OBJECT
private slots:
    void scan_data()
    {
        // "@" is the fake device folder. Links "name>target" in @/serial/by-id; reported ports
        // "path|description"; entries "name>device|description".
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("entries");
        const QString ftdi = "@/serial/by-id/usb-FTDI_FT232R_A10-if00-port0";
        QTest::newRow("stable names first") << QStringList{"usb-SL_CP2102-if00>../../ttyUSB1", "usb-FTDI_FT232R_A10-if00-port0>../../ttyUSB0"}
            << QStringList{"@/ttyUSB1|CP2102", "@/ttyS0|", "@/ttyUSB0|FT232R, FTDI"} << QString()
            << QStringList{ftdi + ">@/ttyUSB0|FT232R, FTDI", "@/serial/by-id/usb-SL_CP2102-if00>@/ttyUSB1|CP2102",
                           "@/ttyS0>@/ttyS0|", "@/ttyUSB0>@/ttyUSB0|FT232R, FTDI", "@/ttyUSB1>@/ttyUSB1|CP2102"};
        QTest::newRow("replugged: the remembered stable name follows") << QStringList{"usb-FTDI_FT232R_A10-if00-port0>../../ttyUSB1"}
            << QStringList{"@/ttyUSB1|FT232R"} << ftdi << QStringList{ftdi + ">@/ttyUSB1|FT232R", "@/ttyUSB1>@/ttyUSB1|FT232R"};
        QTest::newRow("unplugged: the remembered stable name stays") << QStringList{"usb-gone>../../ttyUSB7"}
            << QStringList{"@/ttyS10|", "@/ttyS2|"} << ftdi << QStringList{ftdi + ">|", "@/ttyS2>@/ttyS2|", "@/ttyS10>@/ttyS10|"};
        QTest::newRow("remembered link lists its device under that name")
            << QStringList{} << QStringList{"@/ttyUSB0|FT232R"} << "@/board" << QStringList{"@/board>@/ttyUSB0|FT232R"};
        QTest::newRow("only ASCII digits make numbers") << QStringList{} << QStringList{"@/ttySa|", "@/ttyS\u0661|", "@/ttyS10|"}
            << QString() << QStringList{"@/ttyS10>@/ttyS10|", "@/ttySa>@/ttySa|", "@/ttyS\u0661>@/ttyS\u0661|"};
    }
    void scan()
    {
        QFETCH(QStringList, links);
        QFETCH(QStringList, reported);
        QFETCH(QString, remembered);
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        const auto at = [&](QString s) { return s.replace('@', root); };
        QVERIFY(QDir(root).mkpath("serial/by-id") && QFile::link(root + "/ttyUSB0", root + "/board"));
        for (const char *tty : {"ttyS0", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1"})
            QVERIFY(QFile(root + '/' + tty).open(QIODevice::WriteOnly));
        for (const QString &link : links)
            QVERIFY(QFile::link(link.section('>', 1), root + "/serial/by-id/" + link.section('>', 0, 0)));
        QList<PortNames::PortEntry> given;
        for (const QString &port : reported)
            given.append({at(port.section('|', 0, 0)), at(port.section('|', 0, 0)), port.section('|', 1)});
        QStringList got;
        for (auto e : PortNames::scanPorts(root, given, at(remembered)))
            got << e.name.replace(root, "@") + '>' + e.device.replace(root, "@") + '|' + e.description;
        QTEST(got, "entries");
    }

    void openError_data()
    {
        // The text starts so, with %name and %pid for the name opened and this process's id.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("text");
        QTest::newRow("no such device") << "missing" << Problem::NotPresent << "%name is not present: no such device";
        QTest::newRow("held") << "held" << Problem::Busy << "%name is in use by another program: core_tst_port_s (pid %pid)";
        QTest::newRow("held, opened by a link") << "held, link" << Problem::Busy << "%name is in use by another program: core_tst_port_s (pid %pid)";
        QTest::newRow("no permission") << "no access" << Problem::NoPermission << "No permission to open %name: add yourself to the ";
        QTest::newRow("free, opened by a link") << "link" << Problem::None << "";
    }
    void openError()
    {
        QFETCH(QString, setup);
        QFETCH(QString, text);
        if (setup == "no access" && ::geteuid() == 0)
            QSKIP("root opens a device whatever its mode");
        QTemporaryDir dir;
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QString pty = QString::fromLocal8Bit(::ptsname(master)), link = dir.filePath("usb-FTDI-if00-port0");
        const QString name = setup == "missing" ? dir.filePath("ttyUSB9") : setup.contains("link") ? link : pty;
        QVERIFY(!setup.contains("link") || QFile::link(pty, link));
        QSerialPort holder(pty);
        QVERIFY(!setup.startsWith("held") || holder.open(QIODevice::ReadWrite));
        QVERIFY(setup != "no access" || QFile::setPermissions(pty, {}));
        QtSerialLink port;
        QCOMPARE(port.open(name, "9600", "None") == SerialLink::State::Open, text.isEmpty());
        QTEST(port.lastOpenProblem(), "problem");
        text.replace("%name", name).replace("%pid", QString::number(QCoreApplication::applicationPid()));
        QVERIFY2(text.isEmpty() ? port.lastOpenError().isEmpty() : port.lastOpenError().startsWith(text), qPrintable(port.lastOpenError()));
        ::close(master);
    }
};

QTEST_GUILESS_MAIN(TestPortScan)
#include "tst_port_scan.moc"
