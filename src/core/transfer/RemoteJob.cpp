// The remote jobs of the job runner: delete, move and copy of a list built from a remote selection.
#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "core/base/TextFormat.h"
#include "core/ftp/RemotePath.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/Table.h"
#include "core/transfer/RemoteChanges.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/TransferPool.h"
#include "core/transfer/TransferSession.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

void TransferJob::startRemote(JobKind kind, const ConnectionSettings& settings, const ListBuild& build,
                              const QString& tempFolder) {
    if (running()) throw QeltoError(QStringLiteral("A job is already running"));
    if (kind != JobKind::Cut && kind != JobKind::Copy && kind != JobKind::Delete)
        throw QeltoError(QStringLiteral("Not a remote job"));
    if (!m_browsing.Connected())
        throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
    m_rawRemote = build.rawRemote;
    m_sizes = build.sizes;
    m_rawFolder = build.rawFolder;
    m_tempFolder = tempFolder;
    m_destination.clear();
    if (kind != JobKind::Delete) m_destination = m_browsing.encodeText(absoluteCurrentDir(m_browsing));
    // The rows go in the order they were added: folders before their contents.
    DropSortIndex(m_events);
    start(kind, settings);
}

// Only rows of the list build reach the server, by the bytes the server listed.
QByteArray TransferJob::rawRemotePath(int row) const {
    const QByteArray raw = m_rawRemote.value(row);
    if (raw.isEmpty() || rawPathBelow(m_rawFolder, raw).isEmpty())
        throw QeltoError(QStringLiteral("\"%1\" is not an entry of the selection")
                             .arg(m_events.value(row, JobField::Remote).toString()));
    return raw;
}

QByteArray TransferJob::destinationOf(int row) const {
    return joinRemotePath(m_destination, rawPathBelow(m_rawFolder, rawRemotePath(row)));
}

// A row is done only when its command was: the browsing connection must still be there, and a cancel
// ends the job before the next row.
void TransferJob::checkRemoteRow() {
    if (!m_browsing.Connected())
        throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
    if (m_cancelled) throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
}

// A folder that already exists at the destination stops the job: its files would be overwritten.
void TransferJob::makeRemoteFolder(int row) {
    m_browsing.MakeDir(destinationOf(row));
}

void TransferJob::runRows(const QString& type, bool backwards, const QString& action, const QString& done,
                          const std::function<void(int row)>& command) {
    const int count = m_events.recordCount();
    for (int i = 0; i < count; ++i) {
        m_row = backwards ? count - 1 - i : i;
        if (text(JobField::Type) != type) continue;
        checkRemoteRow();
        stamp(JobField::StartTime);
        const QString remote = text(JobField::Remote);
        emit status(action + remote);
        command(m_row);
        setText(JobField::Event, done);
        stamp(JobField::EndTime);
    }
}

void TransferJob::runDelete() {
    const QString deleted = QStringLiteral("Deleted");
    runRows(QStringLiteral("File"), false, QStringLiteral("Delete file: "), deleted,
            [this](int row) { m_browsing.Delete(rawRemotePath(row)); });
    // Backwards: every folder after the folders inside it, so each is empty by then.
    runRows(QStringLiteral("<DIR>"), true, QStringLiteral("Delete directory: "), deleted,
            [this](int row) { m_browsing.RemoveDir(rawRemotePath(row)); });
    complete();
}

void TransferJob::runMoves() {
    runRows(QStringLiteral("File"), false, QStringLiteral("Move file: "), QStringLiteral("Moved"),
            [this](int row) { m_browsing.Rename(rawRemotePath(row), destinationOf(row)); });
    complete();
}

// The file comes down into a temporary file of its own, then goes up to its destination.
void TransferJob::copyFile(int row) {
    removeTempFile();
    const QString remote = m_events.value(row, JobField::Remote).toString();
    const QByteArray source = rawRemotePath(row);
    if (m_tempFolder.isEmpty() || (!ForceLocalFolders(m_tempFolder) && !QFileInfo(m_tempFolder).isDir()))
        throw QeltoError(QStringLiteral("Cannot create the folder ") + m_tempFolder,
                         ErrorCategory::LocalFile);
    QTemporaryFile temp(m_tempFolder + QStringLiteral("/copy-XXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open())
        throw QeltoError(QStringLiteral("Cannot create a temporary file in ") + m_tempFolder,
                         ErrorCategory::LocalFile);
    m_tempFile = temp.fileName();
    temp.close();
    m_files[0] = {m_row, true, rowSize(m_row)};
    emit transferBegins(true);
    emit status(QStringLiteral("Copy file: ") + remote);
    TransferRequest request;
    request.download = true;
    request.remote = source;
    request.local = m_tempFile;
    TransferSession* session = m_pool->session(0);
    QMetaObject::invokeMethod(session,
                              [session, settings = m_settings, request] { session->transfer(settings, request); });
}

void TransferJob::copyUploads() {
    checkRemoteRow();
    TransferRequest request;
    request.download = false;
    request.remote = destinationOf(m_row);
    request.local = m_tempFile;
    m_files[1] = {m_row, false, QFileInfo(m_tempFile).size()};
    setText(JobField::Status, QStringLiteral("0%"));
    emit transferBegins(false);
    TransferSession* session = m_pool->session(1);
    QMetaObject::invokeMethod(session,
                              [session, settings = m_settings, request] { session->transfer(settings, request); });
}

void TransferJob::copyFinished(qint64 bytes) {
    removeTempFile();
    setText(JobField::Status, QStringLiteral("100%"));
    emit progress(false, bytes, 100);
    setText(JobField::Event, QStringLiteral("Copied"));
    stamp(JobField::EndTime);
    emit activity();
}

void TransferJob::removeTempFile() {
    if (m_tempFile.isEmpty()) return;
    QFile::remove(m_tempFile);
    m_tempFile.clear();
}
