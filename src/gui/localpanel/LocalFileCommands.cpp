// The commands on the list's items: new folder, rename, open and delete to the trash.
#include "gui/localpanel/LocalFileModel.h"
#include "gui/localpanel/LocalPanel.h"

#include "core/base/Errors.h"
#include "ui_MyMenu.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>
#include <unistd.h>

namespace localpanel {
namespace {

bool askInBox(QWidget* parent, const QString& question) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Qelto"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText); // file names are shown as they are
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

Confirmation& currentConfirmation() {
    static Confirmation confirmation = askInBox;
    return confirmation;
}

bool confirm(QWidget* parent, const QString& question) {
    return currentConfirmation()(parent, question);
}

} // namespace

Confirmation setConfirmation(Confirmation confirmation) {
    Confirmation previous = std::move(currentConfirmation());
    currentConfirmation() = confirmation ? std::move(confirmation) : Confirmation(askInBox);
    return previous;
}

} // namespace localpanel

namespace {

// A name the user typed for an item of the current folder: one path element, nothing else.
bool usableName(const QString& name) {
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
           !name.contains(u'/') && !name.contains(QChar(0));
}

bool occupied(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink(); // a dangling link holds its name too
}

QString freshFolderName(const QString& folder) {
    const QString base = QStringLiteral("New Folder");
    QString name = base;
    for (int n = 2; occupied(folder + u'/' + name); ++n)
        name = base + QStringLiteral(" (%1)").arg(n);
    return name;
}

// Whether `root` is one of the trash folders of the freedesktop rules: the one in the data folder, or
// $topdir/.Trash/$uid and $topdir/.Trash-$uid on other file systems.
bool isTrashFolder(const QString& root) {
    const QFileInfo info(root);
    const QString uid = QString::number(::getuid());
    const QString homeTrash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
    return info.absoluteFilePath() == QFileInfo(homeTrash).absoluteFilePath() ||
           info.fileName() == QStringLiteral(".Trash-") + uid ||
           (info.fileName() == uid && QFileInfo(info.path()).fileName() == QStringLiteral(".Trash"));
}

// Moves the item to the trash. When the trash cannot be set up, QFile::moveToTrash may still "succeed"
// into files/ and info/ of the current folder; such a move is undone and counts as a failure.
bool moveToTrash(const QString& path) {
    QString moved;
    if (!QFile::moveToTrash(path, &moved)) return false;
    const QFileInfo placed(moved);
    const QString filesFolder = placed.absolutePath();
    const QString root = QFileInfo(filesFolder).path();
    if (QFileInfo(filesFolder).fileName() == QStringLiteral("files") && isTrashFolder(root)) return true;
    if (QDir().rename(placed.absoluteFilePath(), path)) {
        QFile::remove(root + QStringLiteral("/info/") + placed.fileName() + QStringLiteral(".trashinfo"));
        QDir(root).rmdir(QStringLiteral("info")); // only when empty
        QDir(root).rmdir(QStringLiteral("files"));
    }
    return false;
}

} // namespace

void LocalPanel::createFolder() {
    if (LocalCurrentDirectory.isEmpty())
        throw QeltoError(QStringLiteral("No local folder is chosen"), ErrorCategory::LocalFile);
    const QString name = freshFolderName(LocalCurrentDirectory);
    if (!QDir(LocalCurrentDirectory).mkdir(name))
        throw QeltoError(
            QStringLiteral("Cannot create the folder \"%1\" in \"%2\"").arg(name, LocalCurrentDirectory),
            ErrorCategory::LocalFile);
    // Its name is edited once the list shows it. The model's own mkdir shows it at once, but a listing
    // of the folder taken just before then drops it again for a moment, and the editor with it.
    m_newFolder = QDir(LocalCurrentDirectory).filePath(name);
}

void LocalPanel::editName(const QModelIndex& index) {
    QListView* list = m_ui.LocalFileList;
    list->setCurrentIndex(index);
    list->scrollTo(index);
    list->edit(index);
}

void LocalPanel::editNewFolder(const QModelIndex& parent, int first, int last) {
    if (m_newFolder.isEmpty()) return;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = m_listModel->index(row, 0, parent);
        if (m_listModel->filePath(index) == m_newFolder && !m_ui.LocalFileList->indexWidget(index))
            editName(index);
    }
}

void LocalPanel::renameSelected() {
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) return;
    const QModelIndex index = m_listModel->index(paths.first());
    m_ui.LocalFileList->setCurrentIndex(index);
    m_ui.LocalFileList->edit(index);
}

bool LocalPanel::renameItem(const QModelIndex& index, const QString& newName) {
    const QString path = m_listModel->filePath(index);
    const QFileInfo item(path);
    if (newName == item.fileName()) return true;
    if (!usableName(newName))
        throw QeltoError(QStringLiteral("The name \"%1\" cannot be used").arg(newName),
                         ErrorCategory::LocalFile);
    const QString target = item.path() + u'/' + newName;
    // Renaming onto an existing name would replace that file.
    if (occupied(target))
        throw QeltoError(QStringLiteral("\"%1\" already exists").arg(target), ErrorCategory::LocalFile);
    if (!m_listModel->rename(index, newName))
        throw QeltoError(QStringLiteral("Cannot rename \"%1\" to \"%2\"").arg(path, newName),
                         ErrorCategory::LocalFile);
    return true;
}

void LocalPanel::openSelected() {
    const QStringList paths = selectedPaths();
    if (!paths.isEmpty()) openItem(paths.first());
}

void LocalPanel::openItem(const QString& path) {
    if (QFileInfo(path).isDir()) {
        openFolder(path);
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        throw QeltoError(QStringLiteral("Cannot open \"%1\"").arg(path), ErrorCategory::LocalFile);
}

void LocalPanel::deleteSelected() {
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) return;
    // One item per command, the top-most selected one.
    const QString path = paths.first();
    m_ui.ProcessEdit->setText(path);
    const QFileInfo item(path);
    const QString question =
        item.isDir() && !item.isSymLink()
            ? QStringLiteral("Move the folder \"%1\" and all it holds to the trash?").arg(item.fileName())
            : QStringLiteral("Move \"%1\" to the trash?").arg(item.fileName());
    if (!localpanel::confirm(m_window, question)) return;
    if (!moveToTrash(path))
        throw QeltoError(QStringLiteral("Cannot move \"%1\" to the trash").arg(path),
                         ErrorCategory::LocalFile);
}
