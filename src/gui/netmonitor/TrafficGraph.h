#pragma once

#include "core/monitor/GraphWindow.h"

class QChartView;
class QLineSeries;
class QValueAxis;

// One scrolling traffic graph: a thin silver line over a dotted silver grid, no labels, 61 positions
// wide, one point per tick. Only the points that can still be seen are kept.
class TrafficGraph {
public:
    explicit TrafficGraph(QChartView* view);

    void addPoint(double value);
    // Empties the line and shows positions 0 to 60 again.
    void clear();

    QLineSeries* series() const { return m_series; }
    QValueAxis* horizontalAxis() const { return m_x; }

private:
    void fitVertically();

    QLineSeries* m_series;
    QValueAxis* m_x;
    QValueAxis* m_y;
    GraphWindow m_window;
};
