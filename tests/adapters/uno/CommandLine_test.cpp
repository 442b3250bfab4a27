// `tallyguard --backup-now` as a terminal, cron or a timer runs it: the real program against a
// real headless office, with its settings in a home folder of the test's own, and judged by its
// exit status, its lines and the files it leaves.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <thread>

#include "OfficeProcess.h"
#include "RealSuite.h"
#include "adapters/posix/OfficeInstance.h"
#include "adapters/posix/PosixFileFacts.h"
#include "backup/PassOptions.h"
#include "backup/PassProtocol.h"
#include "backup/Retention.h"
#include "support/TempFolder.h"
#include "support/VisibleSkips.h"

namespace tg::office {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ReadWholeFile;
using testing::TempFolder;
using testing::WriteWholeFile;

class SharedOffice : public ::testing::Environment {
 public:
  void SetUp() override {
    process = std::make_unique<OfficeProcess>();
    process->start();
    suite = std::make_unique<RealSuite>(process->pipeName(), 120);
  }
  void TearDown() override {
    suite.reset();
    process.reset();
  }
  static inline std::unique_ptr<OfficeProcess> process;
  static inline std::unique_ptr<RealSuite> suite;
};

struct Outcome {
  int status = -1;
  std::string out;
  std::string errors;
};

// A tmpfs of `size` mounted over a folder for one test (as root only), unmounted at its end.
struct SmallDisk {
  SmallDisk(const std::string& folder, const char* size) : at(folder) {
    fs::create_directories(at);
    mounted = ::mount("tmpfs", at.c_str(), "tmpfs", 0, size) == 0;
  }
  ~SmallDisk() {
    if (mounted) ::umount2(at.c_str(), MNT_DETACH);
  }
  std::string at;
  bool mounted = false;
};

class BackupNow : public ::testing::Test {
 protected:
  void SetUp() override {
    suite().closeAll();
    fs::create_directories(temp.path() / "docs");
    fs::create_directories(temp.path() / "temp");
    fs::create_directories(temp.path() / "runtime");
    fs::permissions(temp.path() / "runtime", fs::perms::owner_all);
  }
  void TearDown() override { suite().closeAll(); }

  RealSuite& suite() { return *SharedOffice::suite; }

  // Settings as the window would have stored them.
  void store(const std::string& lines) {
    WriteWholeFile(temp / "home/.config/Morvane/Tallyguard.conf", "[Tallyguard]\n" + lines);
  }

  Document openStored(const std::string& name) {
    Document sheet = suite().newSpreadsheet();
    suite().setCell(sheet, "A1", "numbers of " + name);
    suite().storeAs(sheet, docs(name), "calc8");
    return sheet;
  }

  // `tallyguard --backup-now` as the user's timer would start it, with this test's home.
  std::string backupNow(const std::string& pipe = SharedOffice::process->pipeName(),
                        const std::string& profile = SharedOffice::process->profileUrl(),
                        const std::string& launcher = "", const std::string& more = "",
                        const std::string& arguments = "--backup-now",
                        const std::string& program = TALLYGUARD_PROGRAM) const {
    return "env -u XDG_CONFIG_HOME -u DISPLAY -u WAYLAND_DISPLAY -u UserInstallation HOME='" +
           (temp / "home") + "' TEMP='" + (temp / "temp") + "' XDG_RUNTIME_DIR='" +
           (temp / "runtime") + "' TALLYGUARD_OFFICE_PIPE='" + pipe +
           "' TALLYGUARD_OFFICE_PROFILE='" + profile + "' TALLYGUARD_OFFICE_LAUNCHER='" + launcher +
           "' " + more + " '" + program + "' " + arguments;
  }

  // The test's office stands for the user's own unless `profile` names another.
  // A command that never ends is ended after two minutes, with status 124.
  Outcome run(const std::string& pipe = SharedOffice::process->pipeName(),
              const std::string& profile = SharedOffice::process->profileUrl(),
              const std::string& launcher = "", const std::string& more = "",
              const std::string& tag = "", const std::string& arguments = "--backup-now") {
    const std::string out = temp / ("out" + tag);
    const std::string errors = temp / ("errors" + tag);
    const std::string command = "timeout -s KILL 120 " +
                                backupNow(pipe, profile, launcher, more, arguments) + " >'" + out +
                                "' 2>'" + errors + "'";
    Outcome result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadWholeFile(out);
    result.errors = ReadWholeFile(errors);
    return result;
  }

  // One pass a second after the last, so that its stamped copy has a name of its own; the
  // number of copies it made.
  size_t backUpStamped() {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    Outcome outcome = run();
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    return lines(outcome.out);
  }

  void killDuringABigStore(const std::string& storeFolder, const std::string& more);

  std::string docs(const std::string& name) const { return temp / ("docs/" + name); }
  std::vector<std::string> copies(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.find(" Date ") != std::string::npos) names.push_back(name);
    }
    return names;
  }
  size_t lines(const std::string& text) const {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  }

  TempFolder temp;
};

TEST_F(BackupNow, ExitsZeroWhenEveryDocumentWasCopiedAndOneWhenANewOneIsSkipped) {
  openStored("Budget.ods");
  openStored("Stock List.ods");
  Document untitled = suite().newSpreadsheet();

  Outcome skipped = run();
  EXPECT_EQ(skipped.status, 1) << skipped.errors;
  EXPECT_EQ(lines(skipped.out), 2u) << skipped.out;
  EXPECT_THAT(skipped.out, HasSubstr("Budget.ods was backup saved as " + docs("Budget Date ")));
  EXPECT_EQ(lines(skipped.errors), 1u) << skipped.errors;
  EXPECT_THAT(skipped.errors, HasSubstr("skipped: a document that was never saved"));
  EXPECT_EQ(copies(temp / "docs").size(), 2u);

  suite().close(untitled);
  Outcome copied = run();
  EXPECT_EQ(copied.status, 0) << copied.errors;
  EXPECT_EQ(lines(copied.out), 2u);
  EXPECT_EQ(copied.errors, "");
  EXPECT_THAT(ReadWholeFile(temp / "temp/Tallyguard.txt"),
              HasSubstr("Stock%20List.ods was backup"));

  // A folder no one may write into: each failure names its document.
  if (std::system(("chattr +i '" + (temp / "docs") + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "chattr +i is not available here (needs root and a file system that has it)";
  }
  Outcome refused = run();
  if (std::system(("chattr -i '" + (temp / "docs") + "'").c_str()) != 0) ADD_FAILURE();
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(lines(refused.errors), 2u) << refused.errors;
  EXPECT_THAT(refused.errors, HasSubstr("failed: Budget.ods: "));
  EXPECT_THAT(refused.errors, HasSubstr("List.ods: "));
}

// The office folder the user chose in the settings is the one the program drives, though
// another office is installed where it looks otherwise: a folder with no office in it copies
// nothing and says so; Debian's office chosen there copies as always.
TEST_F(BackupNow, TheChosenOfficeFolderIsTheOfficeUsed) {
  openStored("Budget.ods");
  const std::string noOffice = temp / "no office here";
  fs::create_directories(noOffice + "/program");
  store("OfficeFolder=" + noOffice + "\n");
  Outcome elsewhere = run();
  EXPECT_EQ(elsewhere.status, 1) << elsewhere.errors;
  EXPECT_THAT(elsewhere.errors, HasSubstr("(LibreOffice) is not installed"));
  EXPECT_TRUE(copies(temp / "docs").empty());

  store("OfficeFolder=/usr/lib/libreoffice\n");
  Outcome chosen = run();
  EXPECT_EQ(chosen.status, 0) << chosen.errors;
  EXPECT_EQ(copies(temp / "docs").size(), 1u);
}

TEST_F(BackupNow, ExitsTwoWhenNoOfficeCanBeReached) {
  openStored("Budget.ods");
  Outcome none = run("nobody_listens_here");
  EXPECT_EQ(none.status, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_THAT(none.errors, HasSubstr("could not be reached"));
  EXPECT_TRUE(copies(temp / "docs").empty());
}

// Offices of other profiles are not the user's (the test's office here, serving the very pipe the
// program is told): with the user's own office closed, nothing is started and nothing copied.
TEST_F(BackupNow, ExitsTwoAndStartsNoOfficeWhileTheUsersOwnIsClosed) {
  openStored("Budget.ods");
  const std::string marker = temp / "launched";
  const std::string launcher = temp / "soffice";
  WriteWholeFile(launcher, "#!/bin/sh\ntouch '" + marker + "'\n");
  fs::permissions(launcher, fs::perms::owner_all);
  fs::create_directories(temp / "profile B");

  Outcome closed =
      run(SharedOffice::process->pipeName(), "file://" + (temp / "profile B"), launcher);
  EXPECT_EQ(closed.status, 2) << closed.errors;
  EXPECT_EQ(closed.out, "");
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_TRUE(copies(temp / "docs").empty());

  // The user's own office closed, and this user's default profile is not the test office's.
  Outcome byDefault = run(SharedOffice::process->pipeName(), "", launcher);
  EXPECT_EQ(byDefault.status, 2) << byDefault.errors;
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_TRUE(copies(temp / "docs").empty());
}

// Stamped to the second, so the runs are a second apart. The user's own look-alike stays.
TEST_F(BackupNow, KeepsTheNewestCopiesItMadeAndNothingElse) {
  store("Keep%20Copies=2\n");
  Document budget = openStored("Budget.ods");
  const std::string lookAlike = docs("Budget Date January.1.2026 Time 09.00.00.AM.ods");
  WriteWholeFile(lookAlike, "made by hand");
  for (int i = 0; i < 3; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    suite().setCell(budget, "B2", "edit " + std::to_string(i));
    Outcome each = run();
    ASSERT_EQ(each.status, 0) << each.errors;
  }
  EXPECT_EQ(copies(temp / "docs").size(), 3u);  // two of its own and the look-alike
  EXPECT_TRUE(fs::exists(lookAlike));
  EXPECT_TRUE(fs::exists(docs("Budget.ods")));
  EXPECT_THAT(ReadWholeFile(temp / "temp/Tallyguard.txt"),
              HasSubstr(" removed (keeping the newest 2) at "));
}

// A folder on a 64 MiB tmpfs filled to 3 MiB free: the copy is skipped and said so; with room
// again the next run stores it.
TEST_F(BackupNow, SkipsACopyThatWouldFillTheDiskAndTriesAgainNextTime) {
  const std::string small = temp / "small";
  SmallDisk disk(small, "size=64m");
  if (!disk.mounted) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  {
    std::ofstream filler(small + "/filler", std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 61; ++i) filler << block;
  }
  store("WhereOption=1\nPath=" + small + "\n");
  openStored("Budget.ods");
  Outcome full = run();
  EXPECT_EQ(full.status, 1);
  EXPECT_THAT(full.errors, HasSubstr("skipped: Budget Date "));
  EXPECT_THAT(full.errors, HasSubstr("not enough free disk space in " + small + "/"));
  EXPECT_TRUE(copies(small).empty());
  fs::remove(small + "/filler");
  Outcome room = run();
  EXPECT_EQ(room.status, 0) << room.errors;
  EXPECT_EQ(copies(small).size(), 1u);
}

// A CSV saved tiny and grown in memory to some 3.5 MB, its copies' folder on a 16 MiB tmpfs with
// 3 MiB free, while another program keeps writing there: the copy is measured before it takes
// any room, so it is skipped and said so, and none of the other program's writes fail.
TEST_F(BackupNow, AWorkbookGrownInMemoryNeverFillsTheDiskUnderAnotherProgram) {
  const std::string small = temp / "small";
  SmallDisk disk(small, "size=16m");
  if (!disk.mounted) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  {
    std::ofstream filler(small + "/filler", std::ios::binary);
    filler << std::string(13 << 20, 'x');
  }
  Document sheet = suite().newSpreadsheet();
  suite().setCell(sheet, "A1", "x");
  suite().storeAs(sheet, docs("Grown.csv"), "Text - txt - csv (StarCalc)");
  suite().fill(sheet, 100000, 5);
  store("WhereOption=1\nPath=" + small + "\n");

  std::atomic<bool> passOver{false};
  std::atomic<int> writes{0};
  std::atomic<int> refused{0};
  std::thread otherProgram([&] {
    const std::string file = small + "/other program's file";
    const std::string block(64 << 10, 'o');
    while (!passOver) {
      std::ofstream out(file, std::ios::binary | std::ios::trunc);
      out << block;
      out.flush();
      (out.good() ? writes : refused)++;
      out.close();
      fs::remove(file);
    }
  });
  Outcome outcome = run();
  passOver = true;
  otherProgram.join();

  EXPECT_EQ(refused, 0) << "of " << writes << " writes";
  EXPECT_GT(writes, 0);
  EXPECT_EQ(outcome.status, 1) << outcome.errors;
  EXPECT_THAT(outcome.errors, HasSubstr("not enough free disk space in " + small + "/"));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(small)) left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"filler"});
  EXPECT_TRUE(fs::is_empty(temp / "runtime/Tallyguard")) << "the staged copy is removed";
}

// A runtime folder too small for the workbook: the copy is written straight into its folder.
TEST_F(BackupNow, AStagingFolderTooSmallForTheCopyStillLetsItBeMade) {
  SmallDisk runtime(temp / "runtime", "size=1m,mode=700");
  if (!runtime.mounted) GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  Document sheet = suite().newSpreadsheet();
  suite().storeAs(sheet, docs("Grown.csv"), "Text - txt - csv (StarCalc)");
  suite().fill(sheet, 60000, 5);
  Outcome outcome = run();
  EXPECT_EQ(outcome.status, 0) << outcome.errors;
  const std::vector<std::string> made = copies(docs(""));
  ASSERT_EQ(made.size(), 1u);
  EXPECT_GT(fs::file_size(docs(made[0])), 1u << 20);
  EXPECT_TRUE(fs::is_empty(temp / "runtime/Tallyguard"));
}

// Another account plants records naming the user's own files, with their real sizes and times, as
// old copies of the open workbook: in a shared TEMP (never read), and in a shared state folder of
// its own making (not trusted). Nothing of the user's is removed; the second is reported.
TEST_F(BackupNow, RecordsPlantedByAnotherAccountRemoveNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "planting as another account needs root";
  store("Keep%20Copies=1\n");
  Document budget = openStored("Budget.ods");
  std::vector<RecordedCopy> planted;
  for (const std::string name : {"Thesis.ods", "Notes.ods", "Plan.ods"}) {
    WriteWholeFile(docs(name), "the user's own " + name);
    planted.push_back({suite().url(budget), *PosixFileFacts().stampOf(docs(name)), docs(name),
                       false, false, std::nullopt});
  }
  WriteWholeFile(temp / "planted.txt", FormatCopyRecord(planted));
  fs::permissions(temp.path(), fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(temp / "planted.txt", fs::perms::others_read, fs::perm_options::add);
  fs::create_directories(temp / "shared");
  fs::permissions(temp / "shared", fs::perms::all | fs::perms::sticky_bit);
  fs::permissions(temp / "temp", fs::perms::all | fs::perms::sticky_bit);
  const std::string plant = "setpriv --reuid=65534 --regid=65534 --clear-groups sh -c \"cp '" +
                            (temp / "planted.txt") + "' '" + (temp / "temp/Tallyguard copies.txt") +
                            "' && mkdir -m 777 '" + (temp / "shared/Tallyguard") + "' && cp '" +
                            (temp / "planted.txt") + "' '" +
                            (temp / "shared/Tallyguard/Tallyguard copies.txt") + "'\"";
  ASSERT_EQ(std::system(plant.c_str()), 0);

  Outcome inTemp = run();
  EXPECT_EQ(inTemp.status, 0) << inTemp.errors;
  Outcome inState = run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "",
                        "XDG_STATE_HOME='" + (temp / "shared") + "'");
  EXPECT_EQ(inState.status, 1);
  EXPECT_EQ(lines(inState.out), 1u) << "the copy is made all the same";
  EXPECT_THAT(inState.errors, HasSubstr("failed: No old copy was removed: "));
  for (const RecordedCopy& copy : planted) EXPECT_TRUE(fs::exists(copy.path)) << copy.path;
  EXPECT_THAT(ReadWholeFile(temp / "temp/Tallyguard.txt"), Not(HasSubstr(" removed ")));
}

// The office gives the title of a closed workbook that was never saved to the next new one: the
// copies of the first, perhaps all that is left of it, are never counted against the second's.
TEST_F(BackupNow, ANewUnsavedWorkbookNeverRemovesTheCopiesOfAnEarlierOneOfTheSameTitle) {
  store("WhereOption=1\nPath=" + docs("") + "\nKeep%20Copies=1\n");
  Document first = suite().newSpreadsheet();
  const std::string title = suite().title(first);
  suite().setCell(first, "A1", "project A");
  backUpStamped();
  suite().close(first);
  Document second = suite().newSpreadsheet();
  ASSERT_EQ(suite().title(second), title);
  for (const char* version : {"project B", "project B, edited"}) {
    suite().setCell(second, "A1", version);
    backUpStamped();
  }
  size_t copiesOfTitle = 0;
  for (const std::string& name : copies(temp / "docs")) copiesOfTitle += name.starts_with(title);
  EXPECT_EQ(copiesOfTitle, 3u);
  EXPECT_THAT(ReadWholeFile(temp / "temp/Tallyguard.txt"), Not(HasSubstr(" removed ")));
}

// With Keep Copies, a workbook left unchanged gets no copy that repeats its newest one: the
// versions before the user's last edits stay. Every edit gets its copy.
TEST_F(BackupNow, AnUnchangedWorkbookDoesNotPushOutItsEarlierVersions) {
  store("Keep%20Copies=2\n");
  Document budget = openStored("Budget.ods");
  suite().setCell(budget, "B2", "first version");
  EXPECT_EQ(backUpStamped(), 1u);
  EXPECT_EQ(backUpStamped(), 0u);  // unchanged: no copy, no line, and no failure
  suite().setCell(budget, "B2", "second version");
  EXPECT_EQ(backUpStamped(), 1u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(backUpStamped(), 0u);
  EXPECT_EQ(copies(temp / "docs").size(), 2u);  // both versions, though five passes ran since
  suite().setCell(budget, "B2", "third version");
  EXPECT_EQ(backUpStamped(), 1u);
  EXPECT_EQ(copies(temp / "docs").size(), 2u);
  const std::string history = ReadWholeFile(temp / "temp/Tallyguard.txt");
  EXPECT_EQ(lines(history), 4u);  // three copies, one removal
  EXPECT_THAT(history, HasSubstr(" removed (keeping the newest 2) at "));
  EXPECT_THAT(ReadWholeFile(temp / "errors"), ::testing::IsEmpty());
}

// A workbook protected by a password is encrypted afresh at every store, so its copies never
// read the same. Saved and left alone, the office says it is unchanged and no copy is made: the
// three saved versions stay. An edit of its title alone is a version too.
TEST_F(BackupNow, AProtectedWorkbookSavedAndLeftAloneKeepsItsVersions) {
  store("Keep%20Copies=3\n");
  Document budget = suite().newSpreadsheet();
  const std::string file = docs("Salaries.ods");
  const auto saveVersion = [&](const std::string& text) {
    suite().setCell(budget, "A1", text);
    suite().storeAs(budget, file, "calc8", "secret");
    EXPECT_EQ(backUpStamped(), 1u) << text;
  };
  saveVersion("version A");
  saveVersion("version B");
  saveVersion("version C");
  for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(backUpStamped(), 0u) << "unchanged pass " << pass;
  EXPECT_EQ(copies(temp / "docs").size(), 3u);
  std::set<std::string> versions;
  for (const std::string& name : copies(temp / "docs")) {
    Document copy = suite().load(docs(name), "secret", true);
    versions.insert(suite().cell(copy, "A1"));
    suite().close(copy);
  }
  EXPECT_EQ(versions, (std::set<std::string>{"version A", "version B", "version C"}));

  suite().setTitle(budget, "Salaries 2027");  // not saved: the office holds the edit
  EXPECT_EQ(backUpStamped(), 1u);
  EXPECT_EQ(copies(temp / "docs").size(), 4u)  // the new one may repeat C: C stays
      << ReadWholeFile(temp / "home/.local/state/Tallyguard/Tallyguard copies.txt");
}

// In a locale without AM/PM designators the stamp of 13:00:00 repeats that of 01:00:00: the later
// copy gets a name of its own, and both versions stay, each named in the log once.
TEST_F(BackupNow, ACopyWhoseStampRepeatsAnEarlierMomentNeverReplacesIt) {
  const std::string locales = temp / "locales";
  fs::create_directories(locales);
  const std::string compile =
      "localedef -i de_DE -f UTF-8 '" + locales + "/de_DE.UTF-8' 2>/dev/null";
  if (std::system(compile.c_str()) != 0) GTEST_SKIP() << "locale sources not installed";
  const char* faketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";
  if (!fs::exists(faketime)) GTEST_SKIP() << "faketime not installed";
  Document budget = openStored("Budget.ods");
  // The program's clock stands still at `clock`; files keep the times the system gives them.
  // (The sanitizer's runtime must come first among preloaded libraries unless told otherwise.)
  const auto at = [&](const std::string& clock) {
    return "LOCPATH='" + locales + "' LC_ALL=de_DE.UTF-8 LD_PRELOAD=" + faketime +
           " ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0\" NO_FAKE_STAT=1 "
           "FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME='" +
           clock + "'";
  };
  const auto copied = [](const Outcome& outcome) {
    const size_t from = outcome.out.find(" saved as ") + 10;
    return outcome.out.substr(from, outcome.out.rfind(" at ") - from);
  };
  suite().setCell(budget, "B1", "night");
  const Outcome night = run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(),
                            "", at("2026-12-08 01:00:00"));
  ASSERT_EQ(night.status, 0) << night.errors;
  const std::string nightCopy = copied(night);
  ASSERT_THAT(nightCopy, HasSubstr("Budget Date Dezember.8.2026 Time 01.00.00..ods"));
  // Made twelve hours ago, as it would have been.
  fs::last_write_time(nightCopy, fs::last_write_time(nightCopy) - std::chrono::hours(12));
  const std::string nightBytes = ReadWholeFile(nightCopy);

  suite().setCell(budget, "B1", "afternoon");
  const Outcome afternoon = run(SharedOffice::process->pipeName(),
                                SharedOffice::process->profileUrl(), "", at("2026-12-08 13:00:00"));
  ASSERT_EQ(afternoon.status, 0) << afternoon.errors;
  const std::string afternoonCopy = copied(afternoon);
  EXPECT_THAT(afternoonCopy, HasSubstr("Budget (2) Date Dezember.8.2026 Time 01.00.00..ods"))
      << afternoon.errors;
  EXPECT_EQ(ReadWholeFile(nightCopy), nightBytes);
  Document opened = suite().load(afternoonCopy, "", true);
  EXPECT_EQ(suite().cell(opened, "B1"), "afternoon");
  const std::string log = ReadWholeFile(temp / "temp/Tallyguard.txt");
  EXPECT_EQ(log.find("as " + nightCopy + " at"), log.rfind("as " + nightCopy + " at")) << log;
}

// Before the Versions window's Save As writes over a file, it asks the office, whose lock files
// may be off: by the file, not the spelling, so a link to an open workbook counts as open.
TEST_F(BackupNow, TheOfficeIsAskedWhetherItHasAFileOpen) {
  openStored("Budget.ods");
  WriteWholeFile(docs("Closed.ods"), "not open");
  fs::create_symlink(docs("Budget.ods"), docs("Link to Budget.ods"));
  fs::remove(docs(".~lock.Budget.ods#"));  // as with lock files off
  const auto hasOpen = [&](const std::string& path, const std::string& pipe) {
    return run(pipe, SharedOffice::process->profileUrl(), "", "", "-asked",
               "--has-open '" + path + "'");
  };
  const std::string pipe = SharedOffice::process->pipeName();
  EXPECT_EQ(hasOpen(docs("Budget.ods"), pipe).status, 3);
  EXPECT_EQ(hasOpen(docs("Link to Budget.ods"), pipe).status, 3);
  EXPECT_EQ(hasOpen(docs("Closed.ods"), pipe).status, 0);
  EXPECT_EQ(hasOpen(docs("Budget.ods"), "tallyguard_test_nobody").status, 0) << "none runs";
}

// The way back to an earlier version: the kept copies listed as the Versions window shows them.
// A headless office has no window to show one in, and is not asked to (LibreOffice ends when it
// is). A copy opened read-only, as the window opens one in a desktop's office, is left alone by
// later passes, and no copies of it are listed.
TEST_F(BackupNow, KeptVersionsAreListedAndACopyOpenedReadOnlyIsNotCopiedAgain) {
  store("Keep%20Copies=3\n");
  Document budget = openStored("Budget.ods");
  const auto command = [&](const std::string& arguments) {
    return run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "", "",
               "-command", arguments);
  };
  for (const char* version : {"first", "second", "third"}) {
    suite().setCell(budget, "B2", version);
    EXPECT_EQ(backUpStamped(), 1u);
  }
  for (int i = 0; i < 10; ++i) EXPECT_EQ(backUpStamped(), 0u);
  ASSERT_EQ(copies(temp / "docs").size(), 3u);

  Outcome listed = command("--list-copies Budget");
  ASSERT_EQ(listed.status, 0) << listed.errors;
  std::vector<std::vector<std::string>> rows;
  std::istringstream listing(listed.out);
  for (std::string line; std::getline(listing, line);) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    ASSERT_EQ(fields.size(), 5u) << line;
    EXPECT_EQ(fields[0], docs("Budget.ods"));
    EXPECT_EQ(fields[2], std::to_string(fs::file_size(fields[3])));
    EXPECT_EQ(fields[4], "present");
    rows.push_back(fields);
  }
  ASSERT_EQ(rows.size(), 3u) << listed.out;
  EXPECT_GT(rows[0][1], rows[1][1]);  // newest first, in ISO time
  EXPECT_GT(rows[1][1], rows[2][1]);

  const size_t open = suite().components().size();
  Outcome refused = command("--open-read-only '" + rows[2][3] + "'");
  EXPECT_EQ(refused.status, 2) << refused.errors;
  EXPECT_THAT(refused.errors, HasSubstr("no windows"));
  ASSERT_EQ(suite().components().size(), open);  // and the office still answers

  const std::string original = ReadWholeFile(docs("Budget.ods"));
  Document copy = suite().load(rows[2][3], "", true);
  EXPECT_EQ(suite().cell(copy, "B2"), "first");
  suite().setCell(budget, "B2", "fourth");
  EXPECT_EQ(backUpStamped(), 1u);  // the workbook; the opened copy holds nothing new
  EXPECT_EQ(ReadWholeFile(docs("Budget.ods")), original);
  for (const std::string& name : copies(temp / "docs")) {
    EXPECT_EQ(name.find(" Date "), name.rfind(" Date ")) << "a copy of a copy: " << name;
  }
  // The copy open in the office is not removed while it is open; once closed, it goes.
  listed = command("--list-copies");
  EXPECT_EQ(lines(listed.out), 4u) << listed.out;
  EXPECT_THAT(listed.out, Not(HasSubstr("\tgone\n")));
  suite().close(copy);
  suite().setCell(budget, "B2", "fifth");
  EXPECT_EQ(backUpStamped(), 1u);
  listed = command("--list-copies");
  EXPECT_EQ(lines(listed.out), 5u) << listed.out;
  EXPECT_EQ(listed.out.find(rows[2][3] + "\tgone\n") != std::string::npos, true) << listed.out;
}

// Passes of one user take turns, whichever process runs them: pairs started at once, with Keep
// Copies 3, leave the 3 newest copies and a record that names each of them once.
// Every process of a pair runs several times slower under AddressSanitizer: there a few pairs
// show the same races, and the full count runs in the ordinary build.
#if defined(__SANITIZE_ADDRESS__)
constexpr int SimultaneousPairs = 8;
#else
constexpr int SimultaneousPairs = 50;
#endif

TEST_F(BackupNow, PairsOfPassesStartedAtOnceKeepTheNewestThreeAndARecordWithoutDuplicates) {
  store("Keep%20Copies=3\n");
  Document budget = openStored("Budget.ods");
  int failed = 0;
  for (int pair = 0; pair < SimultaneousPairs; ++pair) {
    // A pair's second pass finds its copy the same as the first's and keeps none of its own.
    suite().setCell(budget, "B2", "edit " + std::to_string(pair));
    Outcome second;
    std::thread other([&] {
      second = run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "", "",
                   "-other");
    });
    const Outcome first = run();
    other.join();
    failed += (first.status != 0) + (second.status != 0);
    if (first.status != 0) ADD_FAILURE() << first.errors;
    if (second.status != 0) ADD_FAILURE() << second.errors;
  }
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(copies(temp / "docs").size(), 3u);
  std::istringstream record(
      ReadWholeFile(temp / "home/.local/state/Tallyguard/Tallyguard copies.txt"));
  std::set<std::string> paths;
  size_t entries = 0;
  for (std::string line; std::getline(record, line); ++entries) {
    paths.insert(line.substr(line.rfind('\t') + 1));
  }
  EXPECT_EQ(entries, 3u);
  EXPECT_EQ(paths.size(), 3u);
  for (const std::string& path : paths) EXPECT_TRUE(fs::exists(path)) << path;
}

// The program killed while the office writes a big copy, into the staging folder or, without
// one, beside the copies: the office finishes its file alone, and the next pass clears it away.
void BackupNow::killDuringABigStore(const std::string& storeFolder, const std::string& more) {
  Document big = openStored("Big.ods");
  suite().fill(big, 200000, 8);
  const std::string command =
      "exec " +
      backupNow(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "", more) +
      " >/dev/null 2>'" + (temp / "errors-killed") + "'";
  const pid_t program = fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    ::setsid();  // a group of its own, so that the program and its helper end together
    execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
    _exit(127);
  }
  auto lockedStore = [&] {
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(storeFolder, missing)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with(".~lock.") && !name.starts_with(".~lock.Big.ods")) return true;
    }
    return false;
  };
  auto leftovers = [&] {
    std::vector<std::string> found;
    for (const std::string& folder : {temp / "docs", temp / "runtime/Tallyguard"}) {
      std::error_code missing;
      for (const auto& entry : fs::directory_iterator(folder, missing)) {
        const std::string name = entry.path().filename().string();
        if (name.ends_with(".tallyguard-partial") || name.starts_with("copy")) {
          found.push_back(name);
        }
      }
    }
    return found;
  };
  // The office writes into a file of its own and gives it its name only at the very end; its
  // lock on that name shows the store began.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!lockedStore() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_TRUE(lockedStore()) << "the store never began: " << ReadWholeFile(temp / "errors-killed");
  ::kill(-program, SIGKILL);  // the program and its helper, as a logout or an OOM kill would
  ::waitpid(program, nullptr, 0);
  // The office goes on writing; this connection waits for it to be free again.
  suite().closeAll();
  openStored("Small.ods");
  ASSERT_FALSE(leftovers().empty()) << "the office left no file behind";

  Outcome next =
      run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "", more);
  EXPECT_EQ(next.status, 0) << next.errors;
  EXPECT_THAT(leftovers(), ::testing::IsEmpty());
  EXPECT_EQ(copies(temp / "docs").size(), 1u);
}

TEST_F(BackupNow, AProgramKilledDuringABigStagedStoreLeavesNothingAfterTheNextPass) {
  killDuringABigStore(temp / "runtime/Tallyguard", "");
}

TEST_F(BackupNow, AProgramKilledDuringABigStoreLeavesNoPartialCopyAfterTheNextPass) {
  killDuringABigStore(temp / "docs", "XDG_RUNTIME_DIR=");
}

// A stopped office accepts connections and answers nothing. The command line waits on its helper
// with the window's watch, so it ends with the plain sentence instead of hanging a timer for good.
TEST_F(BackupNow, AStoppedOfficeEndsWithOneAndThePlainSentence) {
  openStored("Budget.ods");
  const std::optional<pid_t> office = PipeServer(SharedOffice::process->pipeName());
  ASSERT_TRUE(office);
  ASSERT_EQ(::kill(*office, SIGSTOP), 0);
  Outcome stopped = run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "",
                        "TALLYGUARD_HANG_SECONDS=3");
  ::kill(*office, SIGCONT);
  EXPECT_EQ(stopped.status, 1) << "124: it did not end";
  EXPECT_THAT(stopped.errors, HasSubstr("failed: The office suite is not responding"));
  EXPECT_EQ(stopped.out, "");
  EXPECT_TRUE(copies(temp / "docs").empty());

  // The office goes on, and so does the next backup.
  Outcome after = run();
  EXPECT_EQ(after.status, 0) << after.errors;
}

// The backup helper as the window starts it (`tallyguard --backup-pass LOG`): the whole pass
// runs in it against the real office, asking this test, as the window, for its options line by
// line, and telling each store and each finished copy before "done".
class BackupHelper : public BackupNow {
 protected:
  // Answers every ask: the options with `options`, Cancel for a prompt, Ok for a message box;
  // returns every line the helper wrote, and its exit status.
  std::pair<std::vector<std::string>, int> pass(const PassOptions& options) {
    int toHelper[2], fromHelper[2];
    if (::pipe(toHelper) != 0 || ::pipe(fromHelper) != 0) return {{}, -1};
    const std::string home = temp / "home", state = temp / "state", log = temp / "helper.txt";
    const std::string pipe = "TALLYGUARD_OFFICE_PIPE=" + SharedOffice::process->pipeName();
    const std::string profile = "TALLYGUARD_OFFICE_PROFILE=" + SharedOffice::process->profileUrl();
    const pid_t child = ::fork();
    if (child == 0) {
      ::dup2(toHelper[0], STDIN_FILENO);
      ::dup2(fromHelper[1], STDOUT_FILENO);
      for (int fd : {toHelper[0], toHelper[1], fromHelper[0], fromHelper[1]}) ::close(fd);
      ::execl("/usr/bin/env", "env", "-u", "XDG_CONFIG_HOME", "-u", "DISPLAY", "-u",
              "WAYLAND_DISPLAY", "-u", "UserInstallation", "-u", "TALLYGUARD_WINDOW_PID",
              ("HOME=" + home).c_str(), ("XDG_STATE_HOME=" + state).c_str(), pipe.c_str(),
              profile.c_str(), "TALLYGUARD_OFFICE_LAUNCHER=", TALLYGUARD_PROGRAM, "--backup-pass",
              log.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(toHelper[0]);
    ::close(fromHelper[1]);
    FILE* in = ::fdopen(fromHelper[0], "r");
    FILE* out = ::fdopen(toHelper[1], "w");
    std::vector<std::string> lines;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, in)) {
      std::string line = buffer;
      if (!line.empty() && line.back() == '\n') line.pop_back();
      lines.push_back(line);
      const std::string verb = line.substr(0, line.find('\t'));
      if (verb == "options") {
        std::fprintf(out, "%s\n",
                     EncodePassMessage({PassVerb::Answer, {EncodePassOptions(options)}}).c_str());
      } else if (verb == "prompt") {
        std::fputs("answer\t\n", out);
      } else if (verb == "message") {
        std::fputs("answer\tok\n", out);
      }
      std::fflush(out);
    }
    std::fclose(out);
    std::fclose(in);
    int raw = 0;
    ::waitpid(child, &raw, 0);
    return {lines, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
  }
};

TEST_F(BackupHelper, RunsAWholePassOverItsStreamsAndKeepsOnlyTheNewestCopies) {
  Document budget = openStored("Budget.ods");
  Document stock = openStored("Stock List.ods");
  // Beside each document, stamped, the newest copy only.
  PassOptions options;
  options.stamp = true;
  options.keep = 1;
  for (int i = 0; i < 2; ++i) {
    if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    suite().setCell(budget, "B2", "edit " + std::to_string(i));
    suite().setCell(stock, "B2", "edit " + std::to_string(i));
    auto [lines, status] = pass(options);
    EXPECT_EQ(status, 0);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "done");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("copy\t"); }),
              2);
  }
  EXPECT_EQ(copies(temp / "docs").size(), 2u);
  const std::string history = ReadWholeFile(temp / "helper.txt");
  EXPECT_THAT(history, HasSubstr("Budget.ods was backup saved as " + docs("Budget Date ")));
  EXPECT_THAT(history, HasSubstr(" removed (keeping the newest 1) at "));
}

// The change watch as the window starts it: the real program, its standard streams in the test's
// hands. Ended (its input closed, then killed) with the test.
class WatchProcess {
 public:
  explicit WatchProcess(const std::string& command) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("no pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      ::execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~WatchProcess() {
    ::close(in_);
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    ::close(out_);
  }
  pid_t pid() const { return pid_; }

  // Waits up to `seconds` for the line; false when the watch said something else to the end.
  bool waitFor(const std::string& wanted, int seconds = 60) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      if (const size_t end = read_.find('\n'); end != std::string::npos) {
        const std::string line = read_.substr(0, end);
        read_.erase(0, end + 1);
        if (line == wanted) return true;
        continue;
      }
      pollfd ready{out_, POLLIN, 0};
      if (::poll(&ready, 1, 200) <= 0) continue;
      char buffer[512];
      const ssize_t got = ::read(out_, buffer, sizeof(buffer));
      if (got <= 0) return false;
      read_.append(buffer, static_cast<size_t>(got));
    }
    return false;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string read_;
};

class ChangeWatch : public BackupNow {
 protected:
  std::unique_ptr<WatchProcess> startWatch(const OfficeProcess& office = *SharedOffice::process) {
    auto watch = std::make_unique<WatchProcess>(
        backupNow(office.pipeName(), office.profileUrl(), "", "",
                  "'" + (temp / "temp/Tallyguard.txt") + "'", TALLYGUARD_WATCH_PROGRAM));
    EXPECT_TRUE(watch->waitFor("watching")) << "the watch never connected";
    return watch;
  }
  std::vector<std::string> copiesOf(const std::string& name) const {
    std::vector<std::string> found;
    for (const std::string& copy : copies(temp / "docs")) {
      if (copy.starts_with(name + " Date ")) found.push_back(copy);
    }
    return found;
  }
};

// Three workbooks the office never stores the same way twice: encrypted afresh, charts renumbered,
// a comment's id made anew. With the watch, versions made by unsaved edits each get a copy, and
// unchanged passes store nothing: Keep Copies 3 keeps A, B and C however many passes run.
TEST_F(ChangeWatch, WorkbooksStoredDifferentlyEachTimeKeepTheirVersionsAndPileUpNothing) {
  store("Keep%20Copies=3\n");
  const auto watch = startWatch();
  Document locked = suite().newSpreadsheet();
  suite().storeAs(locked, docs("Salaries.ods"), "calc8", "secret");
  Document charted = suite().newSpreadsheet();
  suite().fill(charted, 4, 2);
  suite().addChart(charted);
  suite().storeAs(charted, docs("Sales.xlsx"), "Calc MS Excel 2007 XML");
  Document noted = suite().newSpreadsheet();
  suite().addComment(noted, "B2", "check with Anna");
  suite().storeAs(noted, docs("Notes.xls"), "MS Excel 97");
  for (const std::string version : {"version A", "version B", "version C"}) {
    for (const Document& book : {locked, charted, noted}) suite().setCell(book, "A1", version);
    EXPECT_EQ(backUpStamped(), 3u) << version;
  }
  for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(backUpStamped(), 0u) << "unchanged pass " << pass;
  for (const std::string name : {"Salaries", "Sales", "Notes"}) {
    EXPECT_EQ(copiesOf(name).size(), 3u) << name;
  }
  std::set<std::string> versions;
  for (const std::string& name : copiesOf("Salaries")) {
    Document copy = suite().load(docs(name), "secret", true);
    versions.insert(suite().cell(copy, "A1"));
    suite().close(copy);
  }
  EXPECT_EQ(versions, (std::set<std::string>{"version A", "version B", "version C"}));
  // One more edit is a version of its own again, and pushes out the oldest.
  suite().setCell(locked, "A1", "version D");
  EXPECT_EQ(backUpStamped(), 1u);
  EXPECT_EQ(copiesOf("Salaries").size(), 3u);
  EXPECT_THAT(ReadWholeFile(temp / "errors"), ::testing::IsEmpty());
}

// The office quits (here: dies) and the user starts it again: the watch follows it, and counts
// every document of the new office as changed until its next copy.
TEST_F(ChangeWatch, FollowsTheOfficeThroughARestart) {
  OfficeProcess office;
  office.start();
  auto own = std::make_unique<RealSuite>(office.pipeName(), 120);
  const auto watch = startWatch(office);
  const auto passOverOwn = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const Outcome outcome = run(office.pipeName(), office.profileUrl());
    EXPECT_EQ(outcome.status, 0) << outcome.errors;
    return lines(outcome.out);
  };
  Document budget = own->newSpreadsheet();
  own->storeAs(budget, docs("Budget.ods"), "calc8");
  own->setCell(budget, "A1", "typed");
  EXPECT_EQ(passOverOwn(), 1u);
  EXPECT_EQ(passOverOwn(), 0u);

  own.reset();
  office.kill();
  office.start();
  own = std::make_unique<RealSuite>(office.pipeName(), 120);
  ASSERT_TRUE(watch->waitFor("watching", 60)) << "the watch did not find the office again";
  budget = own->load(docs("Budget.ods"));
  EXPECT_EQ(passOverOwn(), 1u) << "a document of the new office is stored";
  EXPECT_EQ(passOverOwn(), 0u);
  own->setCell(budget, "A1", "typed again");
  EXPECT_EQ(passOverOwn(), 1u);
  own->closeAll();
}

// Getting work back: --restore and --diff as the Versions window runs them, against the test's
// office standing for the user's.
class GettingWorkBack : public BackupNow {
 protected:
  Outcome restore(const std::string& copy) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a stamp of its own
    return run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "", "", "",
               "--restore '" + copy + "'");
  }
  Outcome diff(const std::string& arguments) {
    return run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(), "", "", "",
               "--diff " + arguments);
  }
  // The stamped copies in docs/ now that were not there before.
  std::vector<std::string> newCopies(const std::vector<std::string>& before) const {
    std::vector<std::string> added;
    for (const std::string& copy : copies(temp / "docs")) {
      if (std::find(before.begin(), before.end(), copy) == before.end()) added.push_back(copy);
    }
    return added;
  }
  // The document the office has open for the file now: a reload makes it anew.
  Document openAt(const std::string& path) {
    for (const Document& document : suite().components()) {
      if (suite().url(document) == FileUrl(path)) return document;
    }
    return {};
  }
  std::string readCell(const std::string& path, const std::string& cell,
                       const std::string& password = "") {
    Document copy = suite().load(path, password, true);
    const std::string text = suite().cell(copy, cell);
    suite().close(copy);
    return text;
  }
};

// A morning's work, a mistake typed over it and not saved, then Restore of the morning's copy:
// the mistake is kept as a copy first, the open workbook shows the morning again, and restoring
// that new copy brings the mistake back: a restore is itself undone from the same list.
TEST_F(GettingWorkBack, RestoreOverAnOpenWorkbookKeepsItsUnsavedEditsAndCanBeUndone) {
  suite().close(openStored("Budget.ods"));
  Document book = suite().show(docs("Budget.ods"));  // in a window, as the user has it
  suite().setCell(book, "B2", "morning");
  ASSERT_EQ(backUpStamped(), 1u);
  const std::vector<std::string> morning = copies(temp / "docs");
  ASSERT_EQ(morning.size(), 1u);
  suite().setCell(book, "B2", "mistake");

  Outcome outcome = restore(docs(morning[0]));
  ASSERT_EQ(outcome.status, 0) << outcome.errors;
  EXPECT_THAT(outcome.out, HasSubstr("Budget.ods has the copy's content"));
  const std::vector<std::string> kept = newCopies(morning);
  ASSERT_EQ(kept.size(), 1u) << outcome.out;
  EXPECT_EQ(readCell(docs(kept[0]), "B2"), "mistake") << "the unsaved edit is in the new copy";
  EXPECT_THAT(ReadWholeFile(temp / "temp/Tallyguard.txt"),
              HasSubstr(kept[0] + " before restoring at "));
  Document shown = openAt(docs("Budget.ods"));
  ASSERT_TRUE(shown.is()) << "the workbook stays open";
  EXPECT_EQ(suite().cell(shown, "B2"), "morning");
  EXPECT_FALSE(suite().modified(shown));
  EXPECT_EQ(ReadWholeFile(docs("Budget.ods")), ReadWholeFile(docs(morning[0])));

  outcome = restore(docs(kept[0]));
  ASSERT_EQ(outcome.status, 0) << outcome.errors;
  shown = openAt(docs("Budget.ods"));
  ASSERT_TRUE(shown.is());
  EXPECT_EQ(suite().cell(shown, "B2"), "mistake");
}

// Another account's office holds the workbook (its lock file is beside it): nothing is written,
// no copy is made, and the sentence says why.
TEST_F(GettingWorkBack, ARestoreOntoAWorkbookAnotherOfficeHoldsIsRefused) {
  Document book = openStored("Shared.ods");
  ASSERT_EQ(backUpStamped(), 1u);
  const std::vector<std::string> before = copies(temp / "docs");
  suite().setCell(book, "A1", "saved later");
  suite().storeAs(book, docs("Shared.ods"), "calc8");
  suite().close(book);
  WriteWholeFile(docs(".~lock.Shared.ods#"),
                 ",Anna Other,desk7,09.12.2026 10:00,file:///home/anna/.config/libreoffice/4;");
  const std::string file = ReadWholeFile(docs("Shared.ods"));

  const Outcome outcome = restore(docs(before[0]));
  EXPECT_EQ(outcome.status, 1);
  EXPECT_THAT(outcome.errors, HasSubstr("Shared.ods is open in another office"));
  EXPECT_EQ(ReadWholeFile(docs("Shared.ods")), file);
  EXPECT_THAT(newCopies(before), ::testing::IsEmpty());
}

// A row inserted near the top and two cells edited, none of it saved: three lines, not one for
// every cell below the new row.
TEST_F(GettingWorkBack, ARowInsertedAndTwoCellsEditedAreThreeLinesAndAreShownInTheWorkbook) {
  Document made = suite().newSpreadsheet();
  suite().fill(made, 300, 5);
  suite().storeAs(made, docs("Ledger.ods"), "calc8");
  suite().close(made);
  Document book = suite().show(docs("Ledger.ods"));
  ASSERT_EQ(backUpStamped(), 1u);
  const std::string copy = docs(copies(temp / "docs").at(0));
  suite().insertRow(book, 2);
  suite().setCell(book, "C100", "edited");
  suite().setCell(book, "E250", "edited too");

  const Outcome outcome = diff("'" + copy + "'");
  EXPECT_EQ(outcome.status, 1) << outcome.errors;
  EXPECT_EQ(lines(outcome.out), 3u) << outcome.out;
  EXPECT_THAT(outcome.out, HasSubstr("row inserted\tSheet1\trow 3\t\t\n"));
  // Row 100 now was row 99 then: its C held 98 * 5 + 2; row 250's E, 248 * 5 + 4.
  EXPECT_THAT(outcome.out, HasSubstr("changed\tSheet1\tC100\t492\tedited\n"));
  EXPECT_THAT(outcome.out, HasSubstr("changed\tSheet1\tE250\t1244\tedited too\n"));
  EXPECT_EQ(diff("'" + copy + "' '" + copy + "'").status, 0) << "a version equals itself";
  // A change chosen in the window is shown where it is in the workbook.
  const Outcome shown = run(SharedOffice::process->pipeName(), SharedOffice::process->profileUrl(),
                            "", "", "", "--show-cell '" + docs("Ledger.ods") + "' Sheet1 E250");
  EXPECT_EQ(shown.status, 0) << shown.errors;
  EXPECT_EQ(suite().selection(book), "E250@0");
}

// A copy the office stored in its own format (the workbook's could not hold it) goes back into
// the workbook's own format, converted by the office, for a workbook that is not open.
TEST_F(GettingWorkBack, ACopyInTheOfficesOwnFormatIsConvertedToTheWorkbooks) {
  Document book = suite().newSpreadsheet();
  suite().setCell(book, "A1", "kept in the copy");
  const std::string copy = docs("Report Date 1.ods");
  suite().storeCopy(book, FileUrl(copy), "calc8");
  suite().setCell(book, "A1", "in the workbook");
  suite().storeAs(book, docs("Report.xlsx"), "Calc MS Excel 2007 XML");
  suite().close(book);
  WriteWholeFile(temp / "temp/Tallyguard.txt",
                 "Report.xlsx was backup saved as " + copy + " at 12/9/2026 10:00:00 AM\r\n");

  const Outcome outcome = restore(copy);
  ASSERT_EQ(outcome.status, 0) << outcome.errors;
  EXPECT_EQ(readCell(docs("Report.xlsx"), "A1"), "kept in the copy");
  EXPECT_EQ(ReadWholeFile(docs("Report.xlsx")).find("content.xml"), std::string::npos)
      << "written as Excel, not in the office's own format";
  EXPECT_NE(ReadWholeFile(docs("Report.xlsx")).find("xl/workbook.xml"), std::string::npos);
  EXPECT_THAT(outcome.out, HasSubstr("Report Date "));
}

// A workbook with a password: its copies are read and restored with the open workbook's
// password, without a question.
TEST_F(GettingWorkBack, AProtectedWorkbookIsComparedAndRestored) {
  Document made = suite().newSpreadsheet();
  suite().storeAs(made, docs("Salaries.ods"), "calc8", "secret");
  suite().close(made);
  Document book = suite().show(docs("Salaries.ods"), "secret");
  suite().setCell(book, "A1", "before");
  ASSERT_EQ(backUpStamped(), 1u);
  const std::string copy = docs(copies(temp / "docs").at(0));
  suite().setCell(book, "A1", "after");

  Outcome outcome = diff("'" + copy + "'");
  EXPECT_EQ(outcome.status, 1) << outcome.errors;
  EXPECT_EQ(outcome.out, "changed\tSheet1\tA1\tbefore\tafter\n");
  outcome = restore(copy);
  ASSERT_EQ(outcome.status, 0) << outcome.errors;
  Document shown = openAt(docs("Salaries.ods"));
  ASSERT_TRUE(shown.is());
  EXPECT_EQ(suite().cell(shown, "A1"), "before");
}

}  // namespace
}  // namespace tg::office

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new tg::office::SharedOffice);
  return tg::testing::StatusShowingSkips(RUN_ALL_TESTS());
}
