// The disk guard as the pass meets it: a copy that would leave its disk with less than 1 GiB (or
// 5 %) free is not stored, and a workbook that was never saved, with no file to measure, is taken
// to need 16 MiB.

#include "backup/DiskGuard.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalcTestDoubles.h"
#include "backup/CopyKeeping.h"
#include "memory/MemoryFileFacts.h"

namespace tg::testing {
namespace {

constexpr std::uint64_t OneMebibyte = 1 << 20;

TEST_F(CalcTest, ANeverSavedWorkbookIsTakenToNeedSixteenMebibytesOnANearlyFullDisk) {
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText("/safe");
  suite.openNeverStored("Untitled 1");
  suite.openSpreadsheet("file:///data/Budget.ods", "budget");
  files.files["/data/Budget.ods"] = "budget";
  MemoryFileFacts facts(files);
  struct Case {
    std::uint64_t roomBeyondTheGuard;
    bool untitledStored;
  };
  for (const Case c : {Case{15 * OneMebibyte, false}, Case{17 * OneMebibyte, true}}) {
    files.files.erase("/safe/Untitled 1 Backup.ods");
    files.files.erase("/safe/Budget Backup.ods");
    // A disk of 100 GiB keeps 1 GiB free.
    facts.space = SpaceFigures{OneGibibyte + c.roomBeyondTheGuard, 100 * OneGibibyte};
    std::vector<std::string> skipped;
    CopyKeeping keeping(
        CopyKeepingContext{.fileSystem = files,
                           .facts = facts,
                           .clock = clock,
                           .regional = regional,
                           .historyLogPath = historyLogPath,
                           .pathStyle = PathStyle::Posix,
                           .skipped = [&](const std::string& name, const std::string& folder) {
                             skipped.push_back(folder + name);
                           }});
    CalcContext pass = context();
    pass.facts = &facts;
    pass.extras = &keeping;
    SaveAll(pass);

    const auto room = c.roomBeyondTheGuard / OneMebibyte;
    EXPECT_EQ(files.exists("/safe/Untitled 1 Backup.ods"), c.untitledStored) << room;
    EXPECT_TRUE(files.exists("/safe/Budget Backup.ods")) << room << " MiB: its file is measured";
    EXPECT_EQ(skipped, c.untitledStored ? std::vector<std::string>{}
                                        : std::vector<std::string>{"/safe/Untitled 1 Backup.ods"})
        << room;
  }
  EXPECT_THAT(dialogs.messages, ::testing::IsEmpty());
}

}  // namespace
}  // namespace tg::testing
