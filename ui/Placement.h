#pragma once

#include <QPoint>

class QWidget;

namespace ui {

// Centres a window, frame included, on its screen when it is first shown, and
// again once its frame is known: a window manager adds the frame only after
// the window is on screen. Moves and resizes of the player are left alone.
// offset moves it from the centre.
void centreWhenShown(QWidget *window, QPoint offset = {});

} // namespace ui
