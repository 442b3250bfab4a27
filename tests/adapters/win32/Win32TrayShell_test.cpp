#include "adapters/win32/Win32TrayShell.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ModalDriver.h"
#include "adapters/win32/Win32MessageLoop.h"
#include "app/Program.h"
#include "desktop/cSysTray.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"

namespace tg {
namespace {

TEST(TrayRecords, TheRecordCarriesTheBalloonFieldsInTheSizeTheShellKnows) {
  const NOTIFYICONDATAA record = TrayAddRecord(nullptr, "Tallyguard", nullptr);
  EXPECT_EQ(record.cbSize, NOTIFYICONDATAA_V2_SIZE);
  EXPECT_GE(record.cbSize, offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD));
  EXPECT_LT(record.cbSize, sizeof(NOTIFYICONDATAA)) << "the later fields stay out";
  EXPECT_EQ(record.uID, 0u);
}

TEST(TrayRecords, AddAsksForTheCallbackAndNamesOnlyWhatIsGiven) {
  HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  const NOTIFYICONDATAA full = TrayAddRecord(nullptr, "Tallyguard", icon);
  EXPECT_EQ(full.uFlags, UINT{NIF_MESSAGE | NIF_ICON | NIF_TIP});
  EXPECT_EQ(full.uCallbackMessage, 0x465u);
  EXPECT_EQ(full.hIcon, icon);
  EXPECT_STREQ(full.szTip, "Tallyguard");
  const NOTIFYICONDATAA bare = TrayAddRecord(nullptr, "", nullptr);
  EXPECT_EQ(bare.uFlags, UINT{NIF_MESSAGE});
  EXPECT_STREQ(bare.szTip, "");
}

// A tip of 127 bytes whose last character would not fit whole loses all of it, never half.
TEST(TrayRecords, ACutNeverSplitsACharacter) {
  const std::string tip = std::string(126, 'a') + "\xC3\xA4" + "b";
  const NOTIFYICONDATAA record = TrayTipRecord(nullptr, tip);
  EXPECT_EQ(std::string(record.szTip), std::string(126, 'a'));
}

TEST(TrayRecords, LongTextsAreCutToTheirFieldsWithTheNulInside) {
  const std::string tip(200, 't'), text(300, 'x'), title(100, 'y');
  EXPECT_EQ(std::strlen(TrayTipRecord(nullptr, tip).szTip), 127u);
  const NOTIFYICONDATAA balloon = TrayBalloonRecord(nullptr, text, title, 5000);
  EXPECT_EQ(std::strlen(balloon.szInfo), 255u);
  EXPECT_EQ(std::strlen(balloon.szInfoTitle), 63u);
  EXPECT_EQ(balloon.uFlags, UINT{NIF_INFO});
  EXPECT_EQ(balloon.uTimeout, 5000u);
  EXPECT_EQ(balloon.dwInfoFlags, DWORD{NIIF_NONE});
  EXPECT_EQ(TrayBalloonRecord(nullptr, "a", "b", 0).uTimeout, 0u);
}

// The tests below need the shell and a window: the test script runs them on a private display.
class LiveTray : public ::testing::Test {
 protected:
  void SetUp() override {
    if (shell.window()) return;
    // The test script provides a display; there a missing window is a fault, not a reason to skip.
    if (std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) FAIL() << "no window for the tray";
    GTEST_SKIP() << "no window can be created without a display";
  }
  Win32TrayShell shell{LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION))};
};

TEST_F(LiveTray, TheShellTakesTheIconItsTipABalloonAndItsRemoval) {
  shell.addIcon("Tallyguard", true);
  EXPECT_TRUE(shell.lastResult());
  shell.setTip("Tallyguard - On");
  EXPECT_TRUE(shell.lastResult());
  shell.showBalloon("Still running here.", "Tallyguard", 5000);
  EXPECT_TRUE(shell.lastResult());
  shell.withdrawBalloon();
  EXPECT_TRUE(shell.lastResult());
  shell.deleteIcon();
  EXPECT_TRUE(shell.lastResult());
  shell.deleteIcon();
  EXPECT_FALSE(shell.lastResult()) << "an icon removed twice";
}

// Explorer restarted: its new taskbar tells every top-level window, and the icon comes back with
// its tip; an icon the program removed stays away.
TEST_F(LiveTray, ANewTaskbarGetsTheIconBack) {
  const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  NOTIFYICONDATAA tip = TrayTipRecord(shell.window(), "Tallyguard - On");
  shell.addIcon("Tallyguard", true);
  NOTIFYICONDATAA lost = TrayDeleteRecord(shell.window());
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
  ASSERT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &tip)) << "no icon to change";

  SendMessageA(shell.window(), taskbarCreated, 0, 0);
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &tip)) << "the icon is back";

  shell.deleteIcon();
  SendMessageA(shell.window(), taskbarCreated, 0, 0);
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &tip)) << "a removed icon stays away";
}

// At logon the shell may refuse the icon until the taskbar exists: until it takes the icon there
// is no tray for the window to hide into, and the icon is asked for again, by the clock and by
// the taskbar's own "created" message.
void PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD deadline = GetTickCount() + milliseconds;
  while (!done() && GetTickCount() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

// The taskbar's logon time-out: it takes the icon and still reports failure, and refuses every
// later add because the icon is there. The icon counts as shown all the same. A taskbar that
// says it was created before it takes icons is asked again by the clock.
TEST(LiveTrayAtLogon, AnIconTakenDespiteAFailureCountsAndANewTaskbarIsAskedAgain) {
  bool firstAdd = true;
  bool taskbarReady = true;
  Win32TrayShell shell(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)),
                       [&](DWORD message, NOTIFYICONDATAA* record) {
                         if (message == NIM_ADD && !taskbarReady) return FALSE;
                         const BOOL result = Shell_NotifyIconA(message, record);
                         if (message == NIM_ADD && std::exchange(firstAdd, false)) return FALSE;
                         return result;
                       });
  if (!shell.window()) GTEST_SKIP() << "no window can be created without a display";
  shell.addIcon("Tallyguard", true);
  EXPECT_TRUE(shell.available()) << "the icon the taskbar took in spite of its answer";
  shell.deleteIcon();

  // Shown, then Explorer restarts: its new taskbar says so before it takes icons.
  shell.addIcon("Tallyguard", true);
  ASSERT_TRUE(shell.available());
  NOTIFYICONDATAA lost = TrayDeleteRecord(shell.window());
  Shell_NotifyIconA(NIM_DELETE, &lost);
  taskbarReady = false;
  SendMessageA(shell.window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_FALSE(shell.available());
  taskbarReady = true;
  PumpUntil([&] { return shell.available(); }, 10'000);
  EXPECT_TRUE(shell.available()) << "asked again by the clock after the taskbar's message";
  shell.deleteIcon();
}

TEST(LiveTrayAtLogon, AnIconTheShellRefusedIsAddedOnceTheTaskbarIsThere) {
  int refusals = 2;
  Win32TrayShell shell(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)),
                       [&refusals](DWORD message, NOTIFYICONDATAA* record) {
                         if (message == NIM_ADD && refusals > 0) {
                           --refusals;
                           return FALSE;
                         }
                         return Shell_NotifyIconA(message, record);
                       });
  if (!shell.window()) GTEST_SKIP() << "no window can be created without a display";
  NOTIFYICONDATAA tip = TrayTipRecord(shell.window(), "Tallyguard - On");
  EXPECT_TRUE(shell.available()) << "no icon asked for yet";

  shell.addIcon("Tallyguard", true);
  EXPECT_FALSE(shell.available());
  const DWORD deadline = GetTickCount() + 30'000;
  while (!shell.available() && GetTickCount() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  EXPECT_EQ(refusals, 0);
  EXPECT_TRUE(shell.available()) << "taken on the second try";
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &tip)) << "and the shell holds it";
  shell.deleteIcon();

  // The taskbar that appears says so at once.
  refusals = 1;
  shell.addIcon("Tallyguard", true);
  EXPECT_FALSE(shell.available());
  SendMessageA(shell.window(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(shell.available());
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &tip));
  shell.deleteIcon();
  EXPECT_TRUE(shell.available()) << "an icon removed is not missed";
}

TEST_F(LiveTray, NotificationsReachTheControlThroughTheMessageLoop) {
  std::vector<std::pair<int, int>> seen;
  shell.onNotification([&](int code, int id) { seen.emplace_back(code, id); });
  PostMessageA(shell.window(), TrayCallbackMessage, 0, WM_LBUTTONUP);
  PostMessageA(shell.window(), TrayCallbackMessage, 0, 0x404);
  PostMessageA(shell.window(), WM_USER + 7, 0, WM_RBUTTONUP);  // not the tray's message
  EXPECT_TRUE(seen.empty()) << "nothing runs before the loop does";
  Win32MessageLoop().yield();
  EXPECT_EQ(seen,
            (std::vector<std::pair<int, int>>{{TrayLeftButtonUp, 0}, {TrayBalloonTimeout, 0}}));
}

void PostClicks(HWND tray, std::initializer_list<UINT> clicks) {
  for (UINT click : clicks) PostMessageA(tray, TrayCallbackMessage, 0, click);
  Win32MessageLoop().yield();  // a menu opened here holds the loop until it closes
}

std::vector<std::string> CaptionsOf(HWND popup) {
  const auto shown = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
  std::vector<std::string> captions;
  for (int i = 0; i < GetMenuItemCount(shown); ++i) {
    char caption[64] = "";
    GetMenuStringA(shown, UINT(i), caption, sizeof caption, MF_BYPOSITION);
    captions.emplace_back(caption);
  }
  return captions;
}

TEST_F(LiveTray, ARightClickOpensTheMenuWhoseChoiceRunsAndOtherClicksStillReachTheControl) {
  CountingMessageLoop loop;
  FixedClock clock;
  cSysTray tray(shell, loop, clock);
  std::vector<std::string> seen;
  tray.MouseDown = [&](int button, int) { seen.push_back("down " + std::to_string(button)); };
  tray.MouseUp = [&](int button, int) { seen.push_back("up " + std::to_string(button)); };
  const std::vector<std::string> entries{std::string(TrayMenuCaptions::Show),
                                         std::string(TrayMenuCaptions::BackupNow),
                                         std::string(TrayMenuCaptions::Quit)};
  std::vector<std::string> ran, captions;
  std::vector<TrayMenuEntry> menu;
  for (const std::string& caption : entries) {
    menu.push_back({caption, [&ran, caption] { ran.push_back(caption); }});
  }
  tray.setMenu(menu);
  {
    testing::ModalDriver driver("#32768", [&](HWND popup) {
      captions = CaptionsOf(popup);
      for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(popup, WM_KEYDOWN, key, 0);
    });
    PostClicks(shell.window(), {WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_TRUE(driver.found()) << "no menu showed";
  }
  EXPECT_EQ(captions, entries);
  EXPECT_EQ(ran, std::vector<std::string>{entries[1]});
  EXPECT_TRUE(seen.empty()) << "the right button opened the menu only";
  {
    testing::ModalDriver driver("#32768",
                                [](HWND popup) { PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0); });
    PostClicks(shell.window(), {WM_RBUTTONUP});
    EXPECT_TRUE(driver.found()) << "no menu showed the second time";
  }
  EXPECT_EQ(ran.size(), 1u) << "a menu closed without a choice runs nothing";
  PostClicks(shell.window(), {WM_LBUTTONDOWN, WM_LBUTTONUP});
  EXPECT_EQ(seen, (std::vector<std::string>{"down 1", "up 1"}));
}

TEST(Win32MessageLoop, AQuitAskedForDuringAYieldIsLeftForTheOuterLoop) {
  PostQuitMessage(3);
  Win32MessageLoop().yield();
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

}  // namespace
}  // namespace tg
