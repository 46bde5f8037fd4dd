#pragma once

#include "tariff/BandRecord.h"

#include <QList>
#include <QPoint>
#include <QtGlobal>

// The geometry of the phone charges page's 24-hour pie: midnight at the
// top, the day running clockwise, one wedge per band. Nothing here draws;
// the page paints what these say.

// The pie image as the page shows it.
constexpr int PieWidth = 138;
constexpr int PieHeight = 138;
// A highlighted band is drawn this far inside the rim.
constexpr int PieHighlightInset = 8;

// The point of time `minutes` on the rim of a width x height pie, in image
// coordinates (y down): 00:00 top, 06:00 right, 12:00 bottom, 18:00 left.
QPoint PieRimPoint(int minutes, int width, int height);

// One wedge in the terms a painter takes: angles in degrees counter-
// clockwise from three o'clock, the arc running from the rim point of the
// band's end to that of its start.
struct PieWedge {
    bool fullDisc = false;  // both rim points fall on one pixel: the whole disc
    double startAngle = 0;
    double spanAngle = 0;   // > 0, counter-clockwise

    bool operator==(const PieWedge &) const = default;
};
PieWedge PieWedgeOf(int startMinutes, int endMinutes, int width, int height);

// The direction of a click at (x, y) on the image, in degrees clockwise
// from straight up, 0 <= angle < 360.
double PieClickAngle(int x, int y, int width, int height);

// The first band (1-based, in stored order) that holds the direction, or 0.
// Both band limits are inclusive (the end minute to its last second), so on
// a boundary the earlier band wins;
// a band with start = end holds every direction.
int BandAtAngle(const QList<BandRecord> &bands, double degrees);

// Colours as 0x00BBGGRR. Band k takes entry k of a ten-entry table; an
// eleventh band and beyond go round the table again.
quint32 BandColour(int band);
// Each channel 0x40 darker.
quint32 HighlightedColour(quint32 colour);
// 0x00BBGGRR as 0x00RRGGBB.
quint32 RgbOfColour(quint32 colour);
