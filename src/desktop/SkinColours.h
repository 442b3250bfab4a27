#pragma once
// The window's colours from a skin, a Qt style sheet: its first usable `background-color` (or
// `background`) and `color` declarations. The Linux program hands the sheet to Qt whole; where a
// window can take colours only, they are read from it by this rule.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tg {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

struct SkinColours {
  std::optional<Rgb> background;
  std::optional<Rgb> text;
};

SkinColours ColoursOfStyleSheet(std::string_view sheet);

}  // namespace tg
