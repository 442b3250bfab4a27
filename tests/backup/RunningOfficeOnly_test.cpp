#include "backup/RunningOfficeOnly.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalcTestDoubles.h"

namespace tg::testing {
namespace {

using ::testing::IsEmpty;

class SwitchedPresence : public OfficePresence {
 public:
  bool officeRuns() const override {
    ++asked;
    return runs;
  }
  bool runs = false;
  mutable int asked = 0;
};

class RunningOfficeOnlyTest : public CalcTest {
 protected:
  RunningOfficeOnlyTest() { suite.openSpreadsheet("file:///data/Budget.ods"); }
  SwitchedPresence presence;
  RunningOfficeOnly automation{suite, presence};
};

// The wrapped factory would create the service manager (and so start an office); the wrapper
// never asks it, and the pass ends as it does with no office at all.
TEST_F(RunningOfficeOnlyTest, WithoutARunningOfficeThePassEndsQuietlyAndNothingIsCreated) {
  SaveAll(context(automation));

  EXPECT_EQ(presence.asked, 1);
  EXPECT_THAT(suite.calls, IsEmpty());
  EXPECT_THAT(suite.copies, IsEmpty());
  EXPECT_THAT(historyLines(), IsEmpty());
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

// Other objects never start the office, the installation check starts nothing either way, and a
// running office is reached as ever.
TEST_F(RunningOfficeOnlyTest, OnlyTheOfficesServiceManagerIsWatched) {
  EXPECT_THROW(automation.create("Scripting.FileSystemObject"), AutomationError);
  ASSERT_EQ(suite.calls.size(), 1u);  // it reached the wrapped factory
  EXPECT_EQ(suite.calls[0].args[0].asText(), "Scripting.FileSystemObject");
  EXPECT_TRUE(automation.isInstalled(OfficeServiceManagerId));
  suite.installed = false;
  EXPECT_FALSE(automation.isInstalled(OfficeServiceManagerId));
  EXPECT_EQ(presence.asked, 0);

  suite.installed = true;
  presence.runs = true;
  EXPECT_TRUE(automation.create(OfficeServiceManagerId));
}

}  // namespace
}  // namespace tg::testing
