#pragma once

#include <QMargins>

class QWidget;

// The frame the window manager will put around a top-level window that is not shown yet, in
// the window's pixels; zero where the platform cannot tell in advance (the frame is then
// learnt once the window is shown).
QMargins expectedWindowFrame(const QWidget &window);
