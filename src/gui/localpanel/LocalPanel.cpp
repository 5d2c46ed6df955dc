#include "gui/localpanel/LocalPanel.h"

#include "core/base/Errors.h"
#include "gui/common/UserAction.h"
#include "gui/localpanel/LocalFileModel.h"
#include "ui_MyMenu.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>

namespace {

constexpr QDir::Filters shownEntries = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
constexpr QDir::Filters shownFolders = QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot;

// Delete moves the selection to the trash, Backspace goes up a folder.
class ListKeyFilter : public QObject {
public:
    ListKeyFilter(QObject* parent, std::function<void()> onDelete, std::function<void()> onBack)
        : QObject(parent), m_onDelete(std::move(onDelete)), m_onBack(std::move(onBack)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
                m_onDelete();
                return true;
            }
            if (key->key() == Qt::Key_Backspace && key->modifiers() == Qt::NoModifier) {
                m_onBack();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onDelete;
    std::function<void()> m_onBack;
};

} // namespace

LocalPanel::LocalPanel(Ui::TMyMenuForm& ui, QWidget* window)
    : QObject(window), m_ui(ui), m_window(window), m_treeModel(new LocalFileModel(this)),
      m_listModel(new LocalFileModel(this)) {
    setUpTree();
    setUpList();
    setUpButtons();
    setUpContextMenu();
    setUpDrops();
    // Start at the home folder. The status field keeps its start text: only the user's choices echo there.
    const QModelIndex home = m_treeModel->index(QDir::homePath());
    m_ui.ShellTree->setCurrentIndex(home);
    m_ui.ShellTree->scrollTo(home);
    showTreeFolder(Echo::Never);
    connect(m_ui.ShellTree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_ui.ShellTree->selectionModel()->hasSelection())
            userAction(m_window, [this] { showTreeFolder(Echo::IfMoved); });
    });
}

void LocalPanel::setUpTree() {
    m_treeModel->setFilter(shownFolders);
    m_treeModel->setRootPath(QDir::rootPath());
    QTreeView* tree = m_ui.ShellTree;
    tree->setModel(m_treeModel);
    tree->setHeaderHidden(true);
    for (int column = 1; column < m_treeModel->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setDragEnabled(true);
    tree->setAcceptDrops(true);
    tree->viewport()->setAcceptDrops(true);
    tree->setDropIndicatorShown(false);
}

void LocalPanel::setUpList() {
    m_listModel->setFilter(shownEntries);
    m_listModel->setReadOnly(false); // in-place renames
    m_listModel->setRenamer([this](const QModelIndex& index, const QString& newName) {
        bool renamed = false;
        userAction(m_window, [&] { renamed = renameItem(index, newName); });
        return renamed;
    });
    QListView* list = m_ui.LocalFileList;
    list->setModel(m_listModel);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    list->setDragEnabled(true);
    list->setAcceptDrops(true);
    list->viewport()->setAcceptDrops(true);
    list->setDropIndicatorShown(false);
    list->setUniformItemSizes(true);
    list->installEventFilter(new ListKeyFilter(
        this, [this] { userAction(m_window, [this] { deleteSelected(); }); },
        [this] { userAction(m_window, [this] { goUp(); }); }));

    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection& deselected) {
                if (m_changingFolder) return;
                userAction(m_window, [&] {
                    for (const QModelIndex& index : deselected.indexes())
                        showListItem(index);
                    for (const QModelIndex& index : selected.indexes())
                        showListItem(index);
                });
            });
    connect(m_listModel, &QAbstractItemModel::rowsInserted, this, &LocalPanel::editNewFolder);
    connect(list->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this] { m_newFolder.clear(); });
    connect(list, &QListView::activated, this, [this](const QModelIndex& index) {
        userAction(m_window, [&] { openItem(m_listModel->filePath(index)); });
    });
}

void LocalPanel::setUpButtons() {
    const std::pair<QToolButton*, const char*> icons[] = {
        {m_ui.LFB001, "local_new_folder"}, {m_ui.RzBmpButton2, "local_rename"},
        {m_ui.RzBmpButton3, "local_open"}, {m_ui.LFB003, "local_cut"},
        {m_ui.LFB005, "local_copy"},       {m_ui.LFB006, "local_paste"},
        {m_ui.LFB007, "local_delete"},     {m_ui.LFB009, "local_up"}};
    for (const auto& [button, icon] : icons) {
        button->setIcon(QIcon(QStringLiteral(":/skin/") + QLatin1String(icon) + QStringLiteral(".svg")));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(20, 20));
        button->setAutoRaise(true);
    }
    auto act = [this](auto action) { return [this, action] { userAction(m_window, action); }; };
    connect(m_ui.LFB001, &QToolButton::clicked, this, act([this] { createFolder(); }));
    connect(m_ui.RzBmpButton2, &QToolButton::clicked, this, act([this] { renameSelected(); }));
    connect(m_ui.RzBmpButton3, &QToolButton::clicked, this, act([this] { openSelected(); }));
    connect(m_ui.LFB005, &QToolButton::clicked, this, act([this] { emit copyRequested(); }));
    connect(m_ui.LFB006, &QToolButton::clicked, this, act([this] { emit pasteRequested(); }));
    connect(m_ui.LFB007, &QToolButton::clicked, this, act([this] { deleteSelected(); }));
    connect(m_ui.LFB009, &QToolButton::clicked, this, act([this] { goUp(); }));
}

void LocalPanel::setUpContextMenu() {
    m_menu = new QMenu(m_ui.LocalFileList);
    m_menu->setObjectName(QStringLiteral("LocalFileMenu"));
    auto add = [this](const QString& text, auto action) {
        QAction* item = m_menu->addAction(text);
        connect(item, &QAction::triggered, this, [this, action] { userAction(m_window, action); });
        return item;
    };
    QAction* open = add(QStringLiteral("Open"), [this] { openSelected(); });
    QAction* rename = add(QStringLiteral("Rename"), [this] { renameSelected(); });
    add(QStringLiteral("New folder"), [this] { createFolder(); });
    QAction* remove = add(QStringLiteral("Delete"), [this] { deleteSelected(); });
    connect(m_menu, &QMenu::aboutToShow, this, [=, this] {
        const bool any = !selectedPaths().isEmpty();
        for (QAction* needsItem : {open, rename, remove})
            needsItem->setEnabled(any);
    });
    m_ui.LocalFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui.LocalFileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_menu->popup(m_ui.LocalFileList->viewport()->mapToGlobal(pos)); });
}

QStringList LocalPanel::selectedPaths() const {
    QModelIndexList indexes;
    for (const QModelIndex& index : m_ui.LocalFileList->selectionModel()->selectedIndexes())
        if (index.column() == 0 && index.parent() == m_ui.LocalFileList->rootIndex()) indexes << index;
    std::sort(indexes.begin(), indexes.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList paths;
    for (const QModelIndex& index : indexes)
        paths << m_listModel->filePath(index);
    return paths;
}

void LocalPanel::showSelectedFile(const QString& path) {
    m_ui.LocalSelectedFile->setText(path);
}

void LocalPanel::openFolder(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        throw QeltoError(QStringLiteral("The folder \"%1\" does not exist").arg(path),
                         ErrorCategory::LocalFile);
    const QModelIndex index = m_treeModel->index(info.absoluteFilePath());
    if (!index.isValid())
        throw QeltoError(QStringLiteral("The folder \"%1\" cannot be shown").arg(path),
                         ErrorCategory::LocalFile);
    QTreeView* tree = m_ui.ShellTree;
    tree->scrollTo(index);
    if (tree->currentIndex() == index && tree->selectionModel()->isSelected(index))
        showTreeFolder(Echo::Always); // asked for again: said again
    else
        tree->setCurrentIndex(index); // the tree's selection change shows it
}

void LocalPanel::showTreeFolder(Echo echo) {
    const QModelIndexList selected = m_ui.ShellTree->selectionModel()->selectedIndexes();
    const QString path = selected.isEmpty() ? QString() : m_treeModel->filePath(selected.first());
    const QString folder = QFileInfo(path).isDir() ? path : QString();
    // The tree reports its selection again when the shown folder's own children change (a folder made
    // in it): that leaves no folder, and must not drop the list's selection or the new folder's edit.
    const bool leaving = folder != LocalCurrentDirectory || folder.isEmpty();
    LocalCurrentDirectory = folder;

    if (leaving) {
        // Leaving a folder deselects its items; that is no selection of the user's to echo.
        m_changingFolder = true;
        m_ui.LocalFileList->selectionModel()->clear();
        m_changingFolder = false;
        m_newFolder.clear();
        m_ui.LocalFileList->setRootIndex(m_listModel->setRootPath(LocalCurrentDirectory));
    }

    m_ui.LocalSelectedFile->setText(path);
    // Only a folder the user moves to is echoed: the tree selects its folder again when the file system
    // changes below it (a download writing there), and that must not write over a job's texts.
    if (echo == Echo::Always || (echo == Echo::IfMoved && leaving)) m_ui.ProcessEdit->setText(path);
    emit folderChanged(LocalCurrentDirectory);
}

void LocalPanel::showListItem(const QModelIndex& index) {
    if (index.column() != 0) return;
    const QFileInfo item(m_listModel->filePath(index));
    QString folder = item.path();
    if (!folder.endsWith(u'/')) folder += u'/';
    m_ui.LocalSelectedFile->setText(folder);
    m_ui.ProcessEdit->setText(item.fileName());
}

void LocalPanel::goUp() {
    if (LocalCurrentDirectory.isEmpty()) return;
    QDir folder(LocalCurrentDirectory);
    if (!folder.cdUp()) return; // at the root already
    openFolder(folder.absolutePath());
}
