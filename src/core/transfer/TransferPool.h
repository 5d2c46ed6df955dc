#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QList>
#include <QObject>

class QThread;
class TIdFTP;
class TransferSession;

// The transfer sessions of the job queue, each on a worker thread of its own. A job takes the sessions
// it needs when it starts and hands them all back when it ends, however it ends; handing back closes
// every connection, so nothing a job logged in to outlives it. Threads stay for the next job.
class TransferPool : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxSessions = 10;

    explicit TransferPool(QObject* parent = nullptr);
    // Ends every wait at once and closes every socket.
    ~TransferPool() override;

    // The settings a job's sessions log in with: the browsing connection's server and credentials,
    // passive and binary, and never less protection than the browsing connection has. When that one runs
    // under TLS, each session requires TLS and takes only the certificate it accepted.
    static ConnectionSettings sessionSettings(const ConnectionSettings& browsingSettings, const TIdFTP& browsing);

    // Makes `count` sessions ready for a new job (1 to MaxSessions).
    void begin(int count);
    TransferSession* session(int slot) const { return m_sessions.value(slot); }
    // begin(), then the first `count` sessions log in with `settings` ahead of the job's first files.
    void prepare(const ConnectionSettings& settings, int count);
    // Ends the running transfers; each reports its failure.
    void cancel();
    // The job is over: every session says goodbye and forgets its server.
    void releaseAll();

signals:
    void progress(int slot, qint64 bytes);
    void finished(int slot, bool ok, const QString& error, qint64 bytes);

private:
    QList<TransferSession*> m_sessions;
    QList<QThread*> m_threads;
};
