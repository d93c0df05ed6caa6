// One instance: two real processes of the program. The test and both processes run in a network
// namespace of their own with a temporary folder of their own, so that the program's real names
// never meet a tool the user has running (its local server is an abstract socket, which is per
// network namespace, and its lock lives in the temporary folder).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void secondStartEndsAtOnce();
    void staleLockDoesNotBlock();

private:
    QString copyProgram(const QTemporaryDir &dir);
    bool answering(int ms);
    QProcess *startProgram(const QString &exe);
    QString serverName() const { return QStringLiteral("Exchange_Tablo-%1").arg(::getuid()); }
};

void TestSingleInstance::initTestCase()
{
    if (answering(100))
        QSKIP("another instance of the program runs for this user");
}

QString TestSingleInstance::copyProgram(const QTemporaryDir &dir)
{
    // The program keeps its files beside itself: run a copy in a folder of the test's own.
    const QString exe = QDir(dir.path()).filePath(QStringLiteral("tablo"));
    QFile::copy(QStringLiteral(TABLO_EXE_PATH), exe);
    QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    return exe;
}

bool TestSingleInstance::answering(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QLocalSocket s;
        s.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        s.connectToServer(serverName());
        if (s.waitForConnected(100))
            return true;
        QTest::qWait(50);
    } while (t.elapsed() < ms);
    return false;
}

QProcess *TestSingleInstance::startProgram(const QString &exe)
{
    auto *p = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(exe, {});
    return p;
}

void TestSingleInstance::secondStartEndsAtOnce()
{
    QTemporaryDir dir;
    const QString exe = copyProgram(dir);
    QProcess *first = startProgram(exe);
    QVERIFY(first->waitForStarted());
    QVERIFY2(answering(10000), "the first instance never answered");

    QTemporaryDir dir2;
    QProcess *second = startProgram(copyProgram(dir2));
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    // The second made no window, so its start-up step never ran: no files beside it.
    QVERIFY(!QFile::exists(QDir(dir2.path()).filePath("Tablo_data.tbl")));
    QCOMPARE(first->state(), QProcess::Running);

    first->kill();
    first->waitForFinished();
}

void TestSingleInstance::staleLockDoesNotBlock()
{
    QTemporaryDir dir;
    const QString exe = copyProgram(dir);
    QProcess *first = startProgram(exe);
    QVERIFY(first->waitForStarted());
    QVERIFY(answering(10000));
    ::kill(pid_t(first->processId()), SIGKILL);   // leaves its lock behind
    first->waitForFinished();
    QVERIFY(!answering(300));

    QProcess *next = startProgram(exe);
    QVERIFY(next->waitForStarted());
    QVERIFY2(answering(10000), "a start after a crashed instance did not run");
    QCOMPARE(next->state(), QProcess::Running);
    next->kill();
    next->waitForFinished();
}

int main(int argc, char **argv)
{
    // Run this test again, as it is, inside a private network namespace, once.
    if (!qEnvironmentVariableIsSet("TABLO_TEST_PRIVATE_NET")) {
        qputenv("TABLO_TEST_PRIVATE_NET", "1");
        // Root needs no user namespace for it.
        char unshare[] = "unshare", asRoot[] = "-n", asUser[] = "-rn", end[] = "--";
        char *const flag = ::geteuid() == 0 ? asRoot : asUser;
        if (std::system(QByteArray("unshare ").append(flag).append(" true 2>/dev/null").constData()) == 0) {
            std::vector<char *> args{unshare, flag, end};
            args.insert(args.end(), argv, argv + argc);
            args.push_back(nullptr);
            ::execvp(unshare, args.data());
        }
        std::fprintf(stderr, "note: no private network namespace here; a running tool may make this test skip\n");
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    TestSingleInstance test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_single_instance.moc"
