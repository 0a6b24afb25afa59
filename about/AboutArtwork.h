#pragma once

#include <QCursor>
#include <QPixmap>
#include <QSize>

// The about box's artwork, drawn by the program itself: no image files to ship or license.

// Background picture: paper, a flow dial and the orifice fitting it measures, drawn for size
// (the about box's client area) at the given device pixel ratio. The bands the dialog's labels
// sit on are kept light so its blue text stays readable.
QPixmap aboutBackground(QSize size, qreal devicePixelRatio = 1.0);

// The link pointer: a 16 x 16 pointing hand, and the cursor made from it with its hot spot
// on the fingertip.
QPixmap pointingHandImage();
QCursor pointingHandCursor();
