#pragma once

#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <array>

// Geometry of the borderless main window: its 16-point outline, the keep-on-screen rule while it moves
// and the steps of the rubber-band resize. Widget-free so it can be tested without a display.

using WindowOutline = std::array<QPoint, 16>;

// The outline at the design size of 800 x 500.
WindowOutline initialWindowOutline();

// Moves the right edge (points 3 to 10, counting from 1) by xp and the bottom edge (points 5 to 14) by yp.
void shiftWindowOutline(WindowOutline& outline, int xp, int yp);

QPolygon outlinePolygon(const WindowOutline& outline);

// The rectangle of a window being moved, shifted back into the work area: left edge first, then top,
// then right, then bottom.
QRect keepOnScreen(QRect proposed, const QRect& workArea);

// One pointer step of the resize drag. A step that would make the window 800 wide or less, or that
// puts the right edge at or beyond the screen's width, is refused for that direction; likewise 500
// high or less, or a bottom edge beyond the screen's height.
QRect resizeStep(QRect rect, int dx, int dy, const QSize& screen);

// Edges of a rectangle as the resize drag uses them: right = left + width, bottom = top + height.
inline int rightEdge(const QRect& r) {
    return r.x() + r.width();
}
inline int bottomEdge(const QRect& r) {
    return r.y() + r.height();
}
