#include "gui/common/ProcessorGauge.h"

#include "core/monitor/ProcessorTimes.h"

#include <QLabel>
#include <QProgressBar>

void ProcessorGauge::show(const ProcessorLoad& load) const {
    over50->setVisible(load.highest > 50);
    over80->setVisible(load.highest > 80);
    bar->setValue(load.percent);
    text->setText(QString::number(load.percent) + u'%');
}
