#include "core/transfer/TransferJob.h"

#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "core/base/TextFormat.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/TransferPool.h"
#include "core/transfer/TransferSession.h"

#include <QFileInfo>
#include <QTimer>

namespace {

constexpr int ProgressEveryMs = 50;

QString nowText() {
    return formatDateTime(QStringLiteral("hh:mm:ss"), QDateTime::currentDateTime());
}

} // namespace

TransferJob::TransferJob(TTable& events, TIdFTP& browsing, QObject* parent)
    : QObject(parent), m_events(events), m_browsing(browsing), m_pool(new TransferPool(this)),
      m_progressTimer(new QTimer(this)), m_rowTimer(new QTimer(this)) {
    m_progressTimer->setSingleShot(true);
    m_rowTimer->setSingleShot(true);
    m_rowTimer->setInterval(ProgressEveryMs);
    connect(m_rowTimer, &QTimer::timeout, this, &TransferJob::writeRows);
    connect(m_progressTimer, &QTimer::timeout, this, &TransferJob::showProgress);
    connect(m_pool, &TransferPool::progress, this, &TransferJob::fileProgress);
    connect(m_pool, &TransferPool::finished, this, &TransferJob::fileFinished);
}

TransferJob::~TransferJob() {
    // The pool goes first: it ends the transfers and waits for its threads.
    delete m_pool;
    removeTempFile();
}

QString TransferJob::text(int field) const {
    return m_events.value(m_row, field).toString();
}

void TransferJob::setText(int field, const QString& value) {
    setText(m_row, field, value);
}

void TransferJob::setText(int row, int field, const QString& value) {
    if (m_batchRows) {
        auto& texts = m_rowTexts[row];
        const auto same = std::find_if(texts.begin(), texts.end(), [field](const auto& t) { return t.first == field; });
        if (same != texts.end())
            same->second = value;
        else
            texts.append({field, value});
        if (!m_rowTimer->isActive()) m_rowTimer->start();
        return;
    }
    m_events.moveTo(row);
    m_events.edit();
    m_events.fields(field).setAsString(value);
    m_events.post();
}

void TransferJob::writeRows() {
    m_rowTimer->stop();
    const auto rows = std::exchange(m_rowTexts, {});
    for (auto row = rows.cbegin(); row != rows.cend(); ++row) {
        m_events.moveTo(row.key());
        m_events.edit();
        for (const auto& [field, value] : row.value())
            m_events.fields(field).setAsString(value);
        m_events.post();
    }
}

void TransferJob::stamp(int field) {
    setText(field, nowText());
}

QByteArray TransferJob::folderOf(const QByteArray& rawPath) {
    const qsizetype slash = rawPath.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : rawPath.left(slash);
}

QByteArray TransferJob::remoteBytes(int row) const {
    const QByteArray raw = m_rawRemote.value(row);
    return !raw.isEmpty() ? raw : m_browsing.encodeText(m_events.value(row, JobField::Remote).toString());
}

qint64 TransferJob::rowSize(int row) const {
    return row >= 0 && row < m_sizes.size() ? m_sizes[row] : m_events.value(row, JobField::SizeValue).toLongLong();
}

void TransferJob::startDownload(const ConnectionSettings& settings, const QString& localRoot,
                                const ListBuild& build) {
    if (running()) throw QeltoError(QStringLiteral("A job is already running"));
    if (localRoot.isEmpty() || !QFileInfo(localRoot).isDir())
        throw QeltoError(QStringLiteral("Choose the local folder to download into first"),
                         ErrorCategory::LocalFile);
    m_localRoot = localRoot;
    m_rawRemote = build.rawRemote;
    m_sizes = build.sizes;
    // The rows go in the order they were written: the list build's values are kept by that order.
    DropSortIndex(m_events);
    start(JobKind::Download, settings);
}

void TransferJob::startUpload(const ConnectionSettings& settings) {
    if (running()) throw QeltoError(QStringLiteral("A job is already running"));
    m_rawRemote.clear();
    m_sizes.clear();
    start(JobKind::Upload, settings);
}

void TransferJob::prepareTransfers(const ConnectionSettings& settings) {
    if (running()) return;
    const ConnectionSettings own = TransferPool::sessionSettings(settings, m_browsing);
    m_pool->prepare(own, own.simultaneousTransfers);
}

void TransferJob::start(JobKind kind, const ConnectionSettings& settings) {
    m_kind = kind;
    m_settings = TransferPool::sessionSettings(settings, m_browsing);
    m_cancelled = false;
    m_failure.clear();
    m_exists = ExistsRule(settings.whenFileExists);
    m_asking = false;
    m_remoteEntries.clear();
    m_width = 1;
    m_files.clear();
    // Uploads make their folders on the browsing connection meanwhile.
    if (kind == JobKind::Upload) m_pool->prepare(m_settings, m_settings.simultaneousTransfers);
    try {
        if (kind == JobKind::Delete) {
            runDelete();
            return;
        }
        runFolderPass();
        if (kind == JobKind::Cut) {
            runMoves();
            return;
        }
    } catch (const QeltoError& e) {
        stop(e.text());
        return;
    }
    // A copy goes down on one session and up on another, a file at a time.
    m_width = kind == JobKind::Copy ? 1 : m_settings.simultaneousTransfers;
    m_files = QList<Running>(kind == JobKind::Copy ? 2 : m_width);
    m_total = m_done = 0;
    m_jobMoved = false;
    if (parallel()) {
        for (int row = nextFileRow(0); row >= 0; row = nextFileRow(row + 1)) {
            m_total += kind == JobKind::Download
                           ? rowSize(row)
                           : QFileInfo(m_events.value(row, JobField::Local).toString()).size();
        }
    }
    m_pool->begin(int(m_files.size()));
    m_sinceProgress.invalidate();
    m_nextRow = 0;
    // With simultaneous transfers the bars show the whole job: they start from zero once.
    if (parallel() && nextFileRow(0) >= 0) emit transferBegins(kind == JobKind::Download);
    m_batchRows = true;
    startFiles();
}

// Folders first, parents before children: the table holds them in that order.
void TransferJob::runFolderPass() {
    const bool download = m_kind == JobKind::Download;
    const bool upload = m_kind == JobKind::Upload;
    const QString home = !upload || !m_browsing.Connected() ? QString() : m_browsing.RetrieveCurrentDir();
    const int count = m_events.recordCount();
    for (m_row = 0; m_row < count; ++m_row) {
        if (text(JobField::Type) != u"<DIR>") continue;
        if (!upload && !download) checkRemoteRow();
        stamp(JobField::StartTime);
        const QString remote = text(JobField::Remote);
        emit status(QStringLiteral("Create directory: ") + remote);
        if (!upload && !download) {
            makeRemoteFolder(m_row);
        } else if (download) {
            const QString folder = localTargetBelow(m_localRoot, text(JobField::Local));
            emit target(folder);
            if (!ForceLocalFolders(folder, FolderAccess::AsUmask) && !QFileInfo(folder).isDir())
                throw QeltoError(QStringLiteral("Cannot create the folder ") + folder,
                                 ErrorCategory::LocalFile);
        } else {
            if (!m_browsing.Connected())
                throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
            QString folder = remote;
            if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
            const QByteArray raw = m_browsing.encodeText(folder);
            try {
                m_browsing.MakeDir(raw);
                // Made now: nothing in it can be met.
                m_remoteEntries.insert(raw, {});
            } catch (const FtpReplyError&) {
                // A folder that is already there is used as it is.
                m_browsing.ChangeDir(raw);
            }
        }
        setText(JobField::Event, QStringLiteral("Created"));
        stamp(JobField::EndTime);
    }
    if (!home.isEmpty()) m_browsing.ChangeDir(home);
}

int TransferJob::nextFileRow(int from) const {
    const int count = m_events.recordCount();
    for (int row = from; row < count; ++row)
        if (m_events.value(row, JobField::Type).toString() == u"File") return row;
    return -1;
}

int TransferJob::runningCount() const {
    return int(std::count_if(m_files.cbegin(), m_files.cend(), [](const Running& r) { return r.row >= 0; }));
}

void TransferJob::startFiles() {
    // A question about an existing target runs an event loop, in which transfers end and come back
    // here: the rows wait for the answer, and the row asked about starts first.
    if (m_asking) return;
    while (running() && m_failure.isEmpty() && runningCount() < m_width) {
        const int row = nextFileRow(m_nextRow);
        if (row < 0) break;
        m_nextRow = row + 1;
        m_row = row;
        int slot = 0;
        while (m_files[slot].row >= 0)
            ++slot;
        try {
            startFile(slot);
        } catch (const QeltoError& e) {
            m_failure = e.text();
        }
    }
    if (!running() || runningCount() > 0) return;
    if (!m_failure.isEmpty())
        stop(m_failure);
    else if (m_cancelled)
        stop(QStringLiteral("Job cancelled"));
    else
        complete();
}

namespace {

// A row's Date and Time as the list build wrote them; invalid for the zero date of an entry without one.
QDateTime rowModified(const TTable& events, int row) {
    const QString date = events.value(row, JobField::Date).toString();
    const QString time = events.value(row, JobField::Time).toString();
    QDateTime when = QDateTime::fromString(date + u' ' + time, QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    return when.isValid() && when.date().year() > 1900 ? when : QDateTime();
}

} // namespace

void TransferJob::startFile(int slot) {
    // A file whose browsing connection is gone is not transferred, and the job stops.
    if (!m_browsing.Connected())
        throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
    if (m_cancelled) throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
    if (m_kind == JobKind::Copy) {
        stamp(JobField::StartTime);
        copyFile(m_row);
        return;
    }
    const bool download = m_kind == JobKind::Download;
    TransferRequest request;
    request.download = download;
    request.remote = remoteBytes(m_row);
    Running running{m_row, download};
    if (download) {
        request.local = localTargetBelow(m_localRoot, text(JobField::Local));
        running.expected = rowSize(m_row);
        // A download cut short keeps its hidden file, and the next one of the same file goes on from it.
        // Only a listing with a time tells one version of a file from another of the same size.
        if (text(JobField::Date) != u"30.12.1899")
            request.partKey = downloadPartKey(request.remote, running.expected,
                                              text(JobField::Date) + u' ' + text(JobField::Time));
        request.expectedSize = running.expected;
        const QFileInfo local(request.local);
        if (local.isFile() && !m_exists.alwaysReplaces(bool(m_ask))) {
            ExistingTarget target;
            target.name = request.local;
            target.source = {rowSize(m_row), rowModified(m_events, m_row)};
            target.target = {local.size(), local.lastModified()};
            // Whether the server takes REST is known on the transfer connection: without it, a resume
            // replaces.
            target.canResume = true;
            if (!placeExisting(target, request, running)) return;
        }
    } else {
        request.local = text(JobField::Local);
        const QFileInfo local(request.local);
        running.expected = local.size();
        const std::optional<FileFacts> there =
            m_exists.alwaysReplaces(bool(m_ask)) ? std::nullopt : remoteEntry(request.remote);
        // Transfers may have ended while the folder was listed.
        if (m_cancelled) throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
        if (!m_failure.isEmpty()) return;
        if (there) {
            ExistingTarget target;
            target.download = false;
            target.name = text(JobField::Remote);
            target.source = {local.size(), local.lastModified()};
            target.target = *there;
            target.canResume = true;
            if (!placeExisting(target, request, running)) return;
        }
        // A later row of the job meets this file there.
        if (m_remoteEntries.contains(folderOf(request.remote)))
            m_remoteEntries[folderOf(request.remote)].insert(
                request.remote.mid(request.remote.lastIndexOf('/') + 1), {local.size(), local.lastModified()});
    }
    stamp(JobField::StartTime);
    const QString remote = text(JobField::Remote);
    if (download) {
        emit status(QStringLiteral("Download file: ") + remote);
        emit target(request.local);
    } else {
        emit status(QStringLiteral("Upload file: ") + remote);
    }
    if (!parallel()) emit transferBegins(download);
    m_files[slot] = running;
    TransferSession* session = m_pool->session(slot);
    QMetaObject::invokeMethod(session,
                              [session, settings = m_settings, request] { session->transfer(settings, request); });
}

void TransferJob::fileProgress(int slot, qint64 bytes) {
    if (!running() || slot >= m_files.size() || m_files[slot].row < 0) return;
    m_files[slot].bytes = bytes;
    m_files[slot].moved = true;
    progressMoved();
}

void TransferJob::progressMoved() {
    const qint64 since = m_sinceProgress.isValid() ? m_sinceProgress.elapsed() : ProgressEveryMs;
    if (since >= ProgressEveryMs)
        showProgress();
    else if (!m_progressTimer->isActive())
        m_progressTimer->start(int(ProgressEveryMs - since));
}

void TransferJob::showRowProgress(Running& running) {
    qint64 percent = running.expected > 0 ? (running.bytes * 100 + running.expected / 2) / running.expected : 100;
    if (running.download) percent = std::min<qint64>(percent, 100);
    setText(running.row, JobField::Status, QString::number(percent) + u'%');
    running.moved = false;
    if (!parallel()) emit progress(running.download, running.bytes, int(std::min<qint64>(percent, 65535)));
}

qint64 TransferJob::jobBytes() const {
    qint64 bytes = m_done;
    for (const Running& running : m_files)
        if (running.row >= 0) bytes += running.bytes;
    return bytes;
}

int TransferJob::jobPercent(qint64 bytes) const {
    if (m_total <= 0) return 100;
    return int(std::min<qint64>((bytes * 100 + m_total / 2) / m_total, 100));
}

void TransferJob::showProgress() {
    m_progressTimer->stop();
    if (!running()) return;
    m_sinceProgress.restart();
    bool moved = std::exchange(m_jobMoved, false);
    for (Running& running : m_files) {
        if (running.row < 0 || !running.moved) continue;
        showRowProgress(running);
        moved = true;
    }
    if (!moved) return;
    if (parallel()) {
        const qint64 bytes = jobBytes();
        emit progress(m_kind == JobKind::Download, bytes, jobPercent(bytes));
    }
    emit activity();
}

void TransferJob::fileFinished(int slot, bool ok, const QString& error, qint64 bytes) {
    if (!running() || slot >= m_files.size() || m_files[slot].row < 0) return;
    const Running running = std::exchange(m_files[slot], Running());
    m_row = running.row;
    if (!ok) {
        if (m_failure.isEmpty()) m_failure = m_cancelled ? QStringLiteral("Job cancelled") : error;
        startFiles();
        return;
    }
    if (m_kind == JobKind::Copy) {
        try {
            if (running.download)
                copyUploads();
            else
                copyFinished(bytes);
        } catch (const QeltoError& e) {
            m_failure = e.text();
        }
        startFiles();
        return;
    }
    const bool download = running.download;
    m_done += bytes;
    setText(JobField::Status, QStringLiteral("100%"));
    if (parallel()) {
        // Many small files end many times a second: the job's count waits for the next showing.
        m_jobMoved = true;
        progressMoved();
    } else {
        emit progress(download, bytes, 100);
    }
    emit status(download ? QStringLiteral("Download completed ...") : QStringLiteral("Upload completed ..."));
    setText(JobField::Event, download ? QStringLiteral("Download OK") : QStringLiteral("Upload"));
    stamp(JobField::EndTime);
    emit activity();
    startFiles();
}

void TransferJob::cancel() {
    if (!running()) return;
    m_cancelled = true;
    m_pool->cancel();
}

void TransferJob::endSessions() {
    cancel();
    // A running job closes its sessions itself once its transfers have ended.
    if (!running()) m_pool->releaseAll();
}

// With simultaneous transfers the job's count ends at the bytes moved.
void TransferJob::showFinalCount(bool completed) {
    if (!parallel() || (m_done == 0 && !completed)) return;
    emit progress(m_kind == JobKind::Download, m_done, completed ? 100 : jobPercent(m_done));
}

// The job ran to its end: the table is emptied.
void TransferJob::complete() {
    showFinalCount(true);
    writeRows();
    m_batchRows = false;
    m_pool->releaseAll();
    m_kind = JobKind::None;
    m_progressTimer->stop();
    m_events.first();
    m_events.emptyDataSet();
    emit finished(true, QString());
}

void TransferJob::stop(const QString& error) {
    showFinalCount(false);
    writeRows();
    m_batchRows = false;
    m_pool->releaseAll();
    m_kind = JobKind::None;
    m_progressTimer->stop();
    removeTempFile();
    emit finished(false, error);
}
