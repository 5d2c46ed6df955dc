#pragma once

#include "core/ftp/ConnectionSettings.h"
#include "core/transfer/JobRows.h"

#include <QHash>
#include <QObject>
#include <QString>

class QThread;
class TIdFTP;
class TTable;
class TransferWorker;
struct TransferRequest;

// Runs the download or upload list in FTPEvents: first the folder rows in table order (local folders
// made below the chosen folder, or remote folders made on the browsing connection), then the file rows
// one by one on the transfer worker of that direction, stamping each row as it starts and ends. A row is
// marked done only when its transfer happened; the first failure stops the job with its error and the
// rows not reached keep their values. A job that ran to the end empties the table.
class TransferJob : public QObject {
    Q_OBJECT
public:
    TransferJob(TTable& events, TIdFTP& browsing, QObject* parent = nullptr);
    ~TransferJob() override;

    bool running() const { return m_kind != JobKind::None; }
    JobKind kind() const { return m_kind; }

    // `rawRemote` and `sizes` come from the list build: the server's bytes and the true size of each
    // row's remote path (rows without one use their text and SizeValue).
    void startDownload(const ConnectionSettings& settings, const QString& localRoot,
                       const QHash<QString, QByteArray>& rawRemote, const QHash<QString, qint64>& sizes);
    void startUpload(const ConnectionSettings& settings);
    // Ends the transfer under way; the job stops with "Job cancelled".
    void cancel();

signals:
    void status(const QString& text);
    // The local path of the row being worked on.
    void target(const QString& path);
    void transferBegins(bool download);
    void progress(bool download, qint64 bytes, int percent);
    // Bytes moved: the job is alive.
    void activity();
    void finished(bool completed, const QString& error);

private:
    // Runs the folder rows, then hands the first file row to its worker.
    void start(JobKind kind, const ConnectionSettings& settings);
    void runFolderPass();
    void nextFile();
    void fileFinished(bool ok, const QString& error);
    void fileProgress(qint64 bytes);
    void stop(const QString& error);
    void stamp(int field);
    QString text(int field) const;
    void setText(int field, const QString& value);
    QByteArray remoteBytes(const QString& remote) const;

    TTable& m_events;
    TIdFTP& m_browsing;
    QThread* m_downloadThread;
    QThread* m_uploadThread;
    TransferWorker* m_downloader;
    TransferWorker* m_uploader;

    JobKind m_kind = JobKind::None;
    ConnectionSettings m_settings;
    QString m_localRoot;
    QHash<QString, QByteArray> m_rawRemote;
    QHash<QString, qint64> m_sizes;
    int m_row = -1;
    qint64 m_expected = 0;
    bool m_cancelled = false;
};
