// The port list over a device folder of our own: stable by-id names first, with the device each
// reaches now, then plain names, and the remembered name kept.
#include <QtTest>

#include "core/link/PortNames.h"

using PortNames::PortEntry;

class TestPortScan : public QObject {
    Q_OBJECT
private slots:
    void scan_data()
    {
        // "@" stands for the fake device folder. Links are "name>target" in @/serial/by-id;
        // reported ports "path|description"; entries "name>device|description".
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("entries");
        const QStringList usb = {"@/ttyS0|", "@/ttyUSB1|CP2102, Silicon Labs", "@/ttyUSB0|FT232R USB UART, FTDI"};

        QTest::newRow("stable names first, with device and description")
            << QStringList{"usb-Silicon_Labs_CP2102_0001-if00-port0>../../ttyUSB1", "usb-FTDI_FT232R_A10-if00-port0>../../ttyUSB0"}
            << usb << QString()
            << QStringList{"@/serial/by-id/usb-FTDI_FT232R_A10-if00-port0>@/ttyUSB0|FT232R USB UART, FTDI",
                           "@/serial/by-id/usb-Silicon_Labs_CP2102_0001-if00-port0>@/ttyUSB1|CP2102, Silicon Labs",
                           "@/ttyS0>@/ttyS0|", "@/ttyUSB0>@/ttyUSB0|FT232R USB UART, FTDI",
                           "@/ttyUSB1>@/ttyUSB1|CP2102, Silicon Labs"};
        QTest::newRow("replugged under another number: the stable name follows")
            << QStringList{"usb-FTDI_FT232R_A10-if00-port0>../../ttyUSB1"} << QStringList{"@/ttyUSB1|FT232R USB UART, FTDI"}
            << "@/serial/by-id/usb-FTDI_FT232R_A10-if00-port0"
            << QStringList{"@/serial/by-id/usb-FTDI_FT232R_A10-if00-port0>@/ttyUSB1|FT232R USB UART, FTDI",
                           "@/ttyUSB1>@/ttyUSB1|FT232R USB UART, FTDI"};
        QTest::newRow("unplugged: the remembered stable name stays, reaching nothing")
            << QStringList{"usb-gone>../../ttyUSB7"} << QStringList{"@/ttyS0|"} << "@/serial/by-id/usb-FTDI_FT232R_A10-if00-port0"
            << QStringList{"@/serial/by-id/usb-FTDI_FT232R_A10-if00-port0>|", "@/ttyS0>@/ttyS0|"};
        QTest::newRow("remembered pseudo-terminal among the plain names")
            << QStringList{} << QStringList{"@/ttyS10|", "@/ttyS2|"} << "@/pts3"
            << QStringList{"@/pts3>@/pts3|", "@/ttyS2>@/ttyS2|", "@/ttyS10>@/ttyS10|"};
        QTest::newRow("remembered plain link lists its device under the operator's name")
            << QStringList{} << QStringList{"@/ttyUSB0|FT232R USB UART, FTDI"} << "@/board"
            << QStringList{"@/board>@/ttyUSB0|FT232R USB UART, FTDI"};
    }
    void scan()
    {
        QFETCH(QStringList, links);
        QFETCH(QStringList, reported);
        QFETCH(QString, remembered);
        QFETCH(QStringList, entries);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        const auto at = [&](QString s) { return s.replace(QLatin1Char('@'), root); };
        QVERIFY(QDir(root).mkpath("serial/by-id"));
        for (const char *tty : {"ttyS0", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1", "pts3"}) {
            QFile f(root + '/' + tty);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(root + "/ttyUSB0", root + "/board"));
        for (const QString &link : links) {
            const QStringList parts = link.split('>');
            QVERIFY(QFile::link(parts[1], root + "/serial/by-id/" + parts[0]));
        }
        QList<PortEntry> given;
        for (const QString &port : reported) {
            const QStringList parts = at(port).split('|');
            given << PortEntry{parts[0], parts[0], parts[1]};
        }

        QStringList got;
        for (const PortEntry &e : PortNames::scanPorts(root, given, at(remembered)))
            got << e.name + '>' + e.device + '|' + e.description;
        QStringList want;
        for (const QString &e : entries)
            want << at(e);
        QCOMPARE(got, want);
    }
};

QTEST_GUILESS_MAIN(TestPortScan)
#include "tst_port_scan.moc"
