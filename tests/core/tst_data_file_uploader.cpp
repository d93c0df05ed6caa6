// The upload-on-change decision: when a loaded content goes to the board, the back-off after a
// failure, waiting for a running exchange; and the windowless poll of a real file.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "core/files/DataFile.h"
#include "core/services/DataFileUploader.h"

using Outcome = DataFileUploader::Outcome;

class TestDataFileUploader : public QObject {
    Q_OBJECT
private slots:
    void decisions_data()
    {
        // Steps: "A" offers content A (upload wanted), "quiet A" offers it unwanted, "held A"
        // with an error report showing; "busy"/"idle" an exchange; "fail" makes the next
        // upload fail; "+N" advances the clock by N ms (the back-off is 30000); "poll TEXT" writes
        // TEXT ('/' a line end) into the data file and polls it.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("outcomes");   // one letter per offer or poll: R U F W H
        QTest::addColumn<QStringList>("uploaded");   // of a poll: the first figure
        QTest::newRow("new content, then the same") << QStringList{"A", "A"} << "UR" << QStringList{"A"};
        QTest::newRow("unwanted is only remembered") << QStringList{"quiet A", "A", "B"} << "RRU" << QStringList{"B"};
        QTest::newRow("failure backs off") << QStringList{"fail", "A", "A", "+29999", "A", "+1", "A"} << "FWWU"
                                           << QStringList{"A", "A"};
        QTest::newRow("after a failure the earlier content goes again")
            << QStringList{"A", "fail", "B", "+30000", "A"} << "UFU" << QStringList{"A", "B", "A"};
        QTest::newRow("waits for a running exchange") << QStringList{"busy", "A", "idle", "A"} << "WU"
                                                      << QStringList{"A"};
        QTest::newRow("error report showing") << QStringList{"held A", "A", "+30000", "A"} << "HWU"
                                              << QStringList{"A"};
        const QString a = "poll " + QString("1.2500/").repeated(10), b = "poll " + QString("2.5000/").repeated(10);
        QTest::newRow("file emptied while rewritten") << QStringList{a, "poll ", b} << "UWU" << QStringList{"1.2500", "2.5000"};
        QTest::newRow("last line cut") << QStringList{a, b.chopped(5), b} << "UWU" << QStringList{"1.2500", "2.5000"};
        QTest::newRow("short on purpose") << QStringList{"poll 7/", "poll 7/8", "poll 7/8"} << "WWU"
                                          << QStringList{"70000"};
    }
    void decisions()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, outcomes);
        QFETCH(QStringList, uploaded);
        DataFileUploader u;
        qint64 clock = 1000;
        bool busy = false, failNext = false;
        QStringList sent;
        u.setClock([&] { return clock; });
        u.setExchangeRunning([&] { return busy; });
        u.setUpload([&](const QStringList &figures, DataFileUploader::UploadDone done) {
            sent << figures.first();
            done(!std::exchange(failNext, false));
        });
        QString got;
        QTemporaryDir dir;
        u.setDataFile(dir.filePath("Tablo_data.tbl"));
        connect(&u, &DataFileUploader::polled, [&](Outcome o) { got += QString("RUFWH").at(int(o)); });
        for (const QString &step : steps) {
            if (step.startsWith("poll")) {
                QVERIFY(DataFile::writeFileSafely(dir.filePath("Tablo_data.tbl"),
                                                  step.mid(5).replace('/', "\r\n").toLatin1(), nullptr));
                u.poll();
            } else if (step == "busy" || step == "idle")
                busy = step == "busy";
            else if (step == "fail")
                failNext = true;
            else if (step.startsWith('+'))
                clock += step.mid(1).toLongLong();
            else {
                const QString content = step.section(' ', -1);
                const Outcome o = u.offer(content, {content}, !step.startsWith("quiet"), step.startsWith("held"));
                got += QString("RUFWH").at(int(o));
            }
        }
        QCOMPARE(got, outcomes);
        QCOMPARE(sent, uploaded);
    }

    void pollsAFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Tablo_data.tbl");
        const auto write = [&](const QByteArray &data) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(data);
        };
        DataFileUploader u;
        QList<QStringList> sent;
        u.setUpload([&](const QStringList &figures, DataFileUploader::UploadDone done) {
            sent << figures;
            done(true);
        });
        u.setDataFile(path);
        u.setFormat(4, QLatin1Char(' '), true);
        QSignalSpy failures(&u, &DataFileUploader::readFailed);
        u.poll();   // no file yet
        QCOMPARE(failures.size(), 1);
        write("1.25\r\n7\n");
        u.poll();
        u.poll();
        write("1.25\r\n8\n");
        u.poll();
        u.poll();   // a short file goes when two polls read it the same
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0], QStringList({"1.25 ", "7   "}) + QStringList(8, "    "));
        QCOMPARE(sent[1].at(1), QString("8   "));
    }
};

QTEST_GUILESS_MAIN(TestDataFileUploader)
#include "tst_data_file_uploader.moc"
