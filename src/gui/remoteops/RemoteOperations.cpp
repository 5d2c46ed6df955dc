#include "gui/remoteops/RemoteOperations.h"

#include "core/base/Errors.h"
#include "core/browse/RemoteEditing.h"
#include "core/browse/RemoteListing.h"
#include "core/ftp/FtpSession.h"
#include "core/ftp/RemotePath.h"
#include "core/ftp/TIdFTP.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "core/tables/TableStorage.h"
#include "core/transfer/JobRows.h"
#include "core/transfer/RemoteChanges.h"
#include "gui/common/ReplaceQuestion.h"
#include "gui/common/UserAction.h"
#include "gui/remoteops/CaptionEditing.h"
#include "ui_MyMenu.h"

namespace {

// The name stays an entry of this folder: no path, nothing that would end the command line.
void checkTypedName(const QString& name) {
    if (!isSafeRemoteName(name))
        throw QeltoError(QStringLiteral("\"%1\" cannot be a name: a name is not empty, not \".\" or \"..\", "
                                        "and holds no \"/\" or control character")
                             .arg(name));
}

} // namespace

RemoteOperations::RemoteOperations(Ui::TMyMenuForm& ui, FtpSession& session, DataTables& tables,
                                   QWidget* window)
    : QObject(window), m_ui(ui), m_session(session), m_tables(tables), m_window(window),
      m_editing(new CaptionEditing(this)) {
    m_ui.FTPFilesList->setItemDelegate(m_editing);
    connectControls();
    connectPermissionsPage();
}

void RemoteOperations::connectControls() {
    auto act = [this](auto step) { return [this, step] { userAction(m_window, step); }; };
    connect(m_ui.RFS001, &QToolButton::clicked, this, act([this] { startFolderCreation(); }));
    connect(m_ui.RFS002, &QToolButton::clicked, this, act([this] { startRename(); }));
    connect(m_editing, &CaptionEditing::editStarted, this,
            [this](bool provisional) { (provisional ? CreateFTPDir : RenameFTPObject) = true; });
    connect(m_editing, &CaptionEditing::accepted, this,
            [this](const CaptionEdit& edit) { userAction(m_window, [&] { captionEdited(edit); }); });
    connect(m_editing, &CaptionEditing::abandoned, this,
            [this] { userAction(m_window, [this] { editAbandoned(); }); });
}

void RemoteOperations::startRename() {
    if (!m_session.isOpen()) return;
    QListWidget* list = m_ui.FTPFilesList;
    QListWidgetItem* first = nullptr;
    for (QListWidgetItem* item : list->selectedItems())
        if (!first || list->row(item) < list->row(first)) first = item;
    if (!first) return;
    list->setCurrentItem(first);
    list->editItem(first);
}

void RemoteOperations::startFolderCreation() {
    if (!m_session.isOpen()) return;
    QListWidget* list = m_ui.FTPFilesList;
    removeProvisionalItem(); // one at a time
    QStringList captions;
    for (int i = 0; i < list->count(); ++i)
        captions << list->item(i)->text();
    auto* item = new QListWidgetItem(newFolderCaption(captions));
    // The folder picture of the catalogue (image 2), as the listing gives folders.
    TTable* catalogue = m_tables.FileInfo;
    if (catalogue->active()) {
        if (TField* pictures = catalogue->findField(QStringLiteral("Pictures48x48"))) {
            const QImage picture = pictureOf(catalogue->value(2, pictures->position()));
            if (!picture.isNull()) item->setIcon(QIcon(QPixmap::fromImage(picture)));
        }
    }
    item->setData(RemoteKindRole, QString());
    item->setData(RemoteImageRole, 2);
    item->setData(ProvisionalItemRole, true);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    list->addItem(item);
    list->clearSelection();
    list->setCurrentItem(item);
    list->scrollToItem(item);
    list->editItem(item);
}

void RemoteOperations::removeProvisionalItem() {
    QListWidget* list = m_ui.FTPFilesList;
    for (int i = list->count() - 1; i >= 0; --i)
        if (list->item(i)->data(ProvisionalItemRole).toBool()) delete list->takeItem(i);
}

void RemoteOperations::editAbandoned() {
    RenameFTPObject = false;
    CreateFTPDir = false;
    removeProvisionalItem();
}

QString RemoteOperations::currentFolder() {
    return m_session.ftp().RetrieveCurrentDir();
}

void RemoteOperations::captionEdited(const CaptionEdit& edit) {
    // Without the connection nothing is sent; the item keeps what was typed.
    if (!m_session.isOpen()) return;
    if (edit.provisional) {
        createFolder(edit.newText);
        return;
    }
    rename(edit);
}

void RemoteOperations::rename(const CaptionEdit& edit) {
    RenameFTPObject = false;
    TIdFTP& ftp = m_session.ftp();
    const QString folder = currentFolder();
    if (edit.newText == edit.oldCaption) {
        emit listRequested(folder);
        return;
    }
    const QByteArray from = edit.oldRawName.isEmpty() ? ftp.encodeText(edit.oldCaption) : edit.oldRawName;
    QString status;
    try {
        if (!isSafeRemoteName(edit.oldCaption) || !isSafeRawName(from))
            throw QeltoError(QStringLiteral("\"%1\" cannot be renamed from here").arg(edit.oldCaption));
        checkTypedName(edit.newText);
        // The server would replace a file of that name without a word: the user decides first.
        if (nameClash(listedEntries(*m_tables.Permissions), {edit.newText, false}) != NameClash::None &&
            askToReplace(m_window, QStringLiteral("This folder already holds \"%1\". Replace it with \"%2\"?")
                                       .arg(edit.newText, edit.oldCaption)) != ReplaceAnswer::Replace) {
            emit listRequested(folder); // the old caption comes back
            m_ui.ProcessEdit->setText(QStringLiteral("Not renamed: ") + edit.oldCaption);
            return;
        }
        ftp.Rename(from, ftp.encodeText(edit.newText));
        status = QStringLiteral(" Rename: ") + edit.oldCaption + QStringLiteral(" To: ") + edit.newText;
    } catch (const FtpReplyError& e) {
        // The refusal is in the protocol log; the status field keeps it in view after the refresh.
        status = QStringLiteral("Rename refused: ") + e.text().trimmed();
    } catch (const QeltoError&) {
        emit listRequested(folder); // the old caption comes back
        throw;
    }
    emit listRequested(folder);
    m_ui.ProcessEdit->setText(status);
}

void RemoteOperations::createFolder(const QString& name) {
    TIdFTP& ftp = m_session.ftp();
    checkTypedName(name);
    const QString folder = currentFolder();
    const QString path = JoinRemotePath(folder, name);
    try {
        ftp.MakeDir(joinRemotePath(ftp.encodeText(folder), ftp.encodeText(name)));
    } catch (const FtpReplyError& e) {
        // The provisional item stays: another edit of it tries again, Escape drops it.
        m_ui.ProcessEdit->setText(QStringLiteral("Create folder refused: ") + e.text().trimmed());
        throw;
    }
    // Into the new folder and back: the listing shows it as the server made it.
    emit listRequested(path);
    emit listRequested(folder);
    CreateFTPDir = false;
    m_ui.ProcessEdit->setText(QStringLiteral(" Create New FTP Directory: ") + path);
}
