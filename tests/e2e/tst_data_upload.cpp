// A data file rewritten by another program reaches the board by itself, against the simulator.
#include <QCheckBox>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include "Sim.h"
#include "TestApp.h"
#include "core/services/DataFileUploader.h"
#include "gui/ErrorDialogs.h"
#include "gui/SettingsDialog.h"

namespace {

QByteArray makeIni(const QString &port, bool sendIfChanged)
{
    return "[Settings]\r\nBaudRAte=9600\r\nPort_Number=" + port.toLatin1()
           + "\r\nAuto_Load=1\r\nAuto_Load_Intvl=1000\r\nSend_If_Changed=" + (sendIfChanged ? "1" : "0")
           + "\r\nAttempts=1\r\nTimeout_for_command=1000\r\nManage_Checksumms=1\r\n"
             "[Tablo]\r\nBoard_type=0\r\nDigits=5\r\nFill_char=0\r\nReplys=0\r\n";
}

const QByteArray Initial = QByteArray("1.0000\r\n").repeated(10);
const QByteArray Changed = QByteArray("2.2500\r\n").repeated(10);
const QByteArray ChangedSend = "SEND=" + QByteArray("2.2500,").repeated(8) + "00000,00000,";

struct Rig {
    explicit Rig(bool sendIfChanged = true)
    {
        t = std::make_unique<TestApp>(makeIni(sim.port(), sendIfChanged));
        t->app->dataFileUploader->setRetryInterval(2500);
        t->startUp();
    }
    Program &app() const { return *t->app; }
    MainWindow *f1() const { return t->app->mainWindow; }
    QString panel(int i) const { return f1()->statusPanels->panelText(i); }
    // Another process rewrites the data file.
    void rewriteFile(const QByteArray &content) const
    {
        QProcess p;
        p.start("/bin/sh", {"-c", "cat > \"$1\"", "sh", t->path("Tablo_data.tbl")});
        QVERIFY(p.waitForStarted());
        p.write(content);
        p.closeWriteChannel();
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
    }
    // A read starts the exchanges, after which the poll runs; the first poll after start-up
    // uploads the file as it is.
    void settle() const
    {
        f1()->readBoard();
        QCOMPARE(panel(0), QString("Reading Ok"));
        QTRY_VERIFY_WITH_TIMEOUT(sim.receivedCount("SEND=") == 1 && panel(0) == "Loaded"
                                     && app().dataFileUploader->previousContent() == app().loadedContent,
                                 10000);
        QVERIFY(app().lastUploadOk);
    }
    Sim sim;
    std::unique_ptr<TestApp> t;
};

} // namespace

class tst_data_upload : public QObject {
    Q_OBJECT
private slots:
    void changedFileReachesBoard();
    void failedUploadIsRetriedLater();
    void dialogShowingDefersUpload();
    void changeDuringUploadDialogWaits();
    void earlierContentAfterFailedUpload();
    void noUploadInsideRead();
    void noUploadInsideExchange();
    void noUploadWanted();
};

void tst_data_upload::changedFileReachesBoard()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;

    r.rewriteFile(Changed);
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(r.app().dataFileUploader->previousContent(), QString("2.2500").repeated(10), 10000);
    QVERIFY(r.app().lastUploadOk);
    for (int k = 1; k <= 10; ++k)
        QCOMPARE(r.f1()->figureEdits[k]->text(), QString("2.2500"));
    // The board holds the new figures: the verifying read came back equal.
    QVERIFY(r.t->modals.isEmpty());
    QVERIFY(r.app().boardSession->lastReading().figuresText().startsWith(QString("2.2500").repeated(8)));
    // Polls of the same content upload nothing more.
    QTest::qWait(2500);
    QCOMPARE(r.sim.receivedCount("SEND="), 2);
}

void tst_data_upload::failedUploadIsRetriedLater()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;

    QVERIFY(r.sim.control("silent 1"));
    r.rewriteFile(Changed);
    QTRY_VERIFY_WITH_TIMEOUT(r.t->modals.contains("Form8"), 10000);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 1);
    QVERIFY(!r.app().lastUploadOk);
    // The change is still pending, and the next polls do not try again at once.
    QVERIFY(r.app().dataFileUploader->previousContent() != r.app().loadedContent);
    QTest::qWait(1500);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 1);
    QCOMPARE(r.t->modals.count("Form8"), 1);

    QVERIFY(r.sim.control("silent 0"));
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(r.app().dataFileUploader->previousContent() == r.app().loadedContent, 10000);
    QVERIFY(r.app().lastUploadOk);
    QCOMPARE(r.t->modals.count("Form8"), 1);
}

void tst_data_upload::dialogShowingDefersUpload()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;

    r.app().uploadErrorDialog->show();
    r.rewriteFile(Changed);
    QTRY_COMPARE_WITH_TIMEOUT(r.f1()->figureEdits[1]->text(), QString("2.2500"), 5000);
    QTest::qWait(1500);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 0);
    QVERIFY(r.app().dataFileUploader->previousContent() != r.app().loadedContent);

    r.app().uploadErrorDialog->hide();
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(r.app().dataFileUploader->previousContent() == r.app().loadedContent, 10000);
}

void tst_data_upload::changeDuringUploadDialogWaits()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;

    // The operator's upload fails; while its connection error dialog shows, a poll finds the
    // changed file.
    r.f1()->autoLoadTimer->stop();
    QVERIFY(r.sim.control("silent 1"));
    r.rewriteFile(Changed);
    r.t->onModal = [&](QDialog *d) {
        if (d == r.app().connectionErrorDialog) {
            d->show();
            r.f1()->onAutoLoadTick();
        }
    };
    r.f1()->uploadFigures();
    r.t->onModal = nullptr;
    QCOMPARE(r.t->modals, QStringList{"Form8"});
    QCOMPARE(r.f1()->figureEdits[1]->text(), QString("2.2500"));
    QVERIFY(r.app().dataFileUploader->previousContent() != r.app().loadedContent);

    // The dialog is closed: the next poll does not upload at once, so a board that is off
    // does not raise the dialog again right away.
    r.f1()->onAutoLoadTick();
    QTest::qWait(300);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 0);
    QCOMPARE(r.t->modals, QStringList{"Form8"});

    QVERIFY(r.sim.control("silent 0"));
    r.f1()->autoLoadTimer->start();
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(r.app().dataFileUploader->previousContent() == r.app().loadedContent, 10000);
}

void tst_data_upload::earlierContentAfterFailedUpload()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;
    const QByteArray initialSend = "SEND=" + QByteArray("1.0000,").repeated(8) + "00000,00000,";
    QCOMPARE(r.sim.receivedCount(initialSend), 1);

    // The board takes the new figures but its read-back never comes.
    QVERIFY(r.sim.control("ok-then-silent 1"));
    r.rewriteFile(Changed);
    QTRY_VERIFY_WITH_TIMEOUT(r.t->modals.contains("Form8"), 10000);
    QCOMPARE(r.sim.receivedCount(ChangedSend), 1);

    // The file goes back to what was uploaded before: the board holds other figures, so it
    // is uploaded again.
    QVERIFY(r.sim.control("ok-then-silent 0"));
    r.rewriteFile(Initial);
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(initialSend), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(r.app().dataFileUploader->previousContent() == r.app().loadedContent, 10000);
    QVERIFY(r.app().lastUploadOk);
    QVERIFY(r.app().boardSession->lastReading().figuresText().startsWith(QString("1.0000").repeated(8)));
}

void tst_data_upload::noUploadInsideRead()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;

    // The read fails, and its failure path loads the changed file.
    r.f1()->autoLoadTimer->stop();
    QVERIFY(r.sim.control("silent 1"));
    r.rewriteFile(Changed);
    r.f1()->readBoard();
    QCOMPARE(r.panel(0), QString("Connection error, data loaded from file"));
    QCOMPARE(r.f1()->figureEdits[1]->text(), QString("2.2500"));
    QCOMPARE(r.sim.receivedCount("SEND="), 1);
    QVERIFY(r.t->modals.isEmpty());
    QVERIFY(r.app().dataFileUploader->previousContent() != r.app().loadedContent);

    // The change goes at a later poll.
    QVERIFY(r.sim.control("silent 0"));
    r.f1()->autoLoadTimer->start();
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(r.app().dataFileUploader->previousContent() == r.app().loadedContent, 10000);
}

void tst_data_upload::noUploadInsideExchange()
{
    Rig r;
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.settle();
    if (QTest::currentTestFailed())
        return;

    // The operator loads the changed file from the menu while another command waits.
    r.f1()->autoLoadTimer->stop();
    QVERIFY(r.sim.control("silent 1"));
    r.rewriteFile(Changed);
    bool loaded = false;
    QTimer::singleShot(200, r.f1(), [&] {
        r.f1()->loadDataFileAction->trigger();
        loaded = true;
    });
    const ExchangeResult result = r.app().boardSession->exchange("BRIG=3", r.app().exchangeOptions());
    QVERIFY(loaded);
    QCOMPARE(result.outcome, ExchangeResult::Timeout);
    QCOMPARE(r.f1()->figureEdits[1]->text(), QString("2.2500"));
    QCOMPARE(r.sim.receivedCount("SEND="), 1);
    QVERIFY(r.app().dataFileUploader->previousContent() != r.app().loadedContent);

    QVERIFY(r.sim.control("silent 0"));
    r.f1()->autoLoadTimer->start();
    QTRY_COMPARE_WITH_TIMEOUT(r.sim.receivedCount(ChangedSend), 1, 10000);
}

void tst_data_upload::noUploadWanted()
{
    Rig r(false);
    QVERIFY2(r.sim.ok(), qPrintable(r.sim.errorText()));
    r.rewriteFile(Changed);
    r.f1()->loadDataFile();
    QCOMPARE(r.app().dataFileUploader->previousContent(), QString("2.2500").repeated(10));
    QCOMPARE(r.app().dataFileUploader->previousContent(), r.app().loadedContent);
    QTest::qWait(300);
    QCOMPARE(r.sim.receivedCount("SEND="), 0);
}

QTEST_MAIN(tst_data_upload)
#include "tst_data_upload.moc"
