// The main window as real Win32 controls under the whole program: the controls are driven by the
// messages a user's clicks and keys send them, and the program's store, files and captions show
// what it did. The system's ports besides files are in-memory stand-ins.

#include "adapters/win32/Win32Form1View.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "ModalDriver.h"
#include "WinTempFolder.h"
#include "WindowPlace.h"
#include "adapters/win32/WideText.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32TrayShell.h"
#include "adapters/win32/Win32VersionsWindow.h"
#include "app/Program.h"
#include "backup/BackupNaming.h"
#include "common/Descriptions.h"
#include "mainwindow/TextLength.h"
#include "memory/CountingMessageLoop.h"
#include "memory/FixedClock.h"
#include "memory/FixedRandom.h"
#include "memory/LoopbackHelper.h"
#include "memory/MemoryAutostart.h"
#include "memory/MemoryEnvironment.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemorySingleInstance.h"
#include "memory/MemorySkin.h"
#include "memory/MemorySuite.h"
#include "memory/MemoryVersionsView.h"
#include "memory/RecordingDialogs.h"
#include "memory/RecordingTrayShell.h"
#include "memory/UnitedStatesRegionalSettings.h"
#include "support/ControlKitContract.h"

namespace tg {
namespace {

using testing::PlaceInParent;

using testing::ControlKitContract;

void RunWaitingMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void RunMessagesFor(DWORD milliseconds) {
  const DWORD until = GetTickCount() + milliseconds;
  while (static_cast<std::int32_t>(until - GetTickCount()) > 0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    RunWaitingMessages();
  }
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A 32 x 32 monochrome cursor with its hot spot in the middle, as a .cur file holds it.
std::string CursorFileBytes() {
  std::string bytes;
  auto word = [&](std::uint16_t value) {
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>(value >> 8);
  };
  auto dword = [&](std::uint32_t value) {
    word(static_cast<std::uint16_t>(value & 0xFFFF));
    word(static_cast<std::uint16_t>(value >> 16));
  };
  const std::uint32_t pictureSize = 40 + 8 + 128 + 128;
  word(0), word(2), word(1);                                       // a cursor file of one picture
  bytes += '\x20', bytes += '\x20', bytes += '\0', bytes += '\0';  // 32 x 32, no palette count
  word(16), word(16), dword(pictureSize), dword(22);  // hot spot, size, where the picture starts
  dword(40), dword(32), dword(64), word(1), word(1), dword(0), dword(256), dword(0), dword(0),
      dword(2), dword(0);               // the picture's header: twice the height, 1 bit
  dword(0x000000), dword(0xFFFFFF);     // black, white
  bytes += std::string(128, '\x00');    // XOR mask
  for (int row = 0; row < 32; ++row) {  // AND mask: a black square bottom left, the rest clear
    bytes += std::string(row < 16 ? 2 : 0, '\x00') + std::string(row < 16 ? 2 : 4, '\xFF');
  }
  return bytes;
}

class MainWindow : public ::testing::Test {
 protected:
  MainWindow() {
    environment.values["TEMP"] = temp.path();
    shell.program = programFolder.path();
    shell.desktop = desktop.path();
    // Each time the program lets messages run, they run, and a second passes.
    messageLoop.onYield = [this] {
      RunWaitingMessages();
      clock.advance(1);
    };
    suite.onStore = [](const StoredCopy& copy) {
      std::string path = DecodeUrlEscapes(copy.url.substr(std::string("file:///").size()));
      for (char& c : path) c = c == '/' ? '\\' : c;
      WriteFile(path, copy.content);
    };
  }

  void SetUp() override {
    if (view().window.handle()) return;
    if (std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) FAIL() << "no main window";
    GTEST_SKIP() << "no window can be created without a display";
  }

  Win32Form1View& view() {
    if (!view_) view_ = std::make_unique<Win32Form1View>(trayShell, messageLoop, clock);
    return *view_;
  }

  Program& program() {
    if (!program_) {
      program_ = std::make_unique<Program>(
          view().controls(),
          ProgramPorts{{settings, suite, shell, singleInstance, autostart, environment, files,
                        clock, regional, helper, 1e9},
                       dialogs,
                       skin,
                       random,
                       messageLoop,
                       PathStyle::Windows},
          ProgramAdditions{view().Spin1, view().Check9, view().PushButton13,
                           VersionsPlatform{{fileFacts, nullptr, office}, [this] {
                                              return std::make_unique<Win32VersionsWindow>(
                                                  versionsLoop);
                                            }}});
      view().window.onClose([this] {
        try {
          program_->close();
        } catch (const ProgramEnded&) {
          ++ended;
        }
      });
    }
    return *program_;
  }

  void start() {
    program().start();
    RunWaitingMessages();
  }

  HWND named(std::string_view name) { return view().handleNamed(name); }
  bool checked(std::string_view name) {
    return SendMessageA(named(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void click(std::string_view name) {
    SendMessageA(named(name), BM_CLICK, 0, 0);
    RunWaitingMessages();
  }
  int selectedRow() {
    return static_cast<int>(
        SendMessageA(named("ListView1"), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  // A left click in the middle of an entry of the list, as the mouse sends it.
  void clickRow(int row) {
    RECT entry{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(named("ListView1"), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&entry));
    const LPARAM where = MAKELPARAM((entry.left + entry.right) / 2, (entry.top + entry.bottom) / 2);
    SendMessageA(named("ListView1"), WM_LBUTTONDOWN, MK_LBUTTON, where);
    SendMessageA(named("ListView1"), WM_LBUTTONUP, 0, where);
    RunWaitingMessages();
  }
  std::string stored(std::string_view key) { return settings.value(key).value_or("(none)"); }

  testing::WinTempFolder temp, programFolder, desktop, data;
  MemorySettingsBackend settings;
  MemorySuite suite;
  MemoryShell shell;
  MemorySingleInstance singleInstance;
  MemoryAutostart autostart;
  MemoryEnvironment environment;
  Win32FileSystem files;
  MemoryFileSystem noFiles;
  MemoryFileFacts fileFacts{noFiles};
  FixedClock clock;
  UnitedStatesRegionalSettings regional;
  // Every pass runs in the helper, here a loopback one over the in-memory office. Each yield of
  // the window moves its clock on a second, so the watch over the office (1e9 s in the ports) is
  // given more seconds than a pass here yields.
  LoopbackHelper helper{
      PassEnvironment{suite, files, clock, regional, "", PathStyle::Windows, &fileFacts}};
  RecordingDialogs dialogs;
  MemorySkin skin;
  FixedRandom random{0.5};
  CountingMessageLoop messageLoop;
  Win32MessageLoop versionsLoop;
  MemoryOfficeDocuments office;
  RecordingTrayShell trayShell;
  std::unique_ptr<Win32Form1View> view_;
  std::unique_ptr<Program> program_;
  int ended = 0;
};

// Every row of the design table against the real window: found by name and identifier, inside
// its container, at its place in pixels, with its caption and font.
TEST_F(MainWindow, EveryDesignedControlStandsInItsContainerWithItsCaptionAndFont) {
  RECT client;
  GetClientRect(view().window.handle(), &client);
  EXPECT_EQ(client.right, 536);
  EXPECT_EQ(client.bottom, 550);
  const LONG_PTR style = GetWindowLongPtrA(view().window.handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME)) << "a window of fixed size";

  for (const ControlDesign& design : Form1Design::Controls) {
    SCOPED_TRACE(std::string(design.name));
    HWND control = named(design.name);
    if (design.kind == ControlKind::TextBuffer) {
      EXPECT_EQ(control, nullptr);
      continue;
    }
    ASSERT_NE(control, nullptr);
    HWND container = design.container.empty() ? view().window.handle() : named(design.container);
    EXPECT_EQ(GetParent(control), container);
    EXPECT_EQ(GetDlgItem(container, Win32Form1View::ControlId(design.name)), control);
    RECT place = PlaceInParent(control);
    if (design.kind == ControlKind::NumberBox) {  // the arrows take the right end of the place
      place.right = PlaceInParent(view().Spin1.arrows()).right;
    }
    EXPECT_EQ(place.left, design.place.left / 15);
    EXPECT_EQ(place.top, design.place.top / 15);
    EXPECT_EQ(place.right - place.left, design.place.width / 15);
    EXPECT_EQ(place.bottom - place.top, design.place.height / 15);
    if (design.kind != ControlKind::ListView && design.kind != ControlKind::ProgressBar &&
        design.kind != ControlKind::NumberBox) {
      EXPECT_EQ(WindowText(control), design.caption);
    }
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_STREQ(font.lfFaceName, std::string(design.font.face).c_str());
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfHeight, design.font.points == 9.0 ? -12 : -15);
  }
  EXPECT_EQ(named("Timer1"), nullptr);
  // The thinning's rule, too long for a caption, shows over its check box.
  ASSERT_NE(view().thinningTip(), nullptr);
  char tip[1024] = "";
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = named("Frame3");
  tool.uId = reinterpret_cast<UINT_PTR>(named("Check9"));
  tool.lpszText = tip;
  SendMessageA(view().thinningTip(), TTM_GETTEXTA, sizeof tip, reinterpret_cast<LPARAM>(&tool));
  // The common controls this test runs with (no version 6 in its manifest) hand out a tool's
  // first 79 characters only.
  EXPECT_GE(std::string_view(tip).size(), 79u);
  EXPECT_TRUE(Form1Design::ThinCopiesTip.starts_with(tip)) << tip;
  // Tab follows the eye: across the two buttons of a row, then down.
  HWND window = view().window.handle();
  EXPECT_EQ(GetNextDlgTabItem(window, named("PushButton4"), FALSE), named("PushButton2"));
  EXPECT_EQ(GetNextDlgTabItem(window, named("PushButton2"), FALSE), named("PushButton3"));
  EXPECT_EQ(GetNextDlgTabItem(window, named("Option2"), FALSE), named("Option1"));
  EXPECT_EQ(GetNextDlgTabItem(window, named("Option3"), FALSE), named("Option4"))
      << "a frame's options are next to each other, whatever stands beside them";
  EXPECT_EQ(GetNextDlgGroupItem(window, named("Option3"), FALSE), named("Option4"));
  EXPECT_EQ(GetNextDlgGroupItem(window, named("Option4"), FALSE), named("Option3"))
      << "the arrow keys stay among the options";
}

LONG FontHeight(HWND control) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font.lfHeight;
}

// Moved to a monitor of another DPI, the window takes the rectangle the system proposes and lays
// everything out again at the new DPI: places, sizes, fonts, the list's column and the arrows;
// back on the first monitor it is as it was.
TEST_F(MainWindow, MovedToAnotherDpiEverythingIsLaidOutAgainAtThatScale) {
  WriteFile(programFolder / std::string(HandCursorFileName), CursorFileBytes());
  start();
  HWND window = view().window.handle();
  const int columnAt96 = ListView_GetColumnWidth(named("ListView1"), 0);
  ASSERT_EQ(columnAt96, 6400 / 15);
  const auto moveTo = [&](int dpi, RECT proposed) {
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&proposed));
    RunWaitingMessages();
  };
  moveTo(192, RECT{40, 30, 40 + 1090, 30 + 1150});

  EXPECT_EQ(view().window.dpi(), 192);
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 8040 * 2 / 15);
  EXPECT_EQ(client.bottom, 8250 * 2 / 15);
  for (const ControlDesign& design : Form1Design::Controls) {
    if (design.kind == ControlKind::TextBuffer) continue;
    SCOPED_TRACE(std::string(design.name));
    RECT place = PlaceInParent(named(design.name));
    if (design.kind == ControlKind::NumberBox) {
      const RECT arrows = PlaceInParent(view().Spin1.arrows());
      EXPECT_EQ(arrows.right - arrows.left, GetSystemMetrics(SM_CXVSCROLL) * 2);
      place.right = arrows.right;
    }
    EXPECT_EQ(place.left, design.place.left * 2 / 15);
    EXPECT_EQ(place.top, design.place.top * 2 / 15);
    EXPECT_EQ(place.right - place.left, design.place.width * 2 / 15);
    EXPECT_EQ(place.bottom - place.top, design.place.height * 2 / 15);
    EXPECT_EQ(FontHeight(named(design.name)), design.font.points == 9.0 ? -24 : -30);
  }
  EXPECT_EQ(ListView_GetColumnWidth(named("ListView1"), 0), 6400 * 2 / 15);
  // The icons and the hand pointer at the sizes of the new DPI, not stretched from the old ones.
  const auto sizeOf = [](HICON icon) {
    ICONINFO info{};
    BITMAP mask{};
    if (!GetIconInfo(icon, &info)) return SIZE{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return SIZE{mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
  };
  const auto windowIcon = [&](WPARAM which) {
    return sizeOf(reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, which, 0))).cx;
  };
  EXPECT_EQ(windowIcon(ICON_SMALL), GetSystemMetrics(SM_CXSMICON) * 2);
  EXPECT_EQ(windowIcon(ICON_BIG), GetSystemMetrics(SM_CXICON) * 2);
  view().window.setMousePointer(MousePointer::Custom);
  EXPECT_EQ(sizeOf(view().window.pointerCursor()).cx, GetSystemMetrics(SM_CXCURSOR) * 2);

  moveTo(96, RECT{10, 20, 10 + 400, 20 + 300});
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, 10);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 536);
  EXPECT_EQ(client.bottom, 550);
  EXPECT_EQ(PlaceInParent(named("PushButton5")).left, 4080 / 15);
  EXPECT_EQ(FontHeight(named("PushButton5")), -15);
  EXPECT_EQ(ListView_GetColumnWidth(named("ListView1"), 0), columnAt96);
  EXPECT_EQ(windowIcon(ICON_SMALL), GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(sizeOf(view().window.pointerCursor()).cx, GetSystemMetrics(SM_CXCURSOR));
  EXPECT_EQ(ended, 0) << "a new DPI is no close";
}

// "Versions…" in the options frame opens the real Versions window, brings it forward when it is
// open, and the window is gone once closed.
TEST_F(MainWindow, TheVersionsButtonInTheOptionsFrameOpensTheVersionsWindow) {
  start();
  ASSERT_EQ(GetParent(named("PushButton13")), named("Frame3"));
  EXPECT_EQ(WindowText(named("PushButton13")), Captions::Versions);
  click("PushButton13");
  HWND versions = FindWindowA("TallyguardVersionsWindow", nullptr);
  ASSERT_NE(versions, nullptr);
  EXPECT_TRUE(IsWindowVisible(versions));
  EXPECT_TRUE(program().versionsOpen());
  click("PushButton13");
  EXPECT_EQ(FindWindowExA(nullptr, versions, "TallyguardVersionsWindow", nullptr), nullptr)
      << "one Versions window";
  SendMessageA(versions, WM_CLOSE, 0, 0);
  RunWaitingMessages();
  EXPECT_FALSE(IsWindow(versions));
  EXPECT_FALSE(program().versionsOpen());
  EXPECT_EQ(ended, 0) << "closing it leaves the program running";
}

// Start-up shows the stored settings in the real controls without storing them anew where it
// must not; then each kind of control stores the user's change through its own handler.
TEST_F(MainWindow, StartUpRestoresTheStoreAndTheUsersChangesAreStored) {
  settings.store("WhereOption", "1");
  settings.store("Backup Option", "2");
  settings.store("Include Date", "Off");
  settings.store("OftenIndex", "5");
  settings.store("Path", data.path() + "\\");
  settings.store(KeepCopiesKey, "4");
  settings.store(ThinCopiesKey, "1");
  start();
  ASSERT_TRUE(view().window.visible());
  EXPECT_EQ(view().window.caption(), "Tallyguard");
  EXPECT_TRUE(checked("Option1"));
  EXPECT_FALSE(checked("Option2"));
  EXPECT_TRUE(checked("Option4"));
  EXPECT_FALSE(checked("Option3"));
  EXPECT_FALSE(checked("Check6"));
  EXPECT_EQ(WindowText(named("Text1")), data.path() + "\\");
  EXPECT_EQ(WindowText(named("Spin1")), "4");
  EXPECT_TRUE(checked("Check9"));
  EXPECT_EQ(selectedRow(), 4);
  EXPECT_EQ(settings.writesOf("OftenIndex"), 1) << "selecting the stored entry stores nothing";
  EXPECT_EQ(WindowText(named("PushButton4")), Captions::ScheduleOn);
  EXPECT_EQ(WindowText(named("Frame2")), Captions::DesignedCountdown);

  click("Check6");
  EXPECT_TRUE(checked("Check6"));
  EXPECT_EQ(stored("Include Date"), "On");
  click("Check9");
  EXPECT_FALSE(checked("Check9"));
  EXPECT_EQ(stored(ThinCopiesKey), "0");
  click("Option3");
  EXPECT_TRUE(checked("Option3"));
  EXPECT_FALSE(checked("Option4"));
  EXPECT_TRUE(checked("Option1")) << "another frame's option stays";
  EXPECT_EQ(stored("Backup Option"), "1");
  const int backupOptionWrites = settings.writesOf("Backup Option");
  click("Option3");
  EXPECT_EQ(settings.writesOf("Backup Option"), backupOptionWrites + 1)
      << "selecting the selected option is a click too";

  SetFocus(named("Text1"));
  RunWaitingMessages();
  ASSERT_EQ(SendMessageA(named("Text1"), EM_GETSEL, 0, 0),
            MAKELONG(0, WindowText(named("Text1")).size()))
      << "the focus selects the whole folder";
  SendMessageA(named("Text1"), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("D:\\Copies\\"));
  EXPECT_EQ(stored("Path"), "D:\\Copies\\");

  clickRow(1);
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(stored("OftenIndex"), "2");
  SendMessageA(named("ListView1"), WM_KEYDOWN, VK_DOWN, 0);
  SendMessageA(named("ListView1"), WM_KEYUP, VK_DOWN, 0);
  EXPECT_EQ(stored("OftenIndex"), "3") << "a selection moved by key is the user's too";
  const int listWrites = settings.writesOf("OftenIndex");
  view().ListView1.selectPosition(7);
  RunWaitingMessages();
  EXPECT_EQ(selectedRow(), 6);
  EXPECT_EQ(settings.writesOf("OftenIndex"), listWrites) << "selecting from code raises nothing";
  EXPECT_THROW(view().ListView1.selectPosition(13), std::out_of_range);

  SendMessageA(named("Spin1"), WM_KEYDOWN, VK_UP, 0);  // the arrows step the number
  SendMessageA(named("Spin1"), WM_KEYUP, VK_UP, 0);
  EXPECT_EQ(WindowText(named("Spin1")), "5");
  EXPECT_EQ(stored(KeepCopiesKey), "5");
  SetWindowTextA(named("Spin1"), "12");  // typed
  EXPECT_EQ(stored(KeepCopiesKey), "12");
  const int keepWrites = settings.writesOf(KeepCopiesKey);
  view().Spin1.setValue(5000);
  EXPECT_EQ(WindowText(named("Spin1")), "999");
  EXPECT_EQ(stored(KeepCopiesKey), "999");
  view().Spin1.setValue(999);
  EXPECT_EQ(settings.writesOf(KeepCopiesKey), keepWrites + 1) << "the same value is no change";
}

// The check box's click follows its value, by the user and by code, never the same value twice;
// an option button selected from code clears its frame's others.
// The note the shared tip of locked controls gives where the pointer would rest: over the middle
// of `control`, as its container sees it; empty when no tool is there.
std::string LockNoteOver(HWND tip, HWND control) {
  if (tip == nullptr) return "(no tip)";
  RECT area{};
  GetWindowRect(control, &area);
  HWND container = GetParent(control);
  MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&area), 2);
  TTHITTESTINFOA hit{};
  hit.hwnd = container;
  hit.pt = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  hit.ti.cbSize = sizeof hit.ti;
  if (!SendMessageA(tip, TTM_HITTESTA, 0, reinterpret_cast<LPARAM>(&hit))) return "";
  char text[256] = {};
  TTTOOLINFOA tool = hit.ti;
  tool.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

// The administrator's locks grey the controls of their settings, and pointing at one tells who
// set it; the other controls stay the user's. The notes follow the controls to another DPI.
TEST_F(MainWindow, LockedSettingsGreyTheirControlsAndTellWhoSetThem) {
  settings.administer("Path", data.path() + "\\", SettingSource::Policy);
  settings.administer("OftenIndex", "2", SettingSource::Policy);
  settings.administer(KeepCopiesKey, "5", SettingSource::Policy);
  settings.administer("Include Date", "Off", SettingSource::Policy);
  settings.administer("Backup Option", "2", SettingSource::SystemDefault);
  start();
  ASSERT_TRUE(view().window.visible());
  HWND tip = view().Text1.lockTip();
  ASSERT_NE(tip, nullptr);
  const std::string note(LockedByAdministrator);
  const auto expectLocked = [&](HWND control, const char* name) {
    EXPECT_FALSE(IsWindowEnabled(control)) << name;
    EXPECT_EQ(LockNoteOver(tip, control), note) << name;
  };
  const auto expectFree = [&](const char* name) {
    EXPECT_TRUE(IsWindowEnabled(named(name))) << name;
    EXPECT_EQ(LockNoteOver(tip, named(name)), "") << name;
  };
  for (const char* name : {"Text1", "PushButton1", "ListView1", "Spin1", "Check6"}) {
    expectLocked(named(name), name);
  }
  expectLocked(view().Spin1.arrows(), "the arrows of Spin1");
  EXPECT_EQ(view().Spin1.value(), 5);
  for (const char* name : {"Option1", "Option3", "Option4", "Check8", "Check9", "PushButton2"}) {
    expectFree(name);
  }
  EXPECT_EQ(view().Check8.lockTip(), nullptr);

  RECT proposed{40, 30, 40 + 1090, 30 + 1150};
  SendMessageA(view().window.handle(), WM_DPICHANGED, MAKEWPARAM(192, 192),
               reinterpret_cast<LPARAM>(&proposed));
  RunWaitingMessages();
  ASSERT_EQ(view().window.dpi(), 192);
  for (const char* name : {"Text1", "ListView1", "Spin1", "Check6"}) {
    expectLocked(named(name), name);
  }
  expectFree("Check8");
}

// The pointer resting on a greyed control shows its note: the system hands the pointer's moves
// over it to its container, whose tip finds the control's place under the pointer.
TEST_F(MainWindow, PointingAtALockedControlShowsItsNote) {
  settings.administer(KeepCopiesKey, "5", SettingSource::Policy);
  start();
  HWND spin = named("Spin1");
  HWND tip = view().Spin1.lockTip();
  ASSERT_NE(tip, nullptr);
  RECT area{};
  GetWindowRect(spin, &area);
  const POINT centre{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  SetCursorPos(centre.x, centre.y);
  POINT inContainer = centre;
  ScreenToClient(GetParent(spin), &inContainer);
  // One move, as a pointer coming to rest: every further move would start the tip's wait over.
  SendMessageA(GetParent(spin), WM_MOUSEMOVE, 0, MAKELPARAM(inContainer.x, inContainer.y));
  for (int tries = 0; tries < 60 && !IsWindowVisible(tip); ++tries) {
    Sleep(50);
    RunWaitingMessages();
  }
  ASSERT_TRUE(IsWindowVisible(tip));
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  ASSERT_TRUE(SendMessageA(tip, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)));
  EXPECT_EQ(tool.uId, reinterpret_cast<UINT_PTR>(spin));
  char text[256] = {};
  tool.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(std::string(text), LockedByAdministrator);
}

TEST_F(MainWindow, ChecksAndOptionsRaiseTheirHandlersAsThePortsSay) {
  int clicks = 0, optionClicks = 0;
  view().Check5.onClick([&] { ++clicks; });
  view().Option2.onClick([&] { ++optionClicks; });
  view().Check5.setValue(CheckBox::Checked);
  view().Check5.setValue(CheckBox::Checked);
  EXPECT_EQ(clicks, 1);
  click("Check5");
  EXPECT_EQ(view().Check5.value(), CheckBox::Unchecked);
  EXPECT_EQ(clicks, 2);
  view().Check5.setVisible(false);
  EXPECT_FALSE(view().Check5.visible());
  EXPECT_FALSE(IsWindowVisible(named("Check5")));

  view().Option1.setSelected(true);
  view().Option2.setSelected(true);
  view().Option2.setSelected(true);
  EXPECT_EQ(optionClicks, 2);
  EXPECT_FALSE(view().Option1.selected());
  view().Option2.setSelected(false);
  EXPECT_FALSE(checked("Option2"));
  EXPECT_EQ(optionClicks, 2) << "clearing is no click";

  int changes = 0;
  view().Text1.onChange([&] { ++changes; });
  view().Text1.setText("C:\\A");
  view().Text1.setText("C:\\A");
  SetWindowTextA(named("Text1"), "C:\\B");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(view().Text1.text(), "C:\\B");
  EXPECT_THROW(view().ListView1.selectedText(), std::runtime_error) << "an empty list";

  view().ProgressBar1.setMax(300);
  view().ProgressBar1.setValue(12);
  view().ProgressBar1.setText(Captions::ProgressBarText);
  EXPECT_EQ(SendMessageA(named("ProgressBar1"), PBM_GETRANGE, FALSE, 0), 300);
  EXPECT_EQ(SendMessageA(named("ProgressBar1"), PBM_GETPOS, 0, 0), 12);
  EXPECT_EQ(WindowText(named("ProgressBar1")), Captions::ProgressBarText);
}

// "Backup Now" stores a copy of the open spreadsheet on disk and logs it; the start/stop button
// stops and starts the real timer, whose ticks count down in the status and the bar.
TEST_F(MainWindow, BackupNowRunsAPassAndTheScheduleButtonStopsAndStartsTheTimer) {
  std::string url = "file:///" + data.path() + "\\Budget.ods";
  for (char& c : url) c = c == '\\' ? '/' : c;
  suite.openSpreadsheet(url);
  settings.store("Include Date", "Off");
  start();
  click("PushButton2");
  ASSERT_EQ(suite.copies.size(), 1u)
      << (dialogs.messages.empty() ? "" : dialogs.messages[0].text) << helper.lastFailure;
  EXPECT_EQ(ReadFile(data / "Budget Backup.ods"), "cells");
  EXPECT_EQ(ReadFile(temp / "Tallyguard.txt").rfind("Budget.ods was backup saved as ", 0), 0u);

  click("PushButton5");  // the log onto the real clipboard
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE text = GetClipboardData(CF_TEXT);
  const std::string onClipboard = text ? static_cast<const char*>(GlobalLock(text)) : "";
  if (text) GlobalUnlock(text);
  CloseClipboard();
  EXPECT_EQ(onClipboard, ReadFile(temp / "Tallyguard.txt"));

  ASSERT_TRUE(view().Timer1.running());
  RunMessagesFor(1300);
  EXPECT_GE(view().ProgressBar1.value(), 1) << "the timer ticked";
  EXPECT_EQ(WindowText(named("Frame2")).rfind(Captions::CountdownPrefix, 0), 0u);

  click("PushButton4");
  EXPECT_FALSE(view().Timer1.running());
  EXPECT_EQ(WindowText(named("PushButton4")), Captions::ScheduleOff);
  EXPECT_EQ(WindowText(named("Frame2")), Captions::StatusOff);
  EXPECT_EQ(stored("StartStopState"), "Off");
  const int value = view().ProgressBar1.value();
  RunMessagesFor(1200);
  EXPECT_EQ(view().ProgressBar1.value(), value) << "a stopped timer does not tick";
  click("PushButton4");
  EXPECT_TRUE(view().Timer1.running());
  EXPECT_EQ(WindowText(named("PushButton4")), Captions::ScheduleOn);

  SendMessageA(view().window.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(ended, 1);
  EXPECT_FALSE(view().Timer1.running());
}

// The user's minimise hides the window into the tray with its balloon; a state set by code
// raises nothing; a start in the tray never shows the window.
TEST_F(MainWindow, TheUsersMinimiseHidesIntoTheTrayAStateFromCodeDoesNot) {
  start();
  HWND window = view().window.handle();
  view().window.setState(WindowState::Minimized);
  EXPECT_TRUE(IsIconic(window));
  EXPECT_TRUE(IsWindowVisible(window)) << "nothing hid it";
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 0);
  view().window.setState(WindowState::Normal);
  EXPECT_FALSE(IsIconic(window));

  SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  RunWaitingMessages();
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(program().globals().HiddenInTray);
  EXPECT_EQ(trayShell.count(TrayCall::ShowBalloon), 1);
  program().showWindow();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_FALSE(IsIconic(window));
}

// Minimised while there was no tray (the logon race): an ordinary minimised window, which a
// click on the icon that comes later brings back.
TEST_F(MainWindow, AClickOnTheIconBringsBackAWindowMinimisedBeforeTheTrayCame) {
  trayShell.trayAvailable = false;
  start();
  HWND window = view().window.handle();
  SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  RunWaitingMessages();
  ASSERT_TRUE(IsIconic(window));
  EXPECT_TRUE(IsWindowVisible(window));
  trayShell.trayAvailable = true;
  trayShell.leftClick();
  RunWaitingMessages();
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(IsWindowVisible(window));
}

TEST_F(MainWindow, AStartInTheTrayNeverShowsTheWindow) {
  settings.store("Minimized", "On");
  start();
  EXPECT_FALSE(IsWindowVisible(view().window.handle()));
  EXPECT_TRUE(program().globals().HiddenInTray);
  EXPECT_TRUE(checked("Check8"));
  trayShell.leftClick();
  EXPECT_TRUE(IsWindowVisible(view().window.handle()));
  EXPECT_EQ(view().window.state(), WindowState::Normal);
}

// The hand cursor in the program's folder is loaded at start-up and shown over the buttons, the
// hourglass while asked for; a file that holds no cursor is refused.
TEST_F(MainWindow, TheCursorFileIsLoadedAndShownOverTheWindowAndItsControls) {
  WriteFile(programFolder / std::string(HandCursorFileName), CursorFileBytes());
  start();
  EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
  Win32Window& window = view().window;
  window.setMousePointer(MousePointer::Custom);
  HCURSOR hand = window.pointerCursor();
  ASSERT_NE(hand, nullptr);
  EXPECT_NE(hand, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  // Over a button inside a frame: the question reaches the window through the frame.
  const LRESULT handled = SendMessageA(named("PushButton1"), WM_SETCURSOR,
                                       reinterpret_cast<WPARAM>(named("PushButton1")),
                                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_TRUE(handled);
  EXPECT_EQ(GetCursor(), hand);
  window.setMousePointer(MousePointer::Hourglass);
  EXPECT_EQ(window.pointerCursor(), LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  window.setMousePointer(MousePointer::Default);
  EXPECT_EQ(window.pointerCursor(), nullptr);

  // The pointer's move over a control is that control's, not its frame's or the window's.
  view().PushButton1.onMouseMove([&] { window.setMousePointer(MousePointer::Custom); });
  view().Frame1.onMouseMove([&] { window.setMousePointer(MousePointer::Default); });
  SendMessageA(named("PushButton1"), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(window.mousePointer(), MousePointer::Custom);
  SendMessageA(named("Frame1"), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(window.mousePointer(), MousePointer::Default);

  WriteFile(temp / "not-a-cursor.cur", "plain text");
  EXPECT_THROW(window.loadCustomPointer(temp / "not-a-cursor.cur"), std::runtime_error);
  EXPECT_THROW(window.loadCustomPointer(temp / "missing.cur"), std::runtime_error);
  EXPECT_EQ(window.pointerCursor(), nullptr);
  window.setMousePointer(MousePointer::Custom);
  EXPECT_EQ(window.pointerCursor(), hand) << "a refused file keeps the loaded cursor";
}

// The clipboard's Unicode text, as UTF-8.
std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return "(no clipboard)";
  std::string text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const auto* wide = static_cast<const wchar_t*>(GlobalLock(data));
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    text.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    text.pop_back();  // its NUL
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

TEST_F(MainWindow, TheTextBufferCopiesItsSelection) {
  Win32TextBuffer& buffer = view().RichTextBox1;
  buffer.setPlainText("line one\r\nline two\r\n");
  EXPECT_EQ(buffer.text(), "line one\r\nline two\r\n");
  buffer.setSelection(10, 8);
  buffer.copySelection();
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE text = GetClipboardData(CF_TEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(text)), "line two");
  GlobalUnlock(text);
  CloseClipboard();
}

// A log in any language is copied whole: selections count characters, not bytes.
TEST_F(MainWindow, ANonEnglishLogIsCopiedWholeAndPartsOfItByCharacters) {
  const std::string log =
      "M\xC3\xA4rz.ods was backup saved as C:\\Donn\xC3\xA9"
      "es\\M\xC3\xA4rz Backup.ods at 1\r\n"
      "\xE6\x97\xA5\xE6\x9C\xAC.ods \xF0\x9F\x93\x8A removed\r\n";
  Win32TextBuffer& buffer = view().RichTextBox1;
  buffer.setPlainText(log);
  buffer.setSelection(0, CharacterCount(log));
  buffer.copySelection();
  EXPECT_EQ(ClipboardText(), log);
  buffer.setSelection(32, 6);  // "Donnée"
  buffer.copySelection();
  EXPECT_EQ(ClipboardText(),
            "Donn\xC3\xA9"
            "e");
}

// Win32's kit: the window's own controls, the user's acts as the messages Windows sends them.
class Win32Kit : public testing::ControlKit {
 public:
  Win32Kit() { view_.Text1.setText(""); }
  bool made() const { return view_.window.handle() != nullptr; }
  CheckBox& checkBox() override { return view_.Check5; }
  // Option1 and Option2 stand in one frame, Option3 in another.
  OptionButton& option(int which) override {
    return which == 0 ? view_.Option1 : which == 1 ? view_.Option2 : view_.Option3;
  }
  TextBox& textBox() override { return view_.Text1; }
  ListView& list() override { return view_.ListView1; }
  void runEvents() override { RunWaitingMessages(); }
  void userClicks(CheckBox&) override { SendMessageA(view_.handleNamed("Check5"), BM_CLICK, 0, 0); }
  // A keyboard's characters, one message each, as Windows delivers them in UTF-16.
  void userTypes(TextBox&, std::string_view text) override {
    // Where the user clicked: at the end of the text.
    const HWND box = view_.handleNamed("Text1");
    const LRESULT end = GetWindowTextLengthW(box);
    SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), end);
    for (const wchar_t character : WideFromAnsi(text)) {
      SendMessageW(box, WM_CHAR, character, 0);
    }
  }
  void userPressesDownIn(ListView&) override {
    SendMessageA(view_.handleNamed("ListView1"), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(view_.handleNamed("ListView1"), WM_KEYUP, VK_DOWN, 0);
  }
  Window& window() override { return view_.window; }
  void userMinimizes(Window&) override {
    SendMessageA(view_.window.handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  }
  Timer& timer() override { return view_.Timer1; }
  void letTimePass(int milliseconds) override { RunMessagesFor(DWORD(milliseconds)); }
  TrayShell& trayShell() override { return tray_; }
  // The menu runs its own loop: a second thread plays the user's keys in it.
  void userChoosesFromTrayMenu(std::size_t position) override {
    testing::ModalDriver driver("#32768", [position](HWND popup) {
      for (std::size_t down = 0; down <= position; ++down) {
        PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
      }
      PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    });
    postTrayClicks({WM_RBUTTONDOWN, WM_RBUTTONUP});
    EXPECT_TRUE(driver.found()) << "no menu showed";
  }
  void userLeftClicksTray() override { postTrayClicks({WM_LBUTTONDOWN, WM_LBUTTONUP}); }

 private:
  void postTrayClicks(std::initializer_list<UINT> clicks) {
    for (UINT click : clicks) PostMessageA(tray_.window(), TrayCallbackMessage, 0, click);
    RunWaitingMessages();
  }

  Win32TrayShell tray_{LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION))};
  RecordingTrayShell trayShell_;
  CountingMessageLoop messageLoop_;
  FixedClock clock_;
  Win32Form1View view_{trayShell_, messageLoop_, clock_};
};

INSTANTIATE_TEST_SUITE_P(Win32, ControlKitContract,
                         ::testing::Values([]() -> std::unique_ptr<testing::ControlKit> {
                           auto kit = std::make_unique<Win32Kit>();
                           if (!kit->made()) return nullptr;  // no display to make windows on
                           return kit;
                         }));

}  // namespace
}  // namespace tg
