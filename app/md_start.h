#pragma once

#include <functional>

class QApplication;
class QWidget;

// The program: creates the main window, runs its load step, shows it and runs the event loop
// until the window is gone. onShown, when given, runs right after the window is shown (the
// start-up benchmark uses it).
int md_start(int argc, char *argv[],
             const std::function<void(QApplication &, QWidget &)> &onShown = {});
