#pragma once

#include "core/monitor/NetInterfaces.h"

#include <QElapsedTimer>
#include <QObject>
#include <memory>

namespace Ui {
class TMyMenuForm;
}
class QTimer;
class QWidget;
class TrafficGraph;

// The network interface monitor: the chosen interface's data on the "Settings" page and, while traffic
// control is on, its receive and send rates as two scrolling graphs on the "Net Control" page.
class NetMonitor : public QObject {
    Q_OBJECT
public:
    NetMonitor(Ui::TMyMenuForm& ui, QWidget* window);
    ~NetMonitor() override;

    QTimer* NetTimer;

    // Reads the interfaces from another folder laid out as /sys/class/net (tests), and lists them anew.
    void setInterfaceFolder(const QString& folder);
    // Lists the machine's interfaces and shows the first.
    void fillInterfaceList();
    // Shows the chosen interface's data and starts its counters and graphs afresh.
    void showSelectedInterface();
    // One measurement: the rates since the previous tick, as texts and as graph points.
    void tick();
    // The same over a given time since the previous measurement.
    void measure(qint64 elapsedMs);
    // Switches traffic control on or off.
    void toggleTrafficControl();
    bool trafficControlOn() const;

    TrafficGraph& downloadGraph() const { return *m_download; }
    TrafficGraph& uploadGraph() const { return *m_upload; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<NetInterfaceInfo> readSelected() const;

    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
    // The filtered label, held apart from m_ui: the window frees its form before its widgets, and the
    // label's own destruction still passes through the filter.
    QObject* m_filtered = nullptr;
    QString m_folder = SysClassNet;
    std::unique_ptr<TrafficGraph> m_download;
    std::unique_ptr<TrafficGraph> m_upload;
    quint64 PrecedentRecu = 0;
    quint64 PrecedentEnvoye = 0;
    QElapsedTimer m_sinceLastTick;
};
