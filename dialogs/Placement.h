#pragma once

class QWidget;

namespace dialogs {

// Centres a shown window, frame included, on its screen. The frame's size is
// known only once the window is shown.
void centreOnScreen(QWidget *window);

} // namespace dialogs
