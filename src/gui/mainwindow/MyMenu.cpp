#include "gui/mainwindow/MyMenu.h"

#include "core/ftp/FtpSession.h"
#include "core/ftp/TIdAntiFreeze.h"
#include "core/ftp/TIdFTP.h"
#include "core/monitor/ProcessorTimes.h"
#include "core/tables/DataTables.h"
#include "core/tables/Table.h"
#include "gui/common/UserAction.h"
#include "gui/bookmarks/Bookmarks.h"
#include "gui/connectbar/ConnectBar.h"
#include "gui/cpumonitor/ProcessorMonitor.h"
#include "gui/console/Console.h"
#include "gui/history/History.h"
#include "gui/settings/Settings.h"
#include "gui/jobqueue/JobQueue.h"
#include "gui/localpanel/LocalPanel.h"
#include "gui/mainwindow/Skin.h"
#include "gui/mainwindow/WindowFrame.h"
#include "gui/netmonitor/NetMonitor.h"
#include "gui/preview/Preview.h"
#include "gui/protocollog/ProtocolLog.h"
#include "gui/remotebrowser/RemoteBrowser.h"
#include "gui/remoteops/RemoteOperations.h"
#include "gui/standby/StandBy.h"
#include "ui_MyMenu.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QShowEvent>
#include <type_traits>

TMyMenuForm::TMyMenuForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint),
      m_ui(new Ui::TMyMenuForm), m_antiFreeze(std::make_unique<TIdAntiFreeze>()),
      m_tables(new DataTables(this)), m_browsing(new FtpSession(QStringLiteral("MS Windows"), this)) {
    m_processorUsage = std::make_unique<ProcessorUsage>(); // the first sample, before anything else
    registerSkinResources();
    m_ui->setupUi(this);
    applySkin();

    m_frame = new WindowFrame(*m_ui, this);
    m_connectBar = new ConnectBar(*m_ui, *m_browsing, *m_tables->FTPServers, this);
    m_remoteBrowser = new RemoteBrowser(*m_ui, *m_browsing, *m_tables, this);
    m_remoteOperations = new RemoteOperations(*m_ui, *m_browsing, *m_tables, this);
    m_protocolLog = new ProtocolLog(*m_ui, *m_browsing, this);
    m_standBy = new StandBy(*m_ui, *m_browsing, this);
    m_localPanel = new LocalPanel(*m_ui, this);
    m_jobQueue = new JobQueue(*m_ui, *m_tables, *m_browsing, this);
    m_console = new Console(*m_ui, this);
    m_bookmarks = new Bookmarks(*m_ui, *m_tables->FTPServers, *m_browsing, this);
    m_settings = new Settings(*m_ui, *m_tables->FileInfo, this);
    m_history = new History(*m_ui, *m_processorUsage, this);
    m_processorMonitor = new ProcessorMonitor(*m_ui, *m_processorUsage, this);
    m_netMonitor = new NetMonitor(*m_ui, this);
    m_preview = new Preview(*m_ui, *m_browsing, *m_processorUsage, this);
    wireConcerns();
    // Labels show server and file names: never as markup.
    for (QLabel* label : findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);

    // The window keeps its design size; panels whose controls want more give way inside it.
    if (layout()) layout()->setSizeConstraint(QLayout::SetNoConstraint);
    resize(800, 558);
    guarded(this, [this] { m_frame->initialise(); });
}

TMyMenuForm::~TMyMenuForm() {
    // The tables save themselves as they close.
    for (TTable* table : m_tables->all())
        guarded(this, [table] { table->close(); });
}

void TMyMenuForm::wireConcerns() {
    // Each receiver guards its own work: a failure in one concern does not stop the others.
    auto guardedSlot = [this](auto work) {
        return [this, work](auto&&... args) {
            guarded(this, [&] {
                if constexpr (std::is_invocable_v<decltype(work), decltype(args)...>)
                    work(args...);
                else
                    work();
            });
        };
    };
    connect(m_connectBar, &ConnectBar::loggedIn, this,
            guardedSlot([this] { m_remoteBrowser->showLoginFolder(); }));
    connect(m_connectBar, &ConnectBar::loggedIn, this,
            guardedSlot([this](const ConnectionSettings& login) { m_standBy->afterLogin(login); }));
    connect(m_connectBar, &ConnectBar::connectingChanged, m_remoteBrowser, &RemoteBrowser::setConnecting);
    connect(m_connectBar, &ConnectBar::disconnected, m_standBy, &StandBy::stop);
    connect(m_remoteBrowser, &RemoteBrowser::busyChanged, m_connectBar, &ConnectBar::setBrowserBusy);
    connect(m_standBy, &StandBy::returnRequested, this,
            guardedSlot([this](const QString& folder) { m_remoteBrowser->showFolder(folder); }));
    m_jobQueue->setLocalSide([this] { return m_localPanel->LocalCurrentDirectory; },
                             [this] { return m_localPanel->selectedPaths(); });
    connect(m_jobQueue, &JobQueue::targetShown, m_localPanel, &LocalPanel::showSelectedFile);
    connect(m_remoteBrowser, &RemoteBrowser::folderChanged, m_jobQueue, &JobQueue::setRemoteFolder);
    connect(m_jobQueue, &JobQueue::jobEnded, this, guardedSlot([this] { m_remoteBrowser->refresh(); }));
    connect(m_remoteOperations, &RemoteOperations::listRequested, this,
            guardedSlot([this](const QString& path) { m_remoteBrowser->showFolder(path); }));
    connect(m_jobQueue, &JobQueue::activity, m_standBy, &StandBy::restartCountdown);
    connect(m_localPanel, &LocalPanel::copyRequested, this, guardedSlot([this] { m_jobQueue->buildUploadList(); }));
    connect(m_localPanel, &LocalPanel::pasteRequested, this, guardedSlot([this] { m_jobQueue->upload(); }));
    connect(m_localPanel, &LocalPanel::remoteItemsDropped, this, guardedSlot([this] { m_jobQueue->download(); }));
    connect(m_connectBar, &ConnectBar::disconnected, m_jobQueue, &JobQueue::endSessions);
    // Neither a disconnect nor stand-by ends a job unasked.
    m_connectBar->setDisconnectCheck([this] { return m_jobQueue->confirmEnd(QStringLiteral("Disconnect")); });
    m_standBy->setBusyCheck([this] { return m_jobQueue->busy(); });
    connect(m_connectBar, &ConnectBar::connectingChanged, m_jobQueue, [this](bool connecting) {
        if (connecting) m_jobQueue->endSessions();
    });
    connect(m_protocolLog, &ProtocolLog::activity, m_standBy, &StandBy::restartCountdown);
    connect(m_frame, &WindowFrame::mouseMoved, m_standBy, &StandBy::pauseCountdown);
    connect(m_frame, &WindowFrame::resized, this, guardedSlot([this] { m_remoteBrowser->refresh(); }));
    // While the preview is open, it shows the processor load in its own frame.
    connect(m_preview, &Preview::opened, m_processorMonitor, &ProcessorMonitor::pause);
    connect(m_preview, &Preview::closed, m_processorMonitor, &ProcessorMonitor::resume);
    connect(m_ui->PasiveEdit, &QComboBox::currentIndexChanged, this,
            guardedSlot([this](int) { m_netMonitor->showSelectedInterface(); }));
    connect(m_settings, &Settings::connectionSettingsChanged, m_connectBar, &ConnectBar::setConnectionDefaults);
    connect(m_settings, &Settings::connectionSettingsChanged, m_jobQueue, &JobQueue::setTransferOptions);
    m_settings->publish();
    m_console->setTlsModeSource([this] {
        return tlsModeBeside(m_connectBar->settingsFromBar().tls, m_browsing->isOpen() && m_browsing->ftp().usingTls());
    });
    connect(m_settings, &Settings::trafficSwitchRequested, this,
            guardedSlot([this] { m_netMonitor->toggleTrafficControl(); }));
    connect(m_history, &History::pickerOpened, m_processorMonitor, &ProcessorMonitor::pause);
    connect(m_history, &History::pickerClosed, m_processorMonitor, &ProcessorMonitor::resume);
}

void TMyMenuForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_shown || event->spontaneous()) return;
    m_shown = true;
    guarded(this, [this] { openTables(); });
}

void TMyMenuForm::openTables() {
    m_tables->open();
    m_remoteBrowser->loadIcons();
}

void TMyMenuForm::closeEvent(QCloseEvent* event) {
    // A running job is ended only when the user agrees (the default answer).
    if (!m_jobQueue->confirmEnd(QStringLiteral("Close the window"))) {
        event->ignore();
        return;
    }
    userAction(this, [this] { m_connectBar->closeForExit(); });
    event->accept();
}
