#pragma once

class QWidget;

namespace pellmora::ui {

// Moves a top-level window so that its frame stands in the middle of the
// primary screen's available area. Does nothing without a screen.
void centreOnScreen(QWidget &window);

} // namespace pellmora::ui
