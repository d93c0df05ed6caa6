// Port names: the device path of a name.
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
        QTest::newRow("device path") << "/dev/ttyUSB0" << "/dev/ttyUSB0";
#ifndef Q_OS_WIN
        QTest::newRow("COM1") << "COM1" << "/dev/ttyS0";
        QTest::newRow("COM10") << "COM10" << "/dev/ttyS9";
        QTest::newRow("COM256") << "COM256" << "/dev/ttyS255";
#endif
        QTest::newRow("COM0 has no device") << "COM0" << "COM0";
        QTest::newRow("partial COM") << "COM" << "COM";
        QTest::newRow("COM with letters") << "COM1a" << "COM1a";
        QTest::newRow("COM1 and a line feed") << "COM1\n" << "COM1\n";
    }
    void devicePath()
    {
        QFETCH(QString, name);
        QTEST(PortNames::devicePath(name), "path");
    }
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_port_names.moc"
