#include "core/journal/JournalRecorder.h"

#include <QTimer>
#include <memory>

#include "core/operations/BoardService.h"
#include "core/operations/ResultText.h"

// Lives on the recorder's thread and owns the journal there: a Qt SQL connection is used only
// by the thread that made it.
class JournalWriter : public QObject {
public:
    std::unique_ptr<Journal> journal;

    // Writes the reported state changes held within their minute once it is over.
    void writeHeldLater()
    {
        const QDateTime due = journal ? journal->heldStatesDue() : QDateTime();
        if (!due.isValid())
            return;
        const qint64 wait = std::max<qint64>(0, QDateTime::currentDateTime().msecsTo(due));
        QTimer::singleShot(std::chrono::milliseconds(wait), this, [this] {
            if (!journal)
                return;
            journal->writeHeldStates(QDateTime::currentDateTime());
            writeHeldLater();
        });
    }
};

namespace {

QString kindOf(BoardReply::Kind kind)
{
    switch (kind) {
    case BoardReply::Kind::Upload: return JournalKind::Upload;
    case BoardReply::Kind::Read: return JournalKind::Read;
    case BoardReply::Kind::Brightness: return JournalKind::Brightness;
    case BoardReply::Kind::Lighting: return JournalKind::Lighting;
    case BoardReply::Kind::Clock: return JournalKind::Clock;
    case BoardReply::Kind::ControllerSettings: return JournalKind::ControllerSettings;
    }
    return QString();
}

} // namespace

JournalRecorder::JournalRecorder(QObject *parent) : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("journal"));
}

JournalRecorder::~JournalRecorder()
{
    if (!m_writer)
        return;
    // Queued writes run first; then the file is closed on its own thread.
    QMetaObject::invokeMethod(m_writer, [w = m_writer] {
        if (w->journal)
            w->journal->writeHeldStates(QDateTime());   // the last reported state is kept
        w->journal.reset();
    }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_writer;
}

void JournalRecorder::open(const QString &path)
{
    m_path = path;
    if (!m_writer) {
        m_writer = new JournalWriter;
        m_writer->moveToThread(&m_thread);
        m_thread.start();
    }
    QMetaObject::invokeMethod(m_writer, [this, path, w = m_writer] {
        w->journal = std::make_unique<Journal>();
        w->journal->open(path, nullptr);
        noteFailure(*w->journal);
    }, Qt::QueuedConnection);
}

void JournalRecorder::attach(BoardService &service)
{
    connect(&service, &BoardService::replyFinished, this, [this](BoardReply *reply) { record(recordOf(*reply)); });
    connect(&service, &BoardService::truthChanged, this, [this](const BoardTruth &truth) { recordTruth(truth); });
    connect(&service, &BoardService::stateChanged, this, [this, &service] {
        const BoardReading &r = service.state().reading;
        const QDateTime now = QDateTime::currentDateTime();
        const std::pair<QLatin1String, const QByteArray &> values[] = {{JournalKind::Temperature, r.temperature},
                                                                       {JournalKind::BrightnessLevel, r.brightnessLevel},
                                                                       {JournalKind::LightingState, r.lightingState}};
        for (const auto &[kind, value] : values)
            if (!value.isEmpty())
                recordStateChange(kind, QString::fromLatin1(value), now);
    });
}

JournalRecord JournalRecorder::recordOf(const BoardReply &reply) const
{
    JournalRecord r;
    r.finished = reply.finishedAt();
    r.started = reply.startedAt().isValid() ? reply.startedAt() : r.finished;
    r.kind = kindOf(reply.kind());
    r.board = m_port ? m_port() : QString();
    const QString tag = reply.tag().typeId() == QMetaType::QString ? reply.tag().toString() : QString();
    r.source = tag.isEmpty() ? m_fallbackSource : tag;
    RequestOutcome outcome;
    switch (reply.status()) {
    case BoardReply::Status::Done:
        if (reply.kind() == BoardReply::Kind::Upload) {
            outcome = uploadOutcome(reply.upload(), reply.options(), reply.sent());
            r.sent = reply.sent();
            if (reply.upload().verified && reply.upload().readBack.outcome == ReadResult::ReadOk)
                r.boardFigures = reply.upload().readBack.reading.figureTexts();
        } else if (reply.kind() == BoardReply::Kind::Read) {
            outcome = readOutcome(reply.read(), reply.options());
            if (reply.read().outcome == ReadResult::ReadOk)
                r.boardFigures = reply.read().reading.figureTexts();
        } else {
            outcome = commandOutcome(reply.exchange(), QString::fromLatin1(reply.command()), reply.options());
        }
        break;
    case BoardReply::Status::Superseded: {
        const QString by = reply.supersededBy().toString();
        outcome = {JournalOutcome::Superseded, by.isEmpty() ? QStringLiteral("a newer request took its place")
                                                            : QStringLiteral("a newer request (%1) took its place").arg(by)};
        break;
    }
    case BoardReply::Status::Withdrawn:
        outcome = {JournalOutcome::Rejected, QStringLiteral("withdrawn: the choice is no longer offered; nothing was sent")};
        break;
    case BoardReply::Status::Held:
        outcome = {JournalOutcome::Rejected,
                   QStringLiteral("not sent: the board's %1 are not known (read the board first)").arg(reply.unknown().join(QStringLiteral(", ")))};
        break;
    case BoardReply::Status::Invalid:
        outcome = {JournalOutcome::Rejected, reply.error().isEmpty() ? QStringLiteral("refused: nothing was sent")
                                                                     : QStringLiteral("refused: ") + reply.error()};
        r.sent = reply.sent();
        break;
    case BoardReply::Status::Waiting:
    case BoardReply::Status::Running:
        break;
    }
    r.outcome = outcome.outcome;
    r.reason = outcome.reason;
    if (reply.kind() != BoardReply::Kind::Upload && reply.kind() != BoardReply::Kind::Read)
        r.command = QString::fromLatin1(reply.command());
    return r;
}

JournalTruth JournalRecorder::truthRecordOf(const BoardTruth &truth) const
{
    JournalTruth t;
    t.at = truth.changed.isValid() ? truth.changed : QDateTime::currentDateTime();
    t.since = truth.since;
    t.board = m_port ? m_port() : QString();
    t.boardId = m_boardId;
    t.known = knownWord(truth.known);
    t.figures = truth.shown;
    t.sent = truth.sent;
    const bool named = truth.request.typeId() == QMetaType::QString;
    t.source = named && !truth.request.toString().isEmpty() ? truth.request.toString() : m_fallbackSource;
    t.request = named ? QString() : truth.request.toString();
    t.reason = truth.reason;
    t.checked = truth.checked;
    return t;
}

void JournalRecorder::recordTruth(const BoardTruth &truth) { recordTruth(truthRecordOf(truth)); }

void JournalRecorder::recordTruth(const JournalTruth &t)
{
    post([this, t](Journal &j) {
        if (j.recordTruth(t))
            QMetaObject::invokeMethod(this, &JournalRecorder::recorded, Qt::QueuedConnection);
    });
}

void JournalRecorder::post(std::function<void(Journal &)> work)
{
    if (!m_writer)
        return;
    QMetaObject::invokeMethod(m_writer, [this, w = m_writer, work = std::move(work)] {
        if (!w->journal)
            return;
        work(*w->journal);
        noteFailure(*w->journal);
    }, Qt::QueuedConnection);
}

void JournalRecorder::noteFailure(Journal &journal)
{
    const QString notice = journal.takeFailureNotice();
    if (notice.isEmpty())
        return;
    {
        QMutexLocker lock(&m_noticeLock);
        m_notice = notice;
    }
    QMetaObject::invokeMethod(this, &JournalRecorder::failureNotice, Qt::QueuedConnection);
}

void JournalRecorder::record(const JournalRecord &r)
{
    post([this, r](Journal &j) {
        if (j.record(r))
            QMetaObject::invokeMethod(this, &JournalRecorder::recorded, Qt::QueuedConnection);
    });
}

void JournalRecorder::recordStateChange(const QString &kind, const QString &value, const QDateTime &when)
{
    const QString port = m_port ? m_port() : QString();
    post([=, w = m_writer](Journal &j) {
        j.recordStateChange(kind, value, when, port);
        w->writeHeldLater();
    });
}

void JournalRecorder::prune(int retentionDays)
{
    post([retentionDays](Journal &j) { j.prune(retentionDays, QDateTime::currentDateTime()); });
}

void JournalRecorder::flush()
{
    if (m_writer)
        QMetaObject::invokeMethod(m_writer, [] {}, Qt::BlockingQueuedConnection);
}

QString JournalRecorder::takeFailureNotice()
{
    QMutexLocker lock(&m_noticeLock);
    return std::exchange(m_notice, QString());
}
