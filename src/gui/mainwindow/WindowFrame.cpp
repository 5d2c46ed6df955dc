#include "gui/mainwindow/WindowFrame.h"

#include "core/base/TextFormat.h"
#include "gui/common/UserAction.h"
#include "ui_MyMenu.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScreen>
#include <QWindow>

namespace {

// Frame images that move the window, and those that run the resize drag.
const QStringList moveSources{QStringLiteral("BottomLeft"), QStringLiteral("BottomRightA"),
                              QStringLiteral("LeftBottom"), QStringLiteral("MoveFormOffImage"),
                              QStringLiteral("CPUProgress")};
const QStringList resizeSources{
    QStringLiteral("BottomBorder"),  QStringLiteral("RightBorder"), QStringLiteral("ResizeOffImage"),
    QStringLiteral("ResizeOnImage"), QStringLiteral("FTPOnImage"),  QStringLiteral("CPUI001"),
    QStringLiteral("CPUI002"),       QStringLiteral("StopImg01"),   QStringLiteral("StopImg02")};

QString nowText(const QString& pattern) {
    return formatDateTime(pattern, QDateTime::currentDateTime());
}

QPoint globalPos(QEvent* event) {
    return static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
}

} // namespace

WindowFrame::WindowFrame(Ui::TMyMenuForm& ui, QWidget* window) : QObject(window), m_ui(ui), m_window(window) {
    for (const QString& name : moveSources + resizeSources)
        if (QWidget* w = window->findChild<QWidget*>(name)) w->installEventFilter(this);
    for (const QString& name : resizeSources)
        if (QWidget* w = window->findChild<QWidget*>(name)) w->setCursor(Qt::SizeFDiagCursor);
    window->installEventFilter(this);
    connect(m_ui.MB003, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { m_window->showMinimized(); }); });
    connect(m_ui.MB004, &QToolButton::clicked, this,
            [this] { userAction(m_window, [this] { m_window->close(); }); });
}

WindowFrame::~WindowFrame() {
    delete m_rubberBand; // a top-level widget of its own
}

void WindowFrame::initialise() {
    Xp = m_window->width() - 800;
    Yp = m_window->height() - 500;
    P = initialWindowOutline();
    applyOutline();
    if (QScreen* s = m_window->screen())
        m_window->move(s->availableGeometry().center() - m_window->rect().center());
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) return filterWindowEvent(event);
    const QString name = watched->objectName();
    if (moveSources.contains(name)) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            guarded(m_window, [this] { startMove(); });
            return true;
        }
        return false;
    }
    if (!resizeSources.contains(name)) return false;
    switch (event->type()) {
    case QEvent::Enter:
        guarded(m_window, [this] { showGrip(); });
        return false;
    case QEvent::Leave:
        guarded(m_window, [this] { hideGrip(); });
        return false;
    case QEvent::MouseButtonPress:
        guarded(m_window, [&] { beginResize(globalPos(event)); });
        return true;
    case QEvent::MouseMove:
        guarded(m_window, [&] { dragResize(globalPos(event)); });
        return true;
    case QEvent::MouseButtonRelease:
        userAction(m_window, [this] { endResize(); });
        return true;
    default:
        return false;
    }
}

// Events of the window itself; never consumed.
bool WindowFrame::filterWindowEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            guarded(m_window, [this] { startMove(); });
        break;
    case QEvent::MouseMove:
        guarded(m_window, [this] { greetMouse(); });
        break;
    case QEvent::KeyPress: {
        // Only keys meant for the window itself: those a control passed on (Enter in ProcessEdit) are not.
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus == m_window) guarded(m_window, [this] { greetKey(); });
        break;
    }
    case QEvent::Move:
        keepOnScreen();
        break;
    case QEvent::Resize:
        placeControls();
        break;
    default:
        break;
    }
    return false;
}

void WindowFrame::applyOutline() {
    shiftWindowOutline(P, Xp, Yp);
    m_window->setMask(QRegion(outlinePolygon(P), Qt::OddEvenFill));
    placeControls();
}

void WindowFrame::placeControls() {
    // Distances are from the bars' right end to the controls' left edges.
    const int w = m_window->width();
    m_ui.MB004->move(w - 42, 2);
    m_ui.MB003->move(w - 67, 2);
    m_ui.ResizeOffImage->move(w - 18, 4);
    m_ui.ResizeOnImage->move(w - 18, 4);
    m_ui.CPULabel->move(w - 88, 5);
    m_ui.CPUI001->move(w - 112, 5);
    m_ui.StopImg01->move(w - 112, 5);
    m_ui.CPUI002->move(w - 100, 5);
    m_ui.StopImg02->move(w - 100, 5);
    // The middle of the bottom bar is cut away by the outline; the indicators sit on its left part.
    m_ui.FTPOnImage->move(24, 3);
    m_ui.TimeLabel->move(44, 3);
    m_ui.CPUProgress->move((m_ui.RightPanel->width() - m_ui.CPUProgress->width()) / 2,
                           m_ui.RightPanel->height() - 99 - m_ui.CPUProgress->height());
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_ui.MB003, m_ui.MB004, m_ui.ResizeOffImage, m_ui.ResizeOnImage, m_ui.CPULabel, m_ui.CPUI001,
             m_ui.CPUI002, m_ui.StopImg01, m_ui.StopImg02, m_ui.FTPOnImage, m_ui.TimeLabel, m_ui.CPUProgress})
        control->raise();
}

void WindowFrame::startMove() {
    if (QWindow* w = m_window->windowHandle()) w->startSystemMove();
}

// Keeps the window inside the screen's work area while it is being moved.
void WindowFrame::keepOnScreen() {
    if (m_keepingOnScreen || !m_window->screen()) return;
    const QRect proposed(m_window->pos(), m_window->size());
    const QRect kept = ::keepOnScreen(proposed, m_window->screen()->availableGeometry());
    if (kept != proposed) {
        m_keepingOnScreen = true;
        m_window->move(kept.topLeft());
        m_keepingOnScreen = false;
    }
}

void WindowFrame::showGrip() {
    HResize = true;
    VResize = true;
    m_ui.ResizeOnImage->show();
}

void WindowFrame::hideGrip() {
    HResize = true;
    VResize = true;
    m_ui.ResizeOnImage->hide();
}

void WindowFrame::beginResize(const QPoint& globalPos) {
    m_resizing = true;
    m_lastPointer = globalPos;
    m_resizeRect = QRect(m_window->pos(), m_window->size());
    if (!m_rubberBand) m_rubberBand = new QRubberBand(QRubberBand::Rectangle);
    m_rubberBand->setGeometry(m_resizeRect);
    m_rubberBand->show();
    Xs = rightEdge(m_resizeRect);
    Ys = bottomEdge(m_resizeRect);
}

void WindowFrame::dragResize(const QPoint& globalPos) {
    if (!m_resizing) return;
    const int dx = HResize ? globalPos.x() - m_lastPointer.x() : 0;
    const int dy = VResize ? globalPos.y() - m_lastPointer.y() : 0;
    QScreen* screen = m_window->screen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    m_resizeRect = resizeStep(m_resizeRect, dx, dy, QSize(rightEdge(screenRect), bottomEdge(screenRect)));
    m_lastPointer = globalPos;
    m_rubberBand->setGeometry(m_resizeRect);
}

void WindowFrame::endResize() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    if (m_resizing) {
        m_rubberBand->hide();
        m_window->setGeometry(m_resizeRect);
        Xp = rightEdge(m_resizeRect) - Xs;
        Yp = bottomEdge(m_resizeRect) - Ys;
    }
    m_resizing = false;
    applyOutline();
    Xs = Ys = Xp = Yp = 0;
    emit resized();
}

void WindowFrame::greetMouse() {
    emit mouseMoved();
    m_ui.ProcessEdit->setText(QStringLiteral("Start ...") + nowText(QStringLiteral("hh:mm:ss")));
}

void WindowFrame::greetKey() {
    m_ui.ProcessEdit->setText(QStringLiteral("Start ... ") + nowText(QStringLiteral("hh:mm:ss")));
}
