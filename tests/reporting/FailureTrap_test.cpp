#include "reporting/FailureTrap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "memory/RecordingDialogs.h"
#include "reporting/ContextLabels.h"
#include "reporting/ErrorReport.h"

namespace tg {
namespace {

TEST(ApplicationError, MessageHasDescriptionLabelLineAndRequestInThatOrder) {
  EXPECT_EQ(ComposeApplicationErrorMessage("Object required", ContextLabels::Timer1, 102),
            "Object required\r\nin Quirnel2021/08/31.Form1.Timer1 at line 102\r\r"
            "Please email screenshot of this message to support@morvane.com");
}

TEST(ApplicationError, ShownWithTitleWarningIconAndOkOnly) {
  RecordingDialogs dialogs;
  ShowApplicationError(dialogs, ContextLabels::SaveAll, "Disk full", 182);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].title, "Application Error");
  EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
  EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
  EXPECT_EQ(dialogs.messages[0].text.rfind(
                "Disk full\r\nin Quirnel2021/08/31.Calc.SaveAll at line 182", 0),
            0u);
}

TEST(ApplicationError, AllTenLabelsFollowTheOneForm) {
  const std::vector<std::string_view> labels = {ContextLabels::Form_Load,
                                                ContextLabels::Form_QueryUnload,
                                                ContextLabels::PushButton1_Click,
                                                ContextLabels::PushButton4_Click,
                                                ContextLabels::Timer1,
                                                ContextLabels::PushButton3_Click,
                                                ContextLabels::PushButton5_Click,
                                                ContextLabels::PushButton11_Click,
                                                ContextLabels::PushButton12_Click,
                                                ContextLabels::SaveAll};
  for (std::string_view label : labels) {
    EXPECT_EQ(label.rfind("in Quirnel2021/08/31.", 0), 0u) << label;
    EXPECT_EQ(label.back(), ' ') << label;
  }
}

TEST(FailureTrap, FailureAtLine102IsReportedAndTheProcedureGoesOnWithLine104) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::Timer1);
  std::vector<int> ran;
  trap.step(100, [&] { ran.push_back(100); });
  trap.step(102, [&] { throw std::runtime_error("No entry is selected."); });
  trap.step(104, [&] { ran.push_back(104); });
  EXPECT_EQ(ran, (std::vector<int>{100, 104}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text,
            "No entry is selected.\r\nin Quirnel2021/08/31.Form1.Timer1 at line 102\r\r"
            "Please email screenshot of this message to support@morvane.com");
}

TEST(FailureTrap, FailedTestCountsAsPassedSoTheGuardedStepsRun) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::PushButton4_Click);
  bool switchedOn = false;
  if (trap.test(100, []() -> bool { throw std::runtime_error("Caption unreadable"); })) {
    trap.step(102, [&] { switchedOn = true; });
  }
  EXPECT_TRUE(switchedOn);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find("PushButton4_Click at line 100"), std::string::npos);
}

TEST(FailureTrap, TestThatSucceedsKeepsItsOwnAnswer) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::Timer1);
  EXPECT_FALSE(trap.test(110, [] { return false; }));
  EXPECT_TRUE(dialogs.messages.empty());
}

// A helper without a trap of its own: its failure surfaces at the caller's line.
void UntrappedHelper(std::vector<int>& done) {
  done.push_back(1);
  throw std::runtime_error("Inner failure");
  // Whatever the helper had not yet done stays undone.
}

TEST(FailureTrap, FailureInsideUntrappedHelperIsReportedAtTheCallersLine) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::Form_Load);
  std::vector<int> done;
  trap.step(106, [&] { UntrappedHelper(done); });
  trap.step(110, [&] { done.push_back(110); });
  EXPECT_EQ(done, (std::vector<int>{1, 110}));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_NE(dialogs.messages[0].text.find(
                "Inner failure\r\nin Quirnel2021/08/31.Form1.Form_Load at line 106"),
            std::string::npos);
}

TEST(FailureTrap, SeveralFailuresInOneRunEachGetTheirOwnReportInOrder) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::SaveAll);
  trap.step(164, [] { throw std::runtime_error("Cannot create the folder"); });
  trap.step(166, [] {});
  trap.step(182, [] { throw std::runtime_error("Cannot write the copy"); });
  ASSERT_EQ(dialogs.messages.size(), 2u);
  EXPECT_NE(dialogs.messages[0].text.find("at line 164"), std::string::npos);
  EXPECT_NE(dialogs.messages[1].text.find("at line 182"), std::string::npos);
}

struct ProgramEnds {};  // not a std::exception: the program ending must pass through the trap

TEST(FailureTrap, TheProgramEndingPassesThroughUnreported) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::SaveAll);
  EXPECT_THROW(trap.step(118, [] { throw ProgramEnds{}; }), ProgramEnds);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(FailureTrap, EmptyDescriptionStillTellsTheUserSomething) {
  RecordingDialogs dialogs;
  FailureTrap trap(dialogs, ContextLabels::SaveAll);
  trap.step(100, [] { throw std::runtime_error(""); });
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text.rfind("Unknown failure.\r\n", 0), 0u);
}

}  // namespace
}  // namespace tg
