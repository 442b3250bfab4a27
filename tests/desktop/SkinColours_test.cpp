#include "desktop/SkinColours.h"

#include <gtest/gtest.h>

namespace tg {
namespace {

// The window takes the first colours a style sheet gives, in the ways sheets write them; what is
// no plain colour (gradients, palette roles) and what is commented out are passed over.
TEST(SkinColours, TheFirstPlainColoursOfTheSheetAreTaken) {
  const SkinColours colours = ColoursOfStyleSheet(
      "/* QWidget { background-color: red; } */\n"
      "QPushButton { background: qlineargradient(x1:0, y1:0, x2:1, y2:1); }\n"
      "QWidget { Background-Color: #1A2b3C !important; color: Navy }\n"
      "QLabel { color: #fff; background-color: white; }");
  EXPECT_EQ(colours.background, (Rgb{0x1A, 0x2B, 0x3C}));
  EXPECT_EQ(colours.text, (Rgb{0x00, 0x00, 0x80}));

  EXPECT_EQ(ColoursOfStyleSheet("* { color: #abc }").text, (Rgb{0xAA, 0xBB, 0xCC}));
  const SkinColours none = ColoursOfStyleSheet("QWidget { color: palette(text); border: 1px; }");
  EXPECT_FALSE(none.background);
  EXPECT_FALSE(none.text);
  EXPECT_FALSE(ColoursOfStyleSheet("color: red;").text);  // outside any braces: no declaration
  EXPECT_FALSE(ColoursOfStyleSheet("QWidget { color: #12345 }").text);
}

}  // namespace
}  // namespace tg
