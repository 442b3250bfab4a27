#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
// clang-format off
#include <shellapi.h>
// clang-format on

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "WinTempFolder.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32Shell.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/HistoryLog.h"
#include "common/FileExists.h"

namespace tg {
namespace {

using ::testing::ElementsAre;
using testing::WinTempFolder;

void WriteFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names in a folder, to see that a copy leaves nothing of its own behind.
std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
    if (found.cFileName[0] != '.' || found.cFileName[1] > '.') names.emplace_back(found.cFileName);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return names;
}

TEST(Win32FileSystem, AppendCreatesTheLogAndAddsLinesBehindEachOther) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string log = folder / "Tallyguard.txt";
  files.appendText(log, "one\r\n");
  files.appendText(log, "two\r\n");
  EXPECT_EQ(files.readText(log), "one\r\ntwo\r\n");
}

TEST(Win32FileSystem, AnAppendAfterAHalfWrittenLineStartsOnALineOfItsOwn) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string log = folder / "Tallyguard.txt";
  WriteFile(log, "cut sho");
  files.appendText(log, "whole\r\n");
  EXPECT_EQ(files.readText(log), "cut sho\r\nwhole\r\n");
}

// The window's pass and a pass from the command line are separate writers of one log, each with
// its own handle; neither may lose a line or cut into the other's, even after a cut line.
TEST(Win32FileSystem, WritersAppendingAtOnceKeepEveryLineWhole) {
  WinTempFolder folder;
  const std::string log = folder / "Tallyguard.txt";
  WriteFile(log, "cut sho");
  constexpr int Writers = 4;
  constexpr int Lines = 250;
  const std::string tail(150, 'x');  // long lines, so a torn write would show
  std::vector<int> failures(Writers, 0);
  std::vector<std::thread> writers;
  for (int writer = 0; writer < Writers; ++writer) {
    writers.emplace_back([&, writer] {
      Win32FileSystem files;
      for (int line = 0; line < Lines; ++line) {
        try {
          files.appendText(
              log, std::to_string(writer) + " " + std::to_string(line) + " " + tail + "\r\n");
        } catch (const std::exception&) {
          ++failures[writer];
        }
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(failures, std::vector<int>(Writers, 0));

  std::istringstream lines(Win32FileSystem().readText(log));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "cut sho\r");
  std::vector<int> next(Writers, 0);  // each writer's lines arrive whole and in its order
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    std::istringstream fields(line);
    int writer = -1;
    int number = -1;
    std::string rest;
    fields >> writer >> number >> rest;
    ASSERT_TRUE(writer >= 0 && writer < Writers && rest == tail && line.back() == '\r') << line;
    EXPECT_EQ(number, next[writer]++) << line;
  }
  EXPECT_EQ(count, Writers * Lines);
}

TEST(Win32FileSystem, AFolderAtTheLogsPathTakesNoLine) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string log = folder / "Tallyguard.txt";
  CreateDirectoryA(log.c_str(), nullptr);
  EXPECT_THROW(files.appendText(log, "line\r\n"), std::system_error);
}

// A device name at the log's path would take a read that never ends or hand back its data.
TEST(Win32FileSystem, ADeviceIsNeitherReadNorHandedOn) {
  Win32FileSystem files;
  try {
    files.readText("NUL");
    ADD_FAILURE() << "a device was read";
  } catch (const std::system_error& refusal) {
    EXPECT_STREQ(refusal.what(), "The file NUL is not a plain file, so it was not read.");
  }
  EXPECT_THROW(files.checkPlainFileOfUser("NUL"), std::system_error);
}

TEST(Win32FileSystem, ALinkAtTheLogsPathIsNotFollowed) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string secret = folder / "secret.txt";
  const std::string log = folder / "Tallyguard.txt";
  WriteFile(secret, "not the history\r\n");
  // Wine says it made a link and makes none; the test below refuses one through the seam.
  CreateSymbolicLinkA(log.c_str(), secret.c_str(), 0);
  const DWORD made = GetFileAttributesA(log.c_str());
  if (made == INVALID_FILE_ATTRIBUTES || !(made & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "no symbolic links can be made here";
  }
  EXPECT_THROW(files.readText(log), std::system_error);
  EXPECT_THROW(files.checkPlainFileOfUser(log), std::system_error);
  EXPECT_NO_THROW(files.checkPlainFileOfUser(secret));
  EXPECT_EQ(files.readText(secret), "not the history\r\n");
}

// Every way into a file asks what the system says it is: one it calls a reparse point (a link,
// which Wine cannot make, is one) is neither read, written to nor copied, and stays as it was.
TEST(Win32FileSystem, AFileTheSystemCallsALinkIsNeitherReadWrittenNorCopied) {
  WinTempFolder folder;
  const std::string log = folder / "Tallyguard.txt";
  const std::string target = folder / "Budget.ods";
  WriteFile(log, "not the history\r\n");
  WriteFile(target, "mine");
  int asked = 0;
  Win32FileSystem links([&asked](void* file) {
    std::optional<FileNature> nature = Win32FileSystem::ReadNature(file);
    EXPECT_TRUE(nature && nature->onDisk);
    if (nature) nature->attributes |= FileAttributeReparsePoint;
    ++asked;
    return nature;
  });
  EXPECT_THROW(links.readText(log), std::system_error);
  EXPECT_THROW(links.checkPlainFileOfUser(log), std::system_error);
  EXPECT_THROW(links.appendText(log, "line\r\n"), std::system_error);
  EXPECT_THROW(links.copyFile(log, target), std::system_error);
  EXPECT_EQ(asked, 4);

  Win32FileSystem files;
  EXPECT_EQ(files.readText(log), "not the history\r\n");
  EXPECT_EQ(files.readText(target), "mine");
  EXPECT_THAT(NamesIn(folder.path()),
              ::testing::UnorderedElementsAre("Tallyguard.txt", "Budget.ods"));
}

TEST(Win32FileSystem, OrdinaryDeletionRefusesAReadOnlyFileAndTheForcedOneRemovesIt) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string log = folder / "Tallyguard.txt";
  WriteFile(log, "x\r\n");
  SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY);
  try {
    files.deleteFile(log);
    ADD_FAILURE() << "a read-only file was deleted";
  } catch (const std::system_error& failure) {
    EXPECT_NE(std::string(failure.what()).find(log), std::string::npos) << failure.what();
  }
  EXPECT_TRUE(Exists(log));
  files.forceDeleteFile(log);
  EXPECT_FALSE(Exists(log));
}

TEST(Win32FileSystem, DeletingAMissingFileFails) {
  WinTempFolder folder;
  Win32FileSystem files;
  EXPECT_THROW(files.deleteFile(folder / "none.txt"), std::system_error);
  EXPECT_THROW(files.forceDeleteFile(folder / "none.txt"), std::system_error);
}

TEST(Win32FileSystem, TwoSpellingsOfOnePathShareTheIdentityOtherFilesDoNot) {
  WinTempFolder folder;
  Win32FileSystem files;
  CreateDirectoryA((folder / "Sub").c_str(), nullptr);
  WriteFile(folder / "Sub\\Budget.ods", "a");
  WriteFile(folder / "Sub\\Other.ods", "b");
  auto plain = files.identity(folder / "Sub\\Budget.ods");
  ASSERT_TRUE(plain);
  EXPECT_EQ(files.identity(folder / "sub\\..\\Sub\\\\BUDGET.ODS"), plain);
  EXPECT_EQ(files.identity(folder.path() + "/Sub/Budget.ods"), plain);
  EXPECT_NE(files.identity(folder / "Sub\\Other.ods"), plain);
  EXPECT_EQ(files.identity(folder / "Sub\\None.ods"), std::nullopt);
  EXPECT_TRUE(files.identity(folder / "Sub"));
}

TEST(Win32FileSystem, RenameReplacesWhatHadTheName) {
  WinTempFolder folder;
  Win32FileSystem files;
  WriteFile(folder / "new.tmp", "new");
  WriteFile(folder / "Budget Backup.ods", "old");
  files.rename(folder / "new.tmp", folder / "Budget Backup.ods");
  EXPECT_EQ(files.readText(folder / "Budget Backup.ods"), "new");
  EXPECT_FALSE(Exists(folder / "new.tmp"));
}

// Save As writes like an editor: the file replaced keeps its attributes (hidden here), and a
// link at the target leads the bytes to its file and stays a link.
TEST(Win32FileSystem, ACopyKeepsTheReplacedFilesAttributesAndWritesThroughALink) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string copy = folder / "Budget Backup.ods";
  const std::string target = folder / "Budget.ods";
  WriteFile(copy, "restored");
  WriteFile(target, "mine");
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
  files.copyFile(copy, target);
  EXPECT_EQ(files.readText(target), "restored");
  EXPECT_TRUE(GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  const std::string link = folder / "Synced.ods";
  CreateSymbolicLinkA(link.c_str(), target.c_str(), 0);
  const DWORD linkAttributes = GetFileAttributesA(link.c_str());
  if (linkAttributes == INVALID_FILE_ATTRIBUTES ||
      !(linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "no symbolic links here";  // Wine says it made one, and made none that works
  }
  WriteFile(copy, "restored again");
  files.copyFile(copy, link);
  EXPECT_EQ(files.readText(target), "restored again");
  EXPECT_TRUE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A copy replaces its target whole; a source that is no plain file of the user (a folder, a link)
// or a target that cannot be written leaves the target as it was and nothing beside it.
TEST(Win32FileSystem, ACopyReplacesItsTargetWholeOrLeavesItAsItWas) {
  WinTempFolder folder;
  Win32FileSystem files;
  const std::string copy = folder / "Budget Backup.ods";
  const std::string target = folder / "Budget.ods";
  WriteFile(copy, std::string(200000, 'x') + "end");
  WriteFile(target, "mine");
  files.copyFile(copy, target);
  EXPECT_EQ(files.readText(target), std::string(200000, 'x') + "end");
  EXPECT_THAT(NamesIn(folder.path()),
              ::testing::UnorderedElementsAre("Budget Backup.ods", "Budget.ods"));

  WriteFile(target, "mine");
  CreateDirectoryA((folder / "Folder.ods").c_str(), nullptr);
  EXPECT_THROW(files.copyFile(folder / "Folder.ods", target), std::system_error);
  EXPECT_THROW(files.copyFile(folder / "Missing.ods", target), std::system_error);
  EXPECT_THROW(files.copyFile(copy, folder / "No folder\\Budget.ods"), std::system_error);
  RemoveDirectoryA((folder / "Folder.ods").c_str());
  EXPECT_EQ(files.readText(target), "mine");
  EXPECT_THAT(NamesIn(folder.path()),
              ::testing::UnorderedElementsAre("Budget Backup.ods", "Budget.ods"));
}

TEST(Win32FileSystem, MakeDirectoryCreatesOneLevelAndSaysWhichFolderFailed) {
  WinTempFolder folder;
  Win32FileSystem files;
  files.makeDirectory(folder / "Backups #1");
  EXPECT_TRUE(files.isDirectory(folder / "Backups #1"));
  EXPECT_FALSE(files.isDirectory(folder / "none"));
  const std::string deep = folder / "missing\\deeper";
  try {
    files.makeDirectory(deep);
    ADD_FAILURE() << "two levels were created";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(
        std::string(failure.what()).rfind("The folder " + deep + " could not be created: ", 0), 0u)
        << failure.what();
  }
}

TEST(Win32FileSystem, AFileExistsWhenItsTimesCanBeRead) {
  WinTempFolder folder;
  Win32FileSystem files;
  WriteFile(folder / "a.txt", "");
  EXPECT_TRUE(FileExists(files, folder / "a.txt"));
  EXPECT_FALSE(FileExists(files, folder / "b.txt"));
}

TEST(WindowsEnvironment, ReadsVariablesAndTellsUnsetFromEmpty) {
  WindowsEnvironment environment;
  SetEnvironmentVariableA("TALLYGUARD_TEST_VALUE", "C:\\some where");
  EXPECT_EQ(environment.variable("TALLYGUARD_TEST_VALUE"), "C:\\some where");
  SetEnvironmentVariableA("TALLYGUARD_TEST_VALUE", "");
  EXPECT_EQ(environment.variable("TALLYGUARD_TEST_VALUE"), std::string());
  SetEnvironmentVariableA("TALLYGUARD_TEST_VALUE", nullptr);
  EXPECT_EQ(environment.variable("TALLYGUARD_TEST_VALUE"), std::nullopt);
}

TEST(WindowsEnvironment, TheHistoryLogLiesInTempWithBackslashes) {
  WindowsEnvironment environment;
  char temp[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("TEMP", temp, MAX_PATH), 0u);
  EXPECT_EQ(environment.stateFolder(), temp);
  EXPECT_EQ(HistoryLogPath("Tallyguard", environment, PathStyle::Windows),
            std::string(temp) + "\\Tallyguard.txt");
}

// Without TEMP (or with it empty) the log still goes to the user's temporary folder, never to a
// drive's root.
TEST(WindowsEnvironment, WithoutTempTheStateFolderIsTheUsersTemporaryFolder) {
  WindowsEnvironment environment;
  char temp[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("TEMP", temp, MAX_PATH), 0u);
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(unset ? "empty" : "unset");
    SetEnvironmentVariableA("TEMP", unset);
    const std::string folder = environment.stateFolder();
    const std::string log = HistoryLogPath("Tallyguard", environment, PathStyle::Windows);
    SetEnvironmentVariableA("TEMP", temp);
    EXPECT_GT(folder.size(), 3u) << folder;
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(Win32FileSystem().isDirectory(folder)) << folder;
    EXPECT_EQ(log, folder + "\\Tallyguard.txt");
  }
}

// The test script runs Wine under LC_ALL=C.UTF-8, which Wine takes as English (United States).
TEST(WindowsRegionalSettings, ReadsTheUsersLocaleData) {
  if (GetUserDefaultLCID() != 0x0409) GTEST_SKIP() << "the user's locale is not en-US";
  WindowsRegionalSettings regional;
  EXPECT_EQ(regional.monthName(1), "January");
  EXPECT_EQ(regional.monthName(12), "December");
  EXPECT_EQ(regional.monthName(13), "");
  EXPECT_EQ(regional.amDesignator(), "AM");
  EXPECT_EQ(regional.pmDesignator(), "PM");
  EXPECT_EQ(regional.shortDate({2026, 12, 6, 14, 0, 40}), "12/6/2026");
  EXPECT_EQ(regional.longTime({2026, 12, 6, 14, 0, 40}), "2:00:40 PM");
}

TEST(WindowsRegionalSettings, AnotherLocaleHasItsOwnNamesAndOrder) {
  WindowsRegionalSettings german(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  EXPECT_EQ(german.monthName(12), "Dezember");
  // Day first; whether with a leading zero depends on the Windows release.
  EXPECT_THAT(german.shortDate({2026, 12, 6, 14, 0, 40}),
              ::testing::MatchesRegex("0?6\\.12\\.2026"));
  EXPECT_EQ(german.longTime({2026, 12, 6, 14, 0, 40}), "14:00:40");
}

TEST(WindowsClock, NowIsTheLocalTime) {
  WindowsClock clock;
  SYSTEMTIME before{};
  GetLocalTime(&before);
  LocalDateTime now = clock.now();
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  const double first = clock.secondsSinceStart();
  Sleep(20);  // time passes, and the clock must show it
  EXPECT_GT(clock.secondsSinceStart(), first);
}

TEST(MutexSingleInstance, ASecondHolderOfTheNameSeesTheFirstUntilItEnds) {
  auto first = std::make_unique<MutexSingleInstance>("Local\\Tallyguard.Test.Instance");
  EXPECT_FALSE(first->anotherCopyRuns());
  EXPECT_FALSE(first->anotherCopyRuns());
  {
    MutexSingleInstance second("Local\\Tallyguard.Test.Instance");
    EXPECT_TRUE(second.anotherCopyRuns());
  }
  first.reset();
  MutexSingleInstance third("Local\\Tallyguard.Test.Instance");
  EXPECT_FALSE(third.anotherCopyRuns());
}

// Another account's copy of an older release held the plain name: this user's copy starts all the
// same, and still refuses a second copy of its own.
TEST(MutexSingleInstance, AMutexWithoutThisUsersSidNeverBlocks) {
  HANDLE othersMutex = CreateMutexA(nullptr, FALSE, "Local\\Morvane.Tallyguard");
  ASSERT_NE(othersMutex, nullptr);
  {
    MutexSingleInstance first;
    EXPECT_FALSE(first.anotherCopyRuns());
    EXPECT_EQ(first.lockProblem(), "");
    EXPECT_NE(first.name().find(CurrentUserSid()), std::string::npos);
    MutexSingleInstance second;
    EXPECT_TRUE(second.anotherCopyRuns());
  }
  CloseHandle(othersMutex);
}

TEST(MutexSingleInstance, AMutexThatCannotBeMadeIsReportedAndDoesNotStopTheStart) {
  MutexSingleInstance broken("Local\\No\\Such\\Folder");
  EXPECT_FALSE(broken.anotherCopyRuns());
  EXPECT_NE(broken.lockProblem().find("could not make its mutex"), std::string::npos);
}

TEST(Win32Shell, TheDesktopIsARealFolderAndTheProgramFolderHoldsTheProgram) {
  Win32Shell shell(RunningExecutablePath());
  Win32FileSystem files;
  auto desktop = shell.desktopFolder();
  ASSERT_TRUE(desktop);
  EXPECT_TRUE(files.isDirectory(*desktop)) << *desktop;
  EXPECT_NE(desktop->back(), '\\');
  EXPECT_TRUE(FileExists(files, shell.programFolder() + "\\tallyguard_win32_tests.exe"))
      << shell.programFolder();
}

TEST(Win32Shell, TheEditorCommandQuotesThePath) {
  EXPECT_EQ(Win32Shell::TextEditorCommand("C:\\users\\a b\\Temp\\Tallyguard.txt"),
            "notepad \"C:\\users\\a b\\Temp\\Tallyguard.txt\"");
  Win32Shell shell("Tallyguard.exe");
  EXPECT_THROW(shell.programFolder(), std::runtime_error);
}

// The download page: the shell's default action on the quoted address, from the main window, in
// C:\, shown, whatever it answers. The home page: explorer, minimised with the focus, and a
// start that fails is said.
TEST(Win32Shell, TheWebPagesAreOpenedAsTheShellIsAskedTo) {
  Win32Shell shell("Tallyguard.exe");
  shell.setOwner(GetDesktopWindow());
  std::vector<std::string> asked;
  HWND owner = nullptr;
  INT shown = -1;
  shell.shellExecute = [&](HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                           LPCSTR folder, INT show) {
    owner = window;
    asked = {operation, file, parameters, folder};
    shown = show;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC));
  };
  EXPECT_NO_THROW(shell.openWebAddress("https://www.libreoffice.org/download/"));
  EXPECT_EQ(owner, GetDesktopWindow());
  EXPECT_THAT(asked, ElementsAre("", "\"https://www.libreoffice.org/download/\"", "", "C:\\"));
  EXPECT_EQ(shown, 5);

  std::string started;
  WORD startedShow = 0;
  shell.startCommandLine = [&](const std::string& commandLine, WORD show) {
    started = commandLine;
    startedShow = show;
    return true;
  };
  shell.openWebAddressInBackground("https://example.org/");
  EXPECT_EQ(started, "explorer \"https://example.org/\"");
  EXPECT_EQ(startedShow, SW_SHOWMINIMIZED);
  shell.startCommandLine = [](const std::string&, WORD) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  };
  EXPECT_THROW(shell.openWebAddressInBackground("https://example.org/"), std::runtime_error);
}

}  // namespace
}  // namespace tg
