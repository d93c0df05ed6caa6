// Where the files live: beside a writable program, else per user, with the files already
// beside the program as the starting point.
#include <QtTest>

#include "core/files/ProgramPaths.h"

static const QStringList all = {"settings", "data", "schedule"};

class TestProgramPaths : public QObject {
    Q_OBJECT
private slots:
    void paths_data()
    {
        // Files are "settings", "data", "schedule". Beside the program each holds "beside", in
        // the per-user folders "own". Where: the folder of the settings, data and schedule path
        // ("program", "config", "data"). Contents: what the settings and data paths then hold.
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QStringList>("beside");
        QTest::addColumn<QStringList>("own");
        QTest::addColumn<QStringList>("where");
        QTest::addColumn<QStringList>("contents");
        QTest::newRow("writable program folder: everything beside it, even with per-user files")
            << true << QStringList{"settings"} << all << QStringList{"program", "program", "program"}
            << QStringList{"beside", ""};
        QTest::newRow("installed, first start: per-user folders made, nothing copied")
            << false << QStringList{} << QStringList{} << QStringList{"config", "data", "data"} << QStringList{"", ""};
        QTest::newRow("read-only copy, first start: settings and data copied, schedule read beside")
            << false << all << QStringList{} << QStringList{"config", "data", "program"} << QStringList{"beside", "beside"};
        QTest::newRow("read-only copy, later starts: the user's own files win")
            << false << all << all << QStringList{"config", "data", "data"} << QStringList{"own", "own"};
    }
    void paths()
    {
        QFETCH(bool, writable);
        QFETCH(QStringList, beside);
        QFETCH(QStringList, own);
        QFETCH(QStringList, where);
        QFETCH(QStringList, contents);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QHash<QString, QString> folder = {
            {"program", dir.filePath("bin")}, {"config", dir.filePath("config/Exchange_Tablo")}, {"data", dir.filePath("share/Exchange_Tablo")}};
        const QHash<QString, QString> name = {
            {"settings", "Quorvanel_tablo.ini"}, {"data", "Tablo_data.tbl"}, {"schedule", "Shedule.shd"}};
        const auto put = [&](const QString &path, const QByteArray &content, bool readOnly) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
            f.close();
            if (readOnly)
                QVERIFY(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        };
        QVERIFY(QDir().mkpath(folder["program"]));
        for (const QString &kind : beside)
            put(folder["program"] + '/' + name[kind], "beside", !writable);
        for (const QString &kind : own)
            put(folder[kind == "settings" ? "config" : "data"] + '/' + name[kind], "own", false);

        const ProgramFolders folders{folder["program"], writable, folder["config"], folder["data"]};
        const ProgramPaths p = prepareProgramPaths(folders);
        const QStringList paths = {p.settingsFile, p.dataFile, p.scheduleFile};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(paths[i], folder[where[i]] + '/' + name[all[i]]);
            QVERIFY(QFileInfo(paths[i]).dir().exists());
        }
        for (int i = 0; i < 2; ++i) {
            QFile f(paths[i]);
            QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), contents[i].toLatin1());
            // A copy from a read-only original can still be saved.
            if (contents[i] == "beside" && !writable)
                QVERIFY(f.permissions() & QFileDevice::WriteOwner);
        }
        QCOMPARE(programPaths(folders).settingsFile, p.settingsFile);
    }
};

QTEST_GUILESS_MAIN(TestProgramPaths)
#include "tst_program_paths.moc"
