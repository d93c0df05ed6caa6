#pragma once
// Keeps one instance running: a lock marks that an instance runs, and a local server named
// after the application title is what a second instance finds and sends its one message to.
#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // Names as on Windows; both get the user's id appended, as they are per login session.
    // The lock lives in `lockDir` (the temporary folder when empty).
    SingleInstance(const QString &mapName = QStringLiteral("Exchange_Map"),
                   const QString &title = QStringLiteral("Exchange_Tablo"), const QString &lockDir = QString(),
                   QObject *parent = nullptr);
    ~SingleInstance() override;

    enum Result {
        Run,            // go on as an instance (first, or the lock exists but nothing answers)
        OtherAnswered,  // a running instance got the message: end now
        LockFailed      // the lock cannot be made at all: show `error()` and end
    };
    Result start();
    QString error() const { return m_error; }
    bool lockHeldElsewhere() const { return m_heldElsewhere; }
    // Starts answering later starts (the window titled with the application title).
    bool listen();
    int messagesReceived() const { return m_messages; }

    static constexpr quint32 Message = 0x8190;

private:
    QString m_lockPath, m_serverName, m_error;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    bool m_heldElsewhere = false;
    int m_messages = 0;
};
