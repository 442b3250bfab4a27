// The Versions window as real Win32 controls over a real history log and real copies on disk:
// the user's clicks, keys and the save dialog as Windows delivers them, the presenter deciding.

#include "adapters/win32/Win32VersionsWindow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "ModalDriver.h"
#include "WinTempFolder.h"
#include "WindowPlace.h"
#include "adapters/win32/WideText.h"
#include "adapters/win32/Win32FileFacts.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/WindowsPlatform.h"
#include "app/CommandLine.h"
#include "backup/CopyKeeping.h"
#include "backup/HistoryLog.h"
#include "mainwindow/Versions.h"
#include "memory/MemoryPrivateState.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemoryVersionsView.h"

namespace tg {
namespace {

using testing::ChildWindows;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ModalDriver;
using testing::TextOf;

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The darkest ink in a band of the list's rows as the screen shows it (0 black, 255 white).
int DarkestIn(HWND list, int row) {
  RECT band{LVIR_BOUNDS, 0, 0, 0};
  SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&band));
  HDC screen = GetDC(list);
  int darkest = 255;
  for (int y = band.top; y < band.bottom; ++y) {
    for (int x = band.left + 2; x < band.left + 120; ++x) {
      const COLORREF pixel = GetPixel(screen, x, y);
      if (pixel == CLR_INVALID) continue;
      darkest =
          std::min(darkest, std::max({GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)}) + 0);
    }
  }
  ReleaseDC(list, screen);
  return darkest;
}

class VersionsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) GTEST_SKIP() << "the window needs a display";
    // Budget.ods was copied three times, the middle copy since removed; Plan.ods once.
    copy("Budget.ods", "Budget Backup 0.ods", 1, "budget zero");
    copy("Plan.ods", "Plan Backup.ods", 2, "plan");
    copy("Budget.ods", "Budget Backup 1.ods", 3, "");
    copy("Budget.ods", "Budget Backup 2.ods", 4, "budget two");
    view = std::make_unique<Win32VersionsWindow>(loop);
    versions = std::make_unique<Versions>(
        *view, VersionsPorts{files, facts, &state, regional, shell, office, settings,
                             PathStyle::Windows, folder / "Tallyguard.txt"});
    versions->finished = [this] {
      ++finished;
      versions.reset();  // as the program frees them, from the window's own handler
      view.reset();
    };
    view->bringToFront();
    run();
  }
  void TearDown() override {
    versions.reset();
    view.reset();
  }

  // A line in the log, and the copy on disk unless its bytes are empty.
  void copy(const std::string& document, const std::string& name, int minute,
            const std::string& bytes) {
    const LocalDateTime when{2026, 12, 7, 14, minute, 0};
    AppendHistoryLine(files, folder / "Tallyguard.txt",
                      HistoryLine(document, folder / name, when, regional));
    if (!bytes.empty()) WriteBytes(folder / name, bytes);
  }
  void run() {
    for (int turn = 0; turn < 5; ++turn) loop.yield();
  }
  void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
    run();
  }
  void clickRow(Win32RowList& list, int row) {
    RECT entry{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list.handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&entry));
    const LPARAM where = MAKELPARAM(entry.left + 20, (entry.top + entry.bottom) / 2);
    SendMessageA(list.handle(), WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageA(list.handle(), WM_LBUTTONUP, 0, where);
    run();
  }
  void type(const std::string& text) {
    for (const wchar_t character : WideFromAnsi(text)) {
      SendMessageW(view->filterBox.handle(), WM_CHAR, character, 0);
    }
    run();
  }
  bool usable(const Win32PushButton& button) { return IsWindowEnabled(button.handle()); }
  // Save As, with the save dialog answered with `target`; the text of a message box that
  // follows, if one does.
  std::string saveAs(const std::string& target) {
    std::string told;
    ModalDriver driver("#32770", [&](HWND dialog) {
      for (HWND edit : ChildWindows(dialog, "Edit")) {
        if (IsWindowVisible(edit)) SendMessageA(edit, WM_SETTEXT, 0, LPARAM(target.c_str()));
      }
      PostMessageA(dialog, WM_COMMAND, IDOK, 0);
      for (int polls = 0; polls < 100 && IsWindow(dialog); ++polls) Sleep(50);
      for (int polls = 0; polls < 40; ++polls, Sleep(50)) {
        HWND box = FindWindowA("#32770", nullptr);
        if (!box || box == dialog || !IsWindowVisible(box)) continue;
        for (HWND line : ChildWindows(box, "Static")) told += TextOf(line);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        break;
      }
    });
    click(view->saveAsButton.handle());
    EXPECT_TRUE(driver.found());
    return told;
  }

  testing::WinTempFolder folder;
  Win32FileSystem files;
  Win32FileFacts facts;
  WindowsRegionalSettings regional;
  MemoryShell shell;
  MemoryOfficeDocuments office;
  MemorySettingsBackend settings;
  MemoryPrivateState state;  // no record of copies: none is removed by the rules, none kept
  Win32MessageLoop loop;
  std::unique_ptr<Win32VersionsWindow> view;
  std::unique_ptr<Versions> versions;
  int finished = 0;
};

TEST_F(VersionsWindow, FindsNarrowsGreysGoneCopiesSavesAsAskedAndClosesOnEscape) {
  Win32RowList& documents = view->documentList;
  Win32RowList& copies = view->copyList;
  ASSERT_EQ(documents.itemCount(), 2);
  EXPECT_EQ(documents.text(0, 0), "Budget.ods") << "the one copied last first";
  EXPECT_EQ(documents.text(0, 1), folder.path() + "\\");
  EXPECT_EQ(documents.text(1, 0), "Plan.ods");
  // Tab follows the eye: the filter, the lists, the buttons.
  const HWND window = view->handle();
  EXPECT_EQ(GetFocus(), view->filterBox.handle());
  EXPECT_EQ(GetNextDlgTabItem(window, view->filterBox.handle(), FALSE), documents.handle());
  EXPECT_EQ(GetNextDlgTabItem(window, documents.handle(), FALSE), copies.handle());
  // Then the row of work on the workbook, the ways back to a copy and Close, as they stand.
  std::vector<HWND> order;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(child);
  }
  EXPECT_THAT(order,
              ElementsAre(view->findLabel.handle(), view->filterBox.handle(), documents.handle(),
                          copies.handle(), view->statusLine.handle(), view->compareButton.handle(),
                          view->comparePreviousButton.handle(), view->formulasBox.handle(),
                          view->restoreButton.handle(), view->keepButton.handle(),
                          view->openButton.handle(), view->showInFolderButton.handle(),
                          view->saveAsButton.handle(), view->closeButton.handle()));
  const RECT compare = testing::PlaceInParent(view->compareButton.handle());
  const RECT open = testing::PlaceInParent(view->openButton.handle());
  const RECT status = testing::PlaceInParent(view->statusLine.handle());
  EXPECT_LE(status.bottom, compare.top);
  EXPECT_LE(compare.bottom, open.top) << "the work on the workbook stands over Open";

  type("PLAN");
  ASSERT_EQ(documents.itemCount(), 1);
  EXPECT_EQ(documents.text(0, 0), "Plan.ods");
  ASSERT_EQ(copies.itemCount(), 1) << "the one document left is chosen";
  EXPECT_EQ(copies.text(0, 2), folder.path() + "\\");
  EXPECT_TRUE(usable(view->openButton));
  SendMessageW(view->filterBox.handle(), EM_SETSEL, 0, -1);
  type("\b");
  ASSERT_EQ(documents.itemCount(), 2);

  clickRow(documents, 0);
  ASSERT_EQ(copies.itemCount(), 3);
  EXPECT_EQ(copies.text(1, 1), "gone");
  EXPECT_EQ(copies.chosen(), 0);
  // The gone copy's row is drawn grey, the copies on disk in the text's own black.
  RedrawWindow(copies.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_LT(DarkestIn(copies.handle(), 2), 64);
  EXPECT_GT(DarkestIn(copies.handle(), 1), 64);
  EXPECT_LT(DarkestIn(copies.handle(), 1), 224) << "its text is there, greyed";

  clickRow(copies, 1);
  EXPECT_FALSE(usable(view->openButton));
  EXPECT_FALSE(usable(view->showInFolderButton));
  EXPECT_FALSE(usable(view->saveAsButton));
  EXPECT_THAT(WindowText(view->statusLine.handle()), HasSubstr("is no longer on disk"));
  SendMessageA(copies.handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 30));
  run();
  EXPECT_TRUE(office.opened.empty()) << "a gone copy does not open";

  clickRow(copies, 0);
  ASSERT_TRUE(usable(view->saveAsButton));
  EXPECT_EQ(saveAs(folder / "Restored.ods"), "");
  EXPECT_EQ(ReadBytes(folder / "Restored.ods"), "budget two");
  EXPECT_THAT(WindowText(view->statusLine.handle()), HasSubstr("Saved Budget Backup 2.ods as"));

  // A file the office has open is not written over.
  WriteBytes(folder / ".~lock.Open.ods#", "someone");
  EXPECT_THAT(saveAs(folder / "Open.ods"), HasSubstr("is open in the office"));
  EXPECT_FALSE(files.canReadModificationTime(folder / "Open.ods"));

  // Enter on a copy opens it.
  SetFocus(copies.handle());
  PostMessageA(copies.handle(), WM_KEYDOWN, VK_RETURN, 0);
  run();
  EXPECT_THAT(office.opened, ::testing::ElementsAre(folder / "Budget Backup 2.ods"));
  EXPECT_TRUE(office.restored.empty()) << "only Restore itself restores";

  // Moved to a monitor at 200 %, it is laid out again at that scale and keeps its size at 100 %.
  const RECT close = testing::PlaceInParent(view->closeButton.handle());
  RECT proposed{0, 0, 1200, 640};
  SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&proposed));
  const RECT closeAt200 = testing::PlaceInParent(view->closeButton.handle());
  EXPECT_EQ(closeAt200.bottom - closeAt200.top, 2 * (close.bottom - close.top));
  RECT listAt200{};
  GetClientRect(copies.handle(), &listAt200);
  int columnsAt200 = 0;
  for (int column = 0; column < 3; ++column) {
    columnsAt200 += ListView_GetColumnWidth(copies.handle(), column);
  }
  EXPECT_LE(columnsAt200, listAt200.right) << "the columns share the list's width at 200 % too";
  EXPECT_GE(columnsAt200, listAt200.right - 2 * GetSystemMetrics(SM_CXVSCROLL));

  PostMessageA(copies.handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  run();
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(IsWindow(window)) << "freed from its own close";
  EXPECT_EQ(settings.value(VersionsSizeKey), "600x320");
}

// The texts of a popup menu's entries, "" for a separator, with "(off)" after one that is greyed
// and "(on)" after one that is checked.
std::vector<std::string> EntriesOf(HMENU menu) {
  std::vector<std::string> entries;
  for (int item = 0; item < GetMenuItemCount(menu); ++item) {
    char text[128] = "";
    GetMenuStringA(menu, item, text, sizeof text, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, item, MF_BYPOSITION);
    if (state & MF_SEPARATOR) {
      entries.emplace_back();
      continue;
    }
    entries.push_back(std::string(text) + (state & MF_GRAYED ? " (off)" : "") +
                      (state & MF_CHECKED ? " (on)" : ""));
  }
  return entries;
}

// Keys and clicks as the user makes them, through the system's input queue.
void Press(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    inputs.push_back(down);
  }
  for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
    INPUT up{};
    up.type = INPUT_KEYBOARD;
    up.ki.wVk = *key;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(up);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The pointer goes back where it was, where the display's later tests expect it.
void RightClickAt(POINT screen) {
  POINT before{};
  GetCursorPos(&before);
  SetCursorPos(screen.x, screen.y);
  INPUT clicks[2]{};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  SendInput(2, clicks, sizeof(INPUT));
  SetCursorPos(before.x, before.y);
}

// Compare lists what changed in a window of its own, which Escape closes; Restore asks first and
// restores only on Yes, which Enter alone never gives; a right click on a copy, or Shift+F10,
// offers every action in a menu whose letters pick them.
TEST_F(VersionsWindow, ComparesInAWindowOfItsOwnAndRestoresOnlyWhenTheUserSaysYes) {
  clickRow(view->documentList, 0);
  clickRow(view->copyList, 0);
  const std::string copy = folder / "Budget Backup 2.ods";
  ASSERT_TRUE(usable(view->compareButton));
  EXPECT_FALSE(usable(view->comparePreviousButton)) << "the copy before it is gone";
  EXPECT_TRUE(usable(view->restoreButton));
  EXPECT_FALSE(IsWindowEnabled(view->keepButton.handle())) << "no record: nothing removes it";

  CellChange amount{ChangeKind::Cell, "Sheet1", 1, 1, "500", "650"};
  CellChange added{ChangeKind::RowInserted, "Sheet1", 2, 0, "", "water\t40"};
  office.childAnswer = {ExitCodes::VersionsDiffer, "", DiffText({amount, added})};
  click(view->formulasBox.handle());
  click(view->compareButton.handle());
  EXPECT_THAT(office.compared, ElementsAre(copy + "||="));
  const HWND changes = FindWindowA("TallyguardChangesWindow", nullptr);
  ASSERT_NE(changes, nullptr);
  ASSERT_NE(view->changesWindow(), nullptr);
  ASSERT_EQ(view->changesWindow()->handle(), changes);
  EXPECT_TRUE(IsWindowVisible(changes));
  EXPECT_EQ(GetWindow(changes, GW_OWNER), view->handle()) << "in front of the Versions window";
  EXPECT_EQ(WindowText(changes), VersionsCaptions::ChangesWindow);
  EXPECT_THAT(WindowText(view->changesWindow()->heading.handle()),
              HasSubstr("What changed from the copy of "));
  EXPECT_THAT(WindowText(view->changesWindow()->heading.handle()),
              HasSubstr("to Budget.ods as it is now"));
  const Win32RowList& list = view->changesWindow()->changeList;
  std::vector<std::string> headers;
  for (int column = 0; column < 4; ++column) {
    char text[64] = "";
    LVCOLUMNA header{};
    header.mask = LVCF_TEXT;
    header.pszText = text;
    header.cchTextMax = sizeof text;
    SendMessageA(list.handle(), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&header));
    headers.emplace_back(text);
  }
  EXPECT_THAT(headers, ElementsAre("Sheet", "Cell", "Before", "After"));
  ASSERT_EQ(list.itemCount(), 2);
  EXPECT_EQ(list.text(0, 0), "Sheet1");
  EXPECT_EQ(list.text(0, 1), "B2");
  EXPECT_EQ(list.text(0, 2), "500");
  EXPECT_EQ(list.text(0, 3), "650");
  EXPECT_EQ(list.text(1, 1), "row 3 inserted");
  EXPECT_EQ(list.text(1, 3), "water\t40");
  EXPECT_EQ(GetFocus(), list.handle()) << "the keys go to the changes";
  EXPECT_THAT(WindowText(view->statusLine.handle()), HasSubstr("2 changes: from the copy of"));
  PostMessageA(list.handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  run();
  EXPECT_FALSE(IsWindowVisible(changes)) << "Escape closes it";
  EXPECT_TRUE(IsWindow(view->handle())) << "and only it";
  EXPECT_EQ(finished, 0);

  // Restore asks; Enter gives No, and nothing is restored.
  office.childAnswer = {ExitCodes::AllCopied, "", "Budget.ods has the copy's content.\n"};
  std::string asked;
  std::string defaultButton;
  auto answer = [&](bool enter) {
    return ModalDriver("#32770", [&, enter](HWND box) {
      for (HWND line : ChildWindows(box, "Static")) asked += TextOf(line);
      for (HWND button : ChildWindows(box, "Button")) {
        if ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
          defaultButton += TextOf(button);
        }
      }
      if (enter) {
        Press({VK_RETURN});  // to the button with the focus, as the user's key goes
      } else {
        PostMessageA(box, WM_COMMAND, IDYES, 0);
      }
    });
  };
  {
    ModalDriver driver = answer(true);
    click(view->restoreButton.handle());
    ASSERT_TRUE(driver.found());
  }
  EXPECT_THAT(asked, HasSubstr("Budget.ods will get the content of its copy of"));
  EXPECT_EQ(defaultButton, "&No");
  EXPECT_TRUE(office.restored.empty());
  {
    ModalDriver driver = answer(false);
    click(view->restoreButton.handle());
    ASSERT_TRUE(driver.found());
  }
  EXPECT_THAT(office.restored, ElementsAre(copy));
  EXPECT_THAT(WindowText(view->statusLine.handle()), HasSubstr("has the copy's content"));

  // A copy in the record can be kept: the button shows it pressed while it is.
  RecordedCopy recorded;
  recorded.document = "file:///" + folder.path() + "/Budget.ods";
  recorded.stamp = {10, 1};
  recorded.path = copy;
  state.files[std::string(CopyRecordName)] = FormatCopyRecord({recorded});
  clickRow(view->copyList, 2);
  EXPECT_FALSE(IsWindowEnabled(view->keepButton.handle())) << "a copy outside the record";
  clickRow(view->copyList, 0);
  ASSERT_TRUE(IsWindowEnabled(view->keepButton.handle()));
  EXPECT_FALSE(view->keepButton.pressed());
  click(view->keepButton.handle());
  EXPECT_TRUE(IsCopyPinned(state, copy));
  EXPECT_TRUE(view->keepButton.pressed());

  // The menu on a copy, by a right click on it: every action, each with its letter.
  std::vector<std::string> entries;
  auto pick = [&](char letter) {
    return ModalDriver("#32768", [&, letter](HWND menu) {
      entries = EntriesOf(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0)));
      PostMessageA(menu, WM_CHAR, letter, 0);
    });
  };
  {
    ModalDriver driver = pick('c');
    RECT row{LVIR_LABEL, 0, 0, 0};
    SendMessageA(view->copyList.handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    POINT at{row.left + 10, (row.top + row.bottom) / 2};
    ClientToScreen(view->copyList.handle(), &at);
    RightClickAt(at);
    for (int turn = 0; turn < 40 && office.compared.size() < 2; ++turn, Sleep(50)) run();
    ASSERT_TRUE(driver.found()) << "no menu";
  }
  EXPECT_THAT(entries,
              ElementsAre("&Open", "Show in &Folder", "&Save As...", "", "&Compare",
                          "Compare with &Previous (off)", "", "&Restore...", "&Keep (on)"));
  EXPECT_EQ(office.compared.size(), 2u) << "C picks Compare";

  // From the keyboard, Shift+F10 on the chosen copy; R picks Restore, which asks first.
  SetFocus(view->copyList.handle());
  {
    ModalDriver menu = pick('r');
    ModalDriver box = answer(false);
    Press({VK_SHIFT, VK_F10});
    for (int turn = 0; turn < 40 && office.restored.size() < 2; ++turn, Sleep(50)) run();
    ASSERT_TRUE(menu.found()) << "no menu";
  }
  EXPECT_EQ(office.restored.size(), 2u) << "R picks Restore, confirmed";
}

// However large the size asked for (a size kept from a bigger screen, or a high scale), the
// window stays within its screen's work area, and each list shows all of its columns.
TEST_F(VersionsWindow, FitsItsScreenAndShowsEveryColumnWhole) {
  view->setSize({4000, 3000});
  run();
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(
      GetMonitorInfoA(MonitorFromWindow(view->handle(), MONITOR_DEFAULTTONEAREST), &monitor));
  RECT window{};
  GetWindowRect(view->handle(), &window);
  EXPECT_LE(window.right - window.left, monitor.rcWork.right - monitor.rcWork.left);
  EXPECT_LE(window.bottom - window.top, monitor.rcWork.bottom - monitor.rcWork.top);
  view->setSize({900, 480});
  run();
  for (HWND list : {view->documentList.handle(), view->copyList.handle()}) {
    RECT client{};
    GetClientRect(list, &client);
    int columns = 0;
    for (int column = 0; column < 3; ++column) {
      columns += static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
    }
    EXPECT_LE(columns, client.right) << "the last column is cut";
    EXPECT_GT(columns, client.right / 2) << "the columns use the width";
  }
}

}  // namespace
}  // namespace tg
