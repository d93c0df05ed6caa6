// Where the files live: beside a writable program, else per user, starting from the files beside
// a read-only program.
#include <QtTest>

#include "core/files/ProgramPaths.h"

class TestProgramPaths : public QObject {
    Q_OBJECT
private slots:
    void paths_data()
    {
        // Files beside the program hold "beside", per-user ones "own" (s settings, d data, h
        // schedule). Where: the folder of the settings, data and schedule path (p program, c
        // config, d data, w working folder). Contents: what the settings and data paths then hold, "-" none.
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("beside");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("contents");
        QTest::newRow("writable program folder, even with per-user files") << true << "s" << "sdh" << "ppw" << "beside -";
        QTest::newRow("installed, first start") << false << "" << "" << "cdd" << "- -";
        QTest::newRow("read-only copy, first start: copies, schedule beside") << false << "sdh" << "" << "cdp" << "beside beside";
        QTest::newRow("read-only copy, later: own files win") << false << "sdh" << "sdh" << "cdd" << "own own";
    }
    void paths()
    {
        QFETCH(bool, writable);
        QFETCH(QString, beside);
        QFETCH(QString, own);
        QFETCH(QString, where);
        QFETCH(QString, contents);
        QTemporaryDir dir;
        const QHash<QChar, QString> folder = {{'p', dir.filePath("bin")}, {'c', dir.filePath("config/Exchange_Tablo")},
                                              {'d', dir.filePath("share/Exchange_Tablo")}, {'w', dir.filePath("work")}};
        const QHash<QChar, QString> name = {{'s', "Quorvanel_tablo.ini"}, {'d', "Tablo_data.tbl"}, {'h', "Shedule.shd"}};
        const auto put = [&](const QString &path, const QByteArray &content) {
            QFile f(path);
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && f.open(QIODevice::WriteOnly) && f.write(content) > 0);
            QVERIFY(writable || content == "own" || f.setPermissions(QFileDevice::ReadOwner)); // read-only copy
        };
        for (const QChar kind : beside)
            put(folder['p'] + '/' + name[kind], "beside");
        for (const QChar kind : own)
            put(folder[kind == 's' ? 'c' : 'd'] + '/' + name[kind], "own");

        const ProgramPaths p = prepareProgramPaths({folder['p'], writable, folder['c'], folder['d'], folder['w']});
        const QStringList paths = {p.settingsFile, p.dataFile, p.scheduleFile};
        QCOMPARE(p.journalFile, QFileInfo(p.dataFile).dir().filePath("journal.sqlite"));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(paths[i], folder[where[i]] + '/' + name[QString("sdh")[i]]);
            QVERIFY(where[i] == 'w' || QFileInfo(paths[i]).dir().exists());
        }
        for (int i = 0; i < 2; ++i) {
            QFile f(paths[i]);
            QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : "-", contents.section(' ', i, i).toLatin1());
            QVERIFY(!f.exists() || (f.permissions() & QFileDevice::WriteOwner)); // a copy can be saved
        }
    }
};

QTEST_GUILESS_MAIN(TestProgramPaths)
#include "tst_program_paths.moc"
