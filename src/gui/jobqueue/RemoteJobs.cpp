// The remote jobs of the job queue: cut, copy, paste and delete of remote selections, folder trees
// included.
#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "core/browse/RemoteEditing.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/transfer/RemoteChanges.h"
#include "core/transfer/TransferJob.h"
#include "gui/common/ReplaceQuestion.h"
#include "gui/common/UserAction.h"
#include "gui/jobqueue/JobQueue.h"
#include "ui_MyMenu.h"

#include <QMessageBox>
#include <QShortcut>

namespace {

QString counted(qsizetype n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

// The entries the user cut or copied: the rows the list build wrote for the selection itself, by
// position, with their names in the selection's folder.
struct PastedEntries {
    QList<int> rows;
    QList<NamedEntry> entries;
};

PastedEntries pastedEntries(const TTable& events) {
    PastedEntries pasted;
    for (int row = 0; row < events.recordCount(); ++row) {
        const QString local = events.value(row, JobField::Local).toString();
        if (local.contains(u'/')) continue; // inside a selected folder
        pasted.rows << row;
        pasted.entries << NamedEntry{local, events.value(row, JobField::Type).toString() == u"<DIR>"};
    }
    return pasted;
}

// Leaves a row out of the list. The list build keeps the server path and size of each row by its
// position, so they go with it.
void dropRow(TTable& events, ListBuild& build, int row) {
    events.moveTo(row);
    events.remove();
    if (row < build.rawRemote.size()) build.rawRemote.removeAt(row);
    if (row < build.sizes.size()) build.sizes.removeAt(row);
}

} // namespace

// The server and login a list of remote paths belongs to.
QString JobQueue::serverOf(const ConnectionSettings& settings) {
    return settings.user + u'@' + settings.host + u':' + QString::number(settings.port);
}

void JobQueue::connectRemoteJobs() {
    m_question = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, QStringLiteral("Qelto"), text) == QMessageBox::Yes;
    };
    const std::pair<QToolButton*, void (JobQueue::*)()> buttons[] = {
        {m_ui.RFS004, &JobQueue::cut},
        {m_ui.RFS005, &JobQueue::copy},
        {m_ui.RFS006, &JobQueue::paste},
        {m_ui.RFS007, &JobQueue::deleteSelection},
    };
    const QKeySequence keys[] = {QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste,
                                 QKeySequence::Delete};
    for (int i = 0; i < 4; ++i) {
        const auto command = buttons[i].second;
        auto run = [this, command] { userAction(m_window, [this, command] { (this->*command)(); }); };
        connect(buttons[i].first, &QToolButton::clicked, this, run);
        // The keys the buttons' hints name, while the remote list has the focus.
        auto* shortcut = new QShortcut(keys[i], m_ui.FTPFilesList, nullptr, nullptr, Qt::WidgetShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, run, button = buttons[i].first] {
            if (button->isEnabled()) run();
        });
    }
}

QList<RemoteSelection> JobQueue::remoteSelection() const {
    QList<RemoteSelection> selection;
    for (int i = 0; i < m_ui.FTPFilesList->count(); ++i) {
        const QListWidgetItem* item = m_ui.FTPFilesList->item(i);
        if (!item->isSelected()) continue;
        selection << RemoteSelection{item->text(), item->data(RemoteRawNameRole).toByteArray(),
                                     item->data(RemoteKindRole).toString() == u"<DIR>"};
    }
    return selection;
}

bool JobQueue::buildRemoteList(ListBuild& build, ListOptions options, const std::function<void()>& beforeListing,
                               const QList<RemoteSelection>* given) {
    const QList<RemoteSelection> selection = given ? *given : remoteSelection();
    if (selection.isEmpty() || selection.first().name == u"." || selection.first().name == u"..")
        return false;
    if (beforeListing) beforeListing();
    // The table gets a new list: whatever waited for a paste is gone.
    m_pending = JobKind::None;
    m_ui.DLPLabel->show();
    m_ui.ProcessEdit->setText(QStringLiteral("Create Download Database ..."));
    m_building = true;
    m_buildCancelled = false;
    m_stopRequested = false;
    updateStopButton();
    options.cancelled = [this] { return m_buildCancelled; };
    try {
        runThenAlways(
            [&] { build = buildDownloadList(m_browsing.ftp(), selection, *m_tables.FTPEvents, options); },
            [this] {
                m_building = false;
                m_ui.DLPLabel->hide();
                updateStopButton();
            });
    } catch (const QeltoError& e) {
        // Stopped by the user: no list, and no error.
        if (e.category() != ErrorCategory::Aborted || !std::exchange(m_buildCancelled, false)) throw;
        m_stopRequested = false;
        showCancelled();
        return false;
    }
    m_ui.ProcessEdit->setText(QStringLiteral("Download List Complete ..."));
    return true;
}

void JobQueue::keepForPaste(JobKind kind) {
    if (!m_browsing.isOpen()) return;
    refuseWhileRunning();
    ListBuild build;
    ListOptions options;
    options.confirmLinks = kind == JobKind::Cut; // a move must not take files out of a linked folder
    if (!buildRemoteList(build, options)) return;
    const bool move = kind == JobKind::Cut;
    markFileRows(*m_tables.FTPEvents, move ? QStringLiteral("Move Ready") : QStringLiteral("Copy Ready"));
    m_pending = kind;
    m_pendingBuild = build;
    m_pendingServer = serverOf(m_browsing.settings());
    m_ui.ProcessEdit->setText((move ? QStringLiteral("Cut: open the folder to move to and paste")
                                    : QStringLiteral("Copied: open the folder to copy to and paste")));
    reportSkipped(build.skipped);
}

void JobQueue::cut() {
    keepForPaste(JobKind::Cut);
}

void JobQueue::copy() {
    keepForPaste(JobKind::Copy);
}

void JobQueue::paste() {
    if (!m_browsing.isOpen()) return;
    refuseWhileRunning();
    if (m_pending == JobKind::None || m_tables.FTPEvents->recordCount() == 0) {
        m_pending = JobKind::None;
        emit jobEnded(); // nothing to paste: the listing is only refreshed
        return;
    }
    // The paths of the list mean nothing on another server; there they could name other files.
    if (serverOf(m_browsing.settings()) != m_pendingServer) {
        m_pending = JobKind::None;
        throw QeltoError(QStringLiteral("The entries to paste are on %1: cut or copy them again here")
                             .arg(m_pendingServer));
    }
    TTable& events = *m_tables.FTPEvents;
    DropSortIndex(events); // rows by position, as the list build wrote them
    const PastedEntries pasted = pastedEntries(events);
    const QString here = m_browsing.ftp().RetrieveCurrentDir();
    if (sameRemoteFolder(here, m_pendingBuild.folder))
        throw QeltoError(
            m_pending == JobKind::Cut
                ? QStringLiteral("The cut entries are in this folder: open the folder to move them "
                                 "to, then paste")
                : QStringLiteral("The copied entries are in this folder: open the folder to copy "
                                 "them to, then paste"));
    if (m_pending == JobKind::Copy) {
        QStringList folders;
        for (const NamedEntry& entry : pasted.entries)
            if (entry.folder) folders << entry.name;
        const QString holder = copiedFolderHolding(here, m_pendingBuild.folder, folders);
        if (!holder.isEmpty())
            throw QeltoError(QStringLiteral("This folder is inside the copied folder %1: open the folder to "
                                            "copy them to, then paste")
                                 .arg(holder));
    }
    // A file pasted onto a file of the same name replaces it: each one is put to the user first. A
    // folder meeting a name the folder holds stops the job at that folder, before any file moves.
    const QList<NamedEntry> listing = listedEntries(*m_tables.Permissions);
    QList<int> skipped;
    for (qsizetype i = 0; i < pasted.entries.size(); ++i) {
        const NamedEntry& entry = pasted.entries[i];
        if (nameClash(listing, entry) != NameClash::FileOnFile) continue;
        const ReplaceAnswer answer = askToReplace(
            m_window, QStringLiteral("This folder already holds a file \"%1\". Replace it with the one %2?")
                          .arg(entry.name, m_pending == JobKind::Cut ? QStringLiteral("being moved")
                                                                     : QStringLiteral("being copied")));
        if (answer == ReplaceAnswer::Cancel) {
            m_ui.ProcessEdit->setText(QStringLiteral("Nothing pasted"));
            return;
        }
        if (answer == ReplaceAnswer::Skip) skipped << pasted.rows[i];
    }
    if (!skipped.isEmpty() && skipped.size() == pasted.rows.size()) {
        m_ui.ProcessEdit->setText(QStringLiteral("Nothing pasted"));
        return;
    }
    ListBuild build = m_pendingBuild;
    for (auto row = skipped.crbegin(); row != skipped.crend(); ++row) // from the last, so positions hold
        dropRow(events, build, *row);
    const JobKind kind = std::exchange(m_pending, JobKind::None);
    m_skipped.clear();
    beginJob(kind == JobKind::Cut ? JobTextKind::Move : JobTextKind::Copy, &build);
    m_job->startRemote(kind, jobSettings(), build, dataTempFolder());
}

void JobQueue::deleteSelection() {
    if (!m_browsing.isOpen()) return;
    const QList<RemoteSelection> selection = remoteSelection();
    if (selection.isEmpty() || selection.first().name == u"." || selection.first().name == u"..") return;
    if (busy()) {
        // Asked now, with the names: the list is made when the delete's turn comes.
        QStringList names;
        for (const RemoteSelection& s : selection)
            names << s.name;
        if (!m_question(m_window, QStringLiteral("Delete %1 from the server once the jobs before it have ended? "
                                                 "This cannot be undone.")
                                      .arg(names.join(QStringLiteral(", "))))) {
            m_ui.ProcessEdit->setText(QStringLiteral("Nothing deleted"));
            return;
        }
        LineEntry entry;
        entry.kind = JobKind::Delete;
        entry.remote = selection;
        queueIfBusy(entry);
        return;
    }
    deleteListed(selection, true);
}

void JobQueue::deleteListed(const QList<RemoteSelection>& selection, bool ask) {
    ListBuild build;
    ListOptions options;
    options.confirmLinks = true; // never delete through a link to a folder elsewhere
    options.linksAsFiles = true; // the link itself goes
    if (!buildRemoteList(build, options, {}, &selection)) return;
    TTable& events = *m_tables.FTPEvents;
    qsizetype files = 0, folders = 0;
    for (int row = 0; row < events.recordCount(); ++row)
        (events.value(row, JobField::Type).toString() == u"<DIR>" ? folders : files) += 1;
    if (files + folders == 0) {
        reportSkipped(build.skipped);
        return;
    }
    QString what = files > 0 ? counted(files, "file", "files") : QString();
    if (folders > 0)
        what +=
            (what.isEmpty() ? QString() : QStringLiteral(" and ")) + counted(folders, "folder", "folders");
    if (ask && !m_question(m_window, QStringLiteral("Delete %1 from the server? This cannot be undone.").arg(what))) {
        events.emptyDataSet();
        m_ui.ProcessEdit->setText(QStringLiteral("Nothing deleted"));
        return;
    }
    m_skipped = build.skipped;
    beginJob(JobTextKind::Delete, &build);
    m_job->startRemote(JobKind::Delete, jobSettings(), build);
}
