#pragma once
// The schedule's timer: SetTimer on a hidden window of its own. It ticks while the period is
// above 0 and it is enabled; any change starts the period anew.

#include "adapters/win32/Win32HiddenWindow.h"
#include "common/ports/Controls.h"

namespace tg {

class Win32Timer : public Timer {
 public:
  Win32Timer();
  ~Win32Timer() override;
  int interval() const override { return interval_; }
  void setInterval(int milliseconds) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override;
  void onTick(Handler handler) override { tick_ = std::move(handler); }
  bool running() const { return running_; }
  HWND window() const { return window_.handle(); }

 private:
  void apply();
  Win32HiddenWindow window_;
  int interval_ = 0;
  bool enabled_ = true;
  bool running_ = false;
  Handler tick_;
};

}  // namespace tg
