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
};

// A transfer connection of its own on a worker thread: the client is made in that thread, logs in per
// file (or once per job when the settings keep it open) and reports back through queued signals, its
// progress at most about 20 times a second. cancel() is safe from any thread.
class TransferWorker : public QObject {
    Q_OBJECT
public:
    explicit TransferWorker(const QString& platform);
    ~TransferWorker() override;

    void cancel() { m_cancel.store(true); }

public slots:
    void transfer(const ConnectionSettings& settings, const TransferRequest& request);
    // The job is over: a connection kept open says goodbye.
    void endJob();

signals:
    void progress(qint64 bytes);
    void finished(bool ok, const QString& error);

private:
    TIdFTP& connection(const ConnectionSettings& settings);
    void close();

    QString m_platform;
    std::unique_ptr<TIdFTP> m_ftp;
    std::atomic<bool> m_cancel{false};
    QElapsedTimer m_sinceProgress;
};
