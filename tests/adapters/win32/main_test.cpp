// Tallyguard.exe as the user meets it under Wine: started with its window, a click on
// "Backup Now (Test)" has the pass's helper store a copy through the office's COM server, a second
// start brings the hidden window back and ends, closing ends it all, and the command line answers
// on the caller's output, from a prompt through the console twin Tallyguard.com as well. At 150 and
// 200 % its window is drawn at that scale, not stretched.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <initializer_list>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ModalDriver.h"
#include "Processes.h"
#include "WinTempFolder.h"
#include "WindowPlace.h"
#include "adapters/win32/ComAutomation.h"
#include "adapters/win32/RegistrySettingsBackend.h"
#include "adapters/win32/Win32Dpi.h"
#include "adapters/win32/Win32FileFacts.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32Form1View.h"
#include "adapters/win32/Win32OfficeDocuments.h"
#include "adapters/win32/Win32VersionsWindow.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/BackupNaming.h"
#include "backup/Calc.h"
#include "backup/HistoryLog.h"
#include "common/Globals.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Settings.h"
#include "mainwindow/Versions.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"

namespace tg {
namespace {

using testing::PlaceInParent;

using ::testing::HasSubstr;
using testing::WinTempFolder;

std::string BesideTests(const std::string& name) {
  const std::string tests = RunningExecutablePath();
  return tests.substr(0, tests.rfind('\\') + 1) + name;
}

// "C:\a\b.ods" as the office's URLs spell it after "file:///".
std::string UrlPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

// The build puts the program and its console twin in bin\, three folders above the tests.
std::string ProgramFolder() { return BesideTests("..\\..\\..\\bin"); }
std::string ProgramPath() { return ProgramFolder() + "\\Tallyguard.exe"; }

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return done();
}

struct Started {
  HANDLE process = nullptr;
  DWORD id = 0;
};

Started Start(const std::string& commandLine, HANDLE output = nullptr,
              const char* folder = nullptr) {
  std::string line = commandLine;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = output;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr, folder,
                      &startup, &process)) {
    return {};
  }
  CloseHandle(process.hThread);
  return {process.hProcess, process.dwProcessId};
}

DWORD ExitCodeWithin(HANDLE process, DWORD milliseconds) {
  if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(process, &code);
  return code;
}

// The top-level window of that process that `wanted` picks.
HWND TopWindowOf(DWORD processId, const std::function<bool(HWND)>& wanted) {
  struct Search {
    DWORD processId;
    const std::function<bool(HWND)>& wanted;
    HWND found = nullptr;
  } search{processId, wanted};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& searching = *reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == searching.processId && searching.wanted(window)) searching.found = window;
        return searching.found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The program's main window: the one with the program's caption that is no dialog.
HWND MainWindowOf(DWORD processId) {
  return TopWindowOf(processId, [](HWND window) {
    return testing::TextOf(window) == ProductTitle && ClassOf(window) != "#32770";
  });
}

// A message box the program shows.
HWND MessageBoxOf(DWORD processId) {
  return TopWindowOf(processId, [](HWND window) {
    return ClassOf(window) == "#32770" && IsWindowVisible(window);
  });
}

HWND ControlCaptioned(HWND window, std::string_view caption) {
  struct Search {
    std::string_view caption;
    HWND found = nullptr;
  } search{caption};
  EnumChildWindows(
      window,
      [](HWND control, LPARAM data) -> BOOL {
        auto& searching = *reinterpret_cast<Search*>(data);
        char text[128] = {};
        GetWindowTextA(control, text, sizeof text);
        if (searching.caption == text) searching.found = control;
        return searching.found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Sets an environment variable the started programs inherit, for one test.
class Inherited {
 public:
  Inherited(const char* name, const std::string& value)
      : name_(name), before_(WindowsEnvironment().variable(name)) {
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~Inherited() { SetEnvironmentVariableA(name_, before_ ? before_->c_str() : nullptr); }

 private:
  const char* name_;
  std::optional<std::string> before_;
};

class TallyguardExe : public ::testing::Test {
 protected:
  void TearDown() override {
    if (suite && ownOffice) EndOffice(suite);
    if (program.process == nullptr) return;
    TerminateProcess(program.process, 0);
    WaitForSingleObject(program.process, 5000);
    CloseHandle(program.process);
  }

  WinTempFolder folder;
  Win32FileSystem files;
  Inherited temp{"TEMP", folder.path()};  // the history log lands in the test's folder
  // A spreadsheet open in the one running fixture office, which serves the program too.
  void openSheet(const std::string& url, const std::string& title,
                 const std::string& content = "budget") {
    if (!suite) {
      suite = automation.create(OfficeServiceManagerId);
      suite->call("fixtureReset");
    }
    suite->call("fixtureOpen",
                {"com.sun.star.sheet.SpreadsheetDocument", url, title, "calc8", content});
  }
  // An office of this test's own: one another test left running is ended first, and this one
  // ends with the test, so no test reaches another's documents.
  void startOwnOffice() {
    ObjectRef earlier = automation.create(OfficeServiceManagerId);
    EndOffice(earlier);
    suite = automation.create(OfficeServiceManagerId);
    ownOffice = true;
  }
  // Asks the office to end, and waits until it has.
  static void EndOffice(ObjectRef& manager) {
    const DWORD id = static_cast<DWORD>(manager->call("fixtureProcessId").asInt());
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    manager->call("fixtureEnd");
    manager.reset();
    if (process == nullptr) return;
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
  // The documents the office has open.
  std::vector<ObjectRef> officeDocuments() {
    ObjectRef enumeration = suite->call("createInstance", {"com.sun.star.frame.Desktop"})
                                .asObject()
                                ->call("getComponents")
                                .asObject()
                                ->call("createEnumeration")
                                .asObject();
    std::vector<ObjectRef> documents;
    while (enumeration->call("hasMoreElements").asBool()) {
      documents.push_back(enumeration->call("nextElement").asObject());
    }
    return documents;
  }
  // A copy on disk and its line in the history log, where the program reads it (TEMP).
  std::string keepCopy(const std::string& document, const std::string& name,
                       const std::string& bytes) {
    std::ofstream(folder / name, std::ios::binary) << bytes;
    AppendHistoryLine(files, folder / "Tallyguard.txt",
                      HistoryLine(document, folder / name, {2026, 12, 7, 14, 5, 0}, regional));
    return folder / name;
  }
  ComAutomationFactory automation;
  WindowsRegionalSettings regional;
  ObjectRef suite;
  bool ownOffice = false;
  Started program;
};

struct Answer {
  DWORD exitCode = STILL_ACTIVE;
  std::string output;
};

// Runs the program with its output to a pipe, as a prompt redirected to a file would.
Answer RunProgram(const std::string& options) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE reading = nullptr;
  HANDLE writing = nullptr;
  if (!CreatePipe(&reading, &writing, &inheritable, 0)) return {};
  Started started = Start("\"" + ProgramPath() + "\" " + options, writing);
  CloseHandle(writing);
  Answer answer;
  char buffer[256];
  DWORD got = 0;
  while (started.process && ReadFile(reading, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    answer.output.append(buffer, got);
  }
  CloseHandle(reading);
  if (started.process) {
    answer.exitCode = ExitCodeWithin(started.process, 30000);
    CloseHandle(started.process);
  }
  return answer;
}

TEST_F(TallyguardExe, BacksUpOnAClickComesBackOnASecondStartAndEndsOnClose) {
  const std::string sheet = folder / "Budget.ods";
  openSheet("file:///" + UrlPath(sheet), "Budget.ods");
  RegistrySettingsBackend registry;
  Settings(registry).WriteSetting(SettingKeys::IncludeDate, SettingOff);  // a fixed " Backup" name
  program = Start("\"" + ProgramPath() + "\"");
  ASSERT_NE(program.process, nullptr) << ProgramPath();
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = MainWindowOf(program.id)) != nullptr; }, 30000));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000));

  HWND backupNow = ControlCaptioned(window, Captions::BackupNow);
  ASSERT_NE(backupNow, nullptr);
  PostMessageA(backupNow, BM_CLICK, 0, 0);
  const std::string copy = folder / "Budget Backup.ods";
  const std::string log = folder / "Tallyguard.txt";
  // The line follows the copy, and may be half written when first read.
  const auto logText = [&] {
    try {
      return files.readText(log);
    } catch (const std::exception&) {
      return std::string();
    }
  };
  ASSERT_TRUE(WaitFor([&] { return logText().find("\r\n") != std::string::npos; }, 30000));
  EXPECT_THAT(logText(), HasSubstr("Budget.ods was backup saved as " + copy + " at "));
  EXPECT_EQ(files.readText(copy), "budget|calc8");

  // Minimised by the user, the window goes into the tray; a second start brings it back.
  PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) == FALSE; }, 10000));
  Started second = Start("\"" + ProgramPath() + "\"");
  ASSERT_NE(second.process, nullptr);
  EXPECT_EQ(ExitCodeWithin(second.process, 30000), 0u);
  CloseHandle(second.process);
  EXPECT_TRUE(
      WaitFor([&] { return IsWindowVisible(window) != FALSE && !IsIconic(window); }, 10000));

  // The desktop's Backup Now while the window runs: handed over, and the window backs up what
  // the user typed since (a workbook with no edit since its copy gets none, as the office told
  // the window's change watch).
  suite->call("fixtureEdit", {"Budget.ods", "budget, typed since"});
  const Answer handed = RunProgram("--backup-now --notify");
  // It can't say what was copied, so it does not say "all copied" (0).
  EXPECT_EQ(handed.exitCode, 4u);
  EXPECT_THAT(handed.output, HasSubstr("The running Tallyguard makes the backup"));
  const auto lines = [&] {
    const std::string text = logText();
    return std::count(text.begin(), text.end(), '\n');
  };
  EXPECT_TRUE(WaitFor([&] { return lines() == 2; }, 30000)) << logText();
  EXPECT_EQ(files.readText(copy), "budget, typed since|calc8");

  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCodeWithin(program.process, 15000), 0u);
}

DWORD RunToEnd(const std::string& commandLine) {
  Started started = Start(commandLine);
  if (started.process == nullptr) return STILL_ACTIVE;
  const DWORD code = ExitCodeWithin(started.process, 30000);
  CloseHandle(started.process);
  return code;
}

// Without the office's automation service the program says so before any window shows, offers
// the download page, and ends when the user declines.
TEST_F(TallyguardExe, WithoutTheOfficeSuiteItSaysSoAndEnds) {
  const std::string server = "\"" + BesideTests("TallyguardFixtureSuite.exe") + "\"";
  ASSERT_EQ(RunToEnd(server + " /UnregServer"), 0u);
  struct RegisteredAgain {
    const std::string& server;
    ~RegisteredAgain() { RunToEnd(server + " /RegServer"); }
  } registeredAgain{server};

  program = Start("\"" + ProgramPath() + "\"");
  ASSERT_NE(program.process, nullptr);
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (box = MessageBoxOf(program.id)) != nullptr; }, 30000));
  std::string text;
  for (HWND line : testing::ChildWindows(box, "Static")) text += testing::TextOf(line);
  EXPECT_THAT(text, HasSubstr("OpenOffice is required to run this software."));
  const HWND window = MainWindowOf(program.id);
  EXPECT_TRUE(window == nullptr || !IsWindowVisible(window)) << "the window waits for the check";

  PostMessageA(box, WM_COMMAND, IDNO, 0);
  EXPECT_EQ(ExitCodeWithin(program.process, 15000), 0u);
}

TEST_F(TallyguardExe, AnswersItsCommandLineOnTheCallersOutput) {
  const Answer version = RunProgram("--version");
  EXPECT_EQ(version.exitCode, 0u);
  EXPECT_THAT(version.output, HasSubstr(std::string(ProductTitle) + " "));

  // One pass without a window: the copy, and a line for it on the output. The folder's name is
  // not plain ASCII: the office spells it in UTF-8 inside the URL, and the copy must land in
  // that very folder, not in one named after its bytes read in another code page.
  const std::filesystem::path accented = std::filesystem::path(folder.path()) / L"Donn\u00e9es";
  std::filesystem::create_directory(accented);
  openSheet("file:///" + UrlPath(folder.path()) + "/Donn%C3%A9es/Budget.ods", "Budget.ods");
  // A document named in no ANSI code page: the office escapes its UTF-8 bytes in the URL and
  // serves the title as it is; the copy keeps the name whole.
  const std::string greek = "Προϋπολογισμός 予算";
  std::string escaped;
  for (unsigned char c : greek) {
    const char* hex = "0123456789ABCDEF";
    escaped += c < 0x80 && c != ' ' ? std::string(1, static_cast<char>(c))
                                    : std::string{'%', hex[c >> 4], hex[c & 15]};
  }
  openSheet("file:///" + UrlPath(folder.path()) + "/Donn%C3%A9es/" + escaped + ".ods",
            greek + ".ods", "plan");
  RegistrySettingsBackend registry;
  Settings(registry).WriteSetting(SettingKeys::IncludeDate, SettingOff);
  const Answer pass = RunProgram("--backup-now");
  EXPECT_EQ(pass.exitCode, 0u) << pass.output;
  EXPECT_THAT(pass.output, HasSubstr("Budget Backup.ods"));
  std::ifstream copy(accented / L"Budget Backup.ods");
  EXPECT_TRUE(copy.is_open()) << pass.output;
  std::string content;
  std::getline(copy, content);
  EXPECT_EQ(content, "budget|calc8");
  std::ifstream named(accented /
                      L"\u03a0\u03c1\u03bf\u03cb\u03c0\u03bf\u03bb\u03bf\u03b3\u03b9"
                      L"\u03c3\u03bc\u03cc\u03c2 \u4e88\u7b97 Backup.ods");
  EXPECT_TRUE(named.is_open()) << pass.output;
  std::getline(named, content);
  EXPECT_EQ(content, "plan|calc8");
}

std::string ReadToEnd(HANDLE reading) {
  std::string text;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(reading, buffer, sizeof buffer, &got, nullptr) && got > 0)
    text.append(buffer, got);
  CloseHandle(reading);
  return text;
}

struct Typed {
  DWORD exitCode = STILL_ACTIVE;
  std::string output, errors;
};

// A command typed at a prompt (cmd /c) in the program's folder, as a user or the Task Scheduler
// runs it, with the prompt's output and error output kept apart.
Typed TypeAtPrompt(const std::string& command) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE output[2] = {};
  HANDLE errors[2] = {};
  if (!CreatePipe(&output[0], &output[1], &inheritable, 0)) return {};
  if (!CreatePipe(&errors[0], &errors[1], &inheritable, 0)) return {};
  SetHandleInformation(output[0], HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errors[0], HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output[1];
  startup.hStdError = errors[1];
  std::string line = "cmd /c " + command;
  const std::string folder = ProgramFolder();
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      folder.c_str(), &startup, &process);
  CloseHandle(output[1]);
  CloseHandle(errors[1]);
  if (!started) {
    CloseHandle(output[0]);
    CloseHandle(errors[0]);
    return {};
  }
  CloseHandle(process.hThread);
  std::future<std::string> errorText = std::async(std::launch::async, ReadToEnd, errors[0]);
  Typed typed;
  typed.output = ReadToEnd(output[0]);
  typed.errors = errorText.get();
  typed.exitCode = ExitCodeWithin(process.hProcess, 60000);
  CloseHandle(process.hProcess);
  return typed;
}

// The console twin waits for the window program's answer and hands on the exit status that the
// README promises (a prompt does not wait for a window program).
TEST_F(TallyguardExe, TypedAtAPromptTheConsoleTwinAnswersWaitsAndReturnsTheStatus) {
  const Typed version = TypeAtPrompt("Tallyguard.com --version & echo next");
  EXPECT_EQ(version.output, std::string(ProductTitle) + " " TALLYGUARD_VERSION "\r\nnext\r\n");
  EXPECT_EQ(TypeAtPrompt("Tallyguard.com --version").exitCode, 0u);

  const Typed unknown = TypeAtPrompt("Tallyguard.com --frobnicate");
  EXPECT_EQ(unknown.exitCode, 64u);
  EXPECT_EQ(unknown.output, "");
  EXPECT_EQ(unknown.errors, "Tallyguard: unknown option --frobnicate\r\nTry Tallyguard --help\r\n");

  // A whole pass: the copy is there and its line printed by the time the prompt has the status.
  const std::string sheet = folder / "Budget.ods";
  openSheet("file:///" + UrlPath(sheet), "Budget.ods");
  RegistrySettingsBackend registry;
  Settings(registry).WriteSetting(SettingKeys::IncludeDate, SettingOff);
  const std::string copy = folder / "Budget Backup.ods";
  const Typed pass = TypeAtPrompt("Tallyguard.com --backup-now");
  EXPECT_EQ(pass.exitCode, 0u) << pass.errors;
  EXPECT_THAT(pass.output, HasSubstr("Budget.ods was backup saved as " + copy + " at "));
  EXPECT_TRUE(files.canReadModificationTime(copy)) << pass.output;

  // No office running: status 2 and the plain sentence, on the error output only.
  EndOffice(suite);
  const Typed noOffice = TypeAtPrompt("Tallyguard.com --backup-now");
  EXPECT_EQ(noOffice.exitCode, 2u);
  EXPECT_EQ(noOffice.output, "");
  EXPECT_EQ(noOffice.errors, "No office suite is running, so there is nothing to back up.\r\n");
}

// "Tallyguard" typed at a prompt runs the twin, which prefers .com to .exe; without an option of
// the command line the twin starts the window program and returns at once: no prompt (or
// console) waits on a window that runs for hours.
TEST_F(TallyguardExe, TypedAtAPromptWithoutAnOptionTheWindowStartsAndThePromptReturns) {
  if (!std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) GTEST_SKIP() << "the window needs a display";
  const Started prompt = Start("cmd /c Tallyguard", nullptr, ProgramFolder().c_str());
  ASSERT_NE(prompt.process, nullptr);
  EXPECT_EQ(ExitCodeWithin(prompt.process, 20000), 0u);
  CloseHandle(prompt.process);
  // The program's window in another process than this test's.
  HWND window = nullptr;
  DWORD id = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "TallyguardMainWindow", nullptr))) {
          GetWindowThreadProcessId(window, &id);
          if (id != GetCurrentProcessId()) return true;
        }
        return false;
      },
      30000));
  program.process =
      OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id);
  ASSERT_NE(program.process, nullptr);
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCodeWithin(program.process, 15000), 0u);
}

// The screen's DPI for the programs started from now on, as the display settings give it
// (Wine reads it when a program starts); the screen's own again at the end.
class ScreenDpi {
 public:
  explicit ScreenDpi(DWORD dpi) { set(dpi); }
  ~ScreenDpi() { RegDeleteKeyValueA(HKEY_CURRENT_USER, Key, "LogPixels"); }
  void set(DWORD dpi) {
    RegSetKeyValueA(HKEY_CURRENT_USER, Key, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
  }

 private:
  static constexpr const char* Key = "Control Panel\\Desktop";
};

// What the window's image holds, as a PNG file.
bool SavePng(HBITMAP bitmap, int width, int height, const std::string& path) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IWICImagingFactory* factory = nullptr;
  IWICBitmap* image = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  const std::wstring widePath(path.begin(), path.end());
  WICRect all{0, 0, width, height};
  bool saved =
      SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_IWICImagingFactory, reinterpret_cast<void**>(&factory))) &&
      SUCCEEDED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &image)) &&
      SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromFilename(widePath.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
      SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(width, height)) &&
      SUCCEEDED(frame->WriteSource(image, &all)) && SUCCEEDED(frame->Commit()) &&
      SUCCEEDED(encoder->Commit());
  for (IUnknown* used : std::initializer_list<IUnknown*>{frame, encoder, stream, image, factory}) {
    if (used) used->Release();
  }
  CoUninitialize();
  return saved;
}

// The window as it stands on the screen: its pixels (0xRRGGBB, row by row from the top), also
// saved as a PNG.
struct Shot {
  int width = 0;
  int height = 0;
  std::vector<DWORD> pixels;
  bool saved = false;
};

Shot Screenshot(HWND window, const std::string& path) {
  RECT outer;
  GetWindowRect(window, &outer);
  Shot shot;
  shot.width = outer.right - outer.left;
  shot.height = outer.bottom - outer.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, shot.width, shot.height);
  HGDIOBJ before = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, outer.left, outer.top, SRCCOPY);
  SelectObject(memory, before);
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = shot.width;
  format.bmiHeader.biHeight = -shot.height;  // from the top
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  shot.pixels.resize(static_cast<size_t>(shot.width) * shot.height);
  GetDIBits(memory, bitmap, 0, shot.height, shot.pixels.data(), &format, DIB_RGB_COLORS);
  shot.saved = SavePng(bitmap, shot.width, shot.height, path);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

// How many rows the dark text inside `area` (in the shot) spans, from the top of its tallest
// letter to the bottom of its lowest: the drawn font's height. The edges (borders, a focus
// rectangle) are left out by `inset` pixels.
int InkHeight(const Shot& shot, RECT area, int inset) {
  int first = -1;
  int last = -1;
  for (int y = area.top + inset; y < area.bottom - inset; ++y) {
    for (int x = area.left + inset; x < area.right - inset; ++x) {
      if (x < 0 || y < 0 || x >= shot.width || y >= shot.height) continue;
      const DWORD pixel = shot.pixels[static_cast<size_t>(y) * shot.width + x];
      const int brightest =
          std::max({pixel & 0xFFu, (pixel >> 8) & 0xFFu, (pixel >> 16) & 0xFFu}) & 0xFF;
      if (brightest < 96) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  return first < 0 ? 0 : last - first + 1;
}

// The artefacts folder of the build, beside bin\.
std::string ArtefactsFolder() {
  const std::string folder = BesideTests("..\\..\\..\\artefacts");
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

struct Measured {
  SIZE client{};
  RECT button{};       // "Clear History Log", in the window
  RECT textBox{};      // the folder box, in its frame
  RECT list{};         // the interval list, in the window
  int buttonText = 0;  // the height of the button's caption as drawn
};

// The real program, started with the screen at 100, 150 and 200 %: its window, every place and
// size in it and its fonts grow with the DPI, and each scale leaves a screenshot in artefacts\.
TEST_F(TallyguardExe, ItsWindowPlacesSizesAndFontsFollowTheScreensDpi) {
  // Windows scales a window as a picture unless the program says it draws at every DPI itself.
  HMODULE exe = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_MANIFEST));
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                             SizeofResource(exe, found));
  FreeLibrary(exe);
  EXPECT_THAT(manifest, HasSubstr(">PerMonitorV2,PerMonitor</dpiAwareness>"));
  EXPECT_THAT(manifest, HasSubstr(">true/pm</dpiAware>"));
  EXPECT_THAT(manifest, HasSubstr(">UTF-8</activeCodePage>"));
  EXPECT_THAT(manifest, HasSubstr("Microsoft.Windows.Common-Controls"));

  RegistrySettingsBackend registry;
  Settings(registry).WriteSetting(SettingKeys::Minimized, SettingOff);
  ScreenDpi screen(StandardDpi);
  std::map<int, Measured> at;
  for (const int dpi : {96, 144, 192}) {
    SCOPED_TRACE("DPI " + std::to_string(dpi));
    screen.set(static_cast<DWORD>(dpi));
    Started started = Start("\"" + ProgramPath() + "\"");
    ASSERT_NE(started.process, nullptr);
    program = started;
    HWND window = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (window = MainWindowOf(program.id)) != nullptr; }, 30000));
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000));
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);

    Measured& measured = at[dpi];
    RECT client;
    GetClientRect(window, &client);
    measured.client = SIZE{client.right, client.bottom};
    const auto control = [&](std::string_view container, std::string_view name) {
      HWND parent =
          container.empty() ? window : GetDlgItem(window, Win32Form1View::ControlId(container));
      return GetDlgItem(parent, Win32Form1View::ControlId(name));
    };
    HWND button = control("", "PushButton12");
    HWND textBox = control("Frame1", "Text1");
    HWND list = control("", "ListView1");
    ASSERT_TRUE(button && textBox && list);
    measured.button = PlaceInParent(button);
    measured.textBox = PlaceInParent(textBox);
    measured.list = PlaceInParent(list);
    const std::string path =
        ArtefactsFolder() + "\\dpi-" + std::to_string(dpi * 100 / StandardDpi) + ".png";
    // The fonts live in the program's process; the text they drew is measured on the screen,
    // once the button is painted: its caption's ink, not the dark of a window not yet drawn.
    RECT onScreen;
    GetWindowRect(button, &onScreen);
    RECT outer;
    GetWindowRect(window, &outer);
    OffsetRect(&onScreen, -outer.left, -outer.top);
    const int inset = 4 * dpi / StandardDpi;
    const int inside = onScreen.bottom - onScreen.top - 2 * inset;
    Shot shot;
    EXPECT_TRUE(WaitFor(
        [&] {
          shot = Screenshot(window, path);
          const int ink = InkHeight(shot, onScreen, inset);
          return ink > 0 && ink < inside;
        },
        10000))
        << "the button's caption was never painted";
    EXPECT_TRUE(shot.saved) << path;
    measured.buttonText = InkHeight(shot, onScreen, inset);
    std::cout << "at " << dpi << " DPI: client " << measured.client.cx << " x "
              << measured.client.cy << ", button " << measured.button.right - measured.button.left
              << " x " << measured.button.bottom - measured.button.top << ", caption's ink "
              << measured.buttonText << " px high\n";

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeWithin(program.process, 15000), 0u);
    CloseHandle(program.process);
    program = {};
  }

  // At 100 % the design's 15 twips to a pixel.
  const Measured& standard = at[96];
  EXPECT_EQ(standard.client.cx, 536);
  EXPECT_EQ(standard.client.cy, 550);
  EXPECT_EQ(standard.button.left, 4080 / 15);
  EXPECT_EQ(standard.button.top, 7740 / 15);
  EXPECT_EQ(standard.button.right - standard.button.left, 3840 / 15);
  EXPECT_EQ(standard.button.bottom - standard.button.top, 405 / 15);
  // "Clear History Log" in Arial bold of 15 pixels: from the top of "C" to the foot of "y".
  EXPECT_GE(standard.buttonText, 12);
  EXPECT_LE(standard.buttonText, 15);
  // Every other scale: the same, times the scale, to a pixel.
  const auto scaled = [](LONG pixels, int dpi) { return std::lround(pixels * dpi / 96.0); };
  const auto expectScaled = [&](const RECT& got, const RECT& base, int dpi) {
    EXPECT_NEAR(got.left, scaled(base.left, dpi), 1);
    EXPECT_NEAR(got.top, scaled(base.top, dpi), 1);
    EXPECT_NEAR(got.right - got.left, scaled(base.right - base.left, dpi), 1);
    EXPECT_NEAR(got.bottom - got.top, scaled(base.bottom - base.top, dpi), 1);
  };
  for (const int dpi : {144, 192}) {
    SCOPED_TRACE("DPI " + std::to_string(dpi));
    const Measured& measured = at[dpi];
    EXPECT_NEAR(measured.client.cx, scaled(standard.client.cx, dpi), 1);
    EXPECT_NEAR(measured.client.cy, scaled(standard.client.cy, dpi), 1);
    expectScaled(measured.button, standard.button, dpi);
    expectScaled(measured.textBox, standard.textBox, dpi);
    expectScaled(measured.list, standard.list, dpi);
    EXPECT_NEAR(measured.buttonText, scaled(standard.buttonText, dpi), 1);
  }
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// Open in the Versions window hands the copy to this program's own child, which has the running
// office load it read-only: the office has one document more, that copy, marked read-only. With
// no office running the child says so and the desktop's application opens the copy instead.
TEST_F(TallyguardExe, OpenInTheVersionsWindowLoadsTheCopyReadOnlyInTheRunningOffice) {
  if (!std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) GTEST_SKIP() << "the window needs a display";
  startOwnOffice();
  const std::string copy = keepCopy("Budget.ods", "Budget Backup.ods", "budget copy");
  Win32MessageLoop loop;
  Win32VersionsWindow view(loop);
  Win32FileFacts facts;
  MemoryShell shell;
  MemorySettingsBackend settings;
  Win32OfficeDocuments opener(ProgramPath());
  Versions versions(view, {files, facts, nullptr, regional, shell, opener, settings,
                           PathStyle::Windows, folder / "Tallyguard.txt"});
  view.documentChosen(0);  // as the user's click on it raises
  ASSERT_TRUE(IsWindowEnabled(view.openButton.handle()));
  ASSERT_TRUE(officeDocuments().empty());

  SendMessageA(view.openButton.handle(), BM_CLICK, 0, 0);
  EXPECT_THAT(WindowText(view.statusLine.handle()),
              HasSubstr("Opened Budget Backup.ods in the office, read-only"));
  const std::vector<ObjectRef> opened = officeDocuments();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0]->call("getURL").asText(), "file:///" + UrlPath(copy));
  bool readOnly = false;
  const Value arguments = opened[0]->call("getArgs");
  for (const Value& property : arguments.asList()) {
    const ObjectRef& argument = property.asObject();
    if (argument->call("Name").asText() == "ReadOnly") readOnly = argument->call("Value").asBool();
  }
  EXPECT_TRUE(readOnly);
  EXPECT_TRUE(shell.openedDocuments.empty());

  EndOffice(suite);  // the user closed the office
  SendMessageA(view.openButton.handle(), BM_CLICK, 0, 0);
  EXPECT_THAT(shell.openedDocuments, ::testing::ElementsAre(copy));
  EXPECT_THAT(testing::ProcessesNamed(testing::FixtureOfficeName), ::testing::IsEmpty())
      << "no office was started";
}

// Restore and --diff against the running office, as the Versions window has them done by this
// program's own child: a workbook open with an edit not yet saved gets an earlier copy back. What
// was typed is kept first, in a copy of its own logged as made before restoring; the file then
// holds the copy's bytes and the office shows the copy's content again, with nothing to save and
// nothing asked. --diff names the changed cell and exits 1, and once restored finds nothing.
TEST_F(TallyguardExe, RestoresAnOpenWorkbookKeepingWhatWasTypedAndTellsWhatChanged) {
  startOwnOffice();
  const std::string sheet = folder / "Budget.ods";
  const std::string saved = "item\tamount\nrent\t500";
  std::ofstream(sheet, std::ios::binary) << saved << "|calc8";
  openSheet("file:///" + UrlPath(sheet), "Budget.ods", saved);
  RegistrySettingsBackend registry;
  Settings(registry).WriteSetting(SettingKeys::IncludeDate, SettingOff);
  const Answer pass = RunProgram("--backup-now");
  ASSERT_EQ(pass.exitCode, 0u) << pass.output;
  const std::string copy = folder / "Budget Backup.ods";
  ASSERT_EQ(files.readText(copy), saved + "|calc8");
  const std::string typed = "item\tamount\nrent\t650";
  suite->call("fixtureEdit", {"Budget.ods", typed});

  const Answer diff = RunProgram("--diff \"" + copy + "\"");
  EXPECT_EQ(diff.exitCode, 1u);
  EXPECT_EQ(diff.output, "changed\tSheet1\tB2\t500\t650\r\n");
  ASSERT_EQ(officeDocuments().size(), 1u) << "the copy read hidden is closed again";
  // The window reads the same answer from the program's child, whose lines end as a prompt's.
  Win32OfficeDocuments office(ProgramPath());
  EXPECT_THAT(office.compare(copy, "", false),
              ::testing::ElementsAre(CellChange{ChangeKind::Cell, "Sheet1", 1, 1, "500", "650"}));

  const std::string done = office.restore(copy);
  EXPECT_THAT(done, HasSubstr("Budget.ods has the copy's content (the office shows it)"));
  EXPECT_EQ(files.readText(sheet), files.readText(copy));
  const std::string log = files.readText(folder / "Tallyguard.txt");
  const size_t mark = log.find(" before restoring");
  ASSERT_NE(mark, std::string::npos) << log;
  const size_t from = log.rfind(" as ", mark) + 4;
  const std::string kept = log.substr(from, mark - from);
  EXPECT_THAT(done, HasSubstr("kept as " + kept + "."));
  EXPECT_EQ(files.readText(kept), typed + "|calc8") << "what was typed is kept";

  const std::vector<ObjectRef> open = officeDocuments();
  ASSERT_EQ(open.size(), 1u);
  EXPECT_FALSE(open[0]->call("isModified").asBool());
  open[0]->call("storeToURL", {"file:///" + UrlPath(folder / "Shown.ods"), ValueList{}});
  EXPECT_EQ(files.readText(folder / "Shown.ods"), saved + "|default") << "the office shows it";
  EXPECT_EQ(suite->call("fixtureSaveQuestions").asInt(), 0) << "nothing was asked";

  const Answer same = RunProgram("--diff \"" + copy + "\"");
  EXPECT_EQ(same.exitCode, 0u);
  EXPECT_EQ(same.output, "");
}

// The copies are listed for scripts, and a second start with --versions opens the running
// copy's Versions window, as the window's own "Versions…" button does.
TEST_F(TallyguardExe, ListsItsCopiesAndASecondStartOpensTheRunningCopysVersionsWindow) {
  if (!std::getenv("TALLYGUARD_WINDOWS_DISPLAY")) GTEST_SKIP() << "the window needs a display";
  const std::string copy = keepCopy("Budget.ods", "Budget Backup.ods", "budget copy");
  const Answer listed = RunProgram("--list-copies budget");
  EXPECT_EQ(listed.exitCode, 0u);
  EXPECT_THAT(listed.output, HasSubstr("\t11\t" + copy + "\tpresent"));

  program = Start("\"" + ProgramPath() + "\"");
  HWND window = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (window = MainWindowOf(program.id)) != nullptr; }, 30000));
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(window) != FALSE; }, 10000));
  const auto versionsWindow = [&] {
    return TopWindowOf(program.id, [](HWND top) {
      return ClassOf(top) == "TallyguardVersionsWindow" && IsWindowVisible(top);
    });
  };
  Started second = Start("\"" + ProgramPath() + "\" --versions");
  ASSERT_NE(second.process, nullptr);
  EXPECT_EQ(ExitCodeWithin(second.process, 30000), 0u);
  CloseHandle(second.process);
  HWND versions = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (versions = versionsWindow()) != nullptr; }, 10000));
  EXPECT_EQ(testing::TextOf(versions), std::string(VersionsCaptions::Window));
  PostMessageA(versions, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(versions); }, 10000)) << "freed once closed";

  HWND button = ControlCaptioned(window, Captions::Versions);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(GetParent(button), ControlCaptioned(window, Captions::OptionsFrame));
  PostMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return versionsWindow() != nullptr; }, 10000));
  PostMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCodeWithin(program.process, 15000), 0u);
}

}  // namespace
}  // namespace tg
