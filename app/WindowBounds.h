#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace WindowBounds {

// The window's outer rectangle (frame included) moved, and shrunk where it is larger, to lie
// wholly on one screen's available area: the area it overlaps most, or the one nearest to it
// when it overlaps none (a store from a monitor that is gone). It never gets smaller than
// minimum; an area smaller than that gets the window at its top left corner. areas lists the
// primary screen first, which wins a tie.
QRect placeOnScreen(const QRect &outer, const QList<QRect> &areas, const QSize &minimum);

} // namespace WindowBounds
