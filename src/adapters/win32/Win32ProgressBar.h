#pragma once
// The countdown's bar (msctls_progress32), with its text drawn over the middle of the bar.

#include "adapters/win32/Win32Control.h"

namespace tg {

class Win32ProgressBar : public Win32Control, public ProgressBar {
 public:
  explicit Win32ProgressBar(HWND parent);
  int max() const override;
  void setMax(int max) override;
  int value() const override;
  void setValue(int value) override;
  std::string text() const override { return text_; }
  void setText(std::string_view text) override;
  void onMouseMove(Handler handler) override { setMouseMoveHandler(std::move(handler)); }
  void setFont(HFONT font) override;

 protected:
  std::optional<LRESULT> intercept(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void drawText();
  std::string text_;
  HFONT font_ = nullptr;
};

}  // namespace tg
