#include "core/monitor/GraphWindow.h"

double GraphWindow::addPoint() {
    const double x = m_positionX;
    m_positionX += 1;
    if (m_positionX > right()) m_left += 1;
    return x;
}

void GraphWindow::reset() {
    m_positionX = 0;
    m_left = 0;
}
