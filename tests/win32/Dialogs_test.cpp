#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "ModalDriver.h"
#include "WinTempFolder.h"
#include "adapters/win32/Win32Dialogs.h"

namespace tg {
namespace {

using testing::ChildWindows;
using testing::ModalDriver;
using testing::TextOf;
using testing::WinTempFolder;

// What the driver saw of a message box while it was open.
struct SeenBox {
  std::string title;
  std::string text;
  HICON icon = nullptr;
  int defaultButton = 0;
  bool ownerEnabled = true;
};

// The box's message: the one static with text (the icon's static has none).
std::string MessageOf(HWND box) {
  for (HWND label : ChildWindows(box, "Static")) {
    const std::string text = TextOf(label);
    if (!text.empty()) return text;
  }
  return "";
}

HICON IconOf(HWND box) {
  for (HWND label : ChildWindows(box, "Static")) {
    if ((GetWindowLongA(label, GWL_STYLE) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(label)) {
      continue;
    }
    return reinterpret_cast<HICON>(SendMessageA(label, STM_GETICON, 0, 0));
  }
  return nullptr;
}

// Wine marks the default button by its style only, not as the dialog's default identifier.
int DefaultButton(HWND box) {
  for (HWND button : ChildWindows(box, "Button")) {
    if ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      return GetDlgCtrlID(button);
    }
  }
  return 0;
}

// A window of the test's own, to stand for the main window.
class TopWindow {
 public:
  TopWindow() {
    window_ = CreateWindowExA(0, "STATIC", "Tallyguard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                              200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  ~TopWindow() { DestroyWindow(window_); }
  HWND handle() const { return window_; }

 private:
  HWND window_;
};

// Opens a box, lets the driver record it and press `button`, and returns what the box answered.
MessageAnswer AnswerBox(Win32Dialogs& dialogs, HWND watched, const char* text, const char* title,
                        MessageButtons buttons, MessageIcon icon, int button, SeenBox& seen) {
  ModalDriver driver("#32770", [&](HWND box) {
    seen.title = TextOf(box);
    seen.text = MessageOf(box);
    seen.icon = IconOf(box);
    seen.defaultButton = DefaultButton(box);
    seen.ownerEnabled = IsWindowEnabled(watched);
    SendMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
  });
  const MessageAnswer answer = dialogs.messageBox(text, title, buttons, icon);
  EXPECT_TRUE(driver.found()) << title;
  return answer;
}

// The tests below open real dialogs: the test script runs them on a private display.
class LiveDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) GTEST_SKIP() << "dialogs need a display";
  }
};

TEST_F(LiveDialogs, AMessageBoxShowsItsTitleIconAndLinesAndAnswersWithTheButtonPressed) {
  TopWindow window;
  Win32Dialogs dialogs;  // the window comes later, as in the program's start
  SeenBox seen;
  EXPECT_EQ(AnswerBox(dialogs, window.handle(), "Cannot read\rthe file.\r\nAgain?\nYes", "Warning",
                      MessageButtons::YesNo, MessageIcon::Warning, IDNO, seen),
            MessageAnswer::No);
  EXPECT_EQ(seen.title, "Warning");
  EXPECT_EQ(seen.text, "Cannot read\r\nthe file.\r\nAgain?\r\nYes");
  EXPECT_EQ(seen.icon, LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION)));
  EXPECT_EQ(seen.defaultButton, IDYES);
  EXPECT_FALSE(seen.ownerEnabled) << "without an owner the box still holds every window";
  EXPECT_TRUE(IsWindowEnabled(window.handle()));

  dialogs.setOwner(window.handle());
  EXPECT_EQ(AnswerBox(dialogs, window.handle(), "Back up now?", "Tallyguard", MessageButtons::YesNo,
                      MessageIcon::None, IDYES, seen),
            MessageAnswer::Yes);
  EXPECT_EQ(seen.icon, nullptr);
  EXPECT_FALSE(seen.ownerEnabled);

  EXPECT_EQ(AnswerBox(dialogs, window.handle(), "Done.\r", "Tallyguard", MessageButtons::Ok,
                      MessageIcon::None, IDOK, seen),
            MessageAnswer::Ok);
  EXPECT_EQ(seen.text, "Done.\r\n");
  EXPECT_TRUE(IsWindowEnabled(window.handle()));
}

// What the driver saw of the folder chooser while it was open.
struct SeenChooser {
  std::string title;
  std::vector<std::string> labels;
  std::string selected;
};

std::string SelectedTreeItem(HWND chooser) {
  const std::vector<HWND> trees = ChildWindows(chooser, WC_TREEVIEWA);
  if (trees.empty()) return "";
  const auto item =
      reinterpret_cast<HTREEITEM>(SendMessageA(trees.front(), TVM_GETNEXTITEM, TVGN_CARET, 0));
  char text[MAX_PATH] = "";
  TVITEMA request{};
  request.mask = TVIF_TEXT;
  request.hItem = item;
  request.pszText = text;
  request.cchTextMax = sizeof text;
  if (item == nullptr ||
      !SendMessageA(trees.front(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&request))) {
    return "";
  }
  return text;
}

// The tree fills and takes the starting folder while the dialog shows: its selection settles.
std::string SettledSelection(HWND chooser) {
  std::string last = SelectedTreeItem(chooser);
  for (int polls = 0; polls < 100; ++polls) {
    Sleep(100);
    const std::string now = SelectedTreeItem(chooser);
    if (!now.empty() && now == last) return now;
    last = now;
  }
  return last;
}

std::string ChooseFolder(Win32Dialogs& dialogs, const std::string& prompt, const std::string& start,
                         int button, SeenChooser& seen) {
  ModalDriver driver("#32770", [&](HWND chooser) {
    seen.selected = SettledSelection(chooser);
    seen.title = TextOf(chooser);
    for (HWND label : ChildWindows(chooser, "Static")) seen.labels.push_back(TextOf(label));
    SendMessageA(GetDlgItem(chooser, button), BM_CLICK, 0, 0);
  });
  std::string chosen = dialogs.browseForFolder(prompt, start);
  EXPECT_TRUE(driver.found()) << prompt;
  return chosen;
}

std::string DesktopFolder() {
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
  return path;
}

TEST_F(LiveDialogs, TheFolderChooserStartsAtTheFolderGivenAndReturnsTheChoice) {
  WinTempFolder folder;
  const std::string start = folder / "Spreadsheet copies";
  CreateDirectoryA(start.c_str(), nullptr);
  Win32Dialogs dialogs;
  SeenChooser seen;
  const std::string prompt = "Choose the folder for the copies";
  EXPECT_EQ(ChooseFolder(dialogs, prompt, start, IDOK, seen), start);
  EXPECT_EQ(seen.selected, "Spreadsheet copies");
  EXPECT_NE(std::find(seen.labels.begin(), seen.labels.end(), prompt), seen.labels.end());

  EXPECT_EQ(ChooseFolder(dialogs, prompt, start, IDCANCEL, seen), "");

  seen = {};
  EXPECT_EQ(ChooseFolder(dialogs, prompt, "", IDOK, seen), DesktopFolder());
}

}  // namespace
}  // namespace tg
