#include <QtTest>
#include "core/files/DataFile.h"

#include <atomic>
#include <functional>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray TenLinesA = QByteArray("1.250\r\n").repeated(10);
const QByteArray TenLinesB = QByteArray("12.3456789\r\n").repeated(10);

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot open>");
}

bool writeRaw(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Runs `check` where folder and file permissions apply: in a child process that has
// dropped to "nobody" when the tests run as root. Returns the check's exit code.
int runUnprivileged(const std::function<int()> &check)
{
    if (geteuid() != 0)
        return check();
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(100);
        _exit(check());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

void giveToNobody(const QString &path, mode_t mode)
{
    if (geteuid() == 0)
        QVERIFY(chown(QFile::encodeName(path).constData(), 65534, 65534) == 0);
    QVERIFY(chmod(QFile::encodeName(path).constData(), mode) == 0);
}

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT
private slots:
    void compose_data()
    {
        QTest::addColumn<QStringList>("figures");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("example file")
            << QStringList{"1.250", "1.275", "0.890", "0.905", "1.000", "1.000", "0000", "0000", "0000", "0000"}
            << QByteArray("1.250\r\n1.275\r\n0.890\r\n0.905\r\n1.000\r\n1.000\r\n0000\r\n0000\r\n0000\r\n0000\r\n");
        QTest::newRow("blanks kept")
            << QStringList{" 1.2 ", "    ", "-.--", "1", "2", "3", "4", "5", "6", "7"}
            << QByteArray(" 1.2 \r\n    \r\n-.--\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    }
    void compose()
    {
        QFETCH(QStringList, figures);
        QFETCH(QByteArray, bytes);
        QCOMPARE(DataFile::compose(figures), bytes);
        QList<QByteArray> expected;
        for (const QString &f : figures)
            expected << f.toLatin1();
        QCOMPARE(DataFile::splitLines(bytes), expected);
    }

    void splitLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArrayList>("lines");
        QByteArrayList ten;
        for (int k = 1; k <= 10; ++k)
            ten << QByteArray::number(k) + ".000";
        QTest::newRow("crlf") << ten.join("\r\n") + "\r\n" << ten;
        QTest::newRow("lf only") << ten.join("\n") + "\n" << ten;
        QTest::newRow("mixed") << ten.join("\n") + "\r\n" << ten;
        QTest::newRow("last line without end") << ten.join("\r\n") << ten;
        QTest::newRow("three lines") << QByteArray("1.250\r\n1.275\r\n0.890\r\n")
                                     << QByteArrayList{"1.250", "1.275", "0.890"};
        QTest::newRow("over-long file") << (ten + QByteArrayList{"11.00", "12.00"}).join("\r\n") + "\r\n" << ten;
        QTest::newRow("empty lines kept") << QByteArray("\r\n\n1.0\r\n") << QByteArrayList{"", "", "1.0"};
        QTest::newRow("empty file") << QByteArray() << QByteArrayList{};
    }
    void splitLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArrayList, lines);
        QCOMPARE(DataFile::splitLines(content), QList<QByteArray>(lines));
    }

    void writeAndRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Tablo_data.tbl");
        QString error;
        QVERIFY(DataFile::writeFileSafely(path, TenLinesA, &error));
        QCOMPARE(readAll(path), TenLinesA);
        QVERIFY(DataFile::writeFileSafely(path, TenLinesB, &error));
        QByteArray data;
        QVERIFY(DataFile::readFile(path, data, &error));
        QCOMPARE(data, TenLinesB);
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Tablo_data.tbl"});
    }

    void failuresReportSystemText()
    {
        QTemporaryDir dir;
        QString error;
        QByteArray data = "kept";
        QVERIFY(!DataFile::readFile(dir.filePath("missing.tbl"), data, &error));
        QCOMPARE(error, QString("No such file or directory"));
        QCOMPARE(data, QByteArray("kept"));

        error.clear();
        QVERIFY(!DataFile::writeFileSafely(dir.filePath("no/such/folder/Tablo_data.tbl"), TenLinesA, &error));
        QVERIFY2(!error.isEmpty(), "an error text is given");
    }

    // A folder that takes no new file: the file is written in place.
    void unwritableFolderFallsBackToInPlace()
    {
        QTemporaryDir dir;
        QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0);
        const QString folder = dir.filePath("locked");
        QVERIFY(QDir().mkdir(folder));
        const QString path = folder + "/Tablo_data.tbl";
        const QString readOnly = folder + "/readonly.tbl";
        QVERIFY(writeRaw(path, TenLinesA));
        QVERIFY(writeRaw(readOnly, TenLinesA));
        giveToNobody(path, 0644);
        giveToNobody(readOnly, 0444);
        QVERIFY(chmod(QFile::encodeName(folder).constData(), 0555) == 0);

        const int code = runUnprivileged([&] {
            QString error;
            if (!DataFile::writeFileSafely(path, TenLinesB, &error))
                return 1;
            if (DataFile::writeFileSafely(readOnly, TenLinesB, &error))
                return 2;
            if (error != "Permission denied")
                return 3;
            return 0;
        });
        chmod(QFile::encodeName(folder).constData(), 0755);
        QCOMPARE(code, 0);
        QCOMPARE(readAll(path), TenLinesB);
        QCOMPARE(readAll(readOnly), TenLinesA);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    // A reader polling the file while it is saved over and over sees only whole files.
    void readerNeverSeesPartialFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Tablo_data.tbl");
        QString error;
        QVERIFY(DataFile::writeFileSafely(path, TenLinesA, &error));

        std::atomic<bool> done{false};
        std::atomic<int> reads{0}, bad{0};
        std::thread reader([&] {
            while (!done.load()) {
                QByteArray data;
                QString readError;
                if (!DataFile::readFile(path, data, &readError) || (data != TenLinesA && data != TenLinesB)
                    || DataFile::splitLines(data).size() != 10)
                    ++bad;
                ++reads;
            }
        });
        while (reads.load() == 0)
            std::this_thread::yield();
        int failedWrites = 0;
        for (int i = 0; i < 1000; ++i) {
            if (!DataFile::writeFileSafely(path, i % 2 ? TenLinesA : TenLinesB, &error))
                ++failedWrites;
        }
        done = true;
        reader.join();
        QCOMPARE(failedWrites, 0);
        QVERIFY(reads.load() > 0);
        QCOMPARE(bad.load(), 0);
        QCOMPARE(readAll(path), TenLinesA);
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
