#include "cli/Watch.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "cli/CliContext.h"
#include "cli/Output.h"
#include "cli/Upload.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_UNIX
// The self-pipe: the signal handler only writes a byte; the event loop reads it.
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

bool catchTerminationSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}
#endif

QString figuresText(const QStringList &figures)
{
    return QLatin1Char('[') + figures.join(QLatin1Char(',')) + QLatin1Char(']');
}

} // namespace

Watcher::Watcher(CliContext &context, QObject *parent) : QObject(parent), m_c(context)
{
    const ProgramSettings &s = m_c.settings;
    m_uploader.setDataFile(m_c.dataFilePath());
    m_uploader.setFormat(s.digits, s.fillChar(), s.fillMode == 1);
    m_uploader.setPollInterval(s.autoLoadIntervalMs);
    m_uploader.setExchangeRunning([this] { return m_c.operations.isBusy(); });
    m_uploader.setUpload([this](const QStringList &figures, DataFileUploader::UploadDone done) {
        uploadFigures(figures, std::move(done));
    });
    connect(&m_c.operations, &BoardOperations::uploadFinished, this, &Watcher::onUploaded);
    connect(&m_uploader, &DataFileUploader::polled, this,
            [this](DataFileUploader::Outcome outcome, const QStringList &) { onPolled(outcome); });
    connect(&m_uploader, &DataFileUploader::readFailed, this, &Watcher::onReadFailed);
}

void Watcher::start()
{
    printOut(QStringLiteral("%1 Watching %2 every %3 ms, port %4")
                 .arg(isoTimestamp(false), m_c.dataFilePath())
                 .arg(m_c.settings.autoLoadIntervalMs)
                 .arg(m_c.settings.port));
    m_uploader.start();
    // The first look at the file is at once; it uploads the file as it stands, as the window's
    // first load after start-up does (a file that looks incomplete goes at the next poll).
    QTimer::singleShot(0, &m_uploader, &DataFileUploader::poll);
}

void Watcher::uploadFigures(const QStringList &figures, DataFileUploader::UploadDone done)
{
    const ProgramSettings &s = m_c.settings;
    m_figures = figures;
    const QStringList texts = m_c.operations.uploadTexts(figures);
    // The port is taken for each upload only, so the window can use it in between.
    const PortOpen opened = m_c.port.open(s.port, s.baudRate);
    if (opened.outcome != PortOpen::Opened) {
        m_outcome = opened.outcome == PortOpen::Busy ? QStringLiteral("Port busy") : QStringLiteral("Connection error");
        m_problem = opened.message;
        done(false);
        return;
    }
    m_sent = texts;
    m_uploadDone = std::move(done);
    m_c.operations.requestUpload(texts);
}

void Watcher::onUploaded(const UploadResult &result)
{
    m_c.port.close();
    m_outcome = uploadOutcomeText(result);
    m_problem = uploadProblem(result, m_c.exchangeOptions(), m_sent);
    if (m_uploadDone)
        std::exchange(m_uploadDone, nullptr)(result.outcome == UploadResult::SentOk);
    // A stop that came during the exchange takes effect once this outcome is reported.
    if (m_stopping)
        QTimer::singleShot(0, this, &Watcher::finish);
}

void Watcher::onPolled(DataFileUploader::Outcome outcome)
{
    m_lastReadError.clear();
    if (outcome == DataFileUploader::Outcome::Uploaded) {
        printOut(QStringLiteral("%1 %2 %3").arg(isoTimestamp(false), m_outcome, figuresText(m_figures)));
    } else if (outcome == DataFileUploader::Outcome::Failed) {
        printOut(QStringLiteral("%1 %2 %3: %4; next try in %5 s")
                     .arg(isoTimestamp(false), m_outcome, figuresText(m_figures), m_problem)
                     .arg(m_uploader.retryInterval() / 1000));
    }
    // Recorded (no change) and Waiting (an exchange runs, or the back-off) print nothing: they
    // come with every poll.
}

void Watcher::onReadFailed(const QString &error)
{
    if (error == m_lastReadError)
        return;
    m_lastReadError = error;
    printOut(QStringLiteral("%1 File error: %2: %3").arg(isoTimestamp(false), m_c.dataFilePath(), error));
}

void Watcher::requestStop()
{
    if (m_stopping)
        return;
    m_stopping = true;
    m_uploader.stop();
    if (!m_c.operations.isBusy())
        finish();
}

void Watcher::finish()
{
    printOut(QStringLiteral("%1 Stopped").arg(isoTimestamp(false)));
    QCoreApplication::quit();
}

int runWatch(CliContext &c)
{
    Watcher watcher(c);
#ifdef Q_OS_UNIX
    if (!catchTerminationSignals()) {
        printErr(QStringLiteral("cannot catch SIGTERM and SIGINT"));
        return ExitFileError;
    }
    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &watcher, [&watcher] {
        char buffer[16];
        while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        watcher.requestStop();
    });
#endif
    watcher.start();
    return QCoreApplication::exec();
}
