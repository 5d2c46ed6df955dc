#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace Ui {
class TMyMenuForm;
}
class LocalFileModel;
class QDropEvent;
class QEvent;
class QMenu;
class QModelIndex;
class QWidget;

namespace localpanel {

using Confirmation = std::function<bool(QWidget* parent, const QString& question)>;

// Replaces the yes/no question asked before a local delete (window tests answer it instead of a modal
// dialog). Returns the previous one.
Confirmation setConfirmation(Confirmation confirmation);

} // namespace localpanel

// The local file system on the page "Local Files": the folder tree ShellTree, the list LocalFileList of
// the folder chosen there, the header text LocalSelectedFile and the page's buttons. Downloads land in
// LocalCurrentDirectory; uploads take the list's selection.
class LocalPanel : public QObject {
    Q_OBJECT
public:
    LocalPanel(Ui::TMyMenuForm& ui, QWidget* window);

    // Full path of the folder chosen in ShellTree ("/" separators); empty when none is chosen.
    QString LocalCurrentDirectory;

    // Full paths of the selected items of LocalFileList, in display order.
    QStringList selectedPaths() const;
    // Writes LocalSelectedFile (the download runner shows the row it works on there).
    void showSelectedFile(const QString& path);
    // Shows this folder in the tree and the list, as if the user had chosen it.
    void openFolder(const QString& path);

signals:
    void folderChanged(const QString& path);
    void copyRequested();  // LFB005: build an upload list
    void pasteRequested(); // LFB006: build and run an upload
    // Items dragged from the remote list FTPFilesList were dropped on LocalFileList or ShellTree.
    void remoteItemsDropped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createFolder();
    void renameSelected();
    void openSelected();
    void deleteSelected();
    void goUp();

    void setUpTree();
    void setUpList();
    void setUpButtons();
    void setUpContextMenu();
    void setUpDrops();
    // Whether the status field says the folder the tree shows: never (at start), only when the tree moved
    // to another folder (its selection changes also when the file system changes below it), or always (the
    // folder was asked for).
    enum class Echo { Never, IfMoved, Always };
    void showTreeFolder(Echo echo);
    void showListItem(const QModelIndex& index);
    void openItem(const QString& path);
    void editName(const QModelIndex& index);
    void editNewFolder(const QModelIndex& parent, int first, int last);
    bool renameItem(const QModelIndex& index, const QString& newName);
    bool isRemoteDrag(const QDropEvent& event) const;

    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
    LocalFileModel* m_treeModel;
    LocalFileModel* m_listModel;
    QMenu* m_menu = nullptr;
    bool m_changingFolder = false;
    QString m_newFolder; // made by LFB001, its name not yet edited
};
