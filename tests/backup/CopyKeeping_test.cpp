// Keep Copies at the end of a pass: which recorded copies are deleted, and which stay.

#include "backup/CopyKeeping.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "memory/FixedClock.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemoryPrivateState.h"
#include "memory/UnitedStatesRegionalSettings.h"
#include "support/HistoryLines.h"

namespace tg::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class KeepingCopies : public ::testing::Test {
 protected:
  KeepingCopies() {
    files.directories = {"/", "/data", "/logs"};
    files.files[document] = "the workbook";
  }

  // A copy this program made earlier, as the record holds it.
  RecordedCopy madeEarlier(const std::string& name, bool removing = false) {
    const std::string path = "/data/" + name;
    files.files[path] = "copy " + name;
    return RecordedCopy{"file://" + document, *facts.stampOf(path), path, removing, false,
                        std::nullopt};
  }
  void record(const std::vector<RecordedCopy>& copies) {
    state.files[std::string(CopyRecordName)] = FormatCopyRecord(copies);
  }
  std::vector<RecordedCopy> recorded() {
    return ParseCopyRecord(state.files[std::string(CopyRecordName)]);
  }

  CopyKeeping keeping(int keep) {
    return CopyKeeping(CopyKeepingContext{
        .fileSystem = files,
        .facts = facts,
        .clock = clock,
        .regional = regional,
        .historyLogPath = historyLog,
        .pathStyle = PathStyle::Posix,
        .keep = keep,
        .state = &state,
        .keepingFailed = [this](const std::string& problem) { problems.push_back(problem); }});
  }

  // One pass that makes a stamped copy of the document, written as the office would write it.
  void passAt(int minute, int keep) {
    clock.set({2026, 12, 7, 9, minute, 0});
    CopyKeeping pass = keeping(keep);
    const BackupRequest request{"file://" + document, true, "", {true, true, false}};
    const BackupTarget target =
        ComputeBackupTarget(request, PathStyle::Posix, clock.now(), regional);
    pass.seen(request.location);
    ASSERT_TRUE(pass.mayStore(target));
    files.files[target.backupPath.onDisk] = "copy at " + std::to_string(minute);
    pass.stored(request.location, target);
    pass.ended();
  }

  std::vector<std::string> removedLines() const {
    std::vector<std::string> removed;
    const auto log = files.files.find(historyLog);
    if (log == files.files.end()) return removed;
    for (const std::string& line : HistoryLinesOf(log->second)) {
      if (line.find(" removed (keeping the newest ") != std::string::npos) removed.push_back(line);
    }
    return removed;
  }

  MemoryFileSystem files;
  MemoryFileFacts facts{files};
  MemoryPrivateState state;
  FixedClock clock;
  UnitedStatesRegionalSettings regional;
  std::string document = "/data/Budget.ods";
  std::string historyLog = "/logs/Tallyguard.txt";
  std::vector<std::string> problems;
};

// The office holds a copy open (its ".~lock.<name>#" file lies beside it, whoever opened it):
// that copy is not deleted while the lock is there, and is removed by the first pass after.
TEST_F(KeepingCopies, ACopyTheOfficeHoldsOpenIsKeptUntilItsLockIsGone) {
  const RecordedCopy oldest = madeEarlier("Budget Date 1.ods");
  const RecordedCopy older = madeEarlier("Budget Date 2.ods");
  record({oldest, older});
  const std::string lock = "/data/.~lock.Budget Date 1.ods#";
  files.files[lock] = ",Ana,host,07.12.2026 08:00,file:///home/ana/.config/libreoffice/4;";

  passAt(0, 1);
  EXPECT_TRUE(files.exists(oldest.path)) << "open in the office";
  EXPECT_FALSE(files.exists(older.path));
  EXPECT_THAT(removedLines(), ElementsAre(HasSubstr("/data/Budget Date 2.ods removed")));

  files.files.erase(lock);
  passAt(1, 1);
  EXPECT_FALSE(files.exists(oldest.path));
  EXPECT_EQ(removedLines().size(), 3u);  // Date 2, then Date 1 and the copy of 9:00
  EXPECT_THAT(problems, IsEmpty());
}

// A pass cut short leaves copies marked for removal in the record. When Keep Copies has since
// been set to 0 (keep all), they stay after all, back in the record unmarked; above 0 the next
// pass finishes their removal, each with its line.
TEST_F(KeepingCopies, MarkedRemovalsAreFinishedOnlyWhileCopiesAreCounted) {
  for (const int keep : {0, 2}) {
    files.files.erase(historyLog);
    const RecordedCopy marked = madeEarlier("Budget Date 1.ods", true);
    const RecordedCopy kept = madeEarlier("Budget Date 2.ods");
    record({kept, marked});

    keeping(keep).ended();

    EXPECT_EQ(files.exists(marked.path), keep == 0) << keep;
    EXPECT_TRUE(files.exists(kept.path)) << keep;
    EXPECT_EQ(removedLines().size(), keep == 0 ? 0u : 1u) << keep;
    std::vector<RecordedCopy> expected = {kept};
    if (keep == 0) {
      RecordedCopy unmarked = marked;
      unmarked.removing = false;
      expected.insert(expected.begin(), unmarked);
    }
    EXPECT_EQ(recorded(), expected) << keep;
  }
  EXPECT_THAT(problems, IsEmpty());
}

// A copy the user pinned outlives Keep Copies, and is no copy of the newest N; so does one that a
// pass cut short had marked for removal before the pin. Unpinned, it goes as any other. The pin
// takes the record's lock, which a pass holds from reading the record to its last write.
TEST_F(KeepingCopies, PinnedCopiesStayWhateverKeepCopiesSaysUntilUnpinned) {
  const RecordedCopy pinned = madeEarlier("Budget Date 1.ods");
  const RecordedCopy plain = madeEarlier("Budget Date 2.ods");
  const RecordedCopy marked = madeEarlier("Budget Date 3.ods", true);
  record({pinned, plain, marked});
  EXPECT_TRUE(SetCopyPinned(state, pinned.path, true));
  EXPECT_TRUE(SetCopyPinned(state, marked.path, true));
  EXPECT_FALSE(SetCopyPinned(state, "/data/Budget Date 9.ods", true)) << "never recorded";
  EXPECT_TRUE(IsCopyPinned(state, pinned.path));
  EXPECT_FALSE(IsCopyPinned(state, plain.path));
  EXPECT_FALSE(recorded()[2].removing) << "the pin takes the mark away";

  passAt(0, 1);
  passAt(1, 1);
  EXPECT_TRUE(files.exists(pinned.path));
  EXPECT_TRUE(files.exists(marked.path));
  EXPECT_FALSE(files.exists(plain.path));
  EXPECT_THAT(removedLines(),
              ElementsAre(HasSubstr("/data/Budget Date 2.ods removed (keeping the newest 1)"),
                          HasSubstr("Time 09.00.00.AM.ods removed (keeping the newest 1)")));
  EXPECT_TRUE(IsCopyPinned(state, pinned.path)) << "the passes wrote the record with the pins";
  EXPECT_TRUE(IsCopyPinned(state, marked.path));

  EXPECT_TRUE(SetCopyPinned(state, pinned.path, false));
  passAt(2, 1);
  EXPECT_FALSE(files.exists(pinned.path));
  EXPECT_TRUE(files.exists(marked.path));
  EXPECT_THAT(problems, IsEmpty());

  state.heldElsewhere.insert("copies");
  EXPECT_THROW(SetCopyPinned(state, marked.path, false), std::runtime_error);
  EXPECT_TRUE(IsCopyPinned(state, marked.path));
}

}  // namespace
}  // namespace tg::testing
