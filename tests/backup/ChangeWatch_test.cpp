// The change watch as passes and the office meet it: what a pass stores when the office has told
// of edits (and when it has not), which copies Keep Copies keeps then, and what a closing document
// costs.

#include "backup/ChangeWatch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backup/CalcTestDoubles.h"
#include "backup/CopyKeeping.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryPrivateState.h"

namespace tg::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The office's side: every arming succeeds, and is counted.
class ListeningOffice : public OfficeWatch {
 public:
  void watch(OfficeWatchListener&) override {}
  bool arm(std::uint64_t) override {
    ++armed;
    if (refuse == 0) return true;
    --refuse;
    return false;
  }
  AutomationFactory& automation() override { throw AutomationError("not used"); }
  int armed = 0;
  int refuse = 0;  // so many armings fail
};

class WatchedPasses : public CalcTest {
 protected:
  WatchedPasses() { Check6.setValue(CheckBox::Checked); }

  // One pass a minute after the last, with Keep Copies 3; the names of the copies it made.
  std::vector<std::string> pass() {
    clock.set({2026, 12, 6, 14, ++minute_, 0});
    CopyKeeping keeping(CopyKeepingContext{.fileSystem = files,
                                           .facts = facts,
                                           .clock = clock,
                                           .regional = regional,
                                           .historyLogPath = historyLogPath,
                                           .pathStyle = PathStyle::Posix,
                                           .keep = 3,
                                           .state = &state});
    CalcContext calc = context();
    calc.facts = &facts;
    calc.extras = &keeping;
    calc.witness = &watch;
    const size_t before = suite.copies.size();
    SaveAll(calc);
    std::vector<std::string> made;
    for (size_t i = before; i < suite.copies.size(); ++i)
      made.push_back(suite.copies[i].documentTitle);
    return made;
  }
  std::vector<std::string> copiesIn(const std::string& folder) const {
    std::vector<std::string> names = facts.namesIn(folder);
    std::erase_if(names,
                  [](const std::string& name) { return name.find(" Date ") == std::string::npos; });
    return names;
  }

  ListeningOffice office;
  ChangeWatch watch{office, [this](const ObjectRef&) { ++closingCopies; }};
  MemoryFileFacts facts{files};
  MemoryPrivateState state;
  int closingCopies = 0;

 private:
  int minute_ = 0;
};

// A protected workbook is encrypted afresh at every store, so its bytes never tell. Edits the
// office told of make versions of their own; passes with none store nothing, so Keep Copies 3 keeps
// the three versions, and a fourth pushes out the first.
TEST_F(WatchedPasses, EditsTheOfficeToldOfAreVersionsAndUnchangedPassesStoreNothing) {
  MemoryDocument& salaries = suite.openSpreadsheet("file:///data/Salaries.ods", "A");
  salaries.encrypted = true;
  salaries.modified = true;
  watch.opened(1, "file:///data/Salaries.ods");

  EXPECT_EQ(pass().size(), 1u) << "a document the watch has no copy of is stored";
  for (const std::string version : {"B", "C"}) {
    salaries.content = version;
    watch.changed(1);
    EXPECT_EQ(pass().size(), 1u) << version;
  }
  for (int unchanged = 0; unchanged < 3; ++unchanged) EXPECT_THAT(pass(), IsEmpty());
  EXPECT_EQ(copiesIn("/data").size(), 3u);
  salaries.content = "D";
  watch.changed(1);
  EXPECT_EQ(pass().size(), 1u);
  EXPECT_EQ(copiesIn("/data").size(), 3u) << "the first version went, as with any known change";
  EXPECT_THAT(reportedLines(), IsEmpty());
}

// An edit told while the office stores the copy may be missing from it: the next pass stores
// again. So does a pass after the user deleted the copy, or one whose arming the office refused.
TEST_F(WatchedPasses, AnyDoubtOfTheLastCopyStoresAgain) {
  MemoryDocument& budget = suite.openSpreadsheet("file:///data/Budget.ods", "budget");
  watch.opened(7, "file:///data/Budget.ods");
  suite.onStore = [&](const StoredCopy&) { watch.changed(7); };
  EXPECT_EQ(pass().size(), 1u);
  suite.onStore = nullptr;
  budget.content = "budget, typed during the store";
  EXPECT_EQ(pass().size(), 1u) << "an edit during the store";
  EXPECT_THAT(pass(), IsEmpty());

  for (const std::string& name : copiesIn("/data")) files.files.erase("/data/" + name);
  EXPECT_EQ(pass().size(), 1u) << "the copy is gone";

  budget.content = "budget, edited again";
  watch.changed(7);
  office.refuse = 1;
  EXPECT_EQ(pass().size(), 1u);
  EXPECT_EQ(pass().size(), 1u) << "the office did not listen again after the last copy";
  EXPECT_THAT(pass(), IsEmpty());
}

// A workbook saved under a new name is a new file: its copies begin afresh. A document never
// stored is never vouched for.
TEST_F(WatchedPasses, ANewNameOrNoneIsNeverVouchedFor) {
  suite.openSpreadsheet("file:///data/Budget.ods", "budget");
  suite.openNeverStored("Untitled 1");
  watch.opened(1, "file:///data/Budget.ods");
  watch.opened(2, "");
  dialogs.folderAnswers.push_back("/safe");
  EXPECT_EQ(pass().size(), 2u);
  dialogs.folderAnswers.push_back("/safe");
  EXPECT_THAT(pass(), ElementsAre("Untitled 1"));
  watch.opened(1, "file:///data/Budget 2027.ods");
  EXPECT_EQ(watch.ask("file:///data/Budget 2027.ods").known, ChangeKnown::Unknown);
}

// A document about to close costs a copy only when it holds edits that are in no copy and that the
// user has not saved.
TEST_F(WatchedPasses, ACopyAtCloseOnlyForEditsInNoCopy) {
  struct Closing : AutomationObject {
    std::optional<bool> modified;
    Value call(std::string_view, const ValueList&) override {
      if (!modified) throw AutomationError("gone");
      return *modified;
    }
    void set(std::string_view, const Value&) override {}
  };
  auto model = std::make_shared<Closing>();
  suite.openSpreadsheet("file:///data/Budget.ods", "budget").modified = true;
  watch.opened(1, "file:///data/Budget.ods");
  model->modified = true;
  watch.closing(1, model);
  EXPECT_EQ(closingCopies, 1) << "no copy yet: the edits may be in none";

  pass();
  watch.closing(1, model);
  EXPECT_EQ(closingCopies, 1) << "every edit is in the last copy";

  watch.changed(1);
  model->modified = false;
  watch.closing(1, model);
  EXPECT_EQ(closingCopies, 1) << "saved by the user";

  model->modified.reset();
  watch.closing(1, model);
  EXPECT_EQ(closingCopies, 2) << "the office cannot say: a copy too many, never edits lost";
  watch.closing(99, model);
  EXPECT_EQ(closingCopies, 3) << "a document the watch never heard of";
}

}  // namespace
}  // namespace tg::testing
