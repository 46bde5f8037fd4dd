#pragma once

#include <QChartView>
#include <QPixmap>

// The report's chart: a box dragged with the left button zooms in, the
// right button held down pans. After a zoom, zooming is off until the zoom
// is undone, by a click on the chart or by resetZoom().
class ReportChartView : public QChartView
{
    Q_OBJECT

public:
    explicit ReportChartView(QChart *chart, QWidget *parent = nullptr);

    void resetZoom();
    bool zoomingOn() const { return rubberBand() != QChartView::NoRubberBand; }
    // A picture drawn centred behind the chart; a null one draws none.
    void setBackgroundPicture(const QPixmap &picture);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void drawBackground(QPainter *painter, const QRectF &rect) override;

private:
    bool m_panning = false;
    QPointF m_lastPan;
    QPixmap m_picture;
};
