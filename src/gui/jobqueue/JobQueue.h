#pragma once

#include "core/ftp/ConnectionSettings.h"
#include "core/monitor/JobText.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/JobLine.h"
#include "core/transfer/JobRows.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <functional>
#include <optional>

namespace Ui {
class TMyMenuForm;
}
class DataTables;
class FtpSession;
class TableModel;
class TransferJob;
class QLabel;
class QListWidget;
class QProgressBar;
class QTimer;
class QWidget;

// The job queue: download and upload lists in FTPEvents, their runners on transfer connections of their
// own, the download and upload panels and the job grid; the remote cut, copy, paste and delete jobs.
class JobQueue : public QObject {
    Q_OBJECT
public:
    JobQueue(Ui::TMyMenuForm& ui, DataTables& tables, FtpSession& browsing, QWidget* window);
    ~JobQueue() override;

    // Where downloads land and what uploads take: asked of the local panel when a job starts.
    void setLocalSide(std::function<QString()> folder, std::function<QStringList()> selection);
    bool running() const;

    void download();
    void upload();
    // Uploads these local paths (dropped from the local list or another program).
    // Dropped on a folder of the remote list, they go into that `folder` of the listed one.
    void uploadPaths(const QStringList& paths, const QString& folder = QString());
    // Builds the upload list of the local selection without running it.
    void buildUploadList();
    // Stops the job or the list build under way (the Stop button, Esc in the job grid): the job ends with
    // "Job cancelled" in the status field, without an error box, and its rows not done say "Cancelled".
    void cancel();
    // Before the window closes or the browsing connection goes while a job runs or a list is being made:
    // asks whether to go on and end the job (`action`: "Close the window", "Disconnect"). True when
    // nothing runs or the user agreed, which is the default answer.
    bool confirmEnd(const QString& action);
    // The job or the list build under way: what stand-by waits for.
    bool busy() const { return running() || m_building; }
    using Notifier = std::function<void(const QString& text)>;
    // Tells a long job's end on the desktop while the window is not active; the desktop's notification
    // service unless replaced.
    void setNotifier(Notifier notifier) { m_notify = std::move(notifier); }
    // How jobs use their transfer connections (kept open, how many at once), from the settings page; the
    // server and credentials are always the browsing connection's.
    void setTransferOptions(const ConnectionSettings& settings);
    // The browsing connection connects or goes away: a running job is cancelled and every transfer
    // connection closed, so none serves a later job on another server.
    void endSessions();

    // Remote jobs (RemoteJobs.cpp). Cut and Copy build the list of the remote selection and keep it for
    // the next Paste, which moves or copies it into the remote folder shown then; Delete builds the list
    // and, once the user agreed, removes it all from the server.
    void cut();
    void copy();
    void paste();
    void deleteSelection();
    // Jobs asked for while another runs or a list is being made (download, upload, delete) wait in line,
    // shown under the job grid, and start in turn (JobQueueLine.cpp). A job of the line that fails keeps
    // its error there, without an error box, until it is retried or removed.
    const JobLine& line() const { return m_line; }
    void retryInLine(int index);
    void removeFromLine(int index);
    // The remote folder the browser shows: where a job put in line was asked for.
    void setRemoteFolder(const QString& folder) { m_remoteFolder = folder; }

    // What the next Paste does with the list in the table: Cut (a move), Copy, or None.
    JobKind pendingPaste() const { return m_pending; }
    using Question = std::function<bool(QWidget* parent, const QString& text)>;
    // Asks before a delete; a message box unless replaced.
    void setQuestion(Question question) { m_question = std::move(question); }

signals:
    // The local path of the row being worked on.
    void targetShown(const QString& path);
    // A job ran to its end: the remote views show what changed.
    void jobEnded();
    // Bytes are moving.
    void activity();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectControls();
    ConnectionSettings jobSettings() const;
    // A second command while a job runs is refused with a clear text.
    void refuseWhileRunning() const;
    void uploadFrom(const QStringList& paths, const QString& base, const QString& folder = QString());
    void jobFinished(bool completed, const QString& error);
    void showProgress(bool download, qint64 bytes, int percent);
    // A progress bar paints itself at once on every change, and every text change repaints; during a job
    // of many small files that would paint the window several times per file. The bars' values and the
    // job's texts (`widget` null: the path of the file being worked on) are shown together a moment
    // later instead.
    void showBar(QProgressBar* bar, int value);
    void showLater(QWidget* widget, const QString& text);
    void showPending();
    void resetBars();
    void reportSkipped(const QStringList& skipped);
    QList<RemoteSelection> remoteSelection() const;
    // The list of the remote selection in FTPEvents; false when nothing is selected.
    // `beforeListing` runs once a list is about to be made. Esc in the job grid ends the build.
    // `selection` (when given) replaces the remote list's selection.
    bool buildRemoteList(ListBuild& build, ListOptions options, const std::function<void()>& beforeListing = {},
                         const QList<RemoteSelection>* selection = nullptr);
    void downloadSelection(const QList<RemoteSelection>& selection, const QString& folder);
    // Deletes the entries of `selection` in the current folder; `ask`: after the user agreed.
    void deleteListed(const QList<RemoteSelection>& selection, bool ask);
    static QString serverOf(const ConnectionSettings& settings);
    // While a job runs or a list is being made, `entry` waits in line instead; true when it does.
    bool queueIfBusy(LineEntry entry);
    void setUpLine();
    void showLine();
    void startNextInLine();
    void runLineEntry(const LineEntry& entry);
    // Runs `step` in the folder `folder` of the browsing connection and goes back to where it was.
    void inFolder(const QString& folder, const std::function<void()>& step);
    void keepForPaste(JobKind kind);
    // The job about to start: its kind, file and folder rows and bytes, for the rate and the end text.
    void beginJob(JobTextKind kind, const ListBuild* build = nullptr);
    // The status field during a job: the last job text with the rate and the time left.
    void showStatus(const QString& text);
    void meterMoved(qint64 bytes);
    // The user stopped the job: no error box, and the rows not done say so.
    void showCancelled();
    void updateStopButton();
    void connectRemoteJobs();

    Ui::TMyMenuForm& m_ui;
    DataTables& m_tables;
    FtpSession& m_browsing;
    QWidget* m_window;
    TableModel* m_model;
    TransferJob* m_job;
    std::function<QString()> m_localFolder;
    std::function<QStringList()> m_localSelection;
    QStringList m_skipped;
    QObject* m_jobGrid = nullptr;
    QObject* m_dropTarget = nullptr;
    JobKind m_pending = JobKind::None;
    ListBuild m_pendingBuild;
    QString m_pendingServer; // where the list waiting for a paste was made
    Question m_question;
    QTimer* m_barTimer;
    QHash<QProgressBar*, int> m_barValues;
    QHash<QWidget*, QString> m_texts;
    QString m_target;
    bool m_targetPending = false;
    bool m_keepOpen = false;
    int m_simultaneous = 1;
    WhenFileExists m_whenExists = WhenFileExists::Ask;
    bool m_building = false;       // a remote list is being made
    bool m_buildCancelled = false; // and Esc asked to end it
    bool m_stopRequested = false;  // the user stopped the job under way
    // What the status field tells of the job under way.
    JobTextKind m_textKind = JobTextKind::Download;
    JobMeter m_meter;
    QElapsedTimer m_jobClock;
    int m_jobFiles = 0;
    int m_jobFolders = 0;
    qint64 m_bytesDone = 0; // of the files ended before the one under way
    qint64 m_fileBytes = 0; // of the file under way (with simultaneous transfers: of the whole job)
    QString m_statusText;
    Notifier m_notify;
    JobLine m_line;
    std::optional<LineEntry> m_lineJob; // the entry of the line being run
    QString m_remoteFolder;
    QLabel* m_lineLabel = nullptr;
    QListWidget* m_lineList = nullptr;
};
