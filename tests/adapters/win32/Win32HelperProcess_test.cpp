// The backup pass across a real helper process: the window's side in this test program, the
// helper in tallyguard_helper_host.exe (windowless, as the program is), the office the fixture
// COM server registered in the test prefix.

#include "adapters/win32/Win32HelperProcess.h"

#include "support/HistoryLines.h"

// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "Processes.h"
#include "WinTempFolder.h"
#include "adapters/win32/ComAutomation.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32OfficeInstance.h"
#include "adapters/win32/WindowsPlatform.h"
#include "backup/Calc.h"
#include "backup/OptionControlDoubles.h"
#include "backup/PassWindowSide.h"
#include "backup/WatchProtocol.h"
#include "common/Descriptions.h"
#include "memory/CountingMessageLoop.h"
#include "memory/RecordingDialogs.h"

namespace tg {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::WinTempFolder;

constexpr const char* HostName = "tallyguard_helper_host.exe";

std::string BesideTests(const std::string& name) {
  const std::string tests = RunningExecutablePath();
  return tests.substr(0, tests.rfind('\\') + 1) + name;
}

// The ids of the processes `parent` started that run the helper host.
std::vector<DWORD> HelpersStartedBy(DWORD parent) {
  std::vector<DWORD> children;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID == parent && lstrcmpiA(entry.szExeFile, HostName) == 0) {
      children.push_back(entry.th32ProcessID);
    }
  }
  CloseHandle(snapshot);
  return children;
}

using testing::EndProcessesNamed;
using testing::FixtureOfficeName;
using testing::ProcessesNamed;

// Waits up to `milliseconds` for `done`, looking every 50 ms.
template <typename Done>
bool Within(DWORD milliseconds, Done done) {
  for (const DWORD until = GetTickCount() + milliseconds; !done(); Sleep(50)) {
    if (static_cast<LONG>(until - GetTickCount()) < 0) return false;
  }
  return true;
}

// A program started with the helper host's code under another name, doing `mode`.
class Impostor {
 public:
  Impostor(const std::string& path, const char* mode) {
    CopyFileA(BesideTests(HostName).c_str(), path.c_str(), FALSE);
    SetEnvironmentVariableA("TALLYGUARD_TEST_HELPER", mode);
    std::string line = "\"" + path + "\" --backup-pass none";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &started)) {
      CloseHandle(started.hThread);
      process_ = started.hProcess;
    }
    SetEnvironmentVariableA("TALLYGUARD_TEST_HELPER", nullptr);
  }
  ~Impostor() {
    if (!process_) return;
    TerminateProcess(process_, 0);
    WaitForSingleObject(process_, 5000);
    CloseHandle(process_);
  }
  Impostor(const Impostor&) = delete;
  Impostor& operator=(const Impostor&) = delete;
  bool started() const { return process_ != nullptr; }

 private:
  HANDLE process_ = nullptr;
};

// Sets an environment variable the helper inherits, for one test.
class HelperSetting {
 public:
  HelperSetting(const char* name, const std::string& value) : name_(name) {
    SetEnvironmentVariableA(name, value.c_str());
  }
  ~HelperSetting() { SetEnvironmentVariableA(name_, nullptr); }

 private:
  const char* name_;
};

// Windows' service control manager forgets the class object of a server that died; Wine's COM
// service (rpcss, which takes no stop request) keeps handing it out while it runs, so a test that
// killed the office ends that service too; COM starts it again with the next office.
void ForgetDeadOffices() { EndProcessesNamed("rpcss.exe"); }

// Every fixture office ends: a test that needs none running, or one of its own, starts clean.
void EndEveryOffice() {
  EndProcessesNamed(FixtureOfficeName);
  ForgetDeadOffices();
}

class ThroughTheHelper : public ::testing::Test, public testing::OptionPanel {
 protected:
  // The window waits with its messages running; a short sleep keeps it from spinning a core.
  ThroughTheHelper() {
    loop.onYield = [] { Sleep(2); };
  }

  void runPass(double hangSeconds = OfficeHangSeconds) {
    RunPassInHelper(WindowSideContext{helper, passOptions(), dialogs, loop, clock, historyLogPath,
                                      hangSeconds});
  }

  // Documents the fixture office holds, one "service\turl\ttitle\tfilter\tcontent" a line,
  // opened through a service manager the test keeps: the one running office serves the helper
  // the same documents.
  void openInHelper(const std::vector<std::string>& descriptions) {
    suite = automation.create(OfficeServiceManagerId);
    suite->call("fixtureReset");
    for (const std::string& document : descriptions) {
      ValueList fields;
      for (std::size_t start = 0;;) {
        const std::size_t tab = document.find('\t', start);
        fields.emplace_back(document.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
      }
      suite->call("fixtureOpen", fields);
    }
  }

  static std::string Sheet(const std::string& path, const std::string& content) {
    std::string url = "file:///" + path;
    for (char& c : url) {
      if (c == '\\') c = '/';
    }
    return "com.sun.star.sheet.SpreadsheetDocument\t" + url + "\t" +
           path.substr(path.rfind('\\') + 1) + "\tcalc8\t" + content;
  }

  std::vector<std::string> historyLines() {
    if (!files.canReadModificationTime(historyLogPath)) return {};
    return testing::HistoryLinesOf(files.readText(historyLogPath));
  }

  WinTempFolder folder;
  Win32FileSystem files;
  Win32HelperProcess helper{BesideTests(HostName)};
  RecordingDialogs dialogs;
  CountingMessageLoop loop;
  WindowsClock clock;
  std::string historyLogPath = folder / "Tallyguard.txt";
  ComAutomationFactory automation;
  ObjectRef suite;
};

// Window -> helper process -> COM -> a copy and its line, with the prompt for an unsaved
// document answered across the pipe.
TEST_F(ThroughTheHelper, AWholePassStoresCopiesAndWritesTheLog) {
  const std::string reports = folder / "Reports";
  const std::string chosen = folder / "Chosen";
  files.makeDirectory(reports);
  files.makeDirectory(chosen);
  openInHelper({Sheet(reports + "\\Budget.ods", "budget"),
                "com.sun.star.sheet.SpreadsheetDocument\t\tUntitled 1\t\tfresh"});
  dialogs.folderAnswers = {chosen};

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages[0].text;
  EXPECT_THAT(dialogs.folderPrompts, ElementsAre(" is unsaved. Please select location:"));
  EXPECT_EQ(files.readText(reports + "\\Budget Backup.ods"), "budget|calc8");
  EXPECT_EQ(files.readText(chosen + "\\Untitled 1 Backup.ods"), "fresh|default");
  const std::vector<std::string> lines = historyLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(lines[0],
              HasSubstr("Budget.ods was backup saved as " + reports + "\\Budget Backup.ods at "));
  EXPECT_THAT(lines[1], HasSubstr("Untitled 1.ods was backup saved as " + chosen +
                                  "\\Untitled 1 Backup.ods at "));
}

// Creating the office's service manager would start an office: with none running the helper
// never tries, and the pass ends as if nothing were open. A program merely named like the office
// is none.
TEST_F(ThroughTheHelper, WithoutTheUsersOfficeThePassEndsQuietlyAndStartsNone) {
  EndEveryOffice();
  Impostor named(folder / "soffice.exe", "hang");
  ASSERT_TRUE(named.started());

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages[0].text;
  EXPECT_THAT(historyLines(), IsEmpty());
  EXPECT_THAT(ProcessesNamed(FixtureOfficeName), IsEmpty()) << "a hidden office was started";
}

// The office opened by the user is still starting (its class offered only at the end of its
// start-up, its pipe busy after two connections) when a pass begins: the pass waits for that
// office, and the start COM makes on the way hands over to it, as the office's own launcher
// does, instead of leaving a second office.
TEST_F(ThroughTheHelper, AnOfficeStillStartingServesThePassAndNoSecondOneStays) {
  EndEveryOffice();
  const std::string sheet = folder / "Budget.ods";
  files.appendText(sheet, "budget");
  PROCESS_INFORMATION office{};
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string line =
      "\"" + BesideTests(FixtureOfficeName) + "\" --startup-delay=3000 \"" + sheet + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &office));
  CloseHandle(office.hThread);
  ASSERT_TRUE(Within(10'000, [] { return UserOfficeRuns(); }));
  // While it starts its pipe takes two connections, this one and the helper's, then is busy.
  EXPECT_EQ(UserOffice(), office.dwProcessId) << "the office is found by its pipe";

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages[0].text;
  EXPECT_EQ(files.readText(folder / "Budget Backup.ods"), "budget|calc8");
  EXPECT_THAT(ProcessesNamed(FixtureOfficeName), ElementsAre(office.dwProcessId));
  CloseHandle(office.hProcess);
}

// The hang watch watches the office serving the pass: a busy program named like the office
// beside it hides nothing.
TEST_F(ThroughTheHelper, AStuckOfficeIsReportedThoughAnotherOfficeNamedProcessIsBusy) {
  openInHelper({Sheet(folder / "Budget.ods", "budget")});
  const DWORD stuck = static_cast<DWORD>(suite->call("fixtureProcessId").asInt());
  suite->call("fixtureStallStores", {"TallyguardTestStuck" + std::to_string(stuck)});
  Impostor busy(folder / "soffice.bin", "spin");
  ASSERT_TRUE(busy.started());
  const double started = clock.secondsSinceStart();

  runPass(2);

  EXPECT_LT(clock.secondsSinceStart() - started, 20) << "no verdict while the other one spun";
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text.find(Descriptions::OfficeNotResponding), 0u)
      << dialogs.messages[0].text;
  EndEveryOffice();  // before the test lets go of it: a stuck office takes no release either
  suite.reset();
}

TEST_F(ThroughTheHelper, AHelperThatStopsAnsweringIsEndedAfterTheBoundWithOneReport) {
  HelperSetting hang("TALLYGUARD_TEST_HELPER", "hang");
  const double started = clock.secondsSinceStart();

  runPass(1.5);

  const double waited = clock.secondsSinceStart() - started;
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Application Error");
  EXPECT_EQ(dialogs.messages[0].text.find(Descriptions::OfficeNotResponding), 0u);
  EXPECT_GE(waited, 1.5);
  EXPECT_LT(waited, 10);
  EXPECT_FALSE(helper.running());
  EXPECT_THAT(HelpersStartedBy(GetCurrentProcessId()), IsEmpty());
}

// The office killed while it stores a copy: the pass ends with the plain report of a lost
// connection, and the next pass, with an office started again, makes the copy.
TEST_F(ThroughTheHelper, AnOfficeKilledInTheMiddleOfAStoreEndsThePassWithThePlainReport) {
  const std::string sheet = Sheet(folder / "Budget.ods", "budget");
  openInHelper({sheet});
  const std::string stallName = "TallyguardTestStall" + std::to_string(GetCurrentProcessId());
  HANDLE stalled = CreateEventA(nullptr, TRUE, FALSE, stallName.c_str());
  suite->call("fixtureStallStores", {stallName});
  const DWORD serverId = static_cast<DWORD>(suite->call("fixtureProcessId").asInt());
  bool killed = false;
  loop.onYield = [&] {
    Sleep(2);
    if (killed || WaitForSingleObject(stalled, 0) != WAIT_OBJECT_0) return;
    HANDLE server = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, serverId);
    killed = server && TerminateProcess(server, 9);
    if (server) {
      WaitForSingleObject(server, 5000);
      CloseHandle(server);
    }
  };

  runPass();

  CloseHandle(stalled);
  EXPECT_TRUE(killed);
  std::string texts;
  for (const auto& message : dialogs.messages) texts += message.text + "\n";
  ASSERT_EQ(dialogs.messages.size(), 1u) << texts;
  EXPECT_EQ(texts.find("The connection to the office suite was lost"), 0u) << texts;
  EXPECT_FALSE(files.canReadModificationTime(folder / "Budget Backup.ods"));
  EXPECT_THAT(historyLines(), IsEmpty());

  dialogs.messages.clear();
  ForgetDeadOffices();
  openInHelper({sheet});
  EXPECT_NE(static_cast<DWORD>(suite->call("fixtureProcessId").asInt()), serverId);
  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty()) << dialogs.messages[0].text;
  EXPECT_EQ(files.readText(folder / "Budget Backup.ods"), "budget|calc8");
}

// The window killed outright takes its helper with it: the job's only handle closes.
// The change watch on Windows, in the helper host as the window starts it, against the fixture
// office calling its listener object as the office's bridge does: synchronously, only once it
// names the interfaces it stands for, and before a closing document's "Save changes?" question.
class WatchedThroughTheHelper : public ThroughTheHelper {
 protected:
  WatchedThroughTheHelper() {
    Check6.setValue(CheckBox::Checked);  // stamped copies, a new one at every pass
  }
  ~WatchedThroughTheHelper() override { watch.stop(); }

  // Started with the options a pass uses; true once it knows the office's documents.
  bool startWatch() {
    watch.start(historyLogPath);
    watch.send(PingLine(passOptions()()));
    return Within(30'000, [&] {
      while (std::optional<std::string> line = watch.takeLine()) {
        if (*line == "watching") return true;
      }
      return false;
    });
  }
  // One pass a second after the last, so that its stamped copies have names of their own; the
  // number of copies it logged.
  size_t pass() {
    Sleep(1100);
    const size_t before = historyLines().size();
    runPass();
    return historyLines().size() - before;
  }

  Win32HelperProcess watch{BesideTests(HostName), UserOffice, ChangeWatchFlag};
};

TEST_F(WatchedThroughTheHelper,
       UnchangedWorkbooksCostNothingAndOneClosingWithEditsGetsItsCopyFirst) {
  const std::string reports = folder / "Reports";
  files.makeDirectory(reports);
  openInHelper(
      {Sheet(reports + "\\Salaries.ods", "salaries A"), Sheet(reports + "\\Plan.ods", "plan A")});
  // Encrypted afresh at every store: only the office's word tells an unchanged one.
  suite->call("fixtureProtect", {"Salaries.ods"});
  ASSERT_TRUE(startWatch()) << "the watch never said it was watching";

  EXPECT_EQ(pass(), 2u) << "no copy yet: both are stored";
  EXPECT_EQ(pass(), 0u) << "nothing changed";
  suite->call("fixtureEdit", {"Salaries.ods", "salaries B"});
  EXPECT_EQ(pass(), 1u);
  EXPECT_EQ(pass(), 0u);

  suite->call("fixtureEdit", {"Plan.ods", "plan B, never saved"});
  suite->call("fixtureClose", {"Plan.ods"});
  EXPECT_EQ(suite->call("fixtureSaveQuestions").asInt(), 1);
  const std::vector<std::string> lines = historyLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_THAT(lines[3], HasSubstr("Plan.ods was backup saved as " + reports + "\\Plan Date "));
  EXPECT_THAT(lines[3], HasSubstr(" before closing at "));
  const std::string copy = lines[3].substr(
      lines[3].find(reports), lines[3].find(" before closing") - lines[3].find(reports));
  EXPECT_EQ(files.readText(copy), "plan B, never saved|calc8");
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

TEST(HelperJob, AHelperEndsWithTheWindowThatStartedIt) {
  WinTempFolder folder;
  HANDLE started = CreateEventA(nullptr, TRUE, FALSE, "TallyguardTestHelperStarted");
  HelperSetting parent("TALLYGUARD_TEST_HELPER", "parent");
  std::string commandLine =
      "\"" + BesideTests(HostName) + "\" --backup-pass \"" + folder / "Tallyguard.txt" + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION window{};
  ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &window));
  CloseHandle(window.hThread);
  ASSERT_EQ(WaitForSingleObject(started, 20000), WAIT_OBJECT_0);
  const std::vector<DWORD> helpers = HelpersStartedBy(window.dwProcessId);
  ASSERT_EQ(helpers.size(), 1u);
  HANDLE helper = OpenProcess(SYNCHRONIZE, FALSE, helpers[0]);
  ASSERT_TRUE(helper);
  EXPECT_EQ(WaitForSingleObject(helper, 0), static_cast<DWORD>(WAIT_TIMEOUT));

  TerminateProcess(window.hProcess, 1);

  EXPECT_EQ(WaitForSingleObject(helper, 5000), WAIT_OBJECT_0);
  CloseHandle(helper);
  CloseHandle(window.hProcess);
  CloseHandle(started);
}

// The user's office is the one answering on the pipe the office makes for the user's profile,
// named by the office's own rules; its processor time is the work the watch sees.
TEST(UserOffice, IsFoundByTheOfficesOwnPipeNameAndItsProcessorTimeCountsAsWork) {
  // The digest of the real office's pipe for this profile, read off a Linux machine's /tmp.
  EXPECT_THAT(SingleInstancePipe("file:///tmp/tgo-digest-prof/"),
              ::testing::EndsWith("_SingleOfficeIPC_7e8984eae131508d1054e9e2f229e81"));
  EXPECT_THAT(SingleInstancePipe("file:///tmp/tgo-digest-prof"),
              ::testing::StartsWith("\\\\.\\pipe\\OSL_PIPE_S-1-5-"));
  // The office writes no more than five sub-authorities of the account's SID.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID sid = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 6, 21, 1, 2, 3, 1001, 7, 0, 0, &sid));
  EXPECT_EQ(OfficeUserIdent(sid), "S-1-5-21-1-2-3-1001");
  FreeSid(sid);
  EXPECT_THAT(DefaultOfficeProfileUrl("C:\\Program Files\\LibreOffice\\program\\soffice.exe"),
              ::testing::AllOf(::testing::StartsWith("file:///C:/"),
                               ::testing::EndsWith("/LibreOffice/4")));

  Win32HelperProcess idle(BesideTests(HostName), [] { return GetCurrentProcessId(); });
  HelperSetting hang("TALLYGUARD_TEST_HELPER", "hang");
  idle.start("none");
  const std::uint64_t before = idle.workDone();
  const DWORD until = GetTickCount() + 300;
  volatile std::uint64_t spin = 0;
  while (GetTickCount() < until) spin = spin + 1;
  EXPECT_GT(idle.workDone(), before);
  idle.stop();
}

}  // namespace
}  // namespace tg
