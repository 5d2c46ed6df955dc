#include "gui/preview/PreviewForm.h"

#include "core/base/Errors.h"
#include "core/monitor/ProcessorTimes.h"
#include "gui/common/ProcessorGauge.h"
#include "gui/common/SkinImage.h"
#include "gui/common/UserAction.h"
#include "gui/preview/PreviewBrowser.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPluginLoader>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QRubberBand>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* button(QWidget* parent, const QString& name, const QIcon& icon, const QString& hint = {}) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(icon);
    b->setAutoRaise(true);
    b->setFixedSize(22, 22);
    b->setToolTip(hint);
    return b;
}

SkinImage* image(QWidget* parent, const QString& name, const QString& source, QSize size) {
    auto* i = new SkinImage(parent);
    i->setObjectName(name);
    i->setSource(source);
    i->setFixedSize(size);
    return i;
}

QFrame* bar(QWidget* parent, const QString& name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    return f;
}

} // namespace

TPreviewForm::TPreviewForm(ProcessorUsage& usage, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint), ControlTimer(new QTimer(this)), m_usage(usage),
      m_pluginFolders(defaultPluginFolders()) {
    setObjectName(QStringLiteral("TPreviewForm"));
    setWindowTitle(QStringLiteral("Qelto"));
    setWindowIcon(QIcon(QStringLiteral(":/skin/qelto.svg")));
    buildControls();
    ControlTimer->setObjectName(QStringLiteral("ControlTimer"));
    ControlTimer->setInterval(1000);
    connect(ControlTimer, &QTimer::timeout, this,
            [this] { userAction(this, [this] { tickProcessorLoad(); }); });
    // Every way of closing ends here: the close button, Esc and the window manager.
    connect(this, &QDialog::finished, this, [this] {
        ControlTimer->stop();
        emit closed();
    });
    resize(800, 500);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
}

TPreviewForm::~TPreviewForm() {
    delete m_rubberBand; // a top-level widget of its own
}

void TPreviewForm::buildControls() {
    setStyleSheet(
        QStringLiteral("QFrame#PreviewTopBar, QFrame#PreviewBottomBar, QFrame#PreviewRightBorder, "
                       "SkinImage#MoveFormOffImage "
                       "{ background: #23292f; }"
                       "QLabel#TimeLabel, QLabel#CPULabel { color: #c9d1d9; }"
                       "QProgressBar#CPUProgress { background: #1d2227; border: 1px solid #3b444d; }"
                       "QProgressBar#CPUProgress::chunk { background: #2fb3a6; }"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);

    m_topBar = bar(this, QStringLiteral("PreviewTopBar"));
    m_topBar->setFixedHeight(28);
    ProcessEdit = new QLineEdit(QStringLiteral("*.*"), m_topBar);
    ProcessEdit->setObjectName(QStringLiteral("ProcessEdit"));
    ProcessEdit->setReadOnly(true);
    ProcessEdit->setStyleSheet(QStringLiteral("QLineEdit { background: black; color: grey; border: none; }"));
    ProcessEdit->setGeometry(30, 5, 400, 18);
    MB003 = button(m_topBar, QStringLiteral("MB003"), QIcon(QStringLiteral(":/skin/minimize.svg")));
    MB004 = button(m_topBar, QStringLiteral("MB004"), QIcon(QStringLiteral(":/skin/close.svg")));
    grid->addWidget(m_topBar, 0, 0, 1, 3);

    MoveFormOffImage = image(this, QStringLiteral("MoveFormOffImage"), QStringLiteral(":/skin/left_move.svg"),
                             QSize(12, 60));
    MoveFormOffImage->setMaximumHeight(QWIDGETSIZE_MAX);
    MoveFormOffImage->setCursor(Qt::SizeAllCursor);
    grid->addWidget(MoveFormOffImage, 1, 0);

    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    auto* strip = new QHBoxLayout;
    strip->setSpacing(2);
    const QStyle* st = style();
    BackBtn = button(centre, QStringLiteral("BackBtn"), st->standardIcon(QStyle::SP_ArrowBack));
    ForwardButton =
        button(centre, QStringLiteral("ForwardButton"), st->standardIcon(QStyle::SP_ArrowForward));
    URLEdit = new QComboBox(centre);
    URLEdit->setObjectName(QStringLiteral("URLEdit"));
    URLEdit->setEditable(true);
    URLEdit->setFixedWidth(333);
    URLEdit->setFrame(false);
    URLEdit->setInsertPolicy(QComboBox::NoInsert); // navigate() keeps the history itself
    RzBmpButton3 = button(centre, QStringLiteral("RzBmpButton3"), QIcon(QStringLiteral(":/skin/preview.svg")),
                          QStringLiteral("Preview File ..."));
    HEB003 = button(centre, QStringLiteral("HEB003"), st->standardIcon(QStyle::SP_FileDialogContentsView),
                    QStringLiteral("Report ..."));
    HEB004 = button(centre, QStringLiteral("HEB004"), st->standardIcon(QStyle::SP_BrowserReload),
                    QStringLiteral("Undo . . . Ctrl+Z"));
    HEB008 = button(centre, QStringLiteral("HEB008"), st->standardIcon(QStyle::SP_BrowserStop),
                    QStringLiteral("Erases The Selection . . . Del"));
    for (QWidget* w : std::initializer_list<QWidget*>{BackBtn, ForwardButton, URLEdit, RzBmpButton3, HEB003,
                                                      HEB004, HEB008})
        strip->addWidget(w);
    strip->addStretch(1);
    column->addLayout(strip);
    m_browserHost = new QWidget(centre);
    m_browserHost->setObjectName(QStringLiteral("WBHost"));
    auto* hostLayout = new QVBoxLayout(m_browserHost);
    hostLayout->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_browserHost, 1);
    grid->addWidget(centre, 1, 1);

    m_rightBorder = bar(this, QStringLiteral("PreviewRightBorder"));
    m_rightBorder->setFixedWidth(20);
    CPUProgress = new QProgressBar(m_rightBorder);
    CPUProgress->setObjectName(QStringLiteral("CPUProgress"));
    CPUProgress->setOrientation(Qt::Vertical);
    CPUProgress->setTextVisible(false);
    CPUProgress->setRange(0, 100);
    CPUProgress->setValue(50);
    CPUProgress->setFixedSize(8, 80);
    grid->addWidget(m_rightBorder, 1, 2);

    m_bottomBar = bar(this, QStringLiteral("PreviewBottomBar"));
    m_bottomBar->setFixedHeight(25);
    FTPOnImage =
        image(m_bottomBar, QStringLiteral("FTPOnImage"), QStringLiteral(":/skin/ftp_on.svg"), QSize(16, 16));
    FTPOnImage->move(24, 4);
    TimeLabel = new QLabel(QStringLiteral("Internet"), m_bottomBar);
    TimeLabel->setObjectName(QStringLiteral("TimeLabel"));
    TimeLabel->setGeometry(44, 4, 56, 16);
    CPULabel = new QLabel(QStringLiteral("100%"), m_bottomBar);
    CPULabel->setObjectName(QStringLiteral("CPULabel"));
    CPULabel->setTextFormat(Qt::PlainText);
    CPULabel->setAlignment(Qt::AlignCenter);
    CPULabel->setFixedSize(34, 16);
    CPUI001 =
        image(m_bottomBar, QStringLiteral("CPUI001"), QStringLiteral(":/skin/cpu_low.svg"), QSize(10, 14));
    CPUI001->hide();
    CPUI002 =
        image(m_bottomBar, QStringLiteral("CPUI002"), QStringLiteral(":/skin/cpu_high.svg"), QSize(10, 14));
    Resize =
        image(m_bottomBar, QStringLiteral("Resize"), QStringLiteral(":/skin/resize_off.svg"), QSize(16, 16));
    Resize->setToolTip(QStringLiteral("Resize ... "));
    ResizeOnImage = image(m_bottomBar, QStringLiteral("ResizeOnImage"),
                          QStringLiteral(":/skin/resize_on.svg"), QSize(16, 16));
    ResizeOnImage->setToolTip(QStringLiteral("Resize ... "));
    ResizeOnImage->hide();
    grid->addWidget(m_bottomBar, 2, 0, 1, 3);

    for (SkinImage* grip : {Resize, ResizeOnImage}) {
        grip->setCursor(Qt::SizeFDiagCursor);
        grip->installEventFilter(this);
    }
    MoveFormOffImage->installEventFilter(this);

    connect(MB004, &QToolButton::clicked, this, [this] { userAction(this, [this] { reject(); }); });
    connect(BackBtn, &QToolButton::clicked, this,
            [this] { userAction(this, [this] { browser()->back(); }); });
    connect(ForwardButton, &QToolButton::clicked, this,
            [this] { userAction(this, [this] { browser()->forward(); }); });
    connect(HEB003, &QToolButton::clicked, this, [this] { userAction(this, [this] { printPreview(); }); });
    connect(HEB004, &QToolButton::clicked, this,
            [this] { userAction(this, [this] { browser()->reload(); }); });
    connect(HEB008, &QToolButton::clicked, this, [this] { userAction(this, [this] { browser()->stop(); }); });
    connect(URLEdit->lineEdit(), &QLineEdit::returnPressed, this,
            [this] { userAction(this, [this] { navigate(URLEdit->currentText()); }); });
}

QString TPreviewForm::pluginFileName() {
    return QStringLiteral(QELTO_WEBPREVIEW_FILE);
}

QStringList TPreviewForm::defaultPluginFolders() {
    const QString program = QCoreApplication::applicationDirPath();
    // Beside the program (the build folder's own program), then where an installation puts it, and only
    // then the build tree, for the test programs: an installed program never takes a build's plugin.
    return {program + QStringLiteral("/plugins"),
            QDir::cleanPath(program + QStringLiteral("/" QELTO_PLUGINS_FROM_PROGRAM)),
            QStringLiteral(QELTO_PLUGIN_BUILD_DIR)};
}

namespace {

// The web view's plugin from the first of `folders` that has it; fails with the reason when none does
// or it does not load.
PreviewBrowserFactory& loadBrowserPlugin(const QStringList& folders) {
    const QString fileName = TPreviewForm::pluginFileName();
    for (const QString& folder : folders) {
        const QString path = folder + u'/' + fileName;
        if (!QFileInfo(path).isFile()) continue;
        // Never unloaded: the engine keeps running until the program ends.
        QPluginLoader loader(path);
        QObject* root = loader.instance();
        if (!root)
            throw QeltoError(QStringLiteral("The web preview could not be loaded: ") + loader.errorString());
        auto* factory = qobject_cast<PreviewBrowserFactory*>(root);
        if (!factory)
            throw QeltoError(QStringLiteral("The web preview could not be loaded: ") + path +
                             QStringLiteral(" is not the preview plugin of this version"));
        return *factory;
    }
    throw QeltoError(QStringLiteral("The web preview could not be loaded: ") + fileName +
                     QStringLiteral(" was not found in ") + folders.join(QStringLiteral(", ")));
}

} // namespace

PreviewBrowser* TPreviewForm::browser() {
    if (WB) return WB;
    PreviewBrowser* view = loadBrowserPlugin(m_pluginFolders).create(m_browserHost);
    m_browserHost->layout()->addWidget(view->widget());
    view->onUrlChanged([this](const QUrl& url) {
        if (!URLEdit->lineEdit()->hasFocus()) URLEdit->setEditText(url.toString());
    });
    WB = view;
    return WB;
}

void TPreviewForm::showPage(const QString& caption, const QString& address) {
    PreviewBrowser* view = browser(); // first: when it fails, nothing has changed
    ProcessEdit->setText(QStringLiteral("Preview file: ") + caption);
    URLEdit->setEditText(address);
    view->setUrl(QUrl(address));
    ControlTimer->start();
    open();
}

void TPreviewForm::navigate(const QString& address) {
    const QString text = address.trimmed();
    if (text.isEmpty()) return;
    if (URLEdit->findText(text) < 0) URLEdit->insertItem(0, text);
    URLEdit->setEditText(text);
    browser()->setUrl(QUrl::fromUserInput(text));
}

void TPreviewForm::printPreview() {
    PreviewBrowser* view = browser();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(view->title());
    QPrintPreviewDialog dialog(&printer, this);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [view](QPrinter* target) { view->print(*target); });
    dialog.exec();
}

void TPreviewForm::tickProcessorLoad() {
    if (const auto load = m_usage.measure())
        ProcessorGauge{CPULabel, CPUProgress, CPUI001, CPUI002}.show(*load);
}
