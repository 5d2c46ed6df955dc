#pragma once

#include "core/ftp/ConnectionSettings.h"

#include <QObject>

namespace Ui {
class TMyMenuForm;
}
class InformationPage;
class TTable;
class QWidget;

// The "Settings" page: the FTP system settings and the proxy of the browsing connection, the switches
// that show or hide parts of the window, and the "Information" page with the command reference and the
// file-type catalogue. Settings live for one run and start from the page's defaults.
class Settings : public QObject {
    Q_OBJECT
public:
    Settings(Ui::TMyMenuForm& ui, TTable& fileTypes, QWidget* window);

    const ConnectionSettings& connectionSettings() const { return m_settings; }
    // Announces the current settings (at start-up, so every receiver begins from the page's defaults).
    void publish();

    // Reads the "FTP System Settings" block and announces the result.
    void readSystemSettings();
    // Switches traffic control, then puts the proxy fields into the settings: host, user, password and
    // method first, the port last (a port that is no number stops there, with the rest applied).
    void applyProxy();

    void showConnectBar(bool show);
    void showJobGrid(bool show);

signals:
    void connectionSettingsChanged(const ConnectionSettings& settings);
    // The traffic-control switch of the network monitor.
    void trafficSwitchRequested();

private:
    void bindSystemSettings();
    // Lists and spinners of the scrolling page take the wheel only while they have the focus.
    void guardAgainstWheel();

    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
    InformationPage* m_information;
    ConnectionSettings m_settings;
};
