#pragma once

#include <QImage>
#include <QWidget>

// The 24-hour pie of the phone charges page: an image that the page draws
// wedges into band by band, shown on a clock face. A click on the pie image
// reports where, in image coordinates.
class TariffPieView : public QWidget
{
    Q_OBJECT

public:
    explicit TariffPieView(QWidget *parent = nullptr);

    // The face around the pie, and the pie image inside it.
    static constexpr int FaceWidth = 195;
    static constexpr int FaceHeight = 193;

    // A white disc with a black rim over the whole image.
    void DrawPieChart();
    // One wedge from start to end clockwise (a full disc when the two rim
    // points meet), colour as 0x00BBGGRR, inset when highlighted.
    void DrawTimeZonePie(int startMinutes, int endMinutes, quint32 colour, bool highlighted);

    const QImage &pieImage() const { return m_image; }
    // Where the pie image sits on the face.
    QRect pieRect() const;

    QSize sizeHint() const override { return {FaceWidth, FaceHeight}; }

Q_SIGNALS:
    // x, y within the pie image.
    void pieClicked(QPoint position);
    void menuRequested(QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QImage m_image;
};
