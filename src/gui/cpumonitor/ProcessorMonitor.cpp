#include "gui/cpumonitor/ProcessorMonitor.h"

#include "core/monitor/ProcessorTimes.h"
#include "gui/common/ProcessorGauge.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QTimer>

ProcessorMonitor::ProcessorMonitor(Ui::TMyMenuForm& ui, ProcessorUsage& usage, QWidget* window)
    : QObject(window), CPUTimer(new QTimer(this)), m_ui(ui), m_usage(usage), m_window(window) {
    CPUTimer->setObjectName(QStringLiteral("CPUTimer"));
    CPUTimer->setInterval(1000);
    connect(CPUTimer, &QTimer::timeout, this, [this] { userAction(m_window, [this] { tick(); }); });
    m_ui.CPUProgress->setRange(0, 100);
    m_ui.CPUProgress->setValue(50);
    m_ui.CPUI001->hide();
    CPUTimer->start();
}

void ProcessorMonitor::tick() {
    if (const auto load = m_usage.measure())
        ProcessorGauge{m_ui.CPULabel, m_ui.CPUProgress, m_ui.CPUI001, m_ui.CPUI002}.show(*load);
}

void ProcessorMonitor::pause() {
    CPUTimer->stop();
}

void ProcessorMonitor::resume() {
    CPUTimer->start();
}
