#pragma once

#include <QWidget>
#include <memory>

namespace Ui {
class TMyMenuForm;
}
class Bookmarks;
class ConnectBar;
class Console;
class DataTables;
class History;
class Settings;
class FtpSession;
class JobQueue;
class LocalPanel;
class NetMonitor;
class Preview;
class ProcessorMonitor;
class ProcessorUsage;
class ProtocolLog;
class RemoteBrowser;
class RemoteOperations;
class StandBy;
class TIdAntiFreeze;
class WindowFrame;

// The main window: the one Designer form and the skinned frame, and one object per concern, wired
// together by their signals. It holds no behaviour of its own beyond start-up and closing.
class TMyMenuForm : public QWidget {
    Q_OBJECT
public:
    explicit TMyMenuForm(QWidget* parent = nullptr);
    ~TMyMenuForm() override;

    Ui::TMyMenuForm* ui() const { return m_ui.get(); }
    DataTables& tables() const { return *m_tables; }
    FtpSession& browsingSession() const { return *m_browsing; }
    TIdAntiFreeze& antiFreeze() const { return *m_antiFreeze; }

    WindowFrame& frame() const { return *m_frame; }
    ConnectBar& connectBar() const { return *m_connectBar; }
    RemoteBrowser& remoteBrowser() const { return *m_remoteBrowser; }
    RemoteOperations& remoteOperations() const { return *m_remoteOperations; }
    ProtocolLog& protocolLog() const { return *m_protocolLog; }
    StandBy& standBy() const { return *m_standBy; }
    LocalPanel& localPanel() const { return *m_localPanel; }
    JobQueue& jobQueue() const { return *m_jobQueue; }
    NetMonitor& netMonitor() const { return *m_netMonitor; }
    ProcessorMonitor& processorMonitor() const { return *m_processorMonitor; }
    Preview& preview() const { return *m_preview; }
    Console& console() const { return *m_console; }
    Bookmarks& bookmarks() const { return *m_bookmarks; }
    Settings& settings() const { return *m_settings; }
    History& history() const { return *m_history; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void applySkin();
    void wireConcerns();
    void openTables();

    std::unique_ptr<Ui::TMyMenuForm> m_ui;
    std::unique_ptr<TIdAntiFreeze> m_antiFreeze;
    DataTables* m_tables;
    FtpSession* m_browsing;

    WindowFrame* m_frame;
    ConnectBar* m_connectBar;
    RemoteBrowser* m_remoteBrowser;
    RemoteOperations* m_remoteOperations;
    ProtocolLog* m_protocolLog;
    StandBy* m_standBy;
    LocalPanel* m_localPanel;
    JobQueue* m_jobQueue;
    std::unique_ptr<ProcessorUsage> m_processorUsage;
    ProcessorMonitor* m_processorMonitor;
    NetMonitor* m_netMonitor;
    Preview* m_preview;
    Console* m_console;
    Bookmarks* m_bookmarks;
    Settings* m_settings;
    History* m_history;
    bool m_shown = false;
};
