// Port names: device paths, the order they are listed in, the list of ports worth trying.
#include <QtTest>

#include "core/link/PortNames.h"

class TestPortNames : public QObject {
    Q_OBJECT
private slots:
    void devicePath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("path as it is") << "/dev/pts/3" << "/dev/pts/3";
#ifndef Q_OS_WIN
        QTest::newRow("COM1") << "COM1" << "/dev/ttyS0";
#endif
        QTest::newRow("COM0 has no device") << "COM0" << "COM0";
    }
    void devicePath()
    {
        QFETCH(QString, name);
        QTEST(PortNames::devicePath(name), "path");
    }

    void candidates_data()
    {
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("natural order") << QStringList{"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB0", "/dev/ttyS9"} << QString()
                                       << QStringList{"/dev/ttyS2", "/dev/ttyS9", "/dev/ttyS10", "/dev/ttyUSB0"};
        QTest::newRow("remembered pty added") << QStringList{"/dev/ttyS1"} << "/dev/pts/7"
                                              << QStringList{"/dev/pts/7", "/dev/ttyS1"};
#ifndef Q_OS_WIN
        QTest::newRow("remembered COM name of a listed device")
            << QStringList{"/dev/ttyS0", "/dev/ttyS1"} << "COM2" << QStringList{"/dev/ttyS0", "/dev/ttyS1"};
#endif
    }
    void candidates()
    {
        QFETCH(QStringList, reported);
        QFETCH(QString, remembered);
        QTEST(PortNames::candidates(reported, remembered), "names");
    }
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_port_names.moc"
