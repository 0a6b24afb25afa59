#include "WindowBounds.h"

#include <QLineF>

#include <algorithm>

namespace WindowBounds {

namespace {
qint64 overlap(const QRect &a, const QRect &b)
{
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

// From the rectangle's centre to the nearest point of the area.
double distance(const QRect &outer, const QRect &area)
{
    const QPointF centre = QRectF(outer).center();
    const QPointF nearest(std::clamp(centre.x(), double(area.left()), double(area.right())),
                          std::clamp(centre.y(), double(area.top()), double(area.bottom())));
    return QLineF(centre, nearest).length();
}

// One side: the length kept within [minimum, the area's] and the start moved so that the
// window does not leave the area.
std::pair<int, int> fit(int start, int length, int areaStart, int areaLength, int minimum)
{
    length = std::max(minimum, std::min(length, areaLength));
    start = std::max(areaStart, std::min(start, areaStart + areaLength - length));
    return {start, length};
}
} // namespace

QRect placeOnScreen(const QRect &outer, const QList<QRect> &areas, const QSize &minimum)
{
    if (areas.isEmpty())
        return {outer.topLeft(), outer.size().expandedTo(minimum)};
    const QRect *best = &areas.first();
    for (const QRect &area : areas) {
        const qint64 a = overlap(outer, area);
        const qint64 b = overlap(outer, *best);
        if (a > b || (a == 0 && b == 0 && distance(outer, area) < distance(outer, *best)))
            best = &area;
    }
    const auto [x, width] =
        fit(outer.x(), outer.width(), best->x(), best->width(), minimum.width());
    const auto [y, height] =
        fit(outer.y(), outer.height(), best->y(), best->height(), minimum.height());
    return {x, y, width, height};
}

} // namespace WindowBounds
