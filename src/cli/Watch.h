#pragma once
// tablo-cli watch: polls the data file and uploads its figures whenever they change, as the
// window's automatic loading with "Send if file changed" does, until SIGTERM or SIGINT. Uploads
// are logged on stdout, failures on stderr with the time of the last good upload, so an absent
// board shows in the journal while the watch keeps trying.
#include <QObject>
#include <QStringList>

#include "core/board/BoardSession.h"
#include "core/services/DataFileUploader.h"

struct CliContext;

class Watcher : public QObject {
    Q_OBJECT
public:
    explicit Watcher(CliContext &context, QObject *parent = nullptr);
    void start();
    // Ends the watch: at once when idle, else as soon as the running upload is over.
    void requestStop();

private:
    void uploadFigures(const QStringList &figures, DataFileUploader::UploadDone done);
    void onUploaded(const UploadResult &result, const DataFileUploader::UploadDone &done);
    void onPolled(DataFileUploader::Outcome outcome);
    void onReadFailed(const QString &error);
    void finish(int code = 0);
    // The time of the last good upload, or of the start when there was none, for a failure line.
    QString lastGoodText() const;

    CliContext &m_c;
    DataFileUploader m_uploader;
    // The last upload: what was uploaded and how it went.
    QStringList m_sent;                       // the texts of the last upload, as sent
    QString m_outcome, m_problem;
    QString m_lastReadError;   // a read failure is reported once until the file reads again
    QString m_startedAt, m_lastGoodAt;
    bool m_stopping = false;
};

// Runs the watch until a signal ends it; returns the exit code.
int runWatch(CliContext &context);
