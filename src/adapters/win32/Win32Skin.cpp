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
#include "desktop/SkinColours.h"

namespace tg {
namespace {

std::string ReadSkinFile(std::string_view skinFile) {
  std::ifstream file{std::string(skinFile), std::ios::binary};
  std::ostringstream contents;
  if (file) contents << file.rdbuf();
  if (!file) throw std::runtime_error(Descriptions::FileCannotBeRead(skinFile));
  return contents.str();
}

}  // namespace

void Win32Skin::apply(std::string_view skinFile) {
  const SkinColours colours = ColoursOfStyleSheet(ReadSkinFile(skinFile));
  if (!colours.background && !colours.text) throw std::runtime_error("Invalid skin file");
  const auto colour = [](const Rgb& rgb) { return RGB(rgb.red, rgb.green, rgb.blue); };
  paint_(colours.background ? colour(*colours.background) : GetSysColor(COLOR_BTNFACE),
         colours.text ? colour(*colours.text) : GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace tg
