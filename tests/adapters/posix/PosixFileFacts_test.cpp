// Keeping the newest copies on real files over a day of backups every 40 minutes, and the disk
// guard's figures from a real file system and from a small tmpfs filled up.

#include "adapters/posix/PosixFileFacts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/PosixPrivateState.h"
#include "backup/CopyKeeping.h"
#include "backup/DiskGuard.h"
#include "backup/PassTurn.h"
#include "memory/FixedClock.h"
#include "memory/MemoryPrivateState.h"
#include "memory/UnitedStatesRegionalSettings.h"
#include "support/TempFolder.h"

namespace tg::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::vector<std::string> FileNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class KeepingADay : public ::testing::Test {
 protected:
  KeepingADay() {
    fs::create_directories(temp.path() / "docs");
    fs::create_directories(temp.path() / "log");
    WriteWholeFile(original, "the workbook");
  }

  // One pass over the open documents at `hour:minute`, the office's store played by writing the
  // file, as it lands on disk. The record is kept in `where`, else in the private folder.
  void pass(int hour, int minute, const std::vector<std::string>& alsoOpen = {},
            PrivateState* where = nullptr) {
    clock.set({2026, 12, 7, hour, minute, 0});
    CopyKeepingContext context{files, facts, clock, regional, historyLog, PathStyle::Posix, keep};
    context.state = where ? where : &state;
    context.keepingFailed = [this](const std::string& problem) { problems.push_back(problem); };
    CopyKeeping keeping(std::move(context));
    for (const std::string& path : alsoOpen) keeping.seen("file://" + path);
    BackupRequest request{"file://" + original, true, "", {true, true, false}};
    const BackupTarget target =
        ComputeBackupTarget(request, PathStyle::Posix, clock.now(), regional);
    keeping.seen(request.location);
    ASSERT_TRUE(keeping.mayStore(target));
    WriteWholeFile(target.backupPath.onDisk, "copy at " + std::to_string(hour * 60 + minute));
    keeping.stored(request.location, target);
    keeping.ended();
  }

  std::string copyAt(const char* time) const {
    return "Budget Date December.7.2026 Time " + std::string(time) + ".ods";
  }
  std::string docs(const std::string& name) const { return temp / ("docs/" + name); }

  TempFolder temp;
  PosixFileSystem files;
  PosixFileFacts facts;
  FixedClock clock;
  UnitedStatesRegionalSettings regional;
  std::string original = temp / "docs/Budget.ods";
  std::string historyLog = temp / "log/Tallyguard.txt";
  PosixPrivateState state{temp / "state/Tallyguard"};
  std::string record = temp / "state/Tallyguard/Tallyguard copies.txt";
  std::vector<std::string> problems;
  int keep = 3;
};

TEST_F(KeepingADay, OnlyTheNewestRecordedCopiesStayAndNothingElseIsEverTouched) {
  // The user's own file that looks like a copy, made before the day began.
  const std::string lookAlike = docs(copyAt("07.00.00.AM"));
  WriteWholeFile(lookAlike, "made by hand");
  for (int minutes = 8 * 60; minutes <= 11 * 60; minutes += 40) pass(minutes / 60, minutes % 60);
  // 08:00 08:40 09:20 10:00 10:40: the three newest stay.
  EXPECT_THAT(FileNames(temp.path() / "docs"),
              ElementsAre("Budget Date December.7.2026 Time 07.00.00.AM.ods", copyAt("09.20.00.AM"),
                          copyAt("10.00.00.AM"), copyAt("10.40.00.AM"), "Budget.ods"));

  // The user edits the 09:20 copy (it is theirs now) and opens the 10:00 one in the office.
  WriteWholeFile(docs(copyAt("09.20.00.AM")), "edited by the user, longer than before");
  const std::string opened = docs(copyAt("10.00.00.AM"));
  pass(11, 20, {opened});
  pass(12, 0, {opened});  // 10:00 is now the fourth newest, but open
  EXPECT_TRUE(fs::exists(docs(copyAt("09.20.00.AM"))));
  EXPECT_TRUE(fs::exists(opened));

  // Closed again: the next pass removes it.
  pass(12, 40);
  EXPECT_FALSE(fs::exists(opened));
  EXPECT_TRUE(fs::exists(lookAlike));
  EXPECT_TRUE(fs::exists(original));
  EXPECT_EQ(ReadWholeFile(original), "the workbook");
  EXPECT_THAT(FileNames(temp.path() / "docs"),
              ElementsAre(copyAt("07.00.00.AM"), copyAt("09.20.00.AM"), copyAt("11.20.00.AM"),
                          copyAt("12.00.00.PM"), copyAt("12.40.00.PM"), "Budget.ods"));

  const std::string log = ReadWholeFile(historyLog);
  EXPECT_THAT(log, HasSubstr(docs(copyAt("08.00.00.AM")) +
                             " removed (keeping the newest 3) at 12/7/2026 10:00:00 AM\r\n"));
  size_t removedLines = 0;
  for (size_t at = 0; (at = log.find(" removed (keeping the newest 3)", at)) != std::string::npos;
       ++at) {
    ++removedLines;
  }
  EXPECT_EQ(removedLines, 4u);  // 08:00, 08:40, 10:40 and, once closed, 10:00
}

// With 0 nothing is recorded, so nothing made then is ever removed, even after a change to 2.
TEST_F(KeepingADay, CopiesMadeWhileKeepingAllAreNeverRemovedLater) {
  keep = 0;
  pass(8, 0);
  pass(8, 40);
  keep = 2;
  pass(9, 20);
  pass(10, 0);
  pass(10, 40);
  EXPECT_THAT(FileNames(temp.path() / "docs"),
              ElementsAre(copyAt("08.00.00.AM"), copyAt("08.40.00.AM"), copyAt("10.00.00.AM"),
                          copyAt("10.40.00.AM"), "Budget.ods"));
}

// Another account can write a record into a shared temporary folder, or swap the private one for
// a link: neither is ever believed, so the user's own files are never deleted by one.
TEST_F(KeepingADay, ARecordPlantedByAnotherAccountOrLinkedElsewhereDeletesNothing) {
  const std::string thesis = docs("Thesis.odt");
  WriteWholeFile(thesis, "years of work");
  const FileStamp real = *facts.stampOf(thesis);
  std::string planted;
  for (int i = 0; i < 4; ++i) {
    planted += "file://" + original + "\t" + std::to_string(real.size) + "\t" +
               std::to_string(real.modifiedNanoseconds) + "\t" + thesis + "\n";
  }
  WriteWholeFile(temp / "log/Tallyguard copies.txt", planted);  // where the record once lived
  pass(8, 0);
  EXPECT_TRUE(fs::exists(thesis));

  WriteWholeFile(temp / "elsewhere", planted);
  fs::remove(record);
  fs::create_symlink(temp / "elsewhere", record);
  pass(8, 40);
  EXPECT_TRUE(fs::exists(thesis));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_THAT(problems[0], HasSubstr("No old copy was removed"));
  EXPECT_EQ(ReadWholeFile(temp / "elsewhere"), planted);  // a link is never written through

  if (geteuid() != 0) GTEST_SKIP() << "another account's file needs root to be made";
  fs::remove(record);
  WriteWholeFile(record, planted);
  ASSERT_EQ(chown(record.c_str(), 65534, 65534), 0);
  pass(9, 20);
  EXPECT_TRUE(fs::exists(thesis));
  EXPECT_EQ(problems.size(), 2u);
}

// A pass killed between marking its removals and deleting them: the next pass, even one that
// stores nothing, deletes what was marked, each with its line, and leaves no mark behind. A copy
// whose name holds a tab or a line break is recorded and removed like any other.
TEST_F(KeepingADay, RemovalsCutShortAreFinishedByTheNextPassAndOddNamesAreKept) {
  keep = 1;
  pass(8, 0);
  const std::string odd = docs("Budget\tQ1\nfinal Date December.7.2026 Time 07.00.00.AM.ods");
  WriteWholeFile(odd, "an odd copy");
  std::vector<RecordedCopy> recorded = ParseCopyRecord(ReadWholeFile(record));
  ASSERT_EQ(recorded.size(), 1u);
  RecordedCopy oddCopy{recorded[0].document, *facts.stampOf(odd), odd, true, false, std::nullopt};
  recorded[0].removing = true;
  recorded.insert(recorded.begin(), oddCopy);
  WriteWholeFile(record, FormatCopyRecord(recorded));
  EXPECT_EQ(ParseCopyRecord(ReadWholeFile(record)), recorded);
  const fs::path stray = temp / "state/Tallyguard/.Tallyguard copies.txt.Ab12Cd";
  WriteWholeFile(stray, "left by a killed pass");
  fs::last_write_time(stray, fs::last_write_time(stray) - std::chrono::hours(1));

  CopyKeeping nothingStored(CopyKeepingContext{files, facts, clock, regional, historyLog,
                                               PathStyle::Posix, keep, nullptr, nullptr, &state});
  nothingStored.ended();
  EXPECT_FALSE(fs::exists(odd));
  EXPECT_FALSE(fs::exists(docs(copyAt("08.00.00.AM"))));
  EXPECT_EQ(ReadWholeFile(record), "");
  const std::string log = ReadWholeFile(historyLog);
  EXPECT_THAT(log, HasSubstr(docs(copyAt("08.00.00.AM")) + " removed (keeping the newest 1)"));
  EXPECT_THAT(log, HasSubstr("Budget?Q1?final Date"));  // the log keeps one line per copy
  for (const auto& entry : fs::directory_iterator(temp / "state/Tallyguard")) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".")) << entry.path();
  }
}

// Which copy is the newest comes from the order the copies were made, not from their times: with
// the clock set back, a new copy like the one made last is not kept, and Keep still removes the
// oldest copy, not the one with the oldest time.
TEST_F(KeepingADay, TheNewestCopyIsTheLastMadeWhateverTheFileTimesSay) {
  keep = 2;
  pass(8, 0);
  pass(9, 0);
  const std::string first = docs(copyAt("08.00.00.AM"));
  const std::string second = docs(copyAt("09.00.00.AM"));
  fs::last_write_time(second, fs::last_write_time(first) - std::chrono::hours(3));
  // Rewrite the record with the copies' times as they now are, in the order they were made.
  std::vector<RecordedCopy> recorded = ParseCopyRecord(ReadWholeFile(record));
  for (RecordedCopy& copy : recorded) copy.stamp = *facts.stampOf(copy.path);
  WriteWholeFile(record, FormatCopyRecord(recorded));

  clock.set({2026, 12, 7, 10, 0, 0});
  CopyKeepingContext context{files, facts, clock, regional, historyLog, PathStyle::Posix, keep};
  context.state = &state;
  CopyKeeping keeping(std::move(context));
  BackupRequest request{"file://" + original, true, "", {true, true, false}};
  const BackupTarget target = ComputeBackupTarget(request, PathStyle::Posix, clock.now(), regional);
  const std::string partial = temp / "docs/partial";
  WriteWholeFile(partial, "copy at 540");  // the same as the 09:00 copy
  EXPECT_FALSE(keeping.mayKeep(target, partial, false));
  WriteWholeFile(partial, "copy at 480");  // the same as the 08:00 copy, not the newest
  EXPECT_TRUE(keeping.mayKeep(target, partial, false));

  pass(11, 0);
  EXPECT_FALSE(fs::exists(first));
  EXPECT_TRUE(fs::exists(second));
}

// Copies not known to differ from the one before them belong to its version: a run of them
// never pushes out the last copy of an earlier version, and no more than twice Keep stay.
TEST_F(KeepingADay, CopiesThatMayRepeatTheirVersionNeverPushOutAnEarlierOne) {
  // A, B, C known to differ; then copies of C that may or may not be the same.
  const auto prune = [&](const std::string& versions, int keepCount) {
    std::vector<RecordedCopy> made;
    for (size_t i = 0; i < versions.size(); ++i) {
      const std::string path = docs("copy " + std::to_string(i));
      WriteWholeFile(path, std::string(1, versions[i]));
      made.push_back(
          {"file://" + original, *facts.stampOf(path), path, false, versions[i] == '?', {}});
    }
    const PruneRules rules{facts, PathStyle::Posix, [](const std::string&) { return false; }};
    PruneCopies(made, "file://" + original, docs(""), keepCount, rules);
    std::string kept;
    for (const RecordedCopy& copy : made) kept += ReadWholeFile(copy.path);
    return kept;
  };
  EXPECT_EQ(prune("ABC???", 3), "AB???");  // C may be the same as the three after it
  EXPECT_EQ(prune("ABCDEF", 3), "DEF");
  EXPECT_EQ(prune("A?B?C?", 3), "??C?");  // each version by its newest copy
  EXPECT_EQ(prune("A?B?C?D", 3), "?C?D");
  EXPECT_EQ(prune("A????????", 2), "??");  // the last one of A's may be A itself
  EXPECT_EQ(prune("AB????????", 2), "A??");
  EXPECT_EQ(prune("ABCD??????", 2), "C??");
}

// The user saves what the newest copy already holds: that copy is noted as the saved file's, and
// while the office says the workbook is unchanged, later passes store nothing at all.
TEST_F(KeepingADay, AWorkbookSavedAsItsNewestCopyIsNotStoredAgainWhileUnchanged) {
  BackupRequest request{"file://" + original, true, "", {true, true, false}};
  const auto keeping = [&](int hour) {
    clock.set({2026, 12, 7, hour, 0, 0});
    CopyKeepingContext context{files, facts, clock, regional, historyLog, PathStyle::Posix, keep};
    context.state = &state;
    return std::make_unique<CopyKeeping>(std::move(context));
  };
  const auto target = [&](bool unsavedEdits) {
    BackupTarget made = ComputeBackupTarget(request, PathStyle::Posix, clock.now(), regional);
    made.unsavedEdits = unsavedEdits;
    return made;
  };
  std::unique_ptr<CopyKeeping> pass = keeping(8);  // edits not yet saved: stored
  BackupTarget edited = target(true);
  ASSERT_TRUE(pass->mayStore(edited));
  WriteWholeFile(edited.backupPath.onDisk, "the edits");
  ASSERT_TRUE(pass->mayKeep(edited, edited.backupPath.onDisk, false));
  pass->stored(request.location, edited);
  pass->ended();

  WriteWholeFile(original, "the edits");  // saved: the same as the copy
  pass = keeping(9);
  BackupTarget saved = target(false);
  ASSERT_TRUE(pass->mayStore(saved));  // nothing yet says the copy is the saved file's
  const std::string partial = temp / "docs/partial";
  WriteWholeFile(partial, "the edits");
  EXPECT_FALSE(pass->mayKeep(saved, partial, false));
  pass->ended();

  pass = keeping(10);
  EXPECT_FALSE(pass->mayStore(target(false)));  // unchanged: the office is not asked
  EXPECT_TRUE(pass->mayStore(target(true)));    // edited again
}

// What goes is written out of the record first: a record that cannot be written (a full disk),
// or a log that takes no line, removes nothing; the copies stay for a pass that can.
TEST_F(KeepingADay, ARecordOrALogThatCannotBeWrittenRemovesNothing) {
  keep = 1;
  pass(8, 0);
  MemoryPrivateState full;
  full.files[std::string(CopyRecordName)] = ReadWholeFile(record);
  full.failReplace = true;
  pass(9, 0, {}, &full);
  EXPECT_TRUE(fs::exists(docs(copyAt("08.00.00.AM"))));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_THAT(problems[0], HasSubstr("No old copy was removed"));

  fs::remove(historyLog);
  fs::create_directory(historyLog);  // no line can be appended to a folder
  pass(10, 0);
  EXPECT_TRUE(fs::exists(docs(copyAt("08.00.00.AM"))));
  EXPECT_EQ(problems.size(), 2u);
  EXPECT_THAT(ReadWholeFile(record), HasSubstr(copyAt("08.00.00.AM")));
}

// Passes of two processes at once (the window's and a timer's command line) take turns: 50 pairs
// with Keep 3 leave exactly the three newest copies, each once in the record, every other copy
// removed with its line.
TEST_F(KeepingADay, TwoProcessesBackingUpAtOnceTakeTurnsAndKeepExactlyTheNewest) {
  constexpr int Pairs = 50;
  for (int pair = 0; pair < Pairs; ++pair) {
    pid_t children[2];
    for (int side = 0; side < 2; ++side) {
      children[side] = fork();
      ASSERT_GE(children[side], 0);
      if (children[side] == 0) {
        const auto turn = TakePassTurn(state, {}, std::chrono::seconds(30));
        if (!turn) _exit(3);
        const int minute = 2 * pair + side;
        pass(8 + minute / 60, minute % 60);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      }
    }
    for (pid_t child : children) {
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "pair " << pair;
    }
  }
  std::vector<std::string> left = FileNames(temp.path() / "docs");
  EXPECT_EQ(left.size(), 4u);  // three copies and the workbook
  const std::vector<RecordedCopy> recorded = ParseCopyRecord(ReadWholeFile(record));
  EXPECT_EQ(recorded.size(), 3u);
  const std::string recordText = ReadWholeFile(record);
  EXPECT_EQ(std::count(recordText.begin(), recordText.end(), '\n'), 3);
  for (const RecordedCopy& copy : recorded) EXPECT_TRUE(fs::exists(copy.path)) << copy.path;
  const std::string log = ReadWholeFile(historyLog);
  size_t removedLines = 0;
  for (size_t at = 0; (at = log.find(" removed (keeping", at)) != std::string::npos; ++at) {
    ++removedLines;
  }
  EXPECT_EQ(removedLines, 2u * Pairs - 3);
}

TEST(RealFileSystemFigures, AreReadAlsoForAFolderStillToBeMade) {
  TempFolder temp;
  PosixFileFacts facts;
  const std::optional<SpaceFigures> here = facts.spaceOf(temp.path().string());
  const std::optional<SpaceFigures> below = facts.spaceOf(temp / "not/yet/made/");
  ASSERT_TRUE(here && below);
  EXPECT_GT(here->total, 0u);
  EXPECT_LE(here->available, here->total);
  EXPECT_EQ(below->total, here->total);
  const std::string file = temp / "five";
  WriteWholeFile(file, "12345");
  EXPECT_EQ(facts.stampOf(file)->size, 5u);
  EXPECT_FALSE(facts.stampOf(temp.path().string()));  // a folder has no stamp
}

// A tmpfs of 64 MiB must keep 5 % (3.2 MiB) free: filled to 3 MiB free, a 1 MiB document's copy
// is held back; with the filler gone it goes through.
TEST(SmallFileSystem, IsNearlyFullWhenTheCopyWouldLeaveLessThanFivePercent) {
  TempFolder temp;
  const std::string mountPoint = temp / "small";
  fs::create_directories(mountPoint);
  if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64m") != 0) {
    GTEST_SKIP() << "mounting a tmpfs is not allowed here";
  }
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{mountPoint};
  PosixFileFacts facts;
  const std::string filler = mountPoint + "/filler";
  {
    std::ofstream out(filler, std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 61; ++i) out << block;
  }
  const SpaceFigures full = *facts.spaceOf(mountPoint);
  EXPECT_EQ(full.total, 64u << 20);
  EXPECT_FALSE(LeavesEnoughSpace(full, 1 << 20));
  fs::remove(filler);
  EXPECT_TRUE(LeavesEnoughSpace(*facts.spaceOf(mountPoint), 1 << 20));
}

TEST(SpaceToLeave, IsOneGibibyteOrFivePercentWhicheverIsLess) {
  EXPECT_EQ(SpaceToLeave(std::uint64_t{100} << 30), OneGibibyte);
  EXPECT_EQ(SpaceToLeave(std::uint64_t{10} << 30), std::uint64_t{512} << 20);
  EXPECT_TRUE(LeavesEnoughSpace({600, 10000}, 100));
  EXPECT_FALSE(LeavesEnoughSpace({600, 10000}, 101));
  EXPECT_FALSE(LeavesEnoughSpace({50, 10000}, 60));  // more than is free
}

}  // namespace
}  // namespace tg::testing
