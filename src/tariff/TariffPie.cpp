#include "tariff/TariffPie.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double DegreesPerRadian = 180.0 / std::numbers::pi;

// Half a dimension as the pie rounds it.
int half(int size)
{
    return int(std::lround(size / 2.0));
}

double timeAngle(int minutes)
{
    return minutes / 60.0 * std::numbers::pi / 12.0;
}

// The painter's angle (counter-clockwise from three o'clock) of a rim point.
double painterAngle(QPoint point, int width, int height)
{
    const double dx = point.x() - width / 2.0;
    const double dy = height / 2.0 - point.y();
    double angle = std::atan2(dy, dx) * DegreesPerRadian;
    if (angle < 0)
        angle += 360;
    return angle;
}

const quint32 Colours[10] = {0x8080FF, 0xFFFF80, 0x80FF80, 0x80FFFF, 0xFF80FF,
                             0x8080FF, 0xFFFF80, 0x80FF80, 0x80FFFF, 0xFF80FF};

} // namespace

QPoint PieRimPoint(int minutes, int width, int height)
{
    const int rx = half(width);
    const int ry = half(height);
    const double theta = timeAngle(minutes);
    const int x = rx + int(std::lround(rx * std::sin(theta)));
    const int y = height - (ry + int(std::lround(ry * std::cos(theta))));
    return {x, y};
}

PieWedge PieWedgeOf(int startMinutes, int endMinutes, int width, int height)
{
    const QPoint from = PieRimPoint(endMinutes, width, height);
    const QPoint to = PieRimPoint(startMinutes, width, height);
    PieWedge wedge;
    if (from == to) {
        wedge.fullDisc = true;
        wedge.spanAngle = 360;
        return wedge;
    }
    wedge.startAngle = painterAngle(from, width, height);
    double span = painterAngle(to, width, height) - wedge.startAngle;
    if (span <= 0)
        span += 360;
    wedge.spanAngle = span;
    return wedge;
}

double PieClickAngle(int x, int y, int width, int height)
{
    const int cx = half(width);
    const int cy = half(height);
    const int dx = x - cx;
    const int dy = (height - y) - cy;
    // The centre itself counts as straight down, as it always has.
    if (dx == 0 && dy == 0)
        return 180;
    double angle = std::atan2(double(dx), double(dy)) * DegreesPerRadian;
    if (angle < 0)
        angle += 360;
    return angle >= 360 ? 0 : angle;
}

int BandAtAngle(const QList<BandRecord> &bands, double degrees)
{
    // A band's end minute is its own to the last second, as when it is
    // priced: 00:00-23:59 holds the sliver left of the top as well. A
    // direction within a millionth of a degree of a limit lies on it.
    constexpr double Tolerance = 1e-6;
    for (int k = 1; k <= bands.size(); ++k) {
        const double start = bands[k - 1].startTime / 4.0;
        const double end = (bands[k - 1].endTime + 1) / 4.0;
        if (bands[k - 1].startTime == bands[k - 1].endTime)
            return k;
        const bool inside = bands[k - 1].startTime < bands[k - 1].endTime
            ? degrees >= start - Tolerance && degrees <= end + Tolerance
            : degrees >= start - Tolerance || degrees <= end + Tolerance;
        if (inside)
            return k;
    }
    return 0;
}

quint32 BandColour(int band)
{
    if (band < 1)
        return Colours[0];
    return Colours[(band - 1) % 10];
}

quint32 HighlightedColour(quint32 colour)
{
    return colour - 0x404040;
}

quint32 RgbOfColour(quint32 colour)
{
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
