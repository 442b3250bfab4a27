#include "adapters/win32/Win32Skin.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "WinTempFolder.h"
#include "common/Descriptions.h"

namespace tg {
namespace {

class SkinFiles : public ::testing::Test {
 protected:
  std::pair<COLORREF, COLORREF> painted{1, 1};  // no colour a sheet here gives
  Win32Skin skin{[this](COLORREF background, COLORREF text) { painted = {background, text}; }};
  testing::WinTempFolder folder;

  std::string write(const std::string& sheet, const char* name = "o.cjs") {
    std::ofstream(folder / name, std::ios::binary) << sheet;
    return folder / name;
  }
  std::pair<COLORREF, COLORREF> apply(const std::string& sheet) {
    skin.apply(write(sheet));
    return painted;
  }
  std::string rejection(const std::string& file) {
    try {
      skin.apply(file);
      return "accepted";
    } catch (const std::runtime_error& rejected) {
      return rejected.what();
    }
  }
};

TEST_F(SkinFiles, TheWindowTakesTheFirstUsableBackgroundAndTextColoursOfTheSheet) {
  EXPECT_EQ(apply("QWidget { background-color: #1E90FF; color: #fff; }"),
            std::make_pair(RGB(0x1E, 0x90, 0xFF), RGB(0xFF, 0xFF, 0xFF)));
  EXPECT_EQ(apply("/* color: red; */ QPushButton:hover { Color: NAVY !important; }\n"
                  "QGroupBox { background-color: qlineargradient(x1:0, y1:0); "
                  "background-color: #c0c0c0 }\n"
                  "QLabel { color: teal; background-color: black; }"),
            std::make_pair(RGB(0xC0, 0xC0, 0xC0), RGB(0x00, 0x00, 0x80)));
  // A colour left out is the system's own.
  EXPECT_EQ(apply("QGroupBox { background: #a0b url(x.png); }"),
            std::make_pair(RGB(0xAA, 0x00, 0xBB), GetSysColor(COLOR_WINDOWTEXT)));
  EXPECT_EQ(apply("QGroupBox { color: navy; }"),
            std::make_pair(GetSysColor(COLOR_BTNFACE), RGB(0x00, 0x00, 0x80)));
}

TEST_F(SkinFiles, AFileThatCannotBeReadOrHoldsNoColourIsRejectedAndPaintsNothing) {
  const std::string missing = folder / "missing.cjs";
  EXPECT_EQ(rejection(missing), Descriptions::FileCannotBeRead(missing));
  const std::string locked = write("QWidget { color: navy; }", "locked.cjs");
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(rejection(locked), Descriptions::FileCannotBeRead(locked));
  CloseHandle(holder);
  EXPECT_EQ(rejection(write("QWidget { font: bold; color: #12345; border: 1px; } color: red;")),
            "Invalid skin file");
  EXPECT_EQ(rejection(write("")), "Invalid skin file");
  EXPECT_EQ(painted, std::make_pair(COLORREF{1}, COLORREF{1}));
}

}  // namespace
}  // namespace tg
