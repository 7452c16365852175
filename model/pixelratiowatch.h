#pragma once
// Key faces are drawn for the pixels of the screen they are shown on; a window that
// keeps faces learns here when those pixels change.
#include <functional>

class QWidget;

// Runs `redraw` whenever `window`'s device pixel ratio is no longer the one it had
// when last seen: looked at as the window is shown (before its first showing Qt
// reports the highest ratio of all screens) and when it moves to another screen.
void watchPixelRatio(QWidget* window, std::function<void()> redraw);
