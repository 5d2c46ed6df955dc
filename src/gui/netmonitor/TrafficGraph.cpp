#include "gui/netmonitor/TrafficGraph.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>
#include <algorithm>

namespace {

QValueAxis* plainAxis(const QColor& grid) {
    auto* axis = new QValueAxis;
    axis->setLabelsVisible(false);
    axis->setLineVisible(false);
    axis->setTitleVisible(false);
    QPen pen(grid, 1, Qt::DotLine);
    axis->setGridLinePen(pen);
    axis->setMinorGridLineVisible(false);
    return axis;
}

} // namespace

TrafficGraph::TrafficGraph(QChartView* view)
    : m_series(new QLineSeries), m_x(plainAxis(Qt::lightGray)), m_y(plainAxis(Qt::lightGray)) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setMargins(QMargins(0, 0, 0, 0));
    chart->setBackgroundRoundness(0);
    chart->setAnimationOptions(QChart::NoAnimation);
    m_series->setPen(QPen(QColor(0xc0, 0xc0, 0xc0), 1));
    chart->addSeries(m_series);
    chart->addAxis(m_x, Qt::AlignBottom);
    chart->addAxis(m_y, Qt::AlignLeft);
    m_series->attachAxis(m_x);
    m_series->attachAxis(m_y);
    m_x->setTickCount(7);
    view->setChart(chart); // the view owns the chart, the chart the series and axes
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setInteractive(false);
    clear();
}

void TrafficGraph::addPoint(double value) {
    const double x = m_window.addPoint();
    m_series->append(x, value);
    int drop = 0;
    while (drop < m_series->count() && m_series->at(drop).x() < m_window.firstKeptX())
        ++drop;
    if (drop > 0) m_series->removePoints(0, drop);
    m_x->setRange(m_window.left(), m_window.right());
    fitVertically();
}

void TrafficGraph::clear() {
    m_series->clear();
    m_window.reset();
    m_x->setRange(m_window.left(), m_window.right());
    m_y->setRange(0, 0);
}

// The vertical axis starts at 0 and its top follows the largest value kept.
void TrafficGraph::fitVertically() {
    double top = 0;
    for (const QPointF& p : m_series->points())
        top = std::max(top, p.y());
    m_y->setRange(0, top > 0 ? top * 1.1 : 1);
}
