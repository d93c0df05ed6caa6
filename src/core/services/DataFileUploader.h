#pragma once
// Uploads the data file's figures whenever its content changes: the decision the window's
// automatic loading makes after each load, and a poll of its own for use without a window.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>

#include "core/figures/FigureStore.h"
#include "core/files/DataFile.h"

class QTimer;
class BoardReply;
class BoardService;

class DataFileUploader : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        Recorded,   // nothing to upload: the content is remembered as the board's
        Uploaded,   // uploaded and verified
        Failed,     // the upload failed: any content is uploaded at the next try, after the back-off
        Waiting,    // an exchange runs or the back-off has not passed, or the poll read a file
                    // that looks incomplete for the first time: a later poll tries again
        HeldOff,    // an upload's error report is showing: the back-off starts again
        Uploading   // the upload has begun; a poll reports its outcome when it ends
    };
    // Tells how an upload ended: true when the board took and verified the figures.
    using UploadDone = std::function<void(bool ok)>;

    explicit DataFileUploader(QObject *parent = nullptr);

    // Uploads the figures and calls `done` when the upload has ended (at once or later).
    void setUpload(std::function<void(const QStringList &figures, UploadDone done)> upload)
    {
        m_upload = std::move(upload);
    }
    // True while an upload, a read or any other exchange is under way.
    void setExchangeRunning(std::function<bool()> running) { m_exchangeRunning = std::move(running); }
    // Asks `service` for each upload, tagged `tag`: the figures go into its store and the upload
    // takes them when it starts; an exchange runs while the service is not idle. The window and
    // tablo-cli watch both upload so.
    void setService(BoardService *service, const QVariant &tag);
    // That upload, for a caller that wraps it (the watch opens the port first); `finished` gets
    // the reply.
    void uploadThroughService(const QStringList &figures, std::function<void(BoardReply *)> finished);
    // Milliseconds on a monotonic clock (tests set a virtual one).
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }
    void setRetryInterval(int ms) { m_retryMs = ms; }
    int retryInterval() const { return m_retryMs; }

    // A content was loaded. Without `uploadWanted` (sending on change is off, or the settings
    // are loading) it is only remembered. `heldOff`: an upload's error report is showing.
    Outcome offer(const QString &content, const QStringList &figures, bool uploadWanted, bool heldOff = false);
    // Forgets what the board was given: the next changed content is uploaded in any case.
    void forget();
    QString previousContent() const { return m_previous; }
    // Whether a poll takes the data file's content it read; the window's poll keeps it here too.
    DataFile::PollMemory &pollMemory() { return m_pollMemory; }

    // ---- The poll ----
    // The one timer that polls the data file, for the window and tablo-cli watch alike.
    QTimer *pollTimer();
    // What a poll does instead of poll(): the window loads the file into its fields, through this
    // uploader's poll memory and offer().
    void setPollAction(std::function<void()> action) { m_pollAction = std::move(action); }
    void setDataFile(const QString &path) { m_path = path; }
    void setFormat(int digits, QChar fillChar, bool blankMode);
    void setPollInterval(int ms);
    void start();
    void stop();
    // Reads the file, formats it and offers it (always wanting an upload on change).
    void poll();
    QStringList figures() const { return m_figures; }
    // The data file's lines those figures were formatted from (by the poll).
    const QList<QByteArray> &lines() const { return m_lines; }

signals:
    void polled(DataFileUploader::Outcome outcome, const QStringList &figures);
    void readFailed(const QString &error);

private:
    qint64 now() const;

    // What an upload's end does with its outcome.
    Outcome settle(const QString &content, bool ok);

    std::function<void(const QStringList &, UploadDone)> m_upload;
    bool m_uploading = false;
    std::optional<Outcome> m_ended;   // an upload that ended inside offer()
    bool m_pollWaiting = false;       // a poll waits for the running upload's outcome
    std::function<bool()> m_exchangeRunning;
    BoardService *m_service = nullptr;
    QVariant m_tag;
    std::function<qint64()> m_now;
    int m_retryMs = 30000;
    qint64 m_retryAt = 0;        // no upload before this time (0: none pending)
    bool m_retryPending = false;
    QString m_previous;
    DataFile::PollMemory m_pollMemory;

    QString m_path;
    int m_digits = 5;
    QChar m_fill = QLatin1Char('0');
    bool m_blankMode = false;
    QStringList m_figures;
    QList<QByteArray> m_lines;
    QTimer *m_timer = nullptr;
    std::function<void()> m_pollAction;
};
