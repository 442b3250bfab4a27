#pragma once
// The main window's state rules, the same on every desktop: a state given to a hidden window is
// kept until the window is shown, and it is shown in that state (showing a window in another state
// than its own would otherwise show it at once, or map it again on X11); a change made by code
// raises no resize, only what the user or the desktop does. Each kit gives the few primitives.

#include <functional>
#include <optional>

#include "common/ports/Controls.h"

namespace tg {

class HiddenStateWindow : public Window {
 public:
  bool visible() const final { return shown(); }
  void setVisible(bool visible) final;
  WindowState state() const final;
  void setState(WindowState state) final;
  void onResize(Handler handler) final { resize_ = std::move(handler); }

 protected:
  virtual bool shown() const = 0;
  virtual void hide() = 0;
  // Shows the window in `state`.
  virtual void showIn(WindowState state) = 0;
  // Shows the window in the state it has; the kit may first have to find out what the desktop
  // did to it meanwhile.
  virtual void showAsItIs() { showIn(shownState()); }
  // The state of the window on the screen.
  virtual WindowState shownState() const = 0;
  virtual void changeShownState(WindowState state) = 0;

  // The kit reports every resize and state change the desktop tells it of.
  void resized() const;
  // A change from code, during which the desktop's reports raise no resize.
  void changeFromCode(const std::function<void()>& change);

 private:
  std::optional<WindowState> stateWhenShown_;
  bool changingFromCode_ = false;
  Handler resize_;
};

}  // namespace tg
