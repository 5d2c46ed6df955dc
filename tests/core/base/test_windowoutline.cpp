#include "core/base/WindowOutline.h"

#include <gtest/gtest.h>

TEST(WindowOutline, ShiftMovesOnlyTheRightAndBottomEdges) {
    WindowOutline p = initialWindowOutline();
    shiftWindowOutline(p, 100, 58);
    const WindowOutline base = initialWindowOutline();
    for (int i = 0; i < 16; ++i) {
        const int number = i + 1; // points are counted from 1
        const int dx = number >= 3 && number <= 10 ? 100 : 0;
        const int dy = number >= 5 && number <= 14 ? 58 : 0;
        EXPECT_EQ(p[i], base[i] + QPoint(dx, dy)) << "point " << number;
    }
}

TEST(WindowOutline, SuccessiveShiftsAccumulate) {
    WindowOutline p = initialWindowOutline();
    shiftWindowOutline(p, 0, 58);  // design size 800 x 558
    shiftWindowOutline(p, 40, 20); // one resize
    shiftWindowOutline(p, -10, 5); // another
    EXPECT_EQ(p[5], QPoint(798 + 30, 365 + 83));
    EXPECT_EQ(outlinePolygon(p).boundingRect(), QRect(QPoint(0, 0), QPoint(828, 498 + 83)));
}

TEST(KeepOnScreen, ShiftsLeftThenTopThenRightThenBottom) {
    const QRect area(0, 0, 1000, 700);
    EXPECT_EQ(keepOnScreen(QRect(-50, 10, 300, 200), area), QRect(0, 10, 300, 200));
    EXPECT_EQ(keepOnScreen(QRect(10, -20, 300, 200), area), QRect(10, 0, 300, 200));
    EXPECT_EQ(keepOnScreen(QRect(800, 600, 300, 200), area), QRect(700, 500, 300, 200));
    // Wider than the area: the left rule moves it to 0, then the right rule moves it back left.
    EXPECT_EQ(keepOnScreen(QRect(-30, 0, 1200, 200), area), QRect(-200, 0, 1200, 200));
    // Inside: unchanged.
    EXPECT_EQ(keepOnScreen(QRect(5, 5, 100, 100), area), QRect(5, 5, 100, 100));
}

TEST(ResizeStep, LimitsAreStrict) {
    const QSize screen(1920, 1080);
    const QRect start(100, 100, 850, 558);
    // A step to exactly 800 wide or 500 high is refused; one pixel more is taken.
    EXPECT_EQ(resizeStep(start, -50, 0, screen).width(), 850);
    EXPECT_EQ(resizeStep(start, -49, 0, screen).width(), 801);
    EXPECT_EQ(resizeStep(start, 0, -58, screen).height(), 558);
    EXPECT_EQ(resizeStep(start, 0, -57, screen).height(), 501);
    // Width and height are judged separately: a refused width keeps the height change.
    EXPECT_EQ(resizeStep(start, -60, 10, screen), QRect(100, 100, 850, 568));
    // The right edge stays left of the screen width; the bottom edge may reach the screen height.
    EXPECT_EQ(resizeStep(QRect(0, 0, 900, 600), 1020, 0, screen).width(), 900);
    EXPECT_EQ(resizeStep(QRect(0, 0, 900, 600), 1019, 0, screen).width(), 1919);
    EXPECT_EQ(resizeStep(QRect(0, 0, 900, 600), 0, 480, screen).height(), 1080);
    EXPECT_EQ(resizeStep(QRect(0, 0, 900, 600), 0, 481, screen).height(), 600);
}
