#pragma once
class QWidget;

// Moves a shown window so that it lies, frame and all, in the available area of its
// screen; one larger than that area (a fixed-size dialog at a large scaling) is first
// limited to it. Its top left, where the dialogs keep their buttons, then stays in reach.
void keepOnScreen(QWidget* window);
