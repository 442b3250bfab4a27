#include "adapters/win32/Win32Skin.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/Descriptions.h"

namespace tg {
namespace {

struct SkinColours {
  std::optional<COLORREF> background;
  std::optional<COLORREF> text;
};

std::string ReadSkinFile(std::string_view skinFile) {
  std::ifstream file{std::string(skinFile), std::ios::binary};
  std::ostringstream contents;
  if (file) contents << file.rdbuf();
  if (!file) throw std::runtime_error(Descriptions::FileCannotBeRead(skinFile));
  return contents.str();
}

std::string Lowercase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string WithoutComments(std::string_view sheet) {
  std::string plain;
  size_t at = 0;
  while (at < sheet.size()) {
    const size_t opened = sheet.find("/*", at);
    plain += sheet.substr(at, opened - at);
    if (opened == std::string_view::npos) break;
    const size_t closed = sheet.find("*/", opened + 2);
    if (closed == std::string_view::npos) break;
    at = closed + 2;
  }
  return plain;
}

// The colour names of CSS's basic palette, which style sheets use.
constexpr std::array<std::pair<std::string_view, COLORREF>, 16> NamedColours{{
    {"black", RGB(0x00, 0x00, 0x00)},
    {"silver", RGB(0xC0, 0xC0, 0xC0)},
    {"gray", RGB(0x80, 0x80, 0x80)},
    {"white", RGB(0xFF, 0xFF, 0xFF)},
    {"maroon", RGB(0x80, 0x00, 0x00)},
    {"red", RGB(0xFF, 0x00, 0x00)},
    {"purple", RGB(0x80, 0x00, 0x80)},
    {"fuchsia", RGB(0xFF, 0x00, 0xFF)},
    {"green", RGB(0x00, 0x80, 0x00)},
    {"lime", RGB(0x00, 0xFF, 0x00)},
    {"olive", RGB(0x80, 0x80, 0x00)},
    {"yellow", RGB(0xFF, 0xFF, 0x00)},
    {"navy", RGB(0x00, 0x00, 0x80)},
    {"blue", RGB(0x00, 0x00, 0xFF)},
    {"teal", RGB(0x00, 0x80, 0x80)},
    {"aqua", RGB(0x00, 0xFF, 0xFF)},
}};

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

// "#rgb" or "#rrggbb", lower case.
std::optional<COLORREF> HexColour(std::string_view value) {
  if (value.size() != 4 && value.size() != 7) return std::nullopt;
  std::array<int, 6> digits{};
  for (size_t i = 1; i < value.size(); ++i) {
    const std::optional<int> digit = HexDigit(value[i]);
    if (!digit) return std::nullopt;
    digits[i - 1] = *digit;
  }
  if (value.size() == 4) {
    return RGB(digits[0] * 17, digits[1] * 17, digits[2] * 17);
  }
  return RGB(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
}

// The value's first word as a colour; gradients, palette roles and the like are not.
std::optional<COLORREF> Colour(std::string_view value) {
  const std::string lower = Lowercase(Trimmed(value));
  const std::string word = lower.substr(0, lower.find_first_of(" \t\r\n!"));
  if (word.starts_with('#')) return HexColour(word);
  for (const auto& [name, colour] : NamedColours) {
    if (word == name) return colour;
  }
  return std::nullopt;
}

void TakeDeclaration(std::string_view declaration, SkinColours& colours) {
  const size_t colon = declaration.find(':');
  if (colon == std::string_view::npos) return;
  const std::string property = Lowercase(Trimmed(declaration.substr(0, colon)));
  const std::optional<COLORREF> colour = Colour(declaration.substr(colon + 1));
  if (!colour) return;
  if ((property == "background-color" || property == "background") && !colours.background) {
    colours.background = colour;
  } else if (property == "color" && !colours.text) {
    colours.text = colour;
  }
}

// Declarations stand between braces, separated by semicolons; selectors stand outside.
SkinColours ColoursOf(std::string_view sheet) {
  const std::string plain = WithoutComments(sheet);
  SkinColours colours;
  int depth = 0;
  size_t declarationStart = 0;
  for (size_t i = 0; i < plain.size(); ++i) {
    const char c = plain[i];
    if (c != '{' && c != '}' && c != ';') continue;
    if (depth > 0) {
      TakeDeclaration(std::string_view(plain).substr(declarationStart, i - declarationStart),
                      colours);
    }
    if (c == '{') ++depth;
    if (c == '}' && depth > 0) --depth;
    declarationStart = i + 1;
  }
  return colours;
}

}  // namespace

void Win32Skin::apply(std::string_view skinFile) {
  const SkinColours colours = ColoursOf(ReadSkinFile(skinFile));
  if (!colours.background && !colours.text) throw std::runtime_error("Invalid skin file");
  paint_(colours.background.value_or(GetSysColor(COLOR_BTNFACE)),
         colours.text.value_or(GetSysColor(COLOR_WINDOWTEXT)));
}

}  // namespace tg
