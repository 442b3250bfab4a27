// The program as main composes it on Windows, over in-memory system ports: the keyboard moves
// between the window's controls while a pass lets messages run, as it does in the main loop, and
// the tray's icon has the tray's size.

#include "adapters/win32/Win32Program.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "WinTempFolder.h"
#include "adapters/win32/Win32FileSystem.h"
#include "memory/FixedClock.h"
#include "memory/LoopbackHelper.h"
#include "memory/MemoryAutostart.h"
#include "memory/MemoryEnvironment.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemorySingleInstance.h"
#include "memory/MemorySuite.h"
#include "memory/MemoryVersionsView.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg {
namespace {

TEST(Win32Program, TabMovesBetweenTheControlsWhileAPassYields) {
  testing::WinTempFolder temp;
  MemorySettingsBackend settings;
  MemorySuite suite;
  MemoryShell shell;
  shell.program = temp.path();
  shell.desktop = temp.path();
  MemorySingleInstance singleInstance;
  MemoryAutostart autostart;
  MemoryEnvironment environment;
  environment.values["TEMP"] = temp.path();
  Win32FileSystem files;
  FixedClock clock;
  UnitedStatesRegionalSettings regional;
  LoopbackHelper helper(
      PassEnvironment{suite, files, clock, regional, "", PathStyle::Windows, nullptr, nullptr});
  MemoryFileSystem noFiles;
  MemoryFileFacts facts{noFiles};
  MemoryOfficeDocuments office;
  Win32Program program({settings, suite, shell, singleInstance, autostart, environment, files,
                        clock, regional, helper},
                       {facts, nullptr, office});
  if (program.view.window.handle() == nullptr) {
    if (std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) FAIL() << "no main window";
    GTEST_SKIP() << "no window can be created without a display";
  }
  program.start();
  ASSERT_TRUE(program.view.window.visible());

  HWND backupNow = program.view.handleNamed("PushButton2");
  SetFocus(program.view.handleNamed("PushButton4"));
  PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
  program.messageLoop.yield();
  EXPECT_EQ(GetFocus(), backupNow) << "Tab went on to the next button of the row";

  // The notification area's icon is drawn at the size the taskbar shows, not shrunk from the
  // window's big icon.
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(program.trayIcon.get(), &info));
  BITMAP mask{};
  GetObjectA(info.hbmMask, sizeof mask, &mask);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXSMICON));
}

}  // namespace
}  // namespace tg
