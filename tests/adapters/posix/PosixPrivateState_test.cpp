// The record of the copies in the private folder, on a real disk: a record that others may write
// is not believed, so nothing is deleted by it, and the pass says so once.

#include "adapters/posix/PosixPrivateState.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "adapters/posix/PosixFileFacts.h"
#include "adapters/posix/PosixFileSystem.h"
#include "backup/CopyKeeping.h"
#include "memory/FixedClock.h"
#include "memory/UnitedStatesRegionalSettings.h"
#include "support/TempFolder.h"

namespace tg::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST(PosixPrivateState, ARecordOthersMayWriteDeletesNothingAndIsToldOnce) {
  TempFolder temp;
  PosixFileSystem files;
  PosixFileFacts facts;
  FixedClock clock({2026, 12, 7, 9, 0, 0});
  UnitedStatesRegionalSettings regional;
  PosixPrivateState state(temp / "state/Tallyguard");
  const std::string record = temp / "state/Tallyguard/Tallyguard copies.txt";
  const std::string original = temp / "docs/Budget.ods";
  const std::string thesis = temp / "docs/Thesis.odt";
  WriteWholeFile(original, "the workbook");
  state.replace("nothing yet", "");  // the private folder, made as the program makes it

  // A record naming the user's thesis as an old copy of the workbook, with the mode given.
  const auto passWithRecord = [&](mode_t mode) {
    WriteWholeFile(thesis, "years of work");
    const FileStamp stamp = *facts.stampOf(thesis);
    WriteWholeFile(record, FormatCopyRecord({RecordedCopy{"file://" + original, stamp, thesis,
                                                          false, false, std::nullopt}}));
    EXPECT_EQ(::chmod(record.c_str(), mode), 0);
    std::vector<std::string> problems;
    CopyKeeping keeping(CopyKeepingContext{
        .fileSystem = files,
        .facts = facts,
        .clock = clock,
        .regional = regional,
        .historyLogPath = temp / "Tallyguard.txt",
        .pathStyle = PathStyle::Posix,
        .keep = 1,
        .state = &state,
        .keepingFailed = [&](const std::string& problem) { problems.push_back(problem); }});
    const BackupRequest request{"file://" + original, true, "", {true, true, false}};
    const BackupTarget target =
        ComputeBackupTarget(request, PathStyle::Posix, clock.now(), regional);
    keeping.seen(request.location);
    EXPECT_TRUE(keeping.mayStore(target));
    WriteWholeFile(target.backupPath.onDisk, "the copy");
    keeping.stored(request.location, target);
    keeping.ended();
    return problems;
  };

  for (const mode_t mode : {0620, 0602, 0666}) {
    const std::vector<std::string> problems = passWithRecord(mode);
    EXPECT_TRUE(fs::exists(thesis)) << std::oct << mode;
    EXPECT_THAT(problems, ElementsAre(AllOf(HasSubstr("No old copy was removed"),
                                            HasSubstr("may be changed by others"))))
        << std::oct << mode;
  }
  // The same record, the user's alone, is believed: this is what it would have deleted.
  EXPECT_THAT(passWithRecord(0600), IsEmpty());
  EXPECT_FALSE(fs::exists(thesis));
}

}  // namespace
}  // namespace tg::testing
