#pragma once

class QWidget;

namespace yumekaze::app {

// Puts a top-level window in the middle of the screen it is on (the dialogs open centred on the
// screen, not over the window that opened them).
void CentreOnScreen(QWidget& window);

}  // namespace yumekaze::app
