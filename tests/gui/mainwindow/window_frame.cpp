#include "support/WindowFixture.h"
#include "ui_MyMenu.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

using FrameTest = WindowTest;

TEST_F(FrameTest, StartsAtTheDesignSizeWithItsOutline) {
    TMyMenuForm& w = openWindow();
    EXPECT_EQ(w.size(), QSize(800, 558));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    const QRegion mask = w.mask();
    EXPECT_EQ(mask.boundingRect().right(), 797);
    EXPECT_TRUE(mask.contains(QPoint(400, 300)));
    EXPECT_FALSE(mask.contains(QPoint(2, 2)));     // the cut top-left corner
    EXPECT_FALSE(mask.contains(QPoint(795, 200))); // right of the upper right edge (x 789)
    EXPECT_TRUE(mask.contains(QPoint(795, 450)));  // the lower right edge sticks out to 798
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("*.*"));
    EXPECT_EQ(w.ui()->MB004->x(), 800 - 42);
    EXPECT_EQ(w.ui()->MB003->x(), 800 - 67);
}

TEST_F(FrameTest, OutlineFollowsEveryResizeAndTheLimitsHold) {
    TMyMenuForm& w = openWindow();
    w.move(0, 0);
    const QPoint start = w.geometry().bottomRight();

    // Grow by 100 x 60.
    w.frame().showGrip();
    w.frame().beginResize(start);
    w.frame().dragResize(start + QPoint(100, 60));
    w.frame().endResize();
    EXPECT_EQ(w.size(), QSize(900, 618));
    EXPECT_TRUE(w.mask().contains(QPoint(895, 590)));
    EXPECT_EQ(w.ui()->MB004->x(), 900 - 42);

    // Shrink to exactly 800 wide: refused, and that pointer movement is lost; height 501 is taken.
    const QPoint corner = w.geometry().bottomRight();
    w.frame().beginResize(corner);
    w.frame().dragResize(corner + QPoint(-100, -117));
    EXPECT_EQ(w.frame().resizeRect().size(), QSize(900, 501));
    // The drag goes on from the new pointer position: one pixel right is one pixel wider.
    w.frame().dragResize(corner + QPoint(-99, -117));
    EXPECT_EQ(w.frame().resizeRect().size(), QSize(901, 501));
    w.frame().endResize();
    EXPECT_EQ(w.size(), QSize(901, 501));
    // The outline followed both resizes.
    const QRect outline = outlinePolygon(w.frame().P).boundingRect();
    EXPECT_EQ(outline.right(), 798 + 100 + 1);
    EXPECT_EQ(outline.bottom(), 498 + 58 + 60 - 117);
    EXPECT_EQ(w.mask().boundingRect().right(), outline.right() - 1);
    EXPECT_EQ(w.frame().Xp, 0);
    EXPECT_EQ(w.frame().Yp, 0);
    EXPECT_FALSE(w.frame().resizing());
}

TEST_F(FrameTest, MovesWithoutAResizeDragAreIgnored) {
    TMyMenuForm& w = openWindow();
    const QSize before = w.size();
    w.frame().dragResize(QPoint(5000, 5000));
    EXPECT_EQ(w.size(), before);
}

TEST_F(FrameTest, EnterInTheStatusFieldWhileDisconnectedDoesNothing) {
    TMyMenuForm& w = openWindow();
    QApplication::setActiveWindow(&w);
    w.ui()->ProcessEdit->setFocus();
    w.ui()->ProcessEdit->setText(QStringLiteral("/"));
    QTest::keyClick(w.ui()->ProcessEdit, Qt::Key_Return);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(w.ui()->ProcessEdit->text(), QStringLiteral("/"));
    EXPECT_EQ(w.ui()->FTPFilesList->count(), 0);
}

TEST_F(FrameTest, KeysAndPointerOverTheWindowWriteTheStartText) {
    TMyMenuForm& w = openWindow();
    w.frame().greetKey();
    EXPECT_TRUE(w.ui()->ProcessEdit->text().startsWith(QStringLiteral("Start ... ")));
    w.standBy().SleepTimer->start();
    w.frame().greetMouse();
    EXPECT_FALSE(w.standBy().SleepTimer->isActive());
    EXPECT_TRUE(w.ui()->ProcessEdit->text().startsWith(QStringLiteral("Start ...")));
}

TEST_F(FrameTest, CloseButtonClosesAndMinimiseMinimises) {
    TMyMenuForm& w = openWindow();
    w.ui()->MB003->click();
    EXPECT_TRUE(w.isMinimized());
    w.showNormal();
    EXPECT_EQ(w.mask().boundingRect().right(), 797);
    w.ui()->MB004->click();
    EXPECT_FALSE(w.isVisible());
}
