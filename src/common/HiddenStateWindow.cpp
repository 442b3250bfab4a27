#include "common/HiddenStateWindow.h"

namespace tg {

void HiddenStateWindow::setVisible(bool visible) {
  changeFromCode([&] {
    if (!visible) {
      hide();
    } else if (stateWhenShown_) {
      const WindowState kept = *stateWhenShown_;
      stateWhenShown_.reset();
      showIn(kept);
    } else {
      showAsItIs();
    }
  });
}

WindowState HiddenStateWindow::state() const {
  if (stateWhenShown_ && !shown()) return *stateWhenShown_;
  return shownState();
}

void HiddenStateWindow::setState(WindowState state) {
  if (!shown()) {
    stateWhenShown_ = state;
    return;
  }
  changeFromCode([&] { changeShownState(state); });
}

void HiddenStateWindow::resized() const {
  if (!changingFromCode_ && resize_) resize_();
}

// Nested changes (a show that changes the state) end the quiet only when the outermost ends.
void HiddenStateWindow::changeFromCode(const std::function<void()>& change) {
  const bool outer = !changingFromCode_;
  changingFromCode_ = true;
  try {
    change();
  } catch (...) {
    if (outer) changingFromCode_ = false;
    throw;
  }
  if (outer) changingFromCode_ = false;
}

}  // namespace tg
