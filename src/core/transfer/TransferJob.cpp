#include "core/transfer/TransferJob.h"

#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "core/base/TextFormat.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/TransferWorker.h"

#include <QFileInfo>
#include <QThread>

namespace {

QString nowText() {
    return formatDateTime(QStringLiteral("hh:mm:ss"), QDateTime::currentDateTime());
}

} // namespace

TransferJob::TransferJob(TTable& events, TIdFTP& browsing, QObject* parent)
    : QObject(parent), m_events(events), m_browsing(browsing), m_downloadThread(new QThread(this)),
      m_uploadThread(new QThread(this)), m_downloader(new TransferWorker(QStringLiteral("MS Windows"))),
      m_uploader(new TransferWorker(QStringLiteral("MS Windows"))) {
    m_downloadThread->setObjectName(QStringLiteral("DownloadFTP"));
    m_uploadThread->setObjectName(QStringLiteral("UploadFTP"));
    const std::pair<TransferWorker*, QThread*> workers[] = {{m_downloader, m_downloadThread},
                                                            {m_uploader, m_uploadThread}};
    for (const auto& [worker, thread] : workers) {
        worker->moveToThread(thread);
        connect(thread, &QThread::finished, worker, &QObject::deleteLater);
        connect(worker, &TransferWorker::progress, this, &TransferJob::fileProgress);
        connect(worker, &TransferWorker::finished, this, &TransferJob::fileFinished);
        thread->start();
    }
}

TransferJob::~TransferJob() {
    m_downloader->cancel();
    m_uploader->cancel();
    for (QThread* thread : {m_downloadThread, m_uploadThread}) {
        thread->quit();
        thread->wait();
    }
    removeTempFile();
}

QString TransferJob::text(int field) const {
    return m_events.value(m_row, field).toString();
}

void TransferJob::setText(int field, const QString& value) {
    m_events.moveTo(m_row);
    m_events.edit();
    m_events.fields(field).setAsString(value);
    m_events.post();
}

void TransferJob::stamp(int field) {
    setText(field, nowText());
}

QByteArray TransferJob::remoteBytes(const QString& remote) const {
    const auto raw = m_rawRemote.constFind(remote);
    return raw != m_rawRemote.cend() ? *raw : m_browsing.encodeText(remote);
}

void TransferJob::startDownload(const ConnectionSettings& settings, const QString& localRoot,
                                const QHash<QString, QByteArray>& rawRemote,
                                const QHash<QString, qint64>& sizes) {
    if (running()) throw QeltoError(QStringLiteral("A job is already running"));
    if (localRoot.isEmpty() || !QFileInfo(localRoot).isDir())
        throw QeltoError(QStringLiteral("Choose the local folder to download into first"),
                         ErrorCategory::LocalFile);
    m_localRoot = localRoot;
    m_rawRemote = rawRemote;
    m_sizes = sizes;
    start(JobKind::Download, settings);
}

void TransferJob::startUpload(const ConnectionSettings& settings) {
    if (running()) throw QeltoError(QStringLiteral("A job is already running"));
    m_rawRemote.clear();
    m_sizes.clear();
    start(JobKind::Upload, settings);
}

void TransferJob::start(JobKind kind, const ConnectionSettings& settings) {
    m_kind = kind;
    m_settings = settings;
    m_cancelled = false;
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
    m_row = -1;
    nextFile();
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
            makeRemoteFolder(remote);
        } else if (download) {
            const QString folder = localTargetBelow(m_localRoot, text(JobField::Local));
            emit target(folder);
            if (!ForceLocalFolders(folder) && !QFileInfo(folder).isDir())
                throw QeltoError(QStringLiteral("Cannot create the folder ") + folder,
                                 ErrorCategory::LocalFile);
        } else {
            if (!m_browsing.Connected())
                throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
            QString folder = remote;
            if (folder.size() > 1 && folder.endsWith(u'/')) folder.chop(1);
            const QByteArray raw = remoteBytes(folder);
            try {
                m_browsing.MakeDir(raw);
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

void TransferJob::nextFile() {
    const int count = m_events.recordCount();
    for (++m_row; m_row < count; ++m_row)
        if (text(JobField::Type) == u"File") break;
    if (m_row >= count) {
        complete();
        return;
    }
    try {
        // A file whose browsing connection is gone is not transferred, and the job stops.
        if (!m_browsing.Connected())
            throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
        if (m_cancelled) throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
        stamp(JobField::StartTime);
        const QString remote = text(JobField::Remote);
        if (m_kind == JobKind::Copy) {
            copyFile(remote);
            return;
        }
        const bool download = m_kind == JobKind::Download;
        TransferRequest request;
        request.download = download;
        request.remote = remoteBytes(remote);
        if (download) {
            request.local = localTargetBelow(m_localRoot, text(JobField::Local));
            m_expected = m_sizes.value(remote, m_events.value(m_row, JobField::SizeValue).toLongLong());
            emit status(QStringLiteral("Download file: ") + remote);
            emit target(request.local);
        } else {
            request.local = text(JobField::Local);
            m_expected = QFileInfo(request.local).size();
            emit status(QStringLiteral("Upload file: ") + remote);
        }
        emit transferBegins(download);
        TransferWorker* worker = download ? m_downloader : m_uploader;
        QMetaObject::invokeMethod(
            worker, [worker, settings = m_settings, request] { worker->transfer(settings, request); });
    } catch (const QeltoError& e) {
        stop(e.text());
    }
}

bool TransferJob::downloading() const {
    return m_kind == JobKind::Download || (m_kind == JobKind::Copy && !m_uploadPhase);
}

void TransferJob::fileProgress(qint64 bytes) {
    if (!running() || m_row < 0) return;
    const bool download = downloading();
    qint64 percent = m_expected > 0 ? (bytes * 100 + m_expected / 2) / m_expected : 100;
    if (download) percent = std::min<qint64>(percent, 100);
    setText(JobField::Status, QString::number(percent) + u'%');
    emit progress(download, bytes, int(std::min<qint64>(percent, 65535)));
    emit activity();
}

void TransferJob::fileFinished(bool ok, const QString& error) {
    if (!running()) return;
    const bool download = downloading();
    if (!ok) {
        stop(m_cancelled ? QStringLiteral("Job cancelled") : error);
        return;
    }
    if (m_kind == JobKind::Copy) {
        try {
            if (download)
                copyUploads();
            else
                copyFinished();
        } catch (const QeltoError& e) {
            stop(e.text());
        }
        return;
    }
    setText(JobField::Status, QStringLiteral("100%"));
    emit progress(download, m_expected, 100);
    emit status(download ? QStringLiteral("Download completed ...") : QStringLiteral("Upload completed ..."));
    setText(JobField::Event, download ? QStringLiteral("Download OK") : QStringLiteral("Upload"));
    stamp(JobField::EndTime);
    emit activity();
    nextFile();
}

void TransferJob::cancel() {
    if (!running()) return;
    m_cancelled = true;
    m_downloader->cancel();
    m_uploader->cancel();
}

// The job ran to its end: the table is emptied.
void TransferJob::complete() {
    if (m_kind != JobKind::Upload) QMetaObject::invokeMethod(m_downloader, &TransferWorker::endJob);
    if (m_kind != JobKind::Download) QMetaObject::invokeMethod(m_uploader, &TransferWorker::endJob);
    m_kind = JobKind::None;
    m_events.first();
    m_events.emptyDataSet();
    emit finished(true, QString());
}

void TransferJob::stop(const QString& error) {
    if (m_kind == JobKind::Copy) {
        QMetaObject::invokeMethod(m_downloader, &TransferWorker::endJob);
        QMetaObject::invokeMethod(m_uploader, &TransferWorker::endJob);
    }
    m_kind = JobKind::None;
    removeTempFile();
    emit finished(false, error);
}
