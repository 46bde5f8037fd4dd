#include "reports/gui/ReportChartView.h"

#include <QMouseEvent>

ReportChartView::ReportChartView(QChart *chart, QWidget *parent) : QChartView(chart, parent)
{
    setRubberBand(QChartView::RectangleRubberBand);
    setRenderHint(QPainter::Antialiasing);
}

void ReportChartView::resetZoom()
{
    chart()->zoomReset();
    setRubberBand(QChartView::RectangleRubberBand);
}

void ReportChartView::setBackgroundPicture(const QPixmap &picture)
{
    m_picture = picture;
    viewport()->update();
}

void ReportChartView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        m_panning = true;
        m_lastPan = event->position();
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && !zoomingOn()) {
        resetZoom();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void ReportChartView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_panning) {
        const QPointF delta = event->position() - m_lastPan;
        m_lastPan = event->position();
        chart()->scroll(-delta.x(), delta.y());
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void ReportChartView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        // Not the chart view's own right click, which zooms out.
        m_panning = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && chart()->isZoomed())
        setRubberBand(QChartView::NoRubberBand);
}

void ReportChartView::drawBackground(QPainter *painter, const QRectF &rect)
{
    QChartView::drawBackground(painter, rect);
    if (m_picture.isNull())
        return;
    const QRectF scene = sceneRect();
    const QPointF topLeft(scene.center().x() - m_picture.width() / 2.0, scene.center().y() - m_picture.height() / 2.0);
    painter->drawPixmap(topLeft, m_picture);
}
