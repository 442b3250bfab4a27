#include "desktop/SkinColours.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace tg {
namespace {

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
constexpr std::array<std::pair<std::string_view, Rgb>, 16> NamedColours{{
    {"black", Rgb{0x00, 0x00, 0x00}},
    {"silver", Rgb{0xC0, 0xC0, 0xC0}},
    {"gray", Rgb{0x80, 0x80, 0x80}},
    {"white", Rgb{0xFF, 0xFF, 0xFF}},
    {"maroon", Rgb{0x80, 0x00, 0x00}},
    {"red", Rgb{0xFF, 0x00, 0x00}},
    {"purple", Rgb{0x80, 0x00, 0x80}},
    {"fuchsia", Rgb{0xFF, 0x00, 0xFF}},
    {"green", Rgb{0x00, 0x80, 0x00}},
    {"lime", Rgb{0x00, 0xFF, 0x00}},
    {"olive", Rgb{0x80, 0x80, 0x00}},
    {"yellow", Rgb{0xFF, 0xFF, 0x00}},
    {"navy", Rgb{0x00, 0x00, 0x80}},
    {"blue", Rgb{0x00, 0x00, 0xFF}},
    {"teal", Rgb{0x00, 0x80, 0x80}},
    {"aqua", Rgb{0x00, 0xFF, 0xFF}},
}};

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

std::uint8_t Channel(int value) { return static_cast<std::uint8_t>(value); }

// "#rgb" or "#rrggbb", lower case.
std::optional<Rgb> HexColour(std::string_view value) {
  if (value.size() != 4 && value.size() != 7) return std::nullopt;
  std::array<int, 6> digits{};
  for (size_t i = 1; i < value.size(); ++i) {
    const std::optional<int> digit = HexDigit(value[i]);
    if (!digit) return std::nullopt;
    digits[i - 1] = *digit;
  }
  if (value.size() == 4) {
    return Rgb{Channel(digits[0] * 17), Channel(digits[1] * 17), Channel(digits[2] * 17)};
  }
  return Rgb{Channel(digits[0] * 16 + digits[1]), Channel(digits[2] * 16 + digits[3]),
             Channel(digits[4] * 16 + digits[5])};
}

// The value's first word as a colour; gradients, palette roles and the like are not.
std::optional<Rgb> Colour(std::string_view value) {
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
  const std::optional<Rgb> colour = Colour(declaration.substr(colon + 1));
  if (!colour) return;
  if ((property == "background-color" || property == "background") && !colours.background) {
    colours.background = colour;
  } else if (property == "color" && !colours.text) {
    colours.text = colour;
  }
}

}  // namespace

// Declarations stand between braces, separated by semicolons; selectors stand outside.
SkinColours ColoursOfStyleSheet(std::string_view sheet) {
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

}  // namespace tg
