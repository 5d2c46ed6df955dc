// The preview window's skinned frame: its outline, moving it by its background, and the rubber-band
// resize from the bottom-right grip, the only one it has.
#include "gui/common/SkinImage.h"
#include "gui/common/UserAction.h"
#include "gui/preview/PreviewForm.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRubberBand>
#include <QScreen>
#include <QToolButton>
#include <QWindow>

namespace {

QPoint globalPos(QEvent* event) {
    return static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
}

bool leftPress(QEvent* event) {
    return event->type() == QEvent::MouseButtonPress &&
           static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}

} // namespace

void TPreviewForm::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    WindowOutline outline = initialWindowOutline();
    shiftWindowOutline(outline, width() - 800, height() - 500);
    setMask(QRegion(outlinePolygon(outline), Qt::OddEvenFill));
    placeControls();
}

void TPreviewForm::placeControls() {
    // Distances are from the bars' right ends to the controls' left edges.
    const int w = width();
    MB003->move(w - 67, 3);
    MB004->move(w - 42, 3);
    ProcessEdit->resize(std::max(40, w - 67 - 8 - ProcessEdit->x()), ProcessEdit->height());
    Resize->move(w - 18, 4);
    ResizeOnImage->move(w - 18, 4);
    CPULabel->move(w - 88, 5);
    CPUI001->move(w - 112, 5);
    CPUI002->move(w - 100, 5);
    CPUProgress->move((m_rightBorder->width() - CPUProgress->width()) / 2,
                      std::max(0, m_rightBorder->height() - 99 - CPUProgress->height()));
}

void TPreviewForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) userAction(this, [this] { startMove(); });
    QDialog::mousePressEvent(event);
}

void TPreviewForm::startMove() {
    if (QWindow* w = windowHandle()) w->startSystemMove();
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MoveFormOffImage) {
        if (!leftPress(event)) return false;
        userAction(this, [this] { startMove(); });
        return true;
    }
    if (watched != Resize && watched != ResizeOnImage) return false;
    switch (event->type()) {
    case QEvent::Enter:
        ResizeOnImage->show();
        return false;
    case QEvent::Leave:
        ResizeOnImage->hide();
        return false;
    case QEvent::MouseButtonPress:
        guarded(this, [&] { beginResize(globalPos(event)); });
        return true;
    case QEvent::MouseMove:
        guarded(this, [&] { dragResize(globalPos(event)); });
        return true;
    case QEvent::MouseButtonRelease:
        userAction(this, [this] { endResize(); });
        return true;
    default:
        return false;
    }
}

void TPreviewForm::beginResize(const QPoint& globalPos) {
    m_resizing = true;
    m_lastPointer = globalPos;
    m_resizeRect = geometry();
    if (!m_rubberBand) m_rubberBand = new QRubberBand(QRubberBand::Rectangle);
    m_rubberBand->setGeometry(m_resizeRect);
    m_rubberBand->show();
}

void TPreviewForm::dragResize(const QPoint& globalPos) {
    if (!m_resizing) return;
    const QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    m_resizeRect =
        resizeStep(m_resizeRect, globalPos.x() - m_lastPointer.x(), globalPos.y() - m_lastPointer.y(),
                   QSize(rightEdge(screenRect), bottomEdge(screenRect)));
    m_lastPointer = globalPos;
    m_rubberBand->setGeometry(m_resizeRect);
}

void TPreviewForm::endResize() {
    if (!m_resizing) return;
    m_resizing = false;
    m_rubberBand->hide();
    setGeometry(m_resizeRect);
}
