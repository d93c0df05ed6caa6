#include "core/services/DataFileUploader.h"

#include <QElapsedTimer>
#include <QTimer>

#include "core/operations/BoardService.h"
#include <utility>

#include "core/figures/FigureFormat.h"
#include "core/files/DataFile.h"

DataFileUploader::DataFileUploader(QObject *parent) : QObject(parent) {}

void DataFileUploader::setService(BoardService *service, const QVariant &tag)
{
    m_service = service;
    m_tag = tag;
    m_exchangeRunning = [service] { return !service->isIdle(); };
    m_upload = [this](const QStringList &figures, UploadDone done) {
        uploadThroughService(figures, [done](BoardReply *reply) { done(reply->succeeded()); });
    };
}

void DataFileUploader::uploadThroughService(const QStringList &figures, std::function<void(BoardReply *)> finished)
{
    for (int k = 1; k <= 10; ++k)
        m_service->figures().setFigure(k, figures.value(k - 1));
    whenFinished(m_service->upload(m_tag), this, std::move(finished));
}

qint64 DataFileUploader::now() const
{
    if (m_now)
        return m_now();
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

DataFileUploader::Outcome DataFileUploader::offer(const QString &content, const QStringList &figures,
                                                  bool uploadWanted, bool heldOff)
{
    if (!uploadWanted || content == m_previous) {
        m_previous = content;
        return Outcome::Recorded;
    }
    // A board that is off must not raise one error report after another.
    if (heldOff) {
        m_retryAt = now() + m_retryMs;
        m_retryPending = true;
        return Outcome::HeldOff;
    }
    if (m_uploading || (m_exchangeRunning && m_exchangeRunning()))
        return Outcome::Waiting;
    if (m_retryPending && now() < m_retryAt)
        return Outcome::Waiting;
    if (!m_upload)
        return settle(content, false);
    m_uploading = true;
    m_ended.reset();
    m_upload(figures, [this, content, figures](bool ok) {
        m_uploading = false;
        const Outcome outcome = settle(content, ok);
        if (std::exchange(m_pollWaiting, false))
            emit polled(outcome, figures);
        else
            m_ended = outcome;
    });
    if (m_ended)
        return *std::exchange(m_ended, std::nullopt);
    return Outcome::Uploading;
}

DataFileUploader::Outcome DataFileUploader::settle(const QString &content, bool ok)
{
    if (ok) {
        m_previous = content;
        m_retryPending = false;
        return Outcome::Uploaded;
    }
    // What the board holds is unknown now (it may have taken the figures and failed the
    // read-back): any content, the earlier one included, is uploaded at the next try.
    m_previous.clear();
    m_retryAt = now() + m_retryMs;
    m_retryPending = true;
    return Outcome::Failed;
}

void DataFileUploader::forget()
{
    m_previous.clear();
}

void DataFileUploader::setFormat(int digits, QChar fillChar, bool blankMode)
{
    m_digits = digits;
    m_fill = fillChar;
    m_blankMode = blankMode;
}

QTimer *DataFileUploader::pollTimer()
{
    if (!m_timer) {
        m_timer = new QTimer(this);
        m_timer->setInterval(1000);
        connect(m_timer, &QTimer::timeout, this, [this] {
            if (m_pollAction)
                m_pollAction();
            else
                poll();
        });
    }
    return m_timer;
}

void DataFileUploader::setPollInterval(int ms)
{
    pollTimer()->setInterval(ms);
}

void DataFileUploader::start()
{
    pollTimer()->start();
}

void DataFileUploader::stop()
{
    if (m_timer)
        m_timer->stop();
}

void DataFileUploader::poll()
{
    QByteArray data;
    QString error;
    if (!DataFile::readFile(m_path, data, &error)) {
        m_pollMemory.forget();
        emit readFailed(error);
        return;
    }
    if (!m_pollMemory.takes(data)) {
        emit polled(Outcome::Waiting, m_figures);
        return;
    }
    // A copy: a poll that runs inside this one's upload must not change what this one reports.
    m_lines = DataFile::splitLines(data);
    const QStringList figures = figuresFromDataLines(m_lines, m_figures, QChar(), m_digits, m_fill, m_blankMode);
    m_figures = figures;
    const Outcome outcome = offer(figures.join(QString()), figures, true);
    if (outcome == Outcome::Uploading)
        m_pollWaiting = true;   // reported when the upload ends
    else
        emit polled(outcome, figures);
}
