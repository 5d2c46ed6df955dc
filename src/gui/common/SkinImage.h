#pragma once

#include <QString>
#include <QWidget>

class QSvgRenderer;

// A picture of the window's skin: an SVG drawn stretched over the widget. Mouse handling belongs to the
// main window, which filters the events of the frame images.
class SkinImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)
public:
    explicit SkinImage(QWidget* parent = nullptr);
    QString source() const { return m_source; }
    void setSource(const QString& source);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_source;
    QSvgRenderer* m_renderer = nullptr;
};
