#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

class TIdFTP;

// One file to move over a transfer connection.
struct TransferRequest {
    bool download = true;
    QByteArray remote; // the server's bytes of the remote path
    QString local;
    // A download goes on from the local file's length when the server takes REST, and writes it anew
    // otherwise.
    bool resume = false;
    // An upload with `resume` appends from here on (APPE): the length of the remote file.
    qint64 uploadFrom = 0;
    // Otherwise, when set: the download's hidden file is named after this key, kept when it fails, and a
    // later download with the same key goes on from it (TIdFTP::GetResumable); `expectedSize` is the
    // listed size a resumed file must reach.
    QString partKey;
    qint64 expectedSize = -1;
};

// A transfer connection on a worker thread of the pool: the client is made in that thread, logs in per
// file (or once per job when the settings keep it open) and reports back through queued signals, its
// progress at most about 20 times a second. A login binds the session to the settings it used (server,
// user, protection, accepted certificate): a file asked for with other settings never goes over that
// connection, which is closed first. A kept connection that the server ended while it was idle is
// replaced once, before the file starts. cancel() is safe from any thread.
class TransferSession : public QObject {
    Q_OBJECT
public:
    TransferSession(int slot, const QString& platform);
    ~TransferSession() override;

    int slot() const { return m_slot; }
    void cancel() { m_cancel.store(true); }
    // For the next job: only the pool calls it, while nothing runs on the session.
    void clearCancel() { m_cancel.store(false); }

public slots:
    void transfer(const ConnectionSettings& settings, const TransferRequest& request);
    // Logs in ahead of the job's first file, while the job is still being made.
    void prepare(const ConnectionSettings& settings);
    // The job is over: the connection says goodbye when it is alive, and is closed in any case.
    void release();

signals:
    void progress(int slot, qint64 bytes);
    // `bytes`: what the transfer really moved.
    void finished(int slot, bool ok, const QString& error, qint64 bytes);

private:
    TIdFTP& connection(const ConnectionSettings& settings);
    void close();

    const int m_slot;
    QString m_platform;
    std::unique_ptr<TIdFTP> m_ftp;
    ConnectionSettings m_bound; // what the open connection logged in with
    std::atomic<bool> m_cancel{false};
    QElapsedTimer m_sinceProgress;
    qint64 m_moved = 0;
};
