#pragma once

#include "core/ftp/ConnectionSettings.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/WhenExists.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QTimer;
class TIdFTP;
class TTable;
class TransferPool;
struct TransferRequest;

// Runs the download or upload list in FTPEvents: first the folder rows in table order (local folders
// made below the chosen folder, or remote folders made on the browsing connection), then the file rows
// in table order on the sessions of the transfer pool, up to the settings' simultaneous transfers at
// once, stamping each row as it starts and ends. A row is marked done only when its transfer happened;
// the first failure starts no further row, lets the running ones end and then stops the job with its
// error; the rows not reached keep their values. A job that ran to the end empties the table. Every
// end of a job closes all its sessions. The remote move, copy and delete jobs (startRemote) run the
// same way over a list built from a remote selection; a copy uses one session per direction.
class TransferJob : public QObject {
    Q_OBJECT
public:
    TransferJob(TTable& events, TIdFTP& browsing, QObject* parent = nullptr);
    ~TransferJob() override;

    bool running() const { return m_kind != JobKind::None; }
    JobKind kind() const { return m_kind; }

    // `build` is the list build of the rows: the server's bytes and the true size of each row's remote
    // path, by row (rows without one use their text and SizeValue).
    void startDownload(const ConnectionSettings& settings, const QString& localRoot, const ListBuild& build);
    void startUpload(const ConnectionSettings& settings);
    // Runs a list built from a remote selection (`build`) on the server. Delete: the files in table
    // order, then the folders backwards, so each folder is empty when it goes. Cut (a move) and Copy: the
    // folders are made below the browsing connection's current folder, where the server must not have
    // them yet, then each file is renamed there, or copied through a temporary file of `tempFolder`
    // (downloaded on the download worker, uploaded on the upload worker, removed afterwards in any case).
    // Rows are visited in the order they were added, whatever sort the grid shows.
    void startRemote(JobKind kind, const ConnectionSettings& settings, const ListBuild& build,
                     const QString& tempFolder = QString());
    // The sessions of a download or upload with these settings log in now, while the job's list is
    // being made; a job that does not start after all hands them back with endSessions().
    void prepareTransfers(const ConnectionSettings& settings);
    // Asked when a file row's target exists and the settings say Ask; without it such a target is
    // replaced. The question may run an event loop: no further row starts until it returns.
    void setExistsQuestion(ExistsQuestion ask) { m_ask = std::move(ask); }
    // Ends the transfers under way; the job stops with "Job cancelled".
    void cancel();
    // The browsing connection changed or goes away: a running job is cancelled, and every transfer
    // connection is closed.
    void endSessions();

signals:
    void status(const QString& text);
    // The local path of the row being worked on.
    void target(const QString& path);
    void transferBegins(bool download);
    // One file's bytes and percentage; with simultaneous transfers, the job's.
    void progress(bool download, qint64 bytes, int percent);
    // Bytes moved: the job is alive.
    void activity();
    void finished(bool completed, const QString& error);

private:
    // A file row on a session, from its start to its end.
    struct Running {
        int row = -1;
        bool download = true;
        qint64 expected = 0;
        qint64 bytes = 0;
        bool moved = false; // bytes came since the window was last told
    };

    // Runs the folder rows, then hands file rows to the sessions.
    void start(JobKind kind, const ConnectionSettings& settings);
    void runFolderPass();
    // Starts file rows on the free sessions; ends the job when nothing runs and nothing may start.
    void startFiles();
    void startFile(int slot);
    // A file row whose target exists: what becomes of it, asked when need be. Rename and Resume change
    // `request`; false: the row does not start (skipped, or the job stops).
    bool placeExisting(const ExistingTarget& target, TransferRequest& request, Running& running);
    // Runs `step` (a question, a listing on the browsing connection) while no row may start.
    void paused(const std::function<void()>& step);
    static QByteArray folderOf(const QByteArray& rawPath); // the folder of a server path, as its bytes
    // The remote entry at the server's path `rawPath`, from the listing of its folder.
    std::optional<FileFacts> remoteEntry(const QByteArray& rawPath);
    // The row is left out: its target stays as it is.
    void skipRow(int row, qint64 size);
    int nextFileRow(int from) const;
    void fileFinished(int slot, bool ok, const QString& error, qint64 bytes);
    void fileProgress(int slot, qint64 bytes);
    // Shows the progress that came since the last time, at most about 20 times a second.
    void showProgress();
    void showRowProgress(Running& running);
    // Progress came: shown now, or with the next showing when the last one is recent.
    void progressMoved();
    void showFinalCount(bool completed);
    int runningCount() const;
    bool parallel() const { return m_width > 1; }
    qint64 jobBytes() const;
    int jobPercent(qint64 bytes) const;
    void complete();
    void stop(const QString& error);
    // The remote jobs (RemoteJob.cpp).
    void runDelete();
    void runMoves();
    // Runs `command` on the browsing connection for every row of this type, in table order or backwards,
    // each row stamped, announced with `action` and its path, and marked `done` once the command succeeded.
    void runRows(const QString& type, bool backwards, const QString& action, const QString& done,
                 const std::function<void(int row)>& command);
    void makeRemoteFolder(int row);
    void copyFile(int row);
    void copyUploads();
    void copyFinished(qint64 bytes);
    void removeTempFile();
    void checkRemoteRow();
    QByteArray rawRemotePath(int row) const;
    QByteArray destinationOf(int row) const;
    qint64 rowSize(int row) const;
    void stamp(int field);
    QString text(int field) const;
    void setText(int field, const QString& value);
    // During the file pass a row's texts wait and are written together with those of the other rows, at
    // most about 20 times a second: a job of many small files is then not bound by table writes and the
    // grid's repaints. Before the job ends they are all written.
    void setText(int row, int field, const QString& value);
    void writeRows();
    QByteArray remoteBytes(int row) const;

    TTable& m_events;
    TIdFTP& m_browsing;
    TransferPool* m_pool;
    QTimer* m_progressTimer;
    QTimer* m_rowTimer;
    bool m_batchRows = false;
    QMap<int, QList<std::pair<int, QString>>> m_rowTexts; // row: (field, text) in the order they came
    QElapsedTimer m_sinceProgress;

    JobKind m_kind = JobKind::None;
    ConnectionSettings m_settings;
    QString m_localRoot;
    QList<QByteArray> m_rawRemote; // by row, from the list build
    QList<qint64> m_sizes;
    int m_row = -1;     // the row the folder pass or a remote job works on
    int m_nextRow = 0;  // where the search for the next file row goes on
    QList<Running> m_files; // one per session of the job
    int m_width = 1;        // file rows at once
    QString m_failure;      // the first failure: no row starts after it
    qint64 m_total = 0;     // with simultaneous transfers: the bytes of every file row
    qint64 m_done = 0;      // and those of the rows done
    bool m_jobMoved = false; // rows ended since the window was last told
    bool m_cancelled = false;
    ExistsQuestion m_ask;
    ExistsRule m_exists;
    bool m_asking = false; // a question about an existing target is open, or a target folder listed
    QHash<QByteArray, QHash<QByteArray, FileFacts>> m_remoteEntries; // uploads: by folder, then name
    // Remote jobs: the folder of the selection and the destination, as the server's bytes.
    QByteArray m_rawFolder;
    QByteArray m_destination;
    QString m_tempFolder;
    QString m_tempFile;     // the copy's file in transit
};
