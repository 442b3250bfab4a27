#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "WinTempFolder.h"
#include "adapters/win32/Win32Skin.h"
#include "common/Descriptions.h"

namespace tg {
namespace {

using testing::WinTempFolder;

void WriteSkin(const std::string& path, const std::string& sheet) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, sheet.data(), static_cast<DWORD>(sheet.size()), &written, nullptr);
  CloseHandle(file);
}

class SkinFiles : public ::testing::Test {
 protected:
  // The colours the window was painted with by the last apply().
  std::optional<std::pair<COLORREF, COLORREF>> painted;
  Win32Skin skin{[this](COLORREF background, COLORREF text) { painted = {background, text}; }};
  WinTempFolder folder;

  std::pair<COLORREF, COLORREF> apply(const std::string& sheet) {
    const std::string file = folder / "o.cjs";
    WriteSkin(file, sheet);
    painted.reset();
    skin.apply(file);
    EXPECT_TRUE(painted.has_value()) << sheet;
    return painted.value_or(std::pair<COLORREF, COLORREF>{});
  }

  std::string failure(const std::string& file) {
    try {
      skin.apply(file);
    } catch (const std::runtime_error& rejected) {
      EXPECT_FALSE(painted.has_value()) << "a rejected skin paints nothing";
      return rejected.what();
    }
    return "accepted";
  }
};

TEST_F(SkinFiles, TheWindowTakesTheSheetsBackgroundAndTextColours) {
  EXPECT_EQ(apply("QWidget { background-color: #1E90FF; color: #fff; }"),
            std::make_pair(RGB(0x1E, 0x90, 0xFF), RGB(0xFF, 0xFF, 0xFF)));
  // Names, case, comments, selectors with states, values the window cannot use, the first of each.
  EXPECT_EQ(apply("/* color: red; */ QPushButton:hover { Color: NAVY !important; }\n"
                  "QGroupBox { background-color: qlineargradient(x1:0, y1:0); "
                  "background-color: #c0c0c0 }\n"
                  "QLabel { color: teal; background-color: black; }"),
            std::make_pair(RGB(0xC0, 0xC0, 0xC0), RGB(0x00, 0x00, 0x80)));
}

TEST_F(SkinFiles, AColourLeftOutIsTheSystemsOwn) {
  EXPECT_EQ(apply("QGroupBox { background: #a0b url(x.png); }"),
            std::make_pair(RGB(0xAA, 0x00, 0xBB), GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_EQ(apply("QGroupBox { color: navy; }"),
            std::make_pair(GetSysColor(COLOR_BTNFACE), RGB(0x00, 0x00, 0x80)));
}

TEST_F(SkinFiles, AFileThatCannotBeReadOrHoldsNoColourIsRejectedWithItsReason) {
  const std::string missing = folder / "missing.cjs";
  EXPECT_EQ(failure(missing), Descriptions::FileCannotBeRead(missing));

  const std::string locked = folder / "locked.cjs";
  WriteSkin(locked, "QWidget { color: navy; }");
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(failure(locked), Descriptions::FileCannotBeRead(locked));
  CloseHandle(holder);

  const std::string plain = folder / "plain.cjs";
  WriteSkin(plain, "QWidget { font: bold; color: #12345; border: 1px solid; } color: red;");
  EXPECT_EQ(failure(plain), "Invalid skin file");
  WriteSkin(plain, "");
  EXPECT_EQ(failure(plain), "Invalid skin file");
}

}  // namespace
}  // namespace tg
