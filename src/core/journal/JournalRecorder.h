#pragma once
// Turns the board service's finished replies and reported state into journal records.
//
// The records are written on a thread of their own: the exchange's path only builds a record
// and queues it, so a slow disk or another process holding the file's write lock never holds
// up the board. A journal that cannot be written stops nothing: failureNotice() tells once per
// run of failures, and again when writing resumes (a file that could not be opened is tried
// again as records come); takeFailureNotice() hands its text to whoever shows it.
#include <QMutex>
#include <QObject>
#include <QThread>
#include <functional>

#include "core/journal/Journal.h"

class BoardReply;
class BoardService;
struct BoardTruth;
class JournalWriter;

class JournalRecorder : public QObject {
    Q_OBJECT
public:
    explicit JournalRecorder(QObject *parent = nullptr);
    // Writes what is queued, then closes the file.
    ~JournalRecorder() override;

    // Opens the journal file on the journal's own thread, without waiting for it (a file another
    // program holds may take up to the busy time-out): the records asked for meanwhile follow it.
    // A file that cannot be opened makes the records fail, with the notice.
    void open(const QString &path);
    QString path() const { return m_path; }
    // The source of a reply whose tag is no text ("tablo-cli", "watch", "window").
    void setFallbackSource(const QString &source) { m_fallbackSource = source; }
    // The port a record names, asked when the reply finishes.
    void setPort(std::function<QString()> port) { m_port = std::move(port); }
    // The board id the truth changes name (the MQTT bridge's); empty by default.
    void setBoardId(const QString &id) { m_boardId = id; }
    // Records every reply the service finishes, each change of what is known of the board's
    // figures (BoardService::truthChanged), and each change of the reported temperature,
    // brightness level and lighting state.
    void attach(BoardService &service);

    // What a finished reply is in the journal.
    JournalRecord recordOf(const BoardReply &reply) const;
    // What a truth record is in the journal: the request's tag names the source when it is a
    // text (as in recordOf()), else the request (an MQTT request id).
    JournalTruth truthRecordOf(const BoardTruth &truth) const;

    // Queue a write; nothing waits for it.
    void record(const JournalRecord &r);
    void recordStateChange(const QString &kind, const QString &value, const QDateTime &when);
    // A change of the truth record (attach() does this for its service), or one as the caller
    // made it of truthRecordOf() (a bridge naming its request ids).
    void recordTruth(const BoardTruth &truth);
    void recordTruth(const JournalTruth &truth);
    // Deletes the records older than `retentionDays` (away from the caller's thread).
    void prune(int retentionDays);
    // Waits until everything queued so far is written (or has failed).
    void flush();

    // "The journal is not being written: ..." once per run of failures, "The journal is being
    // written again: ..." when it resumed; empty otherwise.
    QString takeFailureNotice();

signals:
    // A run of failures began: takeFailureNotice() has its text.
    void failureNotice();
    // A record was written (on the caller's thread, after the write).
    void recorded();

private:
    void post(std::function<void(Journal &)> work);
    void noteFailure(Journal &journal);

    QThread m_thread;
    JournalWriter *m_writer = nullptr;
    QString m_path;
    QString m_fallbackSource;
    QString m_boardId;
    std::function<QString()> m_port;
    QMutex m_noticeLock;
    QString m_notice;   // taken by takeFailureNotice()
};
