#pragma once

#include "core/ftp/ConnectionSettings.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class QThread;
class TIdFTP;
class TTable;
class TransferWorker;
struct TransferRequest;

// Runs the download or upload list in FTPEvents: first the folder rows in table order (local folders
// made below the chosen folder, or remote folders made on the browsing connection), then the file rows
// one by one on the transfer worker of that direction, stamping each row as it starts and ends. A row is
// marked done only when its transfer happened; the first failure stops the job with its error and the
// rows not reached keep their values. A job that ran to the end empties the table. The remote move,
// copy and delete jobs (startRemote) run the same way over a list built from a remote selection.
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
    // Runs a list built from a remote selection (`build`) on the server. Delete: the files in table
    // order, then the folders backwards, so each folder is empty when it goes. Cut (a move) and Copy: the
    // folders are made below the browsing connection's current folder, where the server must not have
    // them yet, then each file is renamed there, or copied through a temporary file of `tempFolder`
    // (downloaded on the download worker, uploaded on the upload worker, removed afterwards in any case).
    // Rows are visited in the order they were added, whatever sort the grid shows.
    void startRemote(JobKind kind, const ConnectionSettings& settings, const ListBuild& build,
                     const QString& tempFolder = QString());
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
    void complete();
    void stop(const QString& error);
    // The remote jobs (RemoteJob.cpp).
    void runDelete();
    void runMoves();
    // Runs `command` on the browsing connection for every row of this type, in table order or backwards,
    // each row stamped, announced with `action` and its path, and marked `done` once the command succeeded.
    void runRows(const QString& type, bool backwards, const QString& action, const QString& done,
                 const std::function<void(const QString& remote)>& command);
    void makeRemoteFolder(const QString& remote);
    void copyFile(const QString& remote);
    void copyUploads();
    void copyFinished();
    void removeTempFile();
    void checkRemoteRow();
    QByteArray rawRemotePath(const QString& remote) const;
    QByteArray destinationOf(const QString& remote) const;
    bool downloading() const;
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
    // Remote jobs: the folder of the selection and the destination, as the server's bytes.
    QByteArray m_rawFolder;
    QByteArray m_destination;
    QString m_tempFolder;
    QString m_tempFile;     // the copy's file in transit
    bool m_uploadPhase = false;
};
