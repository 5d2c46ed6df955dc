#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QDropEvent>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using testsupport::waitUntil;

class LocalPanelTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(home.isValid());
        previousHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        work = home.path() + QStringLiteral("/work");
        writeFile(QStringLiteral("work/report.txt"));
        writeFile(QStringLiteral("work/.hidden"));
        writeFile(QStringLiteral("work/sub/inner.txt"));
        writeFile(QStringLiteral("work/.conf/settings"));
        previousConfirmation = localpanel::setConfirmation([this](QWidget*, const QString& question) {
            questions << question;
            return answer;
        });
    }

    void TearDown() override {
        WindowTest::TearDown();
        localpanel::setConfirmation(previousConfirmation);
        qputenv("HOME", previousHome);
    }

    void writeFile(const QString& relative) {
        const QString path = home.path() + u'/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("data");
    }

    Ui::TMyMenuForm& ui() const { return *window->ui(); }
    LocalPanel& panel() const { return window->localPanel(); }
    QFileSystemModel* listModel() const {
        return static_cast<QFileSystemModel*>(ui().LocalFileList->model());
    }
    QFileSystemModel* treeModel() const { return static_cast<QFileSystemModel*>(ui().ShellTree->model()); }
    QString treeFolder() const { return treeModel()->filePath(ui().ShellTree->currentIndex()); }

    // The list's entries as shown (after the model has read the folder).
    QStringList listed() const {
        QStringList names;
        const QModelIndex root = ui().LocalFileList->rootIndex();
        for (int row = 0; row < listModel()->rowCount(root); ++row)
            names << listModel()->index(row, 0, root).data().toString();
        names.sort();
        return names;
    }

    void select(const QStringList& paths) {
        QItemSelectionModel* selection = ui().LocalFileList->selectionModel();
        selection->clear();
        for (const QString& path : paths)
            selection->select(listModel()->index(path), QItemSelectionModel::Select);
    }

    // Waits until the list shows what the folder holds, as the user sees it before the next command.
    bool waitForListShowingDisk() const {
        return waitUntil([&] {
            QStringList onDisk = QDir(panel().LocalCurrentDirectory)
                                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
            onDisk.sort();
            return listed() == onDisk;
        });
    }

    // Types a name into the open in-place editor of the list and presses Enter.
    bool typeIntoEditor(const QString& name) {
        QLineEdit* editor = nullptr;
        if (!waitUntil([&] {
                for (QLineEdit* e : ui().LocalFileList->viewport()->findChildren<QLineEdit*>())
                    if (e->isVisible()) editor = e;
                return editor != nullptr;
            }))
            return false;
        editor->selectAll();
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
        return true;
    }

    QTemporaryDir home;
    QString work;
    QStringList questions;
    bool answer = true;

private:
    QByteArray previousHome;
    localpanel::Confirmation previousConfirmation;
};

TEST_F(LocalPanelTest, StartsAtHomeAndChoosingAFolderShowsItEverywhere) {
    openWindow();
    EXPECT_EQ(panel().LocalCurrentDirectory, home.path());
    EXPECT_EQ(ui().LocalSelectedFile->text(), home.path());
    EXPECT_EQ(ui().ProcessEdit->text(), QStringLiteral("*.*")); // the start text stays until the user acts
    EXPECT_EQ(treeFolder(), home.path());
    EXPECT_EQ(treeModel()->index(0, 0).data(QFileSystemModel::FilePathRole).toString(), QStringLiteral("/"));

    QSignalSpy changed(&panel(), &LocalPanel::folderChanged);
    ui().ShellTree->setCurrentIndex(treeModel()->index(work));
    EXPECT_EQ(panel().LocalCurrentDirectory, work);
    EXPECT_EQ(ui().LocalSelectedFile->text(), work);
    EXPECT_EQ(ui().ProcessEdit->text(), work);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.first().first().toString(), work);

    // The list shows every entry, hidden ones too; the tree only folders, hidden ones too.
    const QStringList expected{QStringLiteral(".conf"), QStringLiteral(".hidden"),
                               QStringLiteral("report.txt"), QStringLiteral("sub")};
    EXPECT_TRUE(waitUntil([&] { return listed() == expected; })) << listed().join(u' ').toStdString();
    const QModelIndex treeWork = treeModel()->index(work);
    treeModel()->fetchMore(treeWork);
    EXPECT_TRUE(waitUntil([&] { return treeModel()->rowCount(treeWork) == 2; }));
    QStringList treeChildren;
    for (int row = 0; row < treeModel()->rowCount(treeWork); ++row)
        treeChildren << treeModel()->index(row, 0, treeWork).data().toString();
    treeChildren.sort();
    EXPECT_EQ(treeChildren, (QStringList{QStringLiteral(".conf"), QStringLiteral("sub")}));

    // A file made by another program appears by itself.
    writeFile(QStringLiteral("work/later.txt"));
    EXPECT_TRUE(waitUntil([&] { return listed().contains(QStringLiteral("later.txt")); }));
}

TEST_F(LocalPanelTest, SelectingAnItemShowsItsFolderAndName) {
    openWindow();
    struct Case {
        QString folder;
        QString item;
        QString selectedFile;
    };
    const Case cases[] = {
        {work, QStringLiteral("report.txt"), work + u'/'},
        {work, QStringLiteral("sub"), work + u'/'},
        {work + QStringLiteral("/sub"), QStringLiteral("inner.txt"), work + QStringLiteral("/sub/")},
        {QStringLiteral("/"), QFileInfo(home.path()).path().section(u'/', 1, 1), QStringLiteral("/")},
    };
    for (const Case& c : cases) {
        panel().openFolder(c.folder);
        EXPECT_EQ(ui().ProcessEdit->text(), c.folder);
        select({QDir(c.folder).filePath(c.item)});
        EXPECT_EQ(ui().LocalSelectedFile->text(), c.selectedFile) << c.item.toStdString();
        EXPECT_EQ(ui().ProcessEdit->text(), c.item);
        EXPECT_EQ(panel().LocalCurrentDirectory, c.folder); // an item is no folder choice
    }

    // Several selected: their paths in display order.
    panel().openFolder(work);
    const QString report = work + QStringLiteral("/report.txt");
    const QString sub = work + QStringLiteral("/sub");
    ASSERT_TRUE(waitUntil([&] { return listed().size() == 4; }));
    select({report, sub});
    QStringList byPosition{report, sub};
    const auto top = [&](const QString& path) {
        return ui().LocalFileList->visualRect(listModel()->index(path)).top();
    };
    std::sort(byPosition.begin(), byPosition.end(), [&](auto& a, auto& b) { return top(a) < top(b); });
    EXPECT_EQ(panel().selectedPaths(), byPosition);
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(LocalPanelTest, NewFolderFromTheButtonOrTheMenuIsNamedInPlace) {
    openWindow();
    panel().openFolder(work);
    QDir().mkdir(work + QStringLiteral("/New Folder")); // the usual name is taken
    QMenu* menu = ui().LocalFileList->findChild<QMenu*>(QStringLiteral("LocalFileMenu"));
    ASSERT_NE(menu, nullptr);
    QStringList menuTexts;
    for (QAction* action : menu->actions())
        menuTexts << action->text();
    EXPECT_EQ(menuTexts, (QStringList{QStringLiteral("Open"), QStringLiteral("Rename"),
                                      QStringLiteral("New folder"), QStringLiteral("Delete")}));

    const std::function<void()> commands[] = {[&] { ui().LFB001->click(); },
                                              [&] { menu->actions().at(2)->trigger(); }};
    int made = 0;
    for (const auto& command : commands) {
        ASSERT_TRUE(waitForListShowingDisk());
        command();
        ASSERT_TRUE(QFileInfo(work + QStringLiteral("/New Folder (2)")).isDir());
        const QString name = QStringLiteral("made%1").arg(++made);
        ASSERT_TRUE(typeIntoEditor(name));
        EXPECT_TRUE(waitUntil([&] { return QFileInfo(work + u'/' + name).isDir(); })) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(work + QStringLiteral("/New Folder (2)")));
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(LocalPanelTest, RenameInPlaceRefusesNamesThatWouldLoseOrEscape) {
    openWindow();
    panel().openFolder(work);
    const QString report = work + QStringLiteral("/report.txt");

    struct Case {
        QString name;
        QString error; // empty: renamed
    };
    const Case refused[] = {
        {QStringLiteral("sub"), QStringLiteral("\"%1/sub\" already exists.").arg(work)},
        {QStringLiteral(".hidden"), QStringLiteral("\"%1/.hidden\" already exists.").arg(work)},
        {QStringLiteral("../out.txt"), QStringLiteral("The name \"../out.txt\" cannot be used.")},
        {QStringLiteral(".."), QStringLiteral("The name \"..\" cannot be used.")},
    };
    for (const Case& c : refused) {
        errors.clear();
        select({report});
        ui().RzBmpButton2->click();
        ASSERT_TRUE(typeIntoEditor(c.name));
        ASSERT_TRUE(waitUntil([&] { return !errors.isEmpty(); })) << c.name.toStdString();
        EXPECT_EQ(errors, QStringList{c.error});
        EXPECT_TRUE(QFileInfo(report).isFile());
        EXPECT_TRUE(QFileInfo(work + QStringLiteral("/sub/inner.txt")).isFile());
        EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/out.txt")));
    }

    errors.clear();
    select({report});
    ui().RzBmpButton2->click();
    ASSERT_TRUE(typeIntoEditor(QStringLiteral("final.txt")));
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(work + QStringLiteral("/final.txt")).isFile(); }));
    EXPECT_FALSE(QFileInfo::exists(report));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(LocalPanelTest, DeleteAsksNamingTheTopItemAndMovesOnlyItToTheTrash) {
    openWindow();
    panel().openFolder(work);
    ASSERT_TRUE(waitUntil([&] { return listed().size() == 4; }));
    const QString report = work + QStringLiteral("/report.txt");
    const QString sub = work + QStringLiteral("/sub");
    const QString trash = dataHome.path() + QStringLiteral("/Trash");

    // Refused: nothing moves, nothing is reported.
    answer = false;
    select({report, sub});
    const QString top = panel().selectedPaths().first();
    ui().LFB007->click();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions.first().contains(u'"' + QFileInfo(top).fileName() + u'"'))
        << questions.first().toStdString();
    EXPECT_EQ(ui().ProcessEdit->text(), top);
    EXPECT_TRUE(QFileInfo::exists(report) && QFileInfo::exists(sub));
    EXPECT_TRUE(errors.isEmpty());

    // Accepted: the top item goes to the trash with its contents, the other stays.
    answer = true;
    select({report, sub});
    ui().LFB007->click();
    const QString other = top == report ? sub : report;
    EXPECT_FALSE(QFileInfo::exists(top));
    EXPECT_TRUE(QFileInfo::exists(other));
    const QString trashed = trash + QStringLiteral("/files/") + QFileInfo(top).fileName();
    EXPECT_TRUE(QFileInfo::exists(trashed));
    EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("/info/") + QFileInfo(top).fileName() +
                                  QStringLiteral(".trashinfo")));
    if (top == sub) {
        EXPECT_TRUE(QFileInfo::exists(trashed + QStringLiteral("/inner.txt")));
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(LocalPanelTest, ATrashThatCannotBeSetUpIsReportedAndTheItemStays) {
    openWindow();
    panel().openFolder(work);
    // A file where the trash folder belongs.
    QFile blocker(dataHome.path() + QStringLiteral("/Trash"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString report = work + QStringLiteral("/report.txt");
    select({report});
    ui().LFB007->click();
    EXPECT_EQ(errors, QStringList{QStringLiteral("Cannot move \"%1\" to the trash.").arg(report)});
    EXPECT_TRUE(QFileInfo(report).isFile());
    // Nothing was left in the current folder either.
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("files")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("info")));
}

TEST_F(LocalPanelTest, OpeningAFolderEntersItAndDirectoryUpOnlyGoesUp) {
    openWindow();
    panel().openFolder(work);
    QSignalSpy copies(&panel(), &LocalPanel::copyRequested);
    QSignalSpy pastes(&panel(), &LocalPanel::pasteRequested);
    QSignalSpy drops(&panel(), &LocalPanel::remoteItemsDropped);

    select({work + QStringLiteral("/sub")});
    ui().RzBmpButton3->click();
    EXPECT_EQ(panel().LocalCurrentDirectory, work + QStringLiteral("/sub"));
    EXPECT_EQ(treeFolder(), work + QStringLiteral("/sub"));

    select({work + QStringLiteral("/sub/inner.txt")});
    ui().LFB009->click();
    EXPECT_EQ(panel().LocalCurrentDirectory, work);
    EXPECT_EQ(treeFolder(), work);
    EXPECT_EQ(ui().ProcessEdit->text(), work);
    EXPECT_TRUE(panel().selectedPaths().isEmpty());

    panel().openFolder(QStringLiteral("/"));
    ui().LFB009->click();
    EXPECT_EQ(panel().LocalCurrentDirectory, QStringLiteral("/"));
    EXPECT_EQ(copies.size() + pastes.size() + drops.size(), 0); // no transfer from navigation
    EXPECT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
}

TEST_F(LocalPanelTest, OnlyItemsOfTheRemoteListAreTakenWhenDropped) {
    openWindow();
    QListWidget* remote = ui().FTPFilesList;
    remote->addItems({QStringLiteral("a.txt"), QStringLiteral("pub")});
    QListWidget stranger; // a list somewhere else with other rows
    stranger.addItems({QStringLiteral("x"), QStringLiteral("y")});

    auto fromList = [](QListWidget& list, int row) {
        return list.model()->mimeData({list.model()->index(row, 0)});
    };
    const QString outside = dataHome.path() + QStringLiteral("/outside.txt");
    QFile(outside).open(QIODevice::WriteOnly);
    auto fromFileManager = [&] {
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(outside)});
        return data;
    };
    struct Case {
        const char* what;
        std::function<QMimeData*()> data;
        bool taken;
    };
    const Case cases[] = {
        {"remote item", [&] { return fromList(*remote, 1); }, true},
        {"other list", [&] { return fromList(stranger, 1); }, false},
        {"file manager", fromFileManager, false},
    };
    for (QWidget* target : {ui().LocalFileList->viewport(), ui().ShellTree->viewport()}) {
        for (const Case& c : cases) {
            QSignalSpy dropped(&panel(), &LocalPanel::remoteItemsDropped);
            std::unique_ptr<QMimeData> data(c.data());
            const QPointF at(5, 5);
            QDragEnterEvent enter(at.toPoint(), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            EXPECT_EQ(enter.isAccepted(), c.taken) << c.what;
            if (c.taken) {
                EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
            }
            QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
            EXPECT_EQ(dropped.size(), c.taken ? 1 : 0) << c.what;
        }
    }
    // Nor did a file manager's drop copy anything in.
    EXPECT_EQ(QDir(home.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("work")});
    EXPECT_FALSE(QFileInfo::exists(work + QStringLiteral("/outside.txt")));
}

TEST_F(LocalPanelTest, DragsOutOfTheLocalViewsOfferACopyOnly) {
    openWindow();
    panel().openFolder(work);
    const QString report = work + QStringLiteral("/report.txt");
    EXPECT_TRUE(ui().LocalFileList->dragEnabled());
    EXPECT_EQ(listModel()->supportedDragActions(), Qt::CopyAction);
    EXPECT_EQ(treeModel()->supportedDragActions(), Qt::CopyAction);
    std::unique_ptr<QMimeData> data(listModel()->mimeData({listModel()->index(report)}));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls(), QList<QUrl>{QUrl::fromLocalFile(report)});
}
