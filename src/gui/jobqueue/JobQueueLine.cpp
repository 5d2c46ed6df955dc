// The line of jobs waiting to run: what the user asks for while a job runs waits there, shown under the
// job grid, and starts when the jobs before it have ended.
#include "core/base/Errors.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/transfer/TransferJob.h"
#include "core/transfer/UploadList.h"
#include "gui/common/UserAction.h"
#include "gui/jobqueue/JobQueue.h"
#include "ui_MyMenu.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

void JobQueue::setUpLine() {
    auto* layout = qobject_cast<QBoxLayout*>(m_ui.FTPEventsTable->parentWidget()->layout());
    m_lineLabel = new QLabel(m_ui.FTPEventsTable->parentWidget());
    m_lineLabel->setObjectName(QStringLiteral("JobLineLabel"));
    m_lineList = new QListWidget(m_ui.FTPEventsTable->parentWidget());
    m_lineList->setObjectName(QStringLiteral("JobLineList"));
    m_lineList->setMaximumHeight(70);
    m_lineList->setContextMenuPolicy(Qt::CustomContextMenu);
    if (layout) {
        const int at = layout->indexOf(m_ui.FTPEventsTable);
        layout->insertWidget(at + 1, m_lineLabel);
        layout->insertWidget(at + 2, m_lineList);
    }
    connect(m_lineList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const int index = m_lineList->currentRow();
        if (index < 0 || index >= m_line.size()) return;
        QMenu menu(m_lineList);
        QAction* retry = menu.addAction(QStringLiteral("Retry"));
        retry->setEnabled(!m_line.at(index).error.isEmpty());
        QAction* remove = menu.addAction(QStringLiteral("Remove"));
        QAction* chosen = menu.exec(m_lineList->viewport()->mapToGlobal(at));
        if (chosen == retry) userAction(m_window, [this, index] { retryInLine(index); });
        if (chosen == remove) userAction(m_window, [this, index] { removeFromLine(index); });
    });
    showLine();
}

void JobQueue::showLine() {
    m_lineList->clear();
    for (int i = 0; i < m_line.size(); ++i) {
        const LineEntry& entry = m_line.at(i);
        // Names from the server are shown as text, never as markup: a list item is plain.
        m_lineList->addItem(entry.error.isEmpty() ? entry.name()
                                                  : entry.name() + QStringLiteral(" - failed: ") + entry.error.trimmed());
    }
    const int waiting = m_line.waiting();
    const int failed = m_line.size() - waiting;
    QString text = waiting == 1 ? QStringLiteral("1 job in line") : QStringLiteral("%1 jobs in line").arg(waiting);
    if (failed > 0) text += QStringLiteral(", %1 failed").arg(failed);
    m_lineLabel->setText(text);
    m_lineLabel->setVisible(!m_line.isEmpty());
    m_lineList->setVisible(!m_line.isEmpty());
}

bool JobQueue::queueIfBusy(LineEntry entry) {
    if (!busy()) return false;
    if (m_remoteFolder.isEmpty()) throw QeltoError(QStringLiteral("Open a remote folder first"));
    // The folder shown now: the browsing connection itself may be busy with the job.
    if (entry.kind == JobKind::Upload && !entry.remoteFolder.isEmpty())
        entry.remoteFolder = entry.remoteFolder.startsWith(u'/') ? entry.remoteFolder
                                                                 : JoinRemotePath(m_remoteFolder, entry.remoteFolder);
    else
        entry.remoteFolder = m_remoteFolder;
    entry.server = serverOf(m_browsing.settings());
    m_line.append(entry);
    showLine();
    return true;
}

void JobQueue::retryInLine(int index) {
    m_line.retry(index);
    showLine();
    if (!busy()) startNextInLine();
}

void JobQueue::removeFromLine(int index) {
    m_line.remove(index);
    showLine();
}

void JobQueue::startNextInLine() {
    // The end of a job refreshes the remote list; the line goes on once the connection is free again.
    if (m_browsing.ftp().Busy()) {
        QTimer::singleShot(20, this, [this] { startNextInLine(); });
        return;
    }
    LineEntry entry;
    while (!busy() && m_line.takeNext(entry)) {
        showLine();
        try {
            runLineEntry(entry);
        } catch (const QeltoError& e) {
            // It could not start: it waits with its error, and the next one is tried.
            m_lineJob.reset();
            m_line.failed(entry, e.text());
            showLine();
            continue;
        }
        return;
    }
}

void JobQueue::inFolder(const QString& folder, const std::function<void()>& step) {
    TIdFTP& ftp = m_browsing.ftp();
    const QString here = absoluteCurrentDir(ftp);
    ftp.ChangeDir(folder);
    runThenAlways(step, [&] {
        if (ftp.Connected()) ftp.ChangeDir(here);
    });
}

void JobQueue::runLineEntry(const LineEntry& entry) {
    if (!m_browsing.isOpen() || serverOf(m_browsing.settings()) != entry.server)
        throw QeltoError(QStringLiteral("Not connected to %1").arg(entry.server), ErrorCategory::ConnectionLost);
    m_lineJob = entry;
    switch (entry.kind) {
    case JobKind::Download:
        inFolder(entry.remoteFolder, [&] { downloadSelection(entry.remote, entry.localFolder); });
        break;
    case JobKind::Upload:
        uploadFrom(entry.localPaths, entry.localFolder, entry.remoteFolder);
        break;
    case JobKind::Delete:
        inFolder(entry.remoteFolder, [&] { deleteListed(entry.remote, false); });
        break;
    default:
        break;
    }
    // Nothing came of it (the selection is gone, or was all left out): it ends here.
    if (!running() && m_lineJob) {
        m_lineJob.reset();
        startNextInLine();
    }
}
