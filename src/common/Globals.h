#pragma once
// Values that live for the whole run of the program.

#include <string>
#include <string_view>

namespace tg {

inline constexpr std::string_view ProductTitle = "Tallyguard";

struct Globals {
  std::string HistoryLogPath;
  bool HiddenInTray = false;
};

}  // namespace tg
