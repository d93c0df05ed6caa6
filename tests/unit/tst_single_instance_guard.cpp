// The single-instance guard in one process, with names of the test's own.
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#include "app/SingleInstance.h"

class TestGuard : public QObject {
    Q_OBJECT
private slots:
    void secondStartReachesTheFirst();
    void lockHeldButNobodyAnswers();
    void lockCannotBeMade();
};

static QString unique() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

void TestGuard::secondStartReachesTheFirst()
{
    QTemporaryDir dir;
    const QString map = "Map-" + unique(), title = "Title-" + unique();
    SingleInstance first(map, title, dir.path());
    QCOMPARE(first.start(), SingleInstance::Run);
    QVERIFY(!first.lockHeldElsewhere());
    QVERIFY(first.listen());
    SingleInstance second(map, title, dir.path());
    QCOMPARE(second.start(), SingleInstance::OtherAnswered);
    QTRY_COMPARE(first.messagesReceived(), 1);
}

void TestGuard::lockHeldButNobodyAnswers()
{
    QTemporaryDir dir;
    const QString map = "Map-" + unique();
    SingleInstance first(map, "Title-" + unique(), dir.path());
    QCOMPARE(first.start(), SingleInstance::Run);
    // No server answers: the next start runs as a full instance.
    SingleInstance second(map, "Title-" + unique(), dir.path());
    QCOMPARE(second.start(), SingleInstance::Run);
    QVERIFY(second.lockHeldElsewhere());
}

void TestGuard::lockCannotBeMade()
{
    QTemporaryDir dir;
    SingleInstance guard("Map-" + unique(), "Title-" + unique(), dir.filePath("no/such/folder"));
    QCOMPARE(guard.start(), SingleInstance::LockFailed);
    QCOMPARE(guard.error(), QStringLiteral("No such file or directory"));
}

QTEST_GUILESS_MAIN(TestGuard)
#include "tst_single_instance_guard.moc"
