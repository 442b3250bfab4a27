#include "adapters/win32/Win32Timer.h"

namespace tg {

namespace {
constexpr UINT_PTR TimerId = 1;
}

Win32Timer::Win32Timer() {
  window_.onMessage([this](UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_TIMER && wParam == TimerId && running_ && tick_) tick_();
  });
}

Win32Timer::~Win32Timer() { KillTimer(window_.handle(), TimerId); }

void Win32Timer::setInterval(int milliseconds) {
  interval_ = milliseconds;
  apply();
}

void Win32Timer::setEnabled(bool enabled) {
  enabled_ = enabled;
  apply();
}

// SetTimer on a running timer's identifier starts its period again.
void Win32Timer::apply() {
  running_ = enabled_ && interval_ > 0;
  if (running_) {
    SetTimer(window_.handle(), TimerId, static_cast<UINT>(interval_), nullptr);
  } else {
    KillTimer(window_.handle(), TimerId);
  }
}

}  // namespace tg
