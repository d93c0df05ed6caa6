// A data file rewritten by another program reaches the board by itself, against the simulator.
#include <QCheckBox>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include "core/operations/BoardService.h"
#include "BoardRig.h"
#include "core/services/DataFileUploader.h"
#include "gui/ErrorDialogs.h"

namespace {

const QByteArray Changed = QByteArray("2.2500\r\n").repeated(10);
const QByteArray ChangedSend = "SEND=" + QByteArray("2.2500,").repeated(8) + "00000,00000,";

// A started program that polls its data file every second and uploads it when it changed,
// if `sendIfChanged`; a failed upload is tried again after 2.5 s.
BoardRig::Options polling(bool sendIfChanged = true)
{
    return {.settings = standardSettings({"Auto_Load=1", sendIfChanged ? "Send_If_Changed=1" : "Send_If_Changed=0"}),
            .beforeStartUp = [](BoardRig &r) { r.app().dataFileUploader->setRetryInterval(2500); }};
}

// Another process rewrites the data file.
void rewriteFile(const BoardRig &r, const QByteArray &content)
{
    QProcess p;
    p.start("/bin/sh", {"-c", "cat > \"$1\"", "sh", r.testApp.path("Tablo_data.tbl")});
    QVERIFY(p.waitForStarted());
    p.write(content);
    p.closeWriteChannel();
    QVERIFY(p.waitForFinished());
    QCOMPARE(p.exitCode(), 0);
}

// The file's content as last loaded is what the board was last given.
bool boardHasFile(const BoardRig &r)
{
    return r.app().dataFileUploader->previousContent() == r.app().service->figures().loadedContent();
}

// A read starts the exchanges, after which the poll runs; the first poll after start-up
// uploads the file as it is.
void settle(const BoardRig &r)
{
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.mainWindow()->readBoard();
    QVERIFY(r.settle());
    QCOMPARE(r.panel(0), QString("Reading Ok"));
    QTRY_VERIFY_WITH_TIMEOUT(r.sim.receivedCount("SEND=") == 1 && r.panel(0) == "Loaded"
                                 && boardHasFile(r), 10000);
    QVERIFY(r.mainWindow()->lastUploadOk);
}
// The rig's board is read and has taken the data file once; a test that failed there ends.
#define SETTLE(r) \
    settle(r); \
    if (QTest::currentTestFailed()) \
    return

// The changed file's upload reaches the board, once.
void changedFileUploaded(const BoardRig &r)
{
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(boardHasFile(r), 10000);
}

} // namespace

class tst_data_upload : public QObject {
    Q_OBJECT
private slots:
    void changedFileReachesBoard();
    void failedUploadIsRetriedLater();
    void dialogShowingDefersUpload();
    void changeDuringUploadDialogWaits();
    void noUploadInsideRead();
    void noUploadWanted();
};

void tst_data_upload::changedFileReachesBoard()
{
    BoardRig r(polling());
    SETTLE(r);

    rewriteFile(r, Changed);
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(r.app().dataFileUploader->previousContent(), QString("2.2500").repeated(10), 10000);
    QVERIFY(r.mainWindow()->lastUploadOk);
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(r.mainWindow()->figureEdits[k]->text(), QString("2.2500"));
    // The board holds the new figures: the verifying read came back equal.
    QVERIFY(r.testApp.modals.isEmpty());
    QVERIFY(r.app().boardSession->lastReading().figuresText().startsWith(QString("2.2500").repeated(8)));
    // Polls of the same content upload nothing more.
    QTest::qWait(2500);
    QCOMPARE(r.sim.receivedCount("SEND="), 2);
}

void tst_data_upload::failedUploadIsRetriedLater()
{
    BoardRig r(polling());
    SETTLE(r);

    QVERIFY(r.sim.control("silent 1"));
    rewriteFile(r, Changed);
    QTRY_VERIFY_WITH_TIMEOUT(r.testApp.modals.contains("Form8"), 10000);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 1);
    QVERIFY(!r.mainWindow()->lastUploadOk);
    // The change is still pending, and the next polls do not try again at once.
    QVERIFY(!boardHasFile(r));
    QTest::qWait(1500);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 1);
    QCOMPARE(r.testApp.modals.count("Form8"), 1);

    QVERIFY(r.sim.control("silent 0"));
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(boardHasFile(r), 10000);
    QVERIFY(r.mainWindow()->lastUploadOk);
    QCOMPARE(r.testApp.modals.count("Form8"), 1);
}

void tst_data_upload::dialogShowingDefersUpload()
{
    BoardRig r(polling());
    SETTLE(r);

    r.app().uploadErrorDialog->show();
    rewriteFile(r, Changed);
    QTRY_COMPARE_WITH_TIMEOUT(r.mainWindow()->figureEdits[1]->text(), QString("2.2500"), 5000);
    QTest::qWait(1500);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 0);
    QVERIFY(!boardHasFile(r));

    r.app().uploadErrorDialog->hide();
    changedFileUploaded(r);
}

void tst_data_upload::changeDuringUploadDialogWaits()
{
    BoardRig r(polling());
    SETTLE(r);

    // The operator's upload fails; while its connection error dialog shows, a poll finds the
    // changed file.
    r.mainWindow()->autoLoadTimer->stop();
    QVERIFY(r.sim.control("silent 1"));
    rewriteFile(r, Changed);
    r.testApp.onModal = [&](QDialog *d) {
        if (d == r.app().connectionErrorDialog) {
            d->show();
            r.mainWindow()->onAutoLoadTick();
        }
    };
    r.mainWindow()->requestUpload(QStringLiteral("write-button"));
    QVERIFY(r.settle());
    r.testApp.onModal = nullptr;
    QCOMPARE(r.testApp.modals, QStringList{"Form8"});
    QCOMPARE(r.mainWindow()->figureEdits[1]->text(), QString("2.2500"));
    QVERIFY(!boardHasFile(r));

    // The dialog is closed: the next poll does not upload at once, so a board that is off
    // does not raise the dialog again right away.
    r.mainWindow()->onAutoLoadTick();
    QTest::qWait(300);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 0);
    QCOMPARE(r.testApp.modals, QStringList{"Form8"});

    QVERIFY(r.sim.control("silent 0"));
    r.mainWindow()->autoLoadTimer->start();
    changedFileUploaded(r);
}

void tst_data_upload::noUploadInsideRead()
{
    BoardRig r(polling());
    SETTLE(r);

    // The read fails, and its failure path loads the changed file.
    r.mainWindow()->autoLoadTimer->stop();
    QVERIFY(r.sim.control("silent 1"));
    rewriteFile(r, Changed);
    r.mainWindow()->readBoard();
    QVERIFY(r.settle());
    QCOMPARE(r.panel(0), QString("Connection error, data loaded from file"));
    QCOMPARE(r.mainWindow()->figureEdits[1]->text(), QString("2.2500"));
    QCOMPARE(r.sim.receivedCount("SEND="), 1);
    QVERIFY(r.testApp.modals.isEmpty());
    QVERIFY(!boardHasFile(r));

    // The change goes at a later poll.
    QVERIFY(r.sim.control("silent 0"));
    r.mainWindow()->autoLoadTimer->start();
    changedFileUploaded(r);
}

void tst_data_upload::noUploadWanted()
{
    BoardRig r(polling(false));
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    rewriteFile(r, Changed);
    r.mainWindow()->loadDataFile();
    QCOMPARE(r.app().dataFileUploader->previousContent(), QString("2.2500").repeated(10));
    QVERIFY(boardHasFile(r));
    QTest::qWait(300);
    QCOMPARE(r.sim.receivedCount("SEND="), 0);
}

QTEST_MAIN(tst_data_upload)
#include "tst_data_upload.moc"
