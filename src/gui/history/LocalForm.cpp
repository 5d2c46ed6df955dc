#include "gui/history/LocalForm.h"

#include "core/base/Errors.h"
#include "core/base/WindowOutline.h"
#include "core/monitor/ProcessorTimes.h"
#include "gui/common/ProcessorGauge.h"
#include "gui/common/SkinImage.h"
#include "gui/common/UserAction.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSaveFile>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace {

QToolButton* toolButton(QWidget* parent, const char* name, const QString& text, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(tip);
    return b;
}

} // namespace

TLocalForm::TLocalForm(ProcessorUsage& usage, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ControlTimer(new QTimer(this)), m_usage(usage),
      m_folders(new QFileSystemModel(this)), m_files(new QFileSystemModel(this)) {
    setObjectName(QStringLiteral("TLocalForm"));
    setWindowTitle(QStringLiteral("Local"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(800, 500);
    setMask(QRegion(outlinePolygon(initialWindowOutline())));
    m_question = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, QStringLiteral("Qelto"), text) == QMessageBox::Yes;
    };
    buildControls();
    ControlTimer->setObjectName(QStringLiteral("ControlTimer"));
    ControlTimer->setInterval(1000);
    connect(ControlTimer, &QTimer::timeout, this, [this] { userAction(this, [this] { tickProcessorLoad(); }); });
}

void TLocalForm::buildControls() {
    ProcessEdit = new QLineEdit(this);
    ProcessEdit->setObjectName(QStringLiteral("ProcessEdit"));
    ProcessEdit->setReadOnly(true);
    ProcessEdit->setStyleSheet(QStringLiteral("color: grey; background: black;"));
    CentralPanel = toolButton(this, "CentralPanel", QStringLiteral("X"), QStringLiteral("Close ..."));
    auto* top = new QHBoxLayout;
    top->addWidget(ProcessEdit, 1);
    top->addWidget(CentralPanel);

    LFB001 =
        toolButton(this, "LFB001", QStringLiteral("New Folder"), QStringLiteral("Create New Folder ..."));
    LFB002 = toolButton(this, "LFB002", QStringLiteral("Rename"), QStringLiteral("Rename ..."));
    LFB003 = toolButton(this, "LFB003", QStringLiteral("Open"), QStringLiteral("Preview File ..."));
    LFB004 = toolButton(this, "LFB004", QStringLiteral("Delete"), QStringLiteral("Delete ..."));
    LFB009 = toolButton(this, "LFB009", QStringLiteral("Up"), QStringLiteral("Directory Up ..."));
    auto* tools = new QHBoxLayout;
    for (QToolButton* b : {LFB001, LFB002, LFB003, LFB004})
        tools->addWidget(b);
    tools->addStretch(1);
    tools->addWidget(new QLabel(QStringLiteral("Directory Up"), this));
    tools->addWidget(LFB009);

    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_folders->setRootPath(QDir::rootPath());
    ShellTree = new QTreeView(this);
    ShellTree->setObjectName(QStringLiteral("ShellTree"));
    ShellTree->setModel(m_folders);
    for (int c = 1; c < m_folders->columnCount(); ++c)
        ShellTree->hideColumn(c);
    ShellTree->setHeaderHidden(true);

    m_files->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    m_files->setNameFilters({QStringLiteral("*.rtf")});
    m_files->setNameFilterDisables(false);
    m_files->setReadOnly(false);
    LocalFileList = new QListView(this);
    LocalFileList->setObjectName(QStringLiteral("LocalFileList"));
    LocalFileList->setModel(m_files);
    LocalFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LocalFileList->setEditTriggers(QAbstractItemView::EditKeyPressed);
    auto* split = new QSplitter(this);
    split->addWidget(ShellTree);
    split->addWidget(LocalFileList);
    split->setStretchFactor(1, 1);

    FileNameEdit = new QLineEdit(QStringLiteral("Report"), this);
    FileNameEdit->setObjectName(QStringLiteral("FileNameEdit"));
    RzBmpButton3 = toolButton(this, "RzBmpButton3", QStringLiteral("Save"), QStringLiteral("Save ..."));
    auto* type = new QLineEdit(QStringLiteral("*.RTF"), this);
    type->setObjectName(QStringLiteral("RzEdit3"));
    type->setReadOnly(true);
    RzBmpButton5 = toolButton(this, "RzBmpButton5", QStringLiteral("Cancel"), QStringLiteral("Cancel ..."));
    auto* bottom = new QGridLayout;
    bottom->addWidget(new QLabel(QStringLiteral("File Name:"), this), 0, 0);
    bottom->addWidget(FileNameEdit, 0, 1);
    bottom->addWidget(RzBmpButton3, 0, 2);
    bottom->addWidget(new QLabel(QStringLiteral("Save as Type:"), this), 1, 0);
    bottom->addWidget(type, 1, 1);
    bottom->addWidget(RzBmpButton5, 1, 2);

    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(14, 4, 14, 18);
    frame->addLayout(top);
    frame->addLayout(tools);
    frame->addWidget(split, 1);
    frame->addLayout(bottom);
    frame->addLayout(buildStatusBar());
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);

    auto onClick = [this](QToolButton* button, void (TLocalForm::*handler)()) {
        connect(button, &QToolButton::clicked, this,
                [this, handler] { userAction(this, [&] { (this->*handler)(); }); });
    };
    onClick(RzBmpButton3, &TLocalForm::save);
    onClick(LFB001, &TLocalForm::createFolder);
    onClick(LFB002, &TLocalForm::renameSelected);
    onClick(LFB003, &TLocalForm::openSelected);
    onClick(LFB004, &TLocalForm::deleteSelected);
    onClick(LFB009, &TLocalForm::folderUp);
    connect(CentralPanel, &QToolButton::clicked, this, &QWidget::close);
    connect(RzBmpButton5, &QToolButton::clicked, this, &QWidget::close);
    connect(ShellTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                userAction(this, [&] {
                    if (current.isValid()) chooseFolder(m_folders->filePath(current));
                });
            });
    connect(LocalFileList, &QListView::doubleClicked, this,
            [this] { userAction(this, [this] { openSelected(); }); });
}

// The bottom bar: the window's name at the left, the processor display at the right.
QLayout* TLocalForm::buildStatusBar() {
    CPULabel = new QLabel(QStringLiteral("100%"), this);
    CPULabel->setObjectName(QStringLiteral("CPULabel"));
    CPULabel->setFixedWidth(34);
    CPULabel->setAlignment(Qt::AlignCenter);
    CPUProgress = new QProgressBar(this);
    CPUProgress->setObjectName(QStringLiteral("CPUProgress"));
    CPUProgress->setTextVisible(false);
    CPUProgress->setRange(0, 100);
    CPUProgress->setValue(50);
    CPUProgress->setFixedSize(80, 8);
    auto light = [this](const char* name, const QString& source) {
        auto* image = new SkinImage(this);
        image->setObjectName(QString::fromLatin1(name));
        image->setSource(source);
        image->setFixedSize(10, 14);
        image->hide();
        return image;
    };
    CPUI001 = light("CPUI001", QStringLiteral(":/skin/cpu_low.svg"));
    CPUI002 = light("CPUI002", QStringLiteral(":/skin/cpu_high.svg"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Local"), this));
    bar->addStretch(1);
    for (QWidget* w : {CPUI001, CPUI002, static_cast<QWidget*>(CPULabel), static_cast<QWidget*>(CPUProgress)})
        bar->addWidget(w);
    return bar;
}

void TLocalForm::tickProcessorLoad() {
    if (const auto load = m_usage.measure())
        ProcessorGauge{CPULabel, CPUProgress, CPUI001, CPUI002}.show(*load);
}

void TLocalForm::execute() {
    ControlTimer->start();
    show();
    raise();
    activateWindow();
}

void TLocalForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShellTree->setFocus();
}

void TLocalForm::closeEvent(QCloseEvent* event) {
    event->accept();
    ControlTimer->stop();
    emit closed();
}

void TLocalForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && windowHandle()) windowHandle()->startSystemMove();
}

void TLocalForm::chooseFolder(const QString& folder) {
    m_folder = QDir::cleanPath(folder);
    ProcessEdit->setText(m_folder);
    LocalFileList->setRootIndex(m_files->setRootPath(m_folder));
    const QModelIndex inTree = m_folders->index(m_folder);
    if (inTree.isValid() && ShellTree->currentIndex() != inTree) {
        ShellTree->setCurrentIndex(inTree);
        ShellTree->scrollTo(inTree);
    }
}

void TLocalForm::save() {
    if (m_folder.isEmpty() || !m_content) return;
    QString name = FileNameEdit->text();
    if (!name.endsWith(QStringLiteral(".rtf"), Qt::CaseInsensitive)) name += QStringLiteral(".rtf");
    const QString path = QDir(m_folder).filePath(name);
    if (QFileInfo::exists(path) && !m_question(this, QStringLiteral("Replace the file %1?").arg(path)))
        return;

    // The old file stays whole until the new one is complete.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) throw QeltoError(file.errorString(), ErrorCategory::LocalFile);
    const QByteArray content = m_content();
    if (file.write(content) != content.size() || !file.commit())
        throw QeltoError(file.errorString(), ErrorCategory::LocalFile);
    ProcessEdit->setText(path);
}

QString TLocalForm::selectedPath() const {
    const QModelIndex current = LocalFileList->currentIndex();
    if (current.isValid() && LocalFileList->selectionModel()->isSelected(current))
        return m_files->filePath(current);
    return m_folder;
}

void TLocalForm::createFolder() {
    if (m_folder.isEmpty()) return;
    QString name = QStringLiteral("New Folder");
    for (int n = 2; QFileInfo::exists(QDir(m_folder).filePath(name)); ++n)
        name = QStringLiteral("New Folder (%1)").arg(n);
    const QModelIndex created = m_files->mkdir(m_files->index(m_folder), name);
    if (!created.isValid())
        throw QeltoError(QStringLiteral("Cannot create the folder ") + name, ErrorCategory::LocalFile);
    LocalFileList->setCurrentIndex(created);
    LocalFileList->edit(created);
}

void TLocalForm::renameSelected() {
    const QModelIndex current = LocalFileList->currentIndex();
    if (current.isValid()) LocalFileList->edit(current);
}

void TLocalForm::openSelected() {
    const QModelIndex current = LocalFileList->currentIndex();
    if (!current.isValid()) return;
    const QString path = m_files->filePath(current);
    if (m_files->isDir(current))
        chooseFolder(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TLocalForm::deleteSelected() {
    const QString path = selectedPath();
    if (path.isEmpty() || !m_question(this, QStringLiteral("Move %1 to the trash?").arg(path))) return;
    const bool wasFolder = path == m_folder;
    if (!QFile::moveToTrash(path))
        throw QeltoError(QStringLiteral("Cannot move %1 to the trash").arg(path), ErrorCategory::LocalFile);
    if (wasFolder) chooseFolder(QFileInfo(path).path());
}

void TLocalForm::folderUp() {
    if (m_folder.isEmpty()) return;
    QDir dir(m_folder);
    if (dir.cdUp()) chooseFolder(dir.path());
}
