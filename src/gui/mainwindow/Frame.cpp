// The borderless frame: outline, moving, keep-on-screen, rubber-band resize, buttons, status field.
#include "gui/common/Guard.h"
#include "gui/mainwindow/MyMenu.h"
#include "core/base/TextFormat.h"
#include "core/ftp/TIdFTP.h"
#include "ui_MyMenu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QScreen>
#include <QTimer>
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

} // namespace

void TMyMenuForm::connectFrame() {
    for (const QString& name : moveSources + resizeSources)
        if (QWidget* w = findChild<QWidget*>(name)) w->installEventFilter(this);
    for (const QString& name : resizeSources)
        if (QWidget* w = findChild<QWidget*>(name)) w->setCursor(Qt::SizeFDiagCursor);
    connect(m_ui->MB003, &QToolButton::clicked, this, [this] { handle([this] { MB003Click(); }); });
    connect(m_ui->MB004, &QToolButton::clicked, this, [this] { handle([this] { MB004Click(); }); });
    connect(m_ui->ProcessEdit, &QLineEdit::returnPressed, this,
            [this] { handle([this] { ProcessEditKeyPress(); }); });
}

bool TMyMenuForm::eventFilter(QObject* watched, QEvent* event) {
    const QString name = watched->objectName();
    if (moveSources.contains(name)) {
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            guarded(this, [this] { FormMouseDown(); });
            return true;
        }
        return false;
    }
    if (!resizeSources.contains(name)) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        guarded(this, [this] { ResizeOffImageMouseEnter(); });
        return false;
    case QEvent::Leave:
        guarded(this, [this] { ResizeOffImageMouseLeave(); });
        return false;
    case QEvent::MouseButtonPress: {
        const QPoint pos = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        guarded(this, [this, pos] { ResizeOffImageMouseDown(pos); });
        return true;
    }
    case QEvent::MouseMove: {
        const QPoint pos = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        guarded(this, [this, pos] { ResizeOffImageMouseMove(pos); });
        return true;
    }
    case QEvent::MouseButtonRelease:
        handle([this] { ResizeOffImageMouseUp(); });
        return true;
    default:
        return false;
    }
}

void TMyMenuForm::InitWindowRegion() {
    P = initialWindowOutline();
    ApplyWindowRegion();
}

void TMyMenuForm::ApplyWindowRegion() {
    shiftWindowOutline(P, Xp, Yp);
    setMask(QRegion(outlinePolygon(P), Qt::OddEvenFill));
    placeFrameControls();
}

void TMyMenuForm::placeFrameControls() {
    // Distances are from the bars' right end to the controls' left edges.
    const int w = width();
    m_ui->MB004->move(w - 42, 2);
    m_ui->MB003->move(w - 67, 2);
    m_ui->ResizeOffImage->move(w - 18, 4);
    m_ui->ResizeOnImage->move(w - 18, 4);
    m_ui->CPULabel->move(w - 88, 5);
    m_ui->CPUI001->move(w - 112, 5);
    m_ui->StopImg01->move(w - 112, 5);
    m_ui->CPUI002->move(w - 100, 5);
    m_ui->StopImg02->move(w - 100, 5);
    // The middle of the bottom bar is cut away by the outline; the indicators sit on its left part.
    m_ui->FTPOnImage->move(24, 3);
    m_ui->TimeLabel->move(44, 3);
    m_ui->CPUProgress->move((m_ui->RightPanel->width() - m_ui->CPUProgress->width()) / 2,
                            m_ui->RightPanel->height() - 99 - m_ui->CPUProgress->height());
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_ui->MB003, m_ui->MB004, m_ui->ResizeOffImage, m_ui->ResizeOnImage, m_ui->CPULabel,
             m_ui->CPUI001, m_ui->CPUI002, m_ui->StopImg01, m_ui->StopImg02, m_ui->FTPOnImage,
             m_ui->TimeLabel, m_ui->CPUProgress})
        control->raise();
}

void TMyMenuForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeFrameControls();
}

void TMyMenuForm::FormMouseDown() {
    if (QWindow* w = windowHandle()) w->startSystemMove();
}

// Keeps the window inside the screen's work area while it is being moved.
void TMyMenuForm::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (m_keepingOnScreen || !screen()) return;
    const QRect proposed(pos(), size());
    const QRect kept = keepOnScreen(proposed, screen()->availableGeometry());
    if (kept != proposed) {
        m_keepingOnScreen = true;
        move(kept.topLeft());
        m_keepingOnScreen = false;
    }
}

void TMyMenuForm::ResizeOffImageMouseEnter() {
    HResize = true;
    VResize = true;
    m_ui->ResizeOnImage->show();
}

void TMyMenuForm::ResizeOffImageMouseLeave() {
    HResize = true;
    VResize = true;
    m_ui->ResizeOnImage->hide();
}

void TMyMenuForm::ResizeOffImageMouseDown(const QPoint& globalPos) {
    m_resizing = true;
    m_lastPointer = globalPos;
    m_resizeRect = QRect(pos(), size());
    if (!m_rubberBand) m_rubberBand = new QRubberBand(QRubberBand::Rectangle);
    m_rubberBand->setGeometry(m_resizeRect);
    m_rubberBand->show();
    Xs = rightEdge(m_resizeRect);
    Ys = bottomEdge(m_resizeRect);
}

void TMyMenuForm::ResizeOffImageMouseMove(const QPoint& globalPos) {
    if (!m_resizing) return;
    const int dx = HResize ? globalPos.x() - m_lastPointer.x() : 0;
    const int dy = VResize ? globalPos.y() - m_lastPointer.y() : 0;
    const QRect screenRect = screen() ? screen()->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    m_resizeRect = resizeStep(m_resizeRect, dx, dy, QSize(rightEdge(screenRect), bottomEdge(screenRect)));
    m_lastPointer = globalPos;
    m_rubberBand->setGeometry(m_resizeRect);
}

void TMyMenuForm::ResizeOffImageMouseUp() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    if (m_resizing) {
        m_rubberBand->hide();
        setGeometry(m_resizeRect);
        Xp = rightEdge(m_resizeRect) - Xs;
        Yp = bottomEdge(m_resizeRect) - Ys;
    }
    m_resizing = false;
    ApplyWindowRegion();
    Xs = Ys = Xp = Yp = 0;
    refreshAfterResize();
}

void TMyMenuForm::MB003Click() {
    showMinimized();
}

void TMyMenuForm::MB004Click() {
    close();
}

void TMyMenuForm::FormMouseMove() {
    if (SleepTimer->isActive()) SleepTimer->stop();
    m_ui->ProcessEdit->setText(QStringLiteral("Start ...") + nowText(QStringLiteral("hh:mm:ss")));
}

void TMyMenuForm::FormKeyPress() {
    m_ui->ProcessEdit->setText(QStringLiteral("Start ... ") + nowText(QStringLiteral("hh:mm:ss")));
}

void TMyMenuForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) guarded(this, [this] { FormMouseDown(); });
    QWidget::mousePressEvent(event);
}

void TMyMenuForm::mouseMoveEvent(QMouseEvent* event) {
    guarded(this, [this] { FormMouseMove(); });
    QWidget::mouseMoveEvent(event);
}

void TMyMenuForm::keyPressEvent(QKeyEvent* event) {
    // Only keys meant for the window itself: those a control passed on (Enter in ProcessEdit) are not.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == this) guarded(this, [this] { FormKeyPress(); });
    QWidget::keyPressEvent(event);
}

void TMyMenuForm::closeEvent(QCloseEvent* event) {
    guarded(this, [this] { FormCloseQuery(); });
    event->accept(); // closing is always allowed
}

void TMyMenuForm::refreshAfterResize() {
    if (IdFTP->Connected()) ListRemoteDirectory(IdFTP->RetrieveCurrentDir());
}

void TMyMenuForm::ProcessEditKeyPress() {
    if (IdFTP->Connected()) ListRemoteDirectory(m_ui->ProcessEdit->text());
}

void TMyMenuForm::FormCloseQuery() {
    if (IdFTP->Connected()) {
        guarded(this, [this] {
            IdFTP->Disconnect();
            IdFTP->closeSocket();
        });
        m_ui->ProcessEdit->setText(QStringLiteral("Server connection is broken ... "));
    }
    CPUTimer->stop();
}
