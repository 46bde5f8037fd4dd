#include "account_window/gui/TariffPieView.h"

#include "tariff/TariffPie.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

TariffPieView::TariffPieView(QWidget *parent)
    : QWidget(parent), m_image(PieWidth, PieHeight, QImage::Format_ARGB32)
{
    setObjectName(QStringLiteral("PieImage"));
    setFixedSize(FaceWidth, FaceHeight);
    setMouseTracking(true);
    // Taking the focus on a click lets an edit being typed in finish first.
    setFocusPolicy(Qt::ClickFocus);
    m_image.fill(Qt::transparent);
    DrawPieChart();
}

QRect TariffPieView::pieRect() const
{
    return QRect((FaceWidth - PieWidth) / 2, (FaceHeight - PieHeight) / 2, PieWidth, PieHeight);
}

void TariffPieView::DrawPieChart()
{
    m_image.fill(Qt::transparent);
    QPainter painter(&m_image);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRect(0, 0, PieWidth - 1, PieHeight - 1));
    update();
}

void TariffPieView::DrawTimeZonePie(int startMinutes, int endMinutes, quint32 colour, bool highlighted)
{
    const QColor fill = QColor::fromRgb(RgbOfColour(colour));
    QPainter painter(&m_image);
    painter.setBrush(fill);
    // A full-day band has no edges to show.
    painter.setPen(startMinutes == endMinutes ? fill : QColor(Qt::black));
    const int inset = highlighted ? PieHighlightInset : 0;
    const QRect bounds(QPoint(inset, inset), QPoint(PieWidth - 1 - inset, PieHeight - 1 - inset));
    const PieWedge wedge = PieWedgeOf(startMinutes, endMinutes, PieWidth, PieHeight);
    if (wedge.fullDisc)
        painter.drawEllipse(bounds);
    else
        painter.drawPie(bounds, int(std::lround(wedge.startAngle * 16)), int(std::lround(wedge.spanAngle * 16)));
    update();
}

void TariffPieView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(FaceWidth / 2.0, FaceHeight / 2.0);
    const double radius = std::min(FaceWidth, FaceHeight) / 2.0 - 2;
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(centre, radius, radius);

    // An hour mark every hour, longer every six, and the six-hourly times.
    painter.setPen(QPen(palette().color(QPalette::WindowText), 1));
    const double pieRadius = PieWidth / 2.0;
    for (int hour = 0; hour < 24; ++hour) {
        const double theta = hour * std::numbers::pi / 12.0;
        const QPointF direction(std::sin(theta), -std::cos(theta));
        const double inner = pieRadius + 2;
        const double outer = pieRadius + (hour % 6 == 0 ? 9 : 5);
        painter.drawLine(centre + direction * inner, centre + direction * outer);
    }
    QFont font = painter.font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() * 0.75));
    painter.setFont(font);
    const double labelRadius = (pieRadius + 9 + radius) / 2.0 + 1;
    for (int hour = 0; hour < 24; hour += 3) {
        const double theta = hour * std::numbers::pi / 12.0;
        const QPointF at = centre + QPointF(std::sin(theta), -std::cos(theta)) * labelRadius;
        const QRectF box(at.x() - 10, at.y() - 7, 20, 14);
        painter.drawText(box, Qt::AlignCenter, QString::number(hour));
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(pieRect().topLeft(), m_image);
}

void TariffPieView::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && pieRect().contains(at))
        Q_EMIT pieClicked(at - pieRect().topLeft());
    QWidget::mousePressEvent(event);
}

void TariffPieView::mouseMoveEvent(QMouseEvent *event)
{
    setCursor(pieRect().contains(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void TariffPieView::contextMenuEvent(QContextMenuEvent *event)
{
    if (pieRect().contains(event->pos()))
        Q_EMIT menuRequested(event->globalPos());
}
