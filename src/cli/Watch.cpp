#include "cli/Watch.h"

#include <QCoreApplication>
#include <QTimer>

#include "cli/CliContext.h"
#include "cli/CliOptions.h"
#include "cli/Output.h"
#include "cli/Upload.h"
#include "core/journal/JournalPlace.h"

Watcher::Watcher(CliContext &context, QObject *parent) : QObject(parent), m_c(context)
{
    const ProgramSettings &s = m_c.settings;
    m_uploader.setDataFile(m_c.dataFilePath());
    m_uploader.setFormat(s.digits, s.fillChar(), s.fillMode == 1);
    m_uploader.setPollInterval(s.autoLoadIntervalMs);
    // The uploads go through the board service, as the window's do; the watch takes the port
    // around each one.
    m_uploader.setService(&m_c.service, QStringLiteral("watch"));
    m_uploader.setUpload([this](const QStringList &figures, DataFileUploader::UploadDone done) {
        uploadFigures(figures, std::move(done));
    });
    connect(&m_uploader, &DataFileUploader::polled, this,
            [this](DataFileUploader::Outcome outcome, const QStringList &) { onPolled(outcome); });
    connect(&m_uploader, &DataFileUploader::readFailed, this, &Watcher::onReadFailed);
}

void Watcher::start()
{
    // Every upload goes into the journal; its failure is told once per run of failures.
    m_c.recordJournal(JournalSource::Watch);
    connect(&m_c.recorder, &JournalRecorder::failureNotice, this, [this] {
        const QString notice = m_c.recorder.takeFailureNotice();
        if (!notice.isEmpty())
            printWarning(isoTimestamp(false) + QLatin1Char(' ') + notice);
    });
    m_startedAt = isoTimestamp(false);
    printOut(QStringLiteral("%1 Watching %2 every %3 ms, port %4")
                 .arg(m_startedAt, m_c.dataFilePath())
                 .arg(m_c.settings.autoLoadIntervalMs)
                 .arg(m_c.settings.port));
    m_uploader.start();
    // Old records go once the first poll is under way, off the upload's path.
    QTimer::singleShot(0, this, [this] {
        m_c.recorder.prune(journalPlace(m_c.settingsPath, m_c.dataFilePath()).retentionDays);
    });
    // The first look at the file is at once; it uploads the file as it stands, as the window's
    // first load after start-up does (a file that looks incomplete goes at the next poll).
    QTimer::singleShot(0, &m_uploader, &DataFileUploader::poll);
}

void Watcher::uploadFigures(const QStringList &figures, DataFileUploader::UploadDone done)
{
    const ProgramSettings &s = m_c.settings;
    m_sent = m_c.service.textsOf(figures);
    // The lines the poll formatted these figures from, for the warnings.
    for (const QString &warning : figureWarnings(m_uploader.lines(), m_sent, s, m_c.dataFilePath()))
        printWarning(isoTimestamp(false) + QLatin1Char(' ') + warning);
    // The port is taken for each upload only, so the window can use it in between.
    const PortOpen opened = m_c.port.open(s.port, s.baudRate);
    if (opened.outcome != PortOpen::Opened) {
        m_outcome = opened.outcome == PortOpen::Busy ? QStringLiteral("Port busy") : QStringLiteral("Connection error");
        m_problem = opened.message;
        done(false);
        // A port name or speed that cannot work will not work at the next try either.
        if (opened.outcome == PortOpen::BadSetting) {
            printErr(QStringLiteral("%1 (%2)").arg(opened.message, m_c.badSettingOrigin(opened)));
            m_uploader.stop();
            QTimer::singleShot(0, this, [this] { finish(ExitUsage); });
        }
        return;
    }
    m_uploader.uploadThroughService(figures, [this, done = std::move(done)](BoardReply *reply) {
        onUploaded(reply->upload(), done);
    });
}

void Watcher::onUploaded(const UploadResult &result, const DataFileUploader::UploadDone &done)
{
    m_c.port.close();
    m_outcome = uploadOutcomeText(result);
    m_problem = uploadProblem(result, m_c.exchangeOptions(), m_sent);
    done(result.outcome == UploadResult::SentOk);
    // A stop that came during the exchange takes effect once this outcome is reported.
    if (m_stopping)
        QTimer::singleShot(0, this, [this] { finish(); });
}

void Watcher::onPolled(DataFileUploader::Outcome outcome)
{
    m_lastReadError.clear();
    if (outcome == DataFileUploader::Outcome::Uploaded) {
        m_lastGoodAt = isoTimestamp(false);
        printOut(QStringLiteral("%1 %2 %3").arg(m_lastGoodAt, m_outcome, textsInBrackets(m_sent)));
    } else if (outcome == DataFileUploader::Outcome::Failed) {
        printErr(QStringLiteral("%1 %2 %3: %4; next try in %5 s; %6")
                     .arg(isoTimestamp(false), m_outcome, textsInBrackets(m_sent), m_problem)
                     .arg(m_uploader.retryInterval() / 1000)
                     .arg(lastGoodText()));
    }
    // Recorded (no change) and Waiting (an exchange runs, or the back-off) print nothing: they
    // come with every poll.
}

QString Watcher::lastGoodText() const
{
    return m_lastGoodAt.isEmpty() ? QStringLiteral("no good upload since the start at %1").arg(m_startedAt)
                                  : QStringLiteral("last good upload at %1").arg(m_lastGoodAt);
}

void Watcher::onReadFailed(const QString &error)
{
    if (error == m_lastReadError)
        return;
    m_lastReadError = error;
    printErr(QStringLiteral("%1 File error: %2: %3").arg(isoTimestamp(false), m_c.dataFilePath(), error));
}

void Watcher::requestStop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_uploader.stop();
    if (!m_c.service.isBusy())
        finish();
}

void Watcher::finish(int code)
{
    printOut(QStringLiteral("%1 Stopped").arg(isoTimestamp(false)));
    QCoreApplication::exit(code);
}

int runWatch(CliContext &c)
{
    Watcher watcher(c);
    // The first signal lets a running upload end and report; a second one ends the watch at once.
    bool stopRequested = false;
    c.onSignal = [&](int signalNumber) {
        if (std::exchange(stopRequested, true))
            c.interrupt(signalNumber);
        else
            watcher.requestStop();
    };
    watcher.start();
    const int code = QCoreApplication::exec();
    c.onSignal = nullptr;
    if (c.interruptedBy)
        throw Interrupted{c.interruptedBy};
    return code;
}
