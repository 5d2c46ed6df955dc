// The remote jobs of the job queue: cut, copy, paste and delete of remote selections, folder trees
// included.
#include "core/base/DataFolder.h"
#include "core/base/Errors.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/transfer/RemoteChanges.h"
#include "core/transfer/TransferJob.h"
#include "gui/common/UserAction.h"
#include "gui/jobqueue/JobQueue.h"
#include "ui_MyMenu.h"

#include <QMessageBox>
#include <QShortcut>

namespace {

QString counted(qsizetype n, const char* one, const char* many) {
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

// The server and login a list of remote paths belongs to.
QString serverOf(const ConnectionSettings& settings) {
    return settings.user + u'@' + settings.host + u':' + QString::number(settings.port);
}

} // namespace

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

bool JobQueue::buildRemoteList(ListBuild& build, ListOptions options, const std::function<void()>& beforeListing) {
    const QList<RemoteSelection> selection = remoteSelection();
    if (selection.isEmpty() || selection.first().name == u"." || selection.first().name == u"..")
        return false;
    if (beforeListing) beforeListing();
    // The table gets a new list: whatever waited for a paste is gone.
    m_pending = JobKind::None;
    m_ui.DLPLabel->show();
    m_ui.ProcessEdit->setText(QStringLiteral("Create Download Database ..."));
    m_building = true;
    m_buildCancelled = false;
    options.cancelled = [this] { return m_buildCancelled; };
    runThenAlways([&] { build = buildDownloadList(m_browsing.ftp(), selection, *m_tables.FTPEvents, options); },
                  [this] {
                      m_building = false;
                      m_ui.DLPLabel->hide();
                  });
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
    if (m_pending == JobKind::Cut && m_browsing.ftp().RetrieveCurrentDir() == m_pendingBuild.folder)
        throw QeltoError(
            QStringLiteral("The cut entries are in this folder: open the folder to move them to, "
                           "then paste"));
    const JobKind kind = std::exchange(m_pending, JobKind::None);
    m_skipped.clear();
    m_job->startRemote(kind, jobSettings(), m_pendingBuild, dataTempFolder());
}

void JobQueue::deleteSelection() {
    if (!m_browsing.isOpen()) return;
    refuseWhileRunning();
    ListBuild build;
    ListOptions options;
    options.confirmLinks = true; // never delete through a link to a folder elsewhere
    options.linksAsFiles = true; // the link itself goes
    if (!buildRemoteList(build, options)) return;
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
    if (!m_question(m_window,
                    QStringLiteral("Delete %1 from the server? This cannot be undone.").arg(what))) {
        events.emptyDataSet();
        m_ui.ProcessEdit->setText(QStringLiteral("Nothing deleted"));
        return;
    }
    m_skipped = build.skipped;
    m_job->startRemote(JobKind::Delete, jobSettings(), build);
}
