#include "gui/netmonitor/NetMonitor.h"

#include "core/monitor/RateText.h"
#include "gui/common/UserAction.h"
#include "gui/netmonitor/TrafficGraph.h"
#include "ui_MyMenu.h"

#include <QEvent>
#include <QNetworkInterface>
#include <QTimer>

namespace {

// The machine's local IPv4 address: the first that is not a loopback one, else the loopback one.
QString localIpAddress() {
    QString loopback;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol) continue;
        if (!address.isLoopback()) return address.toString();
        if (loopback.isEmpty()) loopback = address.toString();
    }
    return loopback.isEmpty() ? QStringLiteral("-") : loopback;
}

} // namespace

NetMonitor::NetMonitor(Ui::TMyMenuForm& ui, QWidget* window)
    : QObject(window), NetTimer(new QTimer(this)), m_ui(ui), m_window(window),
      m_download(std::make_unique<TrafficGraph>(ui.Graph_Download)),
      m_upload(std::make_unique<TrafficGraph>(ui.Graph_Upload)) {
    NetTimer->setObjectName(QStringLiteral("NetTimer"));
    NetTimer->setInterval(300);
    connect(NetTimer, &QTimer::timeout, this, [this] { userAction(m_window, [this] { tick(); }); });
    connect(m_ui.NetInterface, &QComboBox::currentIndexChanged, this,
            [this] { userAction(m_window, [this] { showSelectedInterface(); }); });
    connect(m_ui.RzBmpButton25, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { toggleTrafficControl(); }); });
    // The label is a switch too, lit while the pointer is over it.
    m_filtered = m_ui.TraficControl;
    m_filtered->installEventFilter(this);
    m_ui.TraficControl->setStyleSheet(QStringLiteral("QLabel[lit=\"true\"] { background: silver; }"));
    m_ui.TraficControl->setCursor(Qt::PointingHandCursor);
    for (QLabel* label : {m_ui.DownloadLabel, m_ui.UploadLabel, m_ui.SpeedLabel, m_ui.MTULabel, m_ui.MACLabel,
                          m_ui.IPLabel, m_ui.SendLabel, m_ui.ReseivedLabel, m_ui.TraficControl})
        label->setTextFormat(Qt::PlainText);
    fillInterfaceList();
}

NetMonitor::~NetMonitor() = default;

void NetMonitor::setInterfaceFolder(const QString& folder) {
    m_folder = folder;
    fillInterfaceList();
}

void NetMonitor::fillInterfaceList() {
    const QSignalBlocker blocker(m_ui.NetInterface);
    m_ui.NetInterface->clear();
    // Each entry carries its interface's name: the entry and the interface stay paired whatever the
    // kernel's indexes are.
    for (const NetInterfaceInfo& info : readNetInterfaces(m_folder))
        m_ui.NetInterface->addItem(info.listText(), info.name);
    m_ui.NetInterface->setCurrentIndex(m_ui.NetInterface->count() > 0 ? 0 : -1);
    showSelectedInterface();
}

std::optional<NetInterfaceInfo> NetMonitor::readSelected() const {
    const QString name = m_ui.NetInterface->currentData().toString();
    if (name.isEmpty()) return std::nullopt;
    return readNetInterface(m_folder, name);
}

void NetMonitor::showSelectedInterface() {
    const auto info = readSelected();
    const QString unknown = QStringLiteral("N/A");
    m_ui.MTULabel->setText(info && info->mtu ? QString::number(*info->mtu) : unknown);
    m_ui.SpeedLabel->setText(info && info->speedBitsPerSecond ? BitRateText(*info->speedBitsPerSecond)
                                                              : unknown);
    m_ui.MACLabel->setText(MACText(info ? info->hardwareAddress : QByteArray()));
    // The totals, shown here only; the counters start from them.
    PrecedentRecu = info && info->receivedBytes ? *info->receivedBytes : 0;
    PrecedentEnvoye = info && info->sentBytes ? *info->sentBytes : 0;
    m_ui.ReseivedLabel->setText(info && info->receivedBytes ? ByteRateText(double(PrecedentRecu)) : unknown);
    m_ui.SendLabel->setText(info && info->sentBytes ? ByteRateText(double(PrecedentEnvoye)) : unknown);
    m_sinceLastTick.start();
    m_download->clear();
    m_upload->clear();
    m_ui.IPLabel->setText(localIpAddress());
}

void NetMonitor::tick() {
    // The ticks of a busy window come late: the counts are scaled by the time that really passed.
    measure(m_sinceLastTick.restart());
}

void NetMonitor::measure(qint64 elapsed) {
    const auto info = readSelected();
    // An interface that vanished or a counter that cannot be read: no measurement this tick.
    if (!info || !info->receivedBytes || !info->sentBytes) return;
    const quint64 ActuelRecu = *info->receivedBytes;
    const quint64 ActuelEnvoye = *info->sentBytes;
    const double received = bytesPerSecond(counterDelta(PrecedentRecu, ActuelRecu), elapsed);
    const double sent = bytesPerSecond(counterDelta(PrecedentEnvoye, ActuelEnvoye), elapsed);
    m_ui.DownloadLabel->setText(ByteRateText(received));
    m_ui.UploadLabel->setText(ByteRateText(sent));
    m_download->addPoint(received);
    m_upload->addPoint(sent);
    PrecedentRecu = ActuelRecu;
    PrecedentEnvoye = ActuelEnvoye;
}

void NetMonitor::toggleTrafficControl() {
    const bool on = !NetTimer->isActive();
    if (on)
        NetTimer->start();
    else
        NetTimer->stop();
    m_ui.TraficControl->setText(on ? QStringLiteral("Control ON") : QStringLiteral("Control OFF"));
    m_ui.TraficControl->setProperty("lit", on);
    m_ui.TraficControl->style()->polish(m_ui.TraficControl);
}

bool NetMonitor::trafficControlOn() const {
    return NetTimer->isActive();
}

bool NetMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_filtered) return false;
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::Leave:
        m_ui.TraficControl->setProperty("lit", event->type() == QEvent::Enter);
        m_ui.TraficControl->style()->polish(m_ui.TraficControl);
        return false;
    case QEvent::MouseButtonRelease:
        userAction(m_window, [this] { toggleTrafficControl(); });
        return true;
    default:
        return false;
    }
}
