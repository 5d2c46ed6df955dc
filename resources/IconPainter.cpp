#include "IconPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// Shapes are drawn on a 48 x 48 grid and scaled to the icon size.
constexpr qreal grid = 48.0;

QPainterPath pageOutline() {
    QPainterPath path;
    path.moveTo(9, 3);
    path.lineTo(30, 3);
    path.lineTo(40, 13);
    path.lineTo(40, 45);
    path.lineTo(9, 45);
    path.closeSubpath();
    return path;
}

void drawPage(QPainter& p, bool textLines) {
    QLinearGradient paper(0, 3, 0, 45);
    paper.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
    paper.setColorAt(1, QColor(0xE6, 0xE9, 0xEE));
    p.setPen(QPen(QColor(0x8A, 0x93, 0xA0), 1.2));
    p.setBrush(paper);
    p.drawPath(pageOutline());

    QPainterPath fold;
    fold.moveTo(30, 3);
    fold.lineTo(30, 13);
    fold.lineTo(40, 13);
    fold.closeSubpath();
    p.setBrush(QColor(0xC9, 0xCF, 0xD8));
    p.drawPath(fold);

    if (textLines) {
        p.setPen(QPen(QColor(0xB4, 0xBB, 0xC6), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(13, 9 + 4 * i), QPointF(i == 0 ? 26 : 36, 9 + 4 * i));
    }
}

// The extension on a coloured band across the page, as large as the band allows.
void drawLabel(QPainter& p, const QString& text, const QColor& color, int size) {
    const QRectF band(5, 24, 38, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(band, 2.5, 2.5);
    if (size < 32) // too small to read: the colour alone tells the group
        return;

    const qreal k = size / grid;
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    for (int pixels = qRound(10 * k); pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetricsF(font).horizontalAdvance(text) <= (band.width() - 3) * k) break;
    }
    p.save();
    p.scale(grid / size, grid / size); // text in device pixels, so it stays crisp
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(band.x() * k, band.y() * k, band.width() * k, band.height() * k), Qt::AlignCenter,
               text);
    p.restore();
}

void drawFolder(QPainter& p) {
    const QColor edge(0xB7, 0x79, 0x1F);
    QPainterPath back;
    back.moveTo(4, 12);
    back.lineTo(4, 9);
    back.quadTo(4, 7, 6, 7);
    back.lineTo(17, 7);
    back.lineTo(21, 11);
    back.lineTo(42, 11);
    back.quadTo(44, 11, 44, 13);
    back.lineTo(44, 40);
    back.lineTo(4, 40);
    back.closeSubpath();
    p.setPen(QPen(edge, 1.2));
    p.setBrush(QColor(0xE9, 0xB9, 0x4A));
    p.drawPath(back);

    QLinearGradient front(0, 16, 0, 41);
    front.setColorAt(0, QColor(0xFC, 0xD9, 0x72));
    front.setColorAt(1, QColor(0xF2, 0xB8, 0x3B));
    p.setBrush(front);
    p.drawRoundedRect(QRectF(4, 16, 40, 25), 2, 2);
}

void drawUpArrow(QPainter& p) {
    QPainterPath arrow;
    arrow.moveTo(24, 18);
    arrow.lineTo(33, 28);
    arrow.lineTo(27.5, 28);
    arrow.lineTo(27.5, 37);
    arrow.lineTo(20.5, 37);
    arrow.lineTo(20.5, 28);
    arrow.lineTo(15, 28);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x1E, 0x6B, 0x34), 1.2));
    p.setBrush(QColor(0x38, 0xA1, 0x69));
    p.drawPath(arrow);
}

void drawHouse(QPainter& p) {
    QPainterPath roof;
    roof.moveTo(24, 5);
    roof.lineTo(44, 23);
    roof.lineTo(4, 23);
    roof.closeSubpath();
    p.setPen(QPen(QColor(0x9B, 0x2C, 0x2C), 1.2));
    p.setBrush(QColor(0xE5, 0x3E, 0x3E));
    p.drawPath(roof);

    p.setPen(QPen(QColor(0x2C, 0x52, 0x82), 1.2));
    p.setBrush(QColor(0x63, 0xB3, 0xED));
    p.drawRect(QRectF(9, 23, 30, 20));
    p.setBrush(QColor(0x2C, 0x52, 0x82));
    p.drawRect(QRectF(20, 30, 8, 13));
}

void drawQuestionMark(QPainter& p, int size) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPixelSize(qMax(1, qRound(20.0 * size / grid)));
    p.save();
    p.scale(grid / size, grid / size);
    p.setFont(font);
    p.setPen(QColor(0x8A, 0x93, 0xA0));
    const qreal k = size / grid;
    p.drawText(QRectF(9 * k, 14 * k, 31 * k, 28 * k), Qt::AlignCenter, QStringLiteral("?"));
    p.restore();
}

} // namespace

QImage drawFileIcon(const FileTypeEntry& entry, IconShape shape, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.scale(size / grid, size / grid);
    switch (shape) {
    case IconShape::Root:
        drawHouse(p);
        break;
    case IconShape::ParentFolder:
        drawFolder(p);
        drawUpArrow(p);
        break;
    case IconShape::Folder:
        drawFolder(p);
        break;
    case IconShape::UnknownFile:
        drawPage(p, false);
        drawQuestionMark(p, size);
        break;
    case IconShape::Page:
        drawPage(p, true);
        drawLabel(p, entry.extension.mid(1), groupColor(entry.fileGroup), size);
        break;
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
