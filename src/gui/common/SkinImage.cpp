#include "gui/common/SkinImage.h"

#include <QPainter>
#include <QSvgRenderer>

SkinImage::SkinImage(QWidget* parent) : QWidget(parent), m_renderer(new QSvgRenderer(this)) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void SkinImage::setSource(const QString& source) {
    m_source = source;
    m_renderer->load(source);
    m_renderer->setAspectRatioMode(Qt::IgnoreAspectRatio);
    update();
}

QSize SkinImage::sizeHint() const {
    return m_renderer->isValid() ? m_renderer->defaultSize() : QSize(16, 16);
}

void SkinImage::paintEvent(QPaintEvent*) {
    if (!m_renderer->isValid()) return;
    QPainter painter(this);
    m_renderer->render(&painter, QRectF(rect()));
}
