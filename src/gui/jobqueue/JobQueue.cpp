#include "gui/jobqueue/JobQueue.h"

#include "core/base/Errors.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/tables/TableModel.h"
#include "core/transfer/DownloadList.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/UploadList.h"
#include "gui/common/ExistsQuestion.h"
#include "gui/common/GridBinding.h"
#include "gui/common/Guard.h"
#include "gui/common/UserAction.h"
#include "gui/jobqueue/DesktopNotice.h"
#include "ui_MyMenu.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QTimer>

namespace {

QList<TableColumn> jobColumns(const TTable& events) {
    QList<TableColumn> columns;
    for (const FieldDef& f : events.schema())
        columns << TableColumn{f.name, QString(), f.name != u"SizeValue"};
    return columns;
}

} // namespace

JobQueue::JobQueue(Ui::TMyMenuForm& ui, DataTables& tables, FtpSession& browsing, QWidget* window)
    : QObject(window), m_ui(ui), m_tables(tables), m_browsing(browsing), m_window(window),
      m_model(new TableModel(*tables.FTPEvents, jobColumns(*tables.FTPEvents), this)),
      m_job(new TransferJob(*tables.FTPEvents, browsing.ftp(), this)), m_barTimer(new QTimer(this)) {
    m_barTimer->setSingleShot(true);
    m_barTimer->setInterval(40);
    connect(m_barTimer, &QTimer::timeout, this, &JobQueue::showPending);
    bindGrid(m_ui.FTPEventsTable, m_model);
    m_ui.FTPEventsTable->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connectControls();
    connectRemoteJobs();
    setUpLine();
    m_job->setExistsQuestion([this](const ExistingTarget& target) { return askWhenExists(m_window, target); });
}

JobQueue::~JobQueue() = default;

void JobQueue::setLocalSide(std::function<QString()> folder, std::function<QStringList()> selection) {
    m_localFolder = std::move(folder);
    m_localSelection = std::move(selection);
}

bool JobQueue::running() const {
    return m_job->running();
}

void JobQueue::connectControls() {
    auto act = [this](auto step) { return [this, step] { userAction(m_window, step); }; };
    connect(m_ui.LFB008, &QToolButton::clicked, this, act([this] { download(); }));
    connect(m_ui.RFS008, &QToolButton::clicked, this, act([this] { upload(); }));
    connect(m_ui.StopJob, &QToolButton::clicked, this, act([this] { cancel(); }));
    // The button follows every action that starts or ends a job.
    connect(&UserActions::instance(), &UserActions::finished, this, &JobQueue::updateStopButton);
    // While a job runs its rows keep their order: a re-sort would move the runner's place.
    connect(m_ui.FTPEventsTable->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        userAction(m_window, [&] {
            if (!running()) SortAndRenumber(*m_tables.FTPEvents, m_model->fieldNameOfColumn(column));
        });
    });
    m_jobGrid = m_ui.FTPEventsTable;
    m_jobGrid->installEventFilter(this);
    m_ui.FTPEventsTable->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui.FTPEventsTable, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(m_ui.FTPEventsTable);
        QAction* cancelJob = menu.addAction(QStringLiteral("Cancel"));
        cancelJob->setEnabled(running() || m_building);
        if (menu.exec(m_ui.FTPEventsTable->viewport()->mapToGlobal(at)) == cancelJob)
            userAction(m_window, [this] { cancel(); });
    });
    // Files dropped on the remote list from the local list or another program are uploaded.
    m_ui.FTPFilesList->setAcceptDrops(true);
    m_ui.FTPFilesList->viewport()->setAcceptDrops(true);
    m_dropTarget = m_ui.FTPFilesList->viewport();
    m_dropTarget->installEventFilter(this);

    connect(m_job, &TransferJob::status, this, &JobQueue::showStatus);
    connect(m_job, &TransferJob::target, this, [this](const QString& path) {
        m_target = path;
        showLater(nullptr, path);
    });
    connect(m_job, &TransferJob::transferBegins, this, [this](bool download) {
        // One file after the other, each counts from zero; with simultaneous transfers the job does, once.
        m_bytesDone += std::exchange(m_fileBytes, 0);
        showBar(download ? m_ui.DownloadProgress : m_ui.UploadProgress, 0);
        if (download) showStatus(QStringLiteral("Start Download ..."));
    });
    connect(m_job, &TransferJob::progress, this, &JobQueue::showProgress);
    connect(m_job, &TransferJob::progress, this, [this](bool, qint64 bytes, int) { meterMoved(bytes); });
    connect(m_job, &TransferJob::activity, this, &JobQueue::activity);
    connect(m_job, &TransferJob::finished, this, [this](bool completed, const QString& error) {
        userAction(m_window, [&] { jobFinished(completed, error); });
    });
}

bool JobQueue::eventFilter(QObject* watched, QEvent* event) {
    // Only the pointers are compared: the filter also sees events while the window is taken down.
    if (watched == m_jobGrid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && (running() || m_building)) {
        userAction(m_window, [this] { cancel(); });
        return true;
    }
    if (watched != m_dropTarget) return false;
    const auto type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
    auto* drop = static_cast<QDropEvent*>(event);
    // The list's own items moving inside it are not an upload.
    if (drop->source() == m_ui.FTPFilesList || !drop->mimeData()->hasUrls()) return false;
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) {
        QStringList paths;
        for (const QUrl& url : drop->mimeData()->urls())
            if (url.isLocalFile()) paths << url.toLocalFile();
        // Dropped on a folder's icon, the files go into that folder.
        const QListWidgetItem* on = m_ui.FTPFilesList->itemAt(drop->position().toPoint());
        const QString into = on && on->data(RemoteImageRole).toInt() == 2 ? on->text() : QString();
        userAction(m_window, [&] { uploadPaths(paths, into); });
    }
    return true;
}

void JobQueue::refuseWhileRunning() const {
    if (running()) throw QeltoError(QStringLiteral("A job is running; wait for it to end or cancel it"));
}

void JobQueue::download() {
    if (!m_browsing.isOpen()) return;
    const QString folder = m_localFolder ? m_localFolder() : QString();
    if (folder.isEmpty()) throw QeltoError(QStringLiteral("Choose the local folder to download into first"));
    const QList<RemoteSelection> selection = remoteSelection();
    if (selection.isEmpty() || selection.first().name == u"." || selection.first().name == u"..") return;
    LineEntry entry;
    entry.kind = JobKind::Download;
    entry.remote = selection;
    entry.localFolder = folder;
    if (queueIfBusy(entry)) return;
    downloadSelection(selection, folder);
}

void JobQueue::downloadSelection(const QList<RemoteSelection>& selection, const QString& folder) {
    // The transfer connections log in while the list is made; they go again if no job comes of it.
    bool started = false;
    runThenAlways(
        [&] {
            ListBuild build;
            ListOptions options;
            options.localNames = folderIgnoresCase(folder) ? LocalNames::IgnoreCase : LocalNames::Exact;
            if (!buildRemoteList(build, options, [this] { m_job->prepareTransfers(jobSettings()); }, &selection))
                return;
            m_skipped = build.skipped;
            beginJob(JobTextKind::Download, &build);
            m_job->startDownload(jobSettings(), folder, build);
            started = true;
        },
        [&] {
            if (!started) m_job->endSessions();
        });
}

void JobQueue::upload() {
    if (!m_browsing.isOpen()) return;
    const QStringList paths = m_localSelection ? m_localSelection() : QStringList();
    uploadFrom(paths, m_localFolder ? m_localFolder() : QString());
}

void JobQueue::uploadPaths(const QStringList& paths, const QString& folder) {
    if (!m_browsing.isOpen() || paths.isEmpty()) return;
    uploadFrom(paths, QFileInfo(paths.first()).path(), folder);
}

void JobQueue::uploadFrom(const QStringList& paths, const QString& base, const QString& folder) {
    if (paths.isEmpty()) return;
    LineEntry entry;
    entry.kind = JobKind::Upload;
    entry.localPaths = paths;
    entry.localFolder = base;
    entry.remoteFolder = folder; // below the folder shown; made absolute as it goes in line
    if (queueIfBusy(entry)) return;
    m_pending = JobKind::None;
    const QString current = absoluteCurrentDir(m_browsing.ftp());
    const QString remote = folder.isEmpty()              ? current
                           : folder.startsWith(u'/')     ? folder
                                                         : JoinRemotePath(current, folder);
    m_skipped = ::buildUploadList(paths, base, remote, *m_tables.FTPEvents);
    beginJob(JobTextKind::Upload);
    m_job->startUpload(jobSettings());
}

void JobQueue::buildUploadList() {
    refuseWhileRunning();
    m_pending = JobKind::None;
    const QStringList paths = m_localSelection ? m_localSelection() : QStringList();
    const QString remote = m_browsing.isOpen() ? absoluteCurrentDir(m_browsing.ftp()) : QString();
    reportSkipped(
        ::buildUploadList(paths, m_localFolder ? m_localFolder() : QString(), remote, *m_tables.FTPEvents));
}

void JobQueue::cancel() {
    if (busy()) m_stopRequested = true;
    if (m_building) m_buildCancelled = true;
    m_job->cancel();
}

bool JobQueue::confirmEnd(const QString& action) {
    if (!busy()) return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Qelto"),
                    QStringLiteral("A job is running. %1 and end the job?").arg(action),
                    QMessageBox::Yes | QMessageBox::No, m_window);
    box.setObjectName(QStringLiteral("EndJobQuestion"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() != QMessageBox::Yes) return false;
    cancel();
    return true;
}

void JobQueue::updateStopButton() {
    m_ui.StopJob->setEnabled(busy());
}

void JobQueue::beginJob(JobTextKind kind, const ListBuild* build) {
    const TTable& events = *m_tables.FTPEvents;
    m_textKind = kind;
    m_jobFiles = m_jobFolders = 0;
    qint64 total = 0;
    for (int row = 0; row < events.recordCount(); ++row) {
        if (events.value(row, JobField::Type).toString() != u"File") {
            ++m_jobFolders;
            continue;
        }
        ++m_jobFiles;
        const qint64 listed = events.value(row, JobField::SizeValue).toLongLong();
        total += kind == JobTextKind::Upload ? QFileInfo(events.value(row, JobField::Local).toString()).size()
                 : build                     ? build->sizeAt(row, listed)
                                             : listed;
    }
    // A copy moves every byte twice: down, then up again.
    if (kind == JobTextKind::Copy) total *= 2;
    m_meter.start(total, 0);
    m_jobClock.start();
    m_bytesDone = m_fileBytes = 0;
    m_stopRequested = false;
    m_statusText.clear();
}

void JobQueue::showStatus(const QString& text) {
    m_statusText = text;
    const QString meter = running() ? m_meter.text() : QString();
    showLater(m_ui.ProcessEdit, meter.isEmpty() ? text : text + QStringLiteral("  (") + meter + u')');
}

void JobQueue::meterMoved(qint64 bytes) {
    if (!running()) return;
    m_fileBytes = bytes;
    m_meter.moved(m_bytesDone + m_fileBytes, m_jobClock.elapsed());
    showStatus(m_statusText);
}

void JobQueue::showCancelled() {
    resetBars();
    TTable& events = *m_tables.FTPEvents;
    for (int row = 0; row < events.recordCount(); ++row) {
        const QString event = events.value(row, JobField::Event).toString();
        if (event != u"-" && !event.endsWith(u" Ready")) continue;
        events.moveTo(row);
        events.edit();
        events.fields(JobField::Event).setAsString(QStringLiteral("Cancelled"));
        events.post();
    }
    m_ui.ProcessEdit->setText(QStringLiteral("Job cancelled"));
}

void JobQueue::setTransferOptions(const ConnectionSettings& settings) {
    m_keepOpen = settings.keepTransferConnectionOpen;
    m_simultaneous = settings.simultaneousTransfers;
    m_whenExists = settings.whenFileExists;
}

ConnectionSettings JobQueue::jobSettings() const {
    ConnectionSettings settings = m_browsing.settings();
    settings.keepTransferConnectionOpen = m_keepOpen;
    settings.simultaneousTransfers = m_simultaneous;
    settings.whenFileExists = m_whenExists;
    return settings;
}

void JobQueue::endSessions() {
    m_job->endSessions();
}

void JobQueue::showProgress(bool download, qint64 bytes, int percent) {
    showLater(download ? m_ui.DIL001 : m_ui.UIL001, QString::number(bytes) + QStringLiteral(" Byte"));
    showBar(download ? m_ui.DownloadProgress : m_ui.UploadProgress, std::min(percent, 100));
}

void JobQueue::showBar(QProgressBar* bar, int value) {
    m_barValues.insert(bar, value);
    if (!m_barTimer->isActive()) m_barTimer->start();
}

void JobQueue::showLater(QWidget* widget, const QString& text) {
    if (widget) m_texts.insert(widget, text);
    m_targetPending = m_targetPending || !widget;
    if (!m_barTimer->isActive()) m_barTimer->start();
}

void JobQueue::showPending() {
    m_barTimer->stop();
    for (auto bar = m_barValues.cbegin(); bar != m_barValues.cend(); ++bar)
        bar.key()->setValue(bar.value());
    m_barValues.clear();
    for (auto text = m_texts.cbegin(); text != m_texts.cend(); ++text) {
        if (auto* edit = qobject_cast<QLineEdit*>(text.key()))
            edit->setText(text.value());
        else if (auto* label = qobject_cast<QLabel*>(text.key()))
            label->setText(text.value());
    }
    m_texts.clear();
    if (std::exchange(m_targetPending, false)) emit targetShown(m_target);
}

void JobQueue::resetBars() {
    m_barTimer->stop();
    m_barValues.clear();
    m_ui.DownloadProgress->setValue(0);
    m_ui.UploadProgress->setValue(0);
}

void JobQueue::jobFinished(bool completed, const QString& error) {
    // The next job in line starts once this one's end has been shown, however it ended.
    QTimer::singleShot(0, this, [this] { startNextInLine(); });
    const std::optional<LineEntry> lineEntry = std::exchange(m_lineJob, std::nullopt);
    showPending();
    // The header names the local folder again, not the last file a download wrote.
    if (!std::exchange(m_target, QString()).isEmpty() && m_localFolder) emit targetShown(m_localFolder());
    m_ui.DLPLabel->hide();
    const QStringList skipped = std::exchange(m_skipped, {});
    const qint64 took = m_jobClock.isValid() ? m_jobClock.elapsed() : 0;
    m_jobClock.invalidate();
    updateStopButton();
    if (lineEntry && !completed && !m_stopRequested) {
        // A job of the line that failed waits there with its error: no box holds up the rest.
        m_line.failed(*lineEntry, error);
        showLine();
        resetBars();
        m_ui.ProcessEdit->setText(error);
        return;
    }
    // A job the user stopped ends quietly; any other failure is an error.
    if (!completed && std::exchange(m_stopRequested, false) && error == u"Job cancelled") {
        showCancelled();
        return;
    }
    m_stopRequested = false;
    // Someone who turned to another window hears of a long job's end.
    auto announce = [&](const QString& text) {
        if (notifyJobEnd(took, m_window->isActiveWindow())) {
            if (m_notify)
                m_notify(text);
            else
                notifyDesktop(QStringLiteral("Qelto"), text);
        }
    };
    if (!completed) {
        m_ui.ProcessEdit->setText(error);
        announce(error);
        throw QeltoError(error);
    }
    resetBars();
    const qint64 moved = m_bytesDone + m_fileBytes;
    const QString finished = jobFinishedText(m_textKind, m_jobFiles, m_jobFolders,
                                             m_textKind == JobTextKind::Copy ? moved / 2 : moved, took);
    emit jobEnded();
    // After the remote views are shown again, which writes the status field too.
    m_ui.ProcessEdit->setText(finished);
    announce(finished);
    reportSkipped(skipped);
}

void JobQueue::reportSkipped(const QStringList& skipped) {
    if (skipped.isEmpty()) return;
    throw QeltoError(QStringLiteral("These entries were left out:\n") + skipped.join(u'\n'));
}
