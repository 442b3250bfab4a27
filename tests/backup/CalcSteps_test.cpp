// Every step of the backup pass that can fail, with the line its report names and what the pass
// does after the report.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalcTestDoubles.h"
#include "backup/Calc.h"

namespace tg::testing {
namespace {

using ::testing::ElementsAreArray;

struct StepFailure {
  std::string name;
  std::vector<int> reportedLines;
  std::vector<std::string> copies;  // file names of the copies, in storing order
  size_t historyLines;
};

std::ostream& operator<<(std::ostream& out, const StepFailure& failure) {
  return out << failure.name;
}

class CalcStepFailure : public CalcTest, public ::testing::WithParamInterface<StepFailure> {
 protected:
  // Two stored spreadsheets in /data, same-folder mode, unless the case says otherwise.
  void arrange(const std::string& name) {
    auto chosenFolder = [&](const char* folder) {
      Option2.setSelected(false);
      Option1.setSelected(true);
      Text1.setText(folder);
    };
    if (name == "114 service test") {
      MemoryDocument letter;
      letter.kind = ComponentKind::Text;
      letter.url = "file:///data/Letter.odt";
      letter.title = "Letter.odt";
      suite.open(letter);
    }
    if (name == "140 folder prompt") suite.openNeverStored("Untitled 1");
    suite.openSpreadsheet("file:///data/Budget.ods");
    suite.openSpreadsheet("file:///data/Plan.ods");

    if (name == "100 create") suite.failOn("CreateObject");
    if (name == "100 suite missing") suite.installed = false;
    if (name == "102 desktop") suite.failOn("createInstance");
    if (name == "104 components") suite.failOn("getComponents");
    if (name == "106 enumeration") suite.failOn("createenumeration");
    if (name == "110 first loop test") suite.failOn("hasMoreElements", 1);
    if (name == "110 second loop test") suite.failOn("hasMoreElements", 2);
    if (name == "112 next element") suite.failOn("nextelement", 2);
    if (name == "114 service test") suite.failOn("SupportsService", 1);
    if (name == "118 yield") {
      loop.onYield = [this] {
        if (loop.yields == 1) throw std::runtime_error("A handler failed.");
      };
    }
    if (name == "122 location") suite.failOn("geturl", 1);
    if (name == "134 stamp option") {
      chosenFolder("/safe");
      Check6.failing = true;
    }
    if (name == "134 same-folder option") {
      chosenFolder("/safe");
      Option2.failing = true;
    }
    if (name == "140 folder prompt") {
      dialogs.whileOpen = [this, prompts = size_t{0}]() mutable {
        if (dialogs.folderPrompts.size() == prompts) return;  // an error report
        prompts = dialogs.folderPrompts.size();
        throw std::runtime_error("The folder browser cannot open.");
      };
    }
    if (name == "162 folder test") {
      chosenFolder("/safe");
      files.testFailures = 1;
    }
    if (name == "164 folder creation") chosenFolder("/missing/deeper");
    if (name == "182 store") suite.failOn("storetourl", 1, "The folder cannot be written.");
    if (name == "130 store arguments") suite.failOn("getArgs", 1);
    if (name == "184 history") files.appendFails = true;
  }

  std::vector<std::string> copiedNames() const {
    std::vector<std::string> names;
    for (const StoredCopy& copy : suite.copies)
      names.push_back(FinalUrl(copy.url).substr(copy.url.rfind('/') + 1));
    return names;
  }
};

TEST_P(CalcStepFailure, IsReportedAtItsLineAndThePassGoesOnAsTheTrapSays) {
  const StepFailure& expected = GetParam();
  arrange(expected.name);

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAreArray(expected.reportedLines));
  EXPECT_THAT(copiedNames(), ElementsAreArray(expected.copies));
  EXPECT_EQ(historyLines().size(), expected.historyLines);
  EXPECT_EQ(suite.liveObjects(), 0) << "what exists is released";
  for (const ShownMessage& message : dialogs.messages) {
    EXPECT_EQ(message.title, "Application Error");
  }
}

const char* const Budget = "Budget Backup.ods";
const char* const Plan = "Plan Backup.ods";

INSTANTIATE_TEST_SUITE_P(
    EveryStep, CalcStepFailure,
    ::testing::Values(
        // Connecting and enumerating: one report, then the pass ends.
        StepFailure{"100 create", {100}, {}, 0}, StepFailure{"100 suite missing", {100}, {}, 0},
        StepFailure{"102 desktop", {102}, {}, 0}, StepFailure{"104 components", {104}, {}, 0},
        StepFailure{"106 enumeration", {106}, {}, 0},
        StepFailure{"110 first loop test", {110}, {}, 0},
        StepFailure{"110 second loop test", {110}, {Budget}, 1},
        StepFailure{"112 next element", {112}, {Budget}, 1},
        // A failed service test counts as met: the component is treated as a spreadsheet.
        StepFailure{"114 service test", {114}, {"Letter Backup.odt", Budget, Plan}, 3},
        StepFailure{"118 yield", {118}, {Budget, Plan}, 2},
        StepFailure{"122 location", {122}, {Plan}, 1},
        // Options that cannot be read count as the same-folder mode; they are read once per
        // document, so any control that cannot be read fails them all at this step.
        StepFailure{"134 same-folder option", {134, 134}, {Budget, Plan}, 2},
        StepFailure{"134 stamp option", {134, 134}, {Budget, Plan}, 2},
        StepFailure{"140 folder prompt", {140}, {Budget, Plan}, 2},
        StepFailure{"162 folder test", {162, 164}, {Budget, Plan}, 2},
        StepFailure{"164 folder creation", {164, 182, 164, 182}, {}, 0},
        StepFailure{"182 store", {182}, {Plan}, 1},
        StepFailure{"130 store arguments", {130, 182}, {Plan}, 1},
        StepFailure{"184 history", {184, 184}, {Budget, Plan}, 0}),
    [](const ::testing::TestParamInfo<StepFailure>& step) {
      std::string name;
      for (char c : step.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST_F(CalcTest, TheReportCarriesTheFailuresDescriptionTheLabelAndTheLine) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.failOn("storetourl", 1, "The folder cannot be written.");
  runPass();
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(
      dialogs.messages[0].text.rfind(
          "The folder cannot be written.\r\nin Quirnel2021/08/31.Calc.SaveAll at line 182\r\r", 0),
      0u);
}

TEST_F(CalcTest, AFailedConnectionIsReportedOnceAndReleasesWhatItHad) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.failOn("createenumeration", 0);
  runPass();
  runPass();
  EXPECT_EQ(reportedLines(), (std::vector<int>{106, 106})) << "one report per pass";
  EXPECT_EQ(suite.liveObjects(), 0);
  EXPECT_EQ(loop.yields, 0);
}

// An office that died in the middle of a store is reported once; nothing more is asked of it.
TEST_F(CalcTest, AnOfficeLostMidPassIsReportedOnceAndThePassEnds) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Plan.ods");
  suite.loseConnectionOn("storetourl");
  runPass();
  EXPECT_EQ(reportedLines(), (std::vector<int>{182}));
}

}  // namespace
}  // namespace tg::testing
