#pragma once
// A frame (BUTTON BS_GROUPBOX) that holds its controls as child windows: their notifications
// come to it and are handed on to them, and it fills its own background so that a colour of its
// own shows under them.

#include "adapters/win32/Win32Colours.h"
#include "adapters/win32/Win32Control.h"

namespace tg {

class Win32Frame : public Win32Control, public Frame {
 public:
  explicit Win32Frame(HWND parent);
  std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override;
  // A system colour (high bit set) leaves the frame to the window's colours; any other is its own.
  void setBackColor(unsigned colour) override;
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }

  // The colours of the frame's own caption, asked of its container.
  std::optional<LRESULT> answerColour(UINT message, WPARAM dc) const;

 protected:
  std::optional<LRESULT> intercept(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::string caption_;
  SolidFill fill_;
};

}  // namespace tg
