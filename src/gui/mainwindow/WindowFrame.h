#pragma once

#include "core/base/WindowOutline.h"

#include <QObject>
#include <QPoint>
#include <QRect>

namespace Ui {
class TMyMenuForm;
}
class QRubberBand;
class QWidget;

// The skinned, borderless frame of the main window: its outline, moving by the frame images, staying
// on screen, the rubber-band resize from the bottom-right grip, minimise and close, and the status
// field's greeting on mouse and key activity.
class WindowFrame : public QObject {
    Q_OBJECT
public:
    WindowFrame(Ui::TMyMenuForm& ui, QWidget* window);
    ~WindowFrame() override;

    WindowOutline P{};
    int Xs = 0, Ys = 0, Xp = 0, Yp = 0;
    bool HResize = false, VResize = false;

    // At creation: the outline for the window's size, and the window centred on its screen.
    void initialise();
    void applyOutline();
    void placeControls();

    void startMove();
    void keepOnScreen();
    void showGrip();
    void hideGrip();
    void beginResize(const QPoint& globalPos);
    void dragResize(const QPoint& globalPos);
    void endResize();
    bool resizing() const { return m_resizing; }
    QRect resizeRect() const { return m_resizeRect; }

    void greetMouse();
    void greetKey();

signals:
    void resized();
    // The pointer moved over the window itself.
    void mouseMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool filterWindowEvent(QEvent* event);

    Ui::TMyMenuForm& m_ui;
    QWidget* m_window;
    bool m_resizing = false;
    QPoint m_lastPointer;
    QRect m_resizeRect;
    QRubberBand* m_rubberBand = nullptr;
    bool m_keepingOnScreen = false;
};
