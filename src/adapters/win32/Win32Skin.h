#pragma once
// The skin on Windows gives the window its colours only. The file is the Qt style sheet the Linux
// program reads: its first usable `background-color` (or `background`) and `color` declarations
// are the window's background and text colours.

#include <windows.h>

#include <functional>

#include "common/ports/Skin.h"

namespace tg {

class Win32Skin : public Skin {
 public:
  // `paint` colours the window; a colour the file leaves out is the system's own.
  explicit Win32Skin(std::function<void(COLORREF background, COLORREF text)> paint)
      : paint_(std::move(paint)) {}

  // Throws when the file cannot be read or holds no colour the window can use.
  void apply(std::string_view skinFile) override;

 private:
  std::function<void(COLORREF, COLORREF)> paint_;
};

}  // namespace tg
