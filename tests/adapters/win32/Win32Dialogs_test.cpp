#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>
#include <string>

#include "ModalDriver.h"
#include "WinTempFolder.h"
#include "adapters/win32/Win32Dialogs.h"

namespace tg {
namespace {

using testing::ChildWindows;
using testing::ModalDriver;
using testing::TextOf;

// The tests open real dialogs: the test script runs them on a private display.
class LiveDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) GTEST_SKIP() << "dialogs need a display";
  }
};

// What the driver saw of a message box while it was open.
struct SeenBox {
  std::string title, text;
  HICON icon = nullptr;
  bool windowEnabled = true;
};

MessageAnswer Answer(Win32Dialogs& dialogs, HWND window, const char* text, MessageButtons buttons,
                     MessageIcon icon, int button, SeenBox& seen) {
  ModalDriver driver("#32770", [&](HWND box) {
    seen = {TextOf(box), "", nullptr, IsWindowEnabled(window) != FALSE};
    for (HWND label : ChildWindows(box, "Static")) {
      if (!TextOf(label).empty()) seen.text = TextOf(label);
      if (IsWindowVisible(label) && !seen.icon) {
        seen.icon = reinterpret_cast<HICON>(SendMessageA(label, STM_GETICON, 0, 0));
      }
    }
    SendMessageA(GetDlgItem(box, button), BM_CLICK, 0, 0);
  });
  const MessageAnswer answer = dialogs.messageBox(text, "Warning", buttons, icon);
  EXPECT_TRUE(driver.found()) << text;
  return answer;
}

TEST_F(LiveDialogs, AMessageBoxShowsItsTitleIconAndLinesAndAnswersWithTheButtonPressed) {
  HWND window = CreateWindowExA(0, "STATIC", "Tallyguard", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                200, 100, nullptr, nullptr, nullptr, nullptr);
  Win32Dialogs dialogs;  // the window comes later, as in the program's start
  SeenBox seen;
  EXPECT_EQ(Answer(dialogs, window, "Cannot read\rthe file.\r\nAgain?\nYes", MessageButtons::YesNo,
                   MessageIcon::Warning, IDNO, seen),
            MessageAnswer::No);
  EXPECT_EQ(seen.title, "Warning");
  EXPECT_EQ(seen.text, "Cannot read\r\nthe file.\r\nAgain?\r\nYes");
  EXPECT_EQ(seen.icon, LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION)));
  EXPECT_FALSE(seen.windowEnabled) << "without an owner the box still holds every window";

  dialogs.setOwner(window);
  EXPECT_EQ(Answer(dialogs, window, "Back up now?", MessageButtons::YesNo, MessageIcon::None, IDYES,
                   seen),
            MessageAnswer::Yes);
  EXPECT_EQ(seen.icon, nullptr);
  EXPECT_FALSE(seen.windowEnabled);
  EXPECT_EQ(Answer(dialogs, window, "Done.\r", MessageButtons::Ok, MessageIcon::None, IDOK, seen),
            MessageAnswer::Ok);
  EXPECT_EQ(seen.text, "Done.\r\n");
  EXPECT_TRUE(IsWindowEnabled(window));
  DestroyWindow(window);
}

// What the driver saw of the folder chooser once its tree had settled.
struct SeenChooser {
  std::string selected;    // the selected item's name
  bool atTop = false;      // nothing, or the tree's top item (the whole desktop), is selected
  bool resizable = false;  // the newer dialog style, with its own buttons and an edit line
};

HWND TreeOf(HWND chooser) { return FindWindowExA(chooser, nullptr, WC_TREEVIEWA, nullptr); }

std::string SelectedFolderName(HWND chooser) {
  HWND tree = TreeOf(chooser);
  char name[MAX_PATH] = "";
  TVITEMA item{};
  item.mask = TVIF_TEXT;
  item.hItem = TreeView_GetSelection(tree);
  item.pszText = name;
  item.cchTextMax = sizeof name;
  if (item.hItem) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return name;
}

// Presses `button` once the tree has filled and its selection settled: on `awaited` when a
// folder is expected, else on whatever has stayed selected for two seconds.
std::string Choose(Win32Dialogs& dialogs, const std::string& start, const std::string& awaited,
                   int button, SeenChooser& seen) {
  bool prompted = false;
  ModalDriver driver("#32770", [&](HWND chooser) {
    // Wine's tree may rest on the home folder for a while on its way to the preselected one, the
    // longer the busier the machine: what counts is the selection it comes to rest on.
    seen = {};
    for (int polls = 0, steady = 0; polls < 200 && steady < (awaited.empty() ? 20 : 3); ++polls) {
      Sleep(100);
      const std::string now = SelectedFolderName(chooser);
      const bool filled = TreeView_GetCount(TreeOf(chooser)) > 0;
      const bool arrived = filled && (awaited.empty() || now == awaited);
      steady = arrived && now == seen.selected ? steady + 1 : 0;
      seen.selected = now;
    }
    HWND tree = TreeOf(chooser);
    const HTREEITEM selection = TreeView_GetSelection(tree);
    seen.atTop = selection == nullptr || selection == TreeView_GetRoot(tree);
    seen.resizable = (GetWindowLongA(chooser, GWL_STYLE) & WS_THICKFRAME) != 0;
    for (HWND label : ChildWindows(chooser, "Static")) prompted |= TextOf(label) == "Copies to";
    SendMessageA(GetDlgItem(chooser, button), BM_CLICK, 0, 0);
  });
  std::string chosen = dialogs.browseForFolder("Copies to", start);
  EXPECT_TRUE(driver.found()) << start;
  EXPECT_TRUE(prompted) << "the prompt is the dialog's title text";
  return chosen;
}

TEST_F(LiveDialogs, TheFolderChooserStartsAtTheFolderGivenOrNoneAndReturnsTheChoice) {
  testing::WinTempFolder folder;
  // Both made before the first dialog: Wine's shell keeps the folder listing it read first.
  const std::string start = folder / "Spreadsheet copies";
  const std::string other = folder / "Other copies";
  CreateDirectoryA(start.c_str(), nullptr);
  CreateDirectoryA(other.c_str(), nullptr);
  Win32Dialogs dialogs;
  SeenChooser seen;
  EXPECT_EQ(Choose(dialogs, start, "Spreadsheet copies", IDOK, seen), start);
  EXPECT_EQ(seen.selected, "Spreadsheet copies");
  EXPECT_FALSE(seen.resizable) << "the classic chooser: a folder tree and OK and Cancel";

  // Without a folder to start from, nothing in particular is preselected; a later call with a
  // folder preselects that one again.
  EXPECT_EQ(Choose(dialogs, "", "", IDCANCEL, seen), "");
  EXPECT_TRUE(seen.atTop) << seen.selected;
  EXPECT_EQ(Choose(dialogs, other, "Other copies", IDOK, seen), other);
  EXPECT_EQ(seen.selected, "Other copies");
}

}  // namespace
}  // namespace tg
