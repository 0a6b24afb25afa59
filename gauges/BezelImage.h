#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>

namespace GaugePainter {

// The case (drop shadow, bevelled ring, chamfer), the shaded face and the hairline between
// them, in device pixels: unitPx device pixels to a design unit, centre and pen width in device
// pixels. Returns the picture; origin receives where its top left pixel goes on the device.
//
// Drawn with QPainter these are six large translucent or gradient discs, and the raster engine
// hands each to its thread pool a few rows at a time (creating the threads at start-up). Here
// each pixel is worked out once, front layer first, from its distance to the centre.
QImage bezelImage(double unitPx, QPointF centre, double penPx, QPoint *origin);

} // namespace GaugePainter
