#include "core/base/WindowOutline.h"

WindowOutline initialWindowOutline() {
    return {QPoint(0, 18),    QPoint(18, 0),    QPoint(781, 0),   QPoint(789, 8),
            QPoint(789, 355), QPoint(798, 365), QPoint(797, 482), QPoint(782, 498),
            QPoint(683, 498), QPoint(670, 485), QPoint(125, 485), QPoint(115, 495),
            QPoint(17, 495),  QPoint(9, 486),   QPoint(9, 122),   QPoint(0, 113)};
}

void shiftWindowOutline(WindowOutline& outline, int xp, int yp) {
    for (int i = 2; i <= 9; ++i)
        outline[i].rx() += xp;
    for (int i = 4; i <= 13; ++i)
        outline[i].ry() += yp;
}

QPolygon outlinePolygon(const WindowOutline& outline) {
    QPolygon polygon;
    polygon.reserve(int(outline.size()));
    for (const QPoint& p : outline)
        polygon << p;
    return polygon;
}

QRect keepOnScreen(QRect r, const QRect& area) {
    if (r.left() < area.left()) r.moveLeft(area.left());
    if (r.top() < area.top()) r.moveTop(area.top());
    if (rightEdge(r) > rightEdge(area)) r.moveLeft(r.left() - (rightEdge(r) - rightEdge(area)));
    if (bottomEdge(r) > bottomEdge(area)) r.moveTop(r.top() - (bottomEdge(r) - bottomEdge(area)));
    return r;
}

QRect resizeStep(QRect r, int dx, int dy, const QSize& screen) {
    const int left = r.x(), top = r.y();
    int right = rightEdge(r), bottom = bottomEdge(r);
    if (right + dx - left > 800 && right + dx < screen.width()) right += dx;
    if (bottom + dy - top > 500 && bottom + dy <= screen.height()) bottom += dy;
    return QRect(left, top, right - left, bottom - top);
}
