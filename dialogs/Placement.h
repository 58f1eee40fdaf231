#pragma once

class QWidget;

namespace dialogs {

// Centres a window, frame included, on its screen when it is first shown, and
// again once its frame is known: a window manager adds the frame only after
// the window is on screen. Moves and resizes of the player are left alone.
void centreWhenShown(QWidget *window);

} // namespace dialogs
