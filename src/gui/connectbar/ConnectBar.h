#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QObject>
#include <functional>

namespace Ui {
class TMyMenuForm;
}
class FtpSession;
class TTable;
class QWidget;

// The connect bar and the browsing connection's state on screen: address, user, password and port
// (bound to the current bookmark), connect and disconnect, the connected look of the window and the
// buttons that wait while data flows.
class ConnectBar : public QObject {
    Q_OBJECT
public:
    ConnectBar(Ui::TMyMenuForm& ui, FtpSession& session, TTable& bookmarks, QWidget* window);

    // What the bar does not show (timeouts, data ports, proxy ...), from the settings page.
    void setConnectionDefaults(const ConnectionSettings& defaults) { m_defaults = defaults; }
    // The connection the bar describes now.
    ConnectionSettings settingsFromBar() const;

    void connectToServer();
    // Disconnect asks this first (a job that would end); false keeps the connection.
    void setDisconnectCheck(std::function<bool()> check) { m_mayDisconnect = std::move(check); }
    void disconnectFromServer();
    // The window closes: the browsing connection says goodbye.
    void closeForExit();
    // True while a connect runs.
    bool connecting() const { return m_connecting; }
    // While the remote views refresh, a connect click is ignored.
    void setBrowserBusy(bool busy) { m_browserBusy = busy; }
    // Resets the window once when the connection is gone without notice (the server dropped it).
    void syncWithConnection();

signals:
    // The browsing connection is logged in: the window shows its first folder.
    void loggedIn(const ConnectionSettings& settings);
    void connectingChanged(bool connecting);
    // The window shows the disconnected state again, whatever ended the connection.
    void disconnected();

private:
    void bindBookmark();
    void showBookmark();
    void showConnected();
    void showDisconnected();
    void setDataFlowing(bool flowing);
    void updateButtons();

    Ui::TMyMenuForm& m_ui;
    FtpSession& m_session;
    TTable& m_bookmarks;
    QWidget* m_window;
    ConnectionSettings m_defaults;
    bool m_connecting = false;
    bool m_browserBusy = false;
    bool m_connectedLook = false;
    bool m_sessionUp = false; // the connection reported itself connected and no reset followed yet
    bool m_dataFlowing = false;
    bool m_typingBookmark = false;
    std::function<bool()> m_mayDisconnect;
};
