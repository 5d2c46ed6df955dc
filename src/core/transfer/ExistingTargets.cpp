// What a job does with a file whose target is there already: the setting, or the question, and the
// answer's effect on the row (Replace, Replace if newer, Resume, Rename, Skip, Cancel).
#include "core/base/Errors.h"
#include "core/ftp/ListParse.h"
#include "core/ftp/TIdFTP.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/TransferSession.h"

#include <QFileInfo>

// No row starts meanwhile; rows that end during `step` move m_row, so it is put back.
void TransferJob::paused(const std::function<void()>& step) {
    const int row = m_row;
    m_asking = true;
    try {
        step();
    } catch (...) {
        m_asking = false;
        m_row = row;
        throw;
    }
    m_asking = false;
    m_row = row;
}

bool TransferJob::placeExisting(const ExistingTarget& target, TransferRequest& request, Running& running) {
    const int row = m_row;
    ExistsAction action = ExistsAction::Replace;
    paused([&] { action = m_exists.decide(target, m_ask); });
    if (action == ExistsAction::Cancel) {
        cancel();
        throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
    }
    if (m_cancelled) throw QeltoError(QStringLiteral("Job cancelled"), ErrorCategory::Aborted);
    if (!m_browsing.Connected())
        throw QeltoError(QStringLiteral("Not Connected."), ErrorCategory::ConnectionLost);
    // A failure meanwhile: the row stays as it was, and the job stops.
    if (!m_failure.isEmpty()) return false;
    switch (action) {
    case ExistsAction::Skip:
        skipRow(row, target.source.size);
        return false;
    case ExistsAction::Rename:
        if (request.download) {
            const QString renamed = freeName(text(JobField::Local), [this](const QString& relative) {
                return QFileInfo::exists(localTargetBelow(m_localRoot, relative));
            });
            setText(JobField::Local, renamed);
            request.local = localTargetBelow(m_localRoot, renamed);
        } else {
            // The same number goes into the row's text and the server's bytes: it comes before the last
            // dot, which is the same character in both.
            const QString remote = text(JobField::Remote);
            const qsizetype slash = remote.lastIndexOf(u'/');
            const qsizetype rawSlash = request.remote.lastIndexOf('/');
            const QByteArray rawFolder = request.remote.left(rawSlash + 1);
            const QByteArray rawName = request.remote.mid(rawSlash + 1);
            int n = 1;
            while (remoteEntry(rawFolder + numberedName(rawName, n)))
                ++n;
            request.remote = rawFolder + numberedName(rawName, n);
            setText(JobField::Remote, remote.left(slash + 1) + numberedName(remote.mid(slash + 1), n));
        }
        break;
    case ExistsAction::Resume:
        request.resume = true;
        running.expected = std::max<qint64>(running.expected - target.target.size, 0);
        if (!request.download) request.uploadFrom = target.target.size;
        if (parallel()) m_total -= target.target.size;
        break;
    default:
        break;
    }
    return true;
}

std::optional<FileFacts> TransferJob::remoteEntry(const QByteArray& rawPath) {
    const QByteArray folder = folderOf(rawPath);
    auto listed = m_remoteEntries.find(folder);
    if (listed == m_remoteEntries.end()) {
        // Each target folder is listed once per job, on the browsing connection, which is idle during
        // the file pass; the rows wait meanwhile, as during a question.
        QHash<QByteArray, FileFacts> entries;
        paused([&] {
            m_browsing.List(nullptr, folder, true);
            for (const TIdFTPListItem& e : m_browsing.DirectoryListing())
                entries.insert(e.RawName, {e.Size, isZeroDate(e.ModifiedDate) ? QDateTime() : e.ModifiedDate});
        });
        listed = m_remoteEntries.insert(folder, entries);
    }
    const qsizetype slash = rawPath.lastIndexOf('/');
    const auto entry = listed->find(rawPath.mid(slash + 1));
    if (entry == listed->end()) return std::nullopt;
    return *entry;
}

void TransferJob::skipRow(int row, qint64 size) {
    m_row = row;
    stamp(JobField::StartTime);
    setText(JobField::Event, QStringLiteral("Skipped"));
    stamp(JobField::EndTime);
    if (parallel()) {
        m_total -= size;
        m_jobMoved = true;
        progressMoved();
    }
}
