#include "backup/Calc.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalcTestDoubles.h"
#include "backup/CopyKeeping.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryPrivateState.h"

namespace tg::testing {
namespace {

using ::testing::ElementsAreArray;

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* At = " at 12/6/2026 1:58:16 PM";

TEST_F(CalcTest, ThreeSpreadsheetsAreStoredInEnumerationOrderWithOneYieldBeforeEach) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openNeverStored("Letter", ComponentKind::Text);
  suite.openSpreadsheet("file:///data/Q1.2026.ods");
  suite.openSpreadsheet("file:///data/Plan.ods");
  std::vector<int> locationsReadAtYield;
  loop.onYield = [&] {
    int read = 0;
    for (const RecordedCall& call : suite.calls) read += call.method == "geturl";
    locationsReadAtYield.push_back(read);
  };

  runPass();

  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///data/Budget Backup.ods", "file:///data/Q1.2026 Backup.ods",
                          "file:///data/Plan Backup.ods"));
  EXPECT_THAT(
      historyLines(),
      ElementsAre(std::string("Budget.ods was backup saved as /data/Budget Backup.ods") + At,
                  std::string("Q1.2026.ods was backup saved as /data/Q1.2026 Backup.ods") + At,
                  std::string("Plan.ods was backup saved as /data/Plan Backup.ods") + At));
  EXPECT_THAT(locationsReadAtYield, ElementsAre(0, 1, 2));
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(suite.liveObjects(), 0) << "every automation object is released at the end";
}

// A copy this program made, opened read-only to look at, gets no copy of its own; any other
// document opened read-only (the user's, locked by another) is copied as always.
TEST_F(CalcTest, OnlyItsOwnCopiesOpenedReadOnlyAreLeftAlone) {
  files.files[historyLogPath] =
      std::string("Budget.ods was backup saved as /data/Budget Date 1.ods") + At + "\r\n";
  for (const char* url : {"file:///data/Budget%20Date%201.ods", "file:///data/Plan.ods"}) {
    MemoryDocument document;
    document.url = url;
    document.title = "opened";
    document.readOnly = true;
    suite.open(document);
  }

  runPass();

  EXPECT_THAT(copiedUrls(), ElementsAre("file:///data/Plan Backup.ods"));
}

TEST_F(CalcTest, CallsGoByTheNamesAndArgumentsTheSuiteIsDrivenWith) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openNeverStored("Letter", ComponentKind::Text);

  runPass();

  ASSERT_GE(suite.calls.size(), 1u);
  EXPECT_EQ(suite.calls[0].method, "CreateObject");
  EXPECT_EQ(suite.calls[0].args.at(0).asText(), "com.sun.star.ServiceManager");
  // The second asks which file formats the suite can write.
  EXPECT_THAT(suite.methodsCalledOn("ServiceManager"),
              ElementsAre("createInstance", "createInstance"));
  EXPECT_THAT(suite.methodsCalledOn("Desktop"), ElementsAre("getComponents"));
  EXPECT_THAT(suite.methodsCalledOn("Components"), ElementsAre("createenumeration"));
  EXPECT_THAT(suite.methodsCalledOn("Enumeration"),
              ElementsAre("hasMoreElements", "nextelement", "hasMoreElements", "nextelement",
                          "hasMoreElements"));
  EXPECT_THAT(suite.methodsCalledOn("Document Budget.ods"),
              ElementsAre("SupportsService", "geturl", "getArgs", "storetourl"));
  EXPECT_THAT(suite.methodsCalledOn("Document Letter"), ElementsAre("SupportsService"))
      << "a text document gets the service test and nothing else";
  for (const RecordedCall& call : suite.calls) {
    if (call.method == "createInstance") {
      EXPECT_THAT(
          call.args.at(0).asText(),
          ::testing::AnyOf("com.sun.star.frame.Desktop", "com.sun.star.document.FilterFactory"));
    }
    if (call.method == "SupportsService") {
      EXPECT_EQ(call.args.at(0).asText(), "com.sun.star.sheet.SpreadsheetDocument");
    }
    if (call.method == "storetourl") {
      EXPECT_EQ(FinalUrl(call.args.at(0).asText()), "file:///data/Budget Backup.ods");
      ASSERT_EQ(call.args.at(1).asList().size(), 1u) << "only the document's own filter";
    }
  }
}

TEST_F(CalcTest, NothingToStoreLeavesNoTraceAndDoesNotCreateTheLog) {
  suite.openNeverStored("Letter", ComponentKind::Text);
  suite.openNeverStored("Slides", ComponentKind::Presentation);
  suite.openNeverStored("Start Center", ComponentKind::Other);
  runPass();
  EXPECT_THAT(suite.copies, IsEmpty());
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(files.files.count(historyLogPath), 0u);
  EXPECT_EQ(loop.yields, 0);

  MemorySuite empty;
  SaveAll(context(empty));
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(files.files.count(historyLogPath), 0u);
}

TEST_F(CalcTest, StampFormsFollowTheOptionsAtTheMomentOfNaming) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  Check6.setValue(CheckBox::Checked);
  runPass();  // Option3: a new file every pass
  Option3.setSelected(false);
  Option4.setSelected(true);
  runPass();  // Option4: one file per day
  Option4.setSelected(false);
  runPass();  // neither: no name, so no copy

  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///data/Budget Date December.6.2026 Time 01.58.16.PM.ods",
                          "file:///data/Budget December.6.2026.ods"));
  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_EQ(historyLines().size(), 2u);
}

TEST_F(CalcTest, ChosenFolderIsCreatedOneLevelDeepAndTidiedBeforeTheSuffix) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText("/safe/");
  runPass();
  Text1.setText("/safe/new");
  runPass();

  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///safe/Budget Backup.ods", "file:///safe/new/Budget Backup.ods"));
  EXPECT_TRUE(files.isDirectory("/safe/new"));
  EXPECT_THAT(
      historyLines(),
      ElementsAre(std::string("Budget.ods was backup saved as /safe/Budget Backup.ods") + At,
                  std::string("Budget.ods was backup saved as /safe/new/Budget Backup.ods") + At));
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

TEST_F(CalcTest, AFolderThatCannotBeCreatedGetsTwoReportsAndNoCopyThenTheNextDocumentIsTried) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Plan.ods");
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText("/missing/deeper");
  int turn = 0;
  loop.onYield = [&] {
    if (++turn == 2) Text1.setText("/safe");
  };

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(164, 182));
  EXPECT_THAT(reportText(1), HasSubstr("/missing/deeper"));
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///safe/Plan Backup.ods"));
  EXPECT_EQ(historyLines().size(), 1u);
}

TEST_F(CalcTest, AnEmptyChosenFolderNeverSendsTheCopyToTheRoot) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  Option2.setSelected(false);
  Option1.setSelected(true);
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(164, 182));
  EXPECT_THAT(suite.copies, IsEmpty());
}

TEST_F(CalcTest, EscapesInTheLocationStayInPathUrlAndHistory) {
  suite.openSpreadsheet("file:///data/My%20Data/Q1.ods");
  files.directories.insert("/data/My%20Data");
  runPass();
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///data/My%20Data/Q1 Backup.ods"));
  EXPECT_THAT(
      historyLines(),
      ElementsAre(std::string("Q1.ods was backup saved as /data/My%20Data/Q1 Backup.ods") + At));
}

// The later of two documents with one backup path gets a numbered name, in every pass, so neither
// copy replaces the other and each history line names a file that holds its document.
TEST_F(CalcTest, TwoDocumentsWithOneBackupPathGetTwoCopiesTheLaterOneNumbered) {
  suite.openSpreadsheet("file:///data/Budget.ods", "first");
  files.directories.insert("/other");
  suite.openSpreadsheet("file:///other/Budget.ods", "second");
  suite.openSpreadsheet("file:///data/Budget%20(2).ods", "third");
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText("/safe");
  runPass();
  runPass();
  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///safe/Budget Backup.ods", "file:///safe/Budget (2) Backup.ods",
                          "file:///safe/Budget%20(2) (2) Backup.ods",
                          "file:///safe/Budget Backup.ods", "file:///safe/Budget (2) Backup.ods",
                          "file:///safe/Budget%20(2) (2) Backup.ods"));
  EXPECT_EQ(files.files["/safe/Budget Backup.ods"], "first");
  EXPECT_EQ(files.files["/safe/Budget (2) Backup.ods"], "second");
  EXPECT_EQ(files.files["/safe/Budget (2) (2) Backup.ods"], "third");
  EXPECT_THAT(
      historyLines(),
      ElementsAre(std::string("Budget.ods was backup saved as /safe/Budget Backup.ods") + At,
                  std::string("Budget.ods was backup saved as /safe/Budget (2) Backup.ods") + At,
                  std::string("Budget%20(2).ods was backup saved as /safe/Budget%20(2) (2) "
                              "Backup.ods") +
                      At,
                  ::testing::_, ::testing::_, ::testing::_));
}

// --- Mended faults -------------------------------------------------------------------------

TEST_F(CalcTest, ADocumentWhoseLocationCannotBeReadIsNeverNamedAfterThePreviousOne) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Plan.ods");
  suite.openSpreadsheet("file:///data/Costs.ods");
  suite.failOn("geturl", 2, "The document is gone.");

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(122));
  EXPECT_THAT(reportText(0), HasSubstr("The document is gone."));
  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///data/Budget Backup.ods", "file:///data/Costs Backup.ods"));
  ASSERT_EQ(suite.copies.size(), 2u);
  EXPECT_EQ(suite.copies[0].documentTitle, "Budget.ods");
  EXPECT_EQ(suite.copies[1].documentTitle, "Costs.ods");
  EXPECT_EQ(historyLines().size(), 2u);
}

TEST_F(CalcTest, ADocumentClosedDuringTheYieldIsReportedAndNotStored) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  MemoryDocument& plan = suite.openSpreadsheet("file:///data/Plan.ods");
  int turn = 0;
  loop.onYield = [&] {
    if (++turn == 2) plan.closed = true;
  };
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(122));
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///data/Budget Backup.ods"));
}

TEST_F(CalcTest, TheCopyKeepsThePasswordProtectionAndTheFormatOfItsDocument) {
  MemoryDocument& sheet = suite.openSpreadsheet("file:///data/Salaries.ods");
  sheet.encrypted = true;
  MemoryDocument& workbook = suite.openSpreadsheet("file:///data/Export.xlsx");
  workbook.filterName = "Calc MS Excel 2007 XML";
  MemoryDocument& fresh = suite.openNeverStored("Untitled 1");
  fresh.filterName = "calc8_template";
  MemoryDocument& csv = suite.openSpreadsheet("file:///data/Rates.csv");
  csv.filterName = "Text - txt - csv (StarCalc)";
  csv.filterOptions = "59,34,12,1";
  MemoryDocument& gnumeric = suite.openSpreadsheet("file:///data/Plan.gnumeric");
  gnumeric.filterName = "Gnumeric Spreadsheet";
  gnumeric.filterOptions = "import only";
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText("/safe");

  runPass();

  EXPECT_THAT(dialogs.messages, IsEmpty());
  ASSERT_EQ(suite.copies.size(), 5u);
  EXPECT_TRUE(suite.copies[0].encrypted);
  EXPECT_EQ(suite.copies[0].filterName, "calc8");
  EXPECT_EQ(FinalUrl(suite.copies[1].url), "file:///safe/Export Backup.xlsx");
  EXPECT_EQ(suite.copies[1].filterName, "Calc MS Excel 2007 XML");
  EXPECT_FALSE(suite.copies[1].encrypted);
  EXPECT_EQ(FinalUrl(suite.copies[2].url), "file:///safe/Untitled 1 Backup.ods");
  EXPECT_EQ(suite.copies[2].filterName, "") << "a never-stored document keeps the suite's default";
  EXPECT_EQ(FinalUrl(suite.copies[3].url), "file:///safe/Rates Backup.csv");
  EXPECT_EQ(suite.copies[3].filterOptions, "59,34,12,1") << "separator and character set kept";
  // A format the suite reads but cannot write: the copy is in the suite's own format, named so.
  EXPECT_EQ(FinalUrl(suite.copies[4].url), "file:///safe/Plan Backup.ods");
  EXPECT_EQ(suite.copies[4].filterName, "");
  EXPECT_EQ(suite.copies[4].filterOptions, "");
  EXPECT_THAT(historyLines().back(),
              ::testing::StartsWith("Plan.gnumeric was backup saved as /safe/Plan Backup.ods at "));
}

TEST_F(CalcTest, NeverStoresOverAFileThatIsOpenAsADocument) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Budget%20Backup.ods");
  files.files["/data/Budget Backup.ods"] = "the user's own work";

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_THAT(reportText(0), HasSubstr("/data/Budget Backup.ods is open in the office suite"));
  EXPECT_EQ(files.files["/data/Budget Backup.ods"], "the user's own work");
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///data/Budget%20Backup Backup.ods"));
  EXPECT_EQ(historyLines().size(), 1u);
}

// The user may open the very file while the pass waits in a prompt: the open documents are
// listed again for every store, never remembered from before.
TEST_F(CalcTest, AFileOpenedWhileThePromptWaitsIsNeverStoredOver) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  files.files["/data/Budget Backup.ods"] = "an earlier copy";  // checked, so listed, first
  suite.openNeverStored("Untitled 1");
  files.files["/safe/Untitled 1 Backup.ods"] = "the user's own work";
  dialogs.folderAnswers = {"/safe"};
  dialogs.whileOpen = [&] {
    if (suite.copies.size() == 1 && dialogs.folderPrompts.size() == 1)
      suite.openSpreadsheet("file:///safe/Untitled%201%20Backup.ods");
  };

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_THAT(reportText(0), HasSubstr("/safe/Untitled 1 Backup.ods is open in the office suite"));
  EXPECT_EQ(files.files["/safe/Untitled 1 Backup.ods"], "the user's own work");
  EXPECT_EQ(historyLines().size(), 1u);
}

TEST_F(CalcTest, TheOpenDocumentCheckCostsNoCallWhileTheTargetDoesNotExistAndOneListingAfter) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Plan.ods");
  runPass();
  EXPECT_THAT(suite.methodsCalledOn("Components"), ElementsAre("createenumeration"));

  // Second pass: both copies exist, are not open, and are replaced; the open documents are listed
  // afresh before each, as the user may have opened one meanwhile.
  suite.calls.clear();
  runPass();
  EXPECT_THAT(suite.methodsCalledOn("Components"),
              ElementsAre("createenumeration", "createenumeration", "createenumeration"));
  EXPECT_THAT(suite.methodsCalledOn("Desktop"), ElementsAre("getComponents"));
  EXPECT_EQ(suite.copies.size(), 4u);
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

TEST_F(CalcTest, AFailingListingOfOpenDocumentsIsReportedAtTheStoreAndSkipsIt) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  files.files["/data/Budget Backup.ods"] = "an earlier copy";
  suite.failOn("createenumeration", 2);
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_EQ(files.files["/data/Budget Backup.ods"], "an earlier copy");
}

// --- Documents that were never stored --------------------------------------------------------

// A cancel skips the document for this pass instead of asking again for ever; the next pass asks
// again, and the copy is named after the document's title.
TEST_F(CalcTest, NeverStoredDocumentCancelledIsSkippedAndTheNextPassAsksAgain) {
  suite.openNeverStored("Untitled 1");
  dialogs.folderAnswers = {""};
  runPass();
  EXPECT_THAT(dialogs.folderPrompts, ElementsAre(" is unsaved. Please select location:"));
  EXPECT_THAT(dialogs.folderInitials, ElementsAre(""));
  EXPECT_THAT(copiedUrls(), IsEmpty());
  EXPECT_THAT(historyLines(), IsEmpty());
  EXPECT_THAT(dialogs.messages, IsEmpty());

  dialogs.folderAnswers = {"/safe"};
  runPass();
  EXPECT_EQ(dialogs.folderPrompts.size(), 2u);
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///safe/Untitled 1 Backup.ods"));
  EXPECT_THAT(
      historyLines(),
      ElementsAre(std::string("Untitled 1.ods was backup saved as /safe/Untitled 1 Backup.ods") +
                  At));
  EXPECT_FALSE(files.exists("/safe/.Untitled 1 Backup.ods.tallyguard-partial"));
}

TEST_F(CalcTest, NeverStoredDocumentInChosenFolderModeIsNotPromptedFor) {
  suite.openNeverStored("Untitled 2");
  Option2.setSelected(false);
  Option1.setSelected(true);
  Text1.setText("/safe");
  runPass();
  EXPECT_THAT(dialogs.folderPrompts, IsEmpty());
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///safe/Untitled 2 Backup.ods"));
}

TEST_F(CalcTest, AStampSwitchedOnDuringThePromptNamesThisDocumentAndTheNextOnes) {
  suite.openNeverStored("Untitled 1");
  suite.openSpreadsheet("file:///data/Budget.ods");
  dialogs.folderAnswers = {"/safe"};
  RecordingDialogs* prompts = &dialogs;
  dialogs.whileOpen = [&, prompts] {
    if (!prompts->folderPrompts.empty()) Check6.setValue(CheckBox::Checked);
  };

  runPass();

  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///safe/Untitled 1 Date December.6.2026 Time 01.58.16.PM.ods",
                          "file:///data/Budget Date December.6.2026 Time 01.58.16.PM.ods"));
}

TEST_F(CalcTest, ATitleThatCannotBeReadLeavesTheDocumentUnstored) {
  suite.openNeverStored("Untitled 1");
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.failOn("getTitle");
  runPass();
  EXPECT_THAT(reportedLines(), ElementsAre(132));
  EXPECT_THAT(dialogs.folderPrompts, IsEmpty());
  EXPECT_THAT(copiedUrls(), ElementsAre("file:///data/Budget Backup.ods"));
}

// --- Re-entrancy ---------------------------------------------------------------------------

TEST_F(CalcTest, APassStartedInsideAYieldRunsToItsEndBeforeTheOuterOneGoesOn) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  suite.openSpreadsheet("file:///data/Plan.ods");
  bool nested = false;
  loop.onYield = [&] {
    if (nested) return;
    nested = true;
    runPass();
  };

  runPass();

  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///data/Budget Backup.ods", "file:///data/Plan Backup.ods",
                          "file:///data/Budget Backup.ods", "file:///data/Plan Backup.ods"));
  EXPECT_EQ(historyLines().size(), 4u);
  EXPECT_THAT(dialogs.messages, IsEmpty());
  EXPECT_EQ(suite.liveObjects(), 0);
}

TEST_F(CalcTest, APassStartedWhileThePromptIsOpenDoesNotDisturbTheOuterDocument) {
  suite.openNeverStored("Untitled 1");
  suite.openSpreadsheet("file:///data/Budget.ods");
  dialogs.folderAnswers = {"/safe", "/data"};
  bool nested = false;
  dialogs.whileOpen = [&] {
    if (nested) return;
    nested = true;
    runPass();  // prompts for the same document itself and takes the first answer
  };
  runPass();
  EXPECT_THAT(copiedUrls(),
              ElementsAre("file:///safe/Untitled 1 Backup.ods", "file:///data/Budget Backup.ods",
                          "file:///data/Untitled 1 Backup.ods", "file:///data/Budget Backup.ods"));
}

// --- Partial copies ------------------------------------------------------------------------------

// A store that fails halfway, a copy the disk guard refuses once written, and a partial copy left
// by a pass that was killed: none of them stays on disk after the next pass, and the user's own
// files beside them are not touched.
TEST_F(CalcTest, NoPartialCopyOutlivesItsPass) {
  suite.openSpreadsheet("file:///docs/Budget.ods");
  files.directories.insert("/docs");
  files.files["/docs/.Budget Backup.ods.tallyguard-partial.keep"] = "the user's";
  files.files["/docs/.Old Date 1.ods.tallyguard-partial"] = "left by a killed pass";
  files.files["/docs/.Open.ods.tallyguard-partial"] = "the office has it open";
  files.files["/docs/.~lock..Open.ods.tallyguard-partial#"] = "lock";
  suite.onStore = [this](const StoredCopy& copy) {
    files.files[PathOf(copy.url)] = "half a copy";
    throw AutomationError("The disk is full.");
  };
  MemoryFileFacts facts(files);
  CopyKeeping keeping(
      CopyKeepingContext{files, facts, clock, regional, historyLogPath, PathStyle::Posix});
  CalcContext withKeeping = context();
  withKeeping.extras = &keeping;
  SaveAll(withKeeping);
  EXPECT_FALSE(files.exists("/docs/.Budget Backup.ods.tallyguard-partial"));
  EXPECT_FALSE(files.exists("/docs/.Old Date 1.ods.tallyguard-partial"));
  EXPECT_TRUE(files.exists("/docs/.Open.ods.tallyguard-partial"));
  EXPECT_TRUE(files.exists("/docs/.Budget Backup.ods.tallyguard-partial.keep"));
  EXPECT_THAT(reportedLines(), ElementsAre(182));

  // Written whole, but the disk is nearly full now: deleted, skipped, no history line.
  suite.onStore = [this, &facts](const StoredCopy& copy) {
    files.files[PathOf(copy.url)] = copy.content;
    facts.space = SpaceFigures{1000, 1'000'000};
  };
  CopyKeeping again(
      CopyKeepingContext{files, facts, clock, regional, historyLogPath, PathStyle::Posix});
  withKeeping.extras = &again;
  SaveAll(withKeeping);
  EXPECT_FALSE(files.exists("/docs/.Budget Backup.ods.tallyguard-partial"));
  EXPECT_FALSE(files.exists("/docs/Budget Backup.ods"));
  EXPECT_EQ(again.skippedCount(), 1);
  EXPECT_THAT(historyLines(), IsEmpty());
}

// Two passes in one second share a stamped name, and the second replaces the first's copy. Where
// file times follow summer time, an hour apart can read as that same second: there the name is
// numbered instead.
TEST_F(CalcTest, ASameSecondCopyIsReplacedExceptWhereTimesFollowSummerTime) {
  suite.openSpreadsheet("file:///data/Budget.ods");
  Check6.setValue(CheckBox::Checked);
  MemoryFileFacts facts(files);
  CalcContext pass = context();
  pass.facts = &facts;
  SaveAll(pass);
  SaveAll(pass);
  const std::string stamped = "/data/Budget Date December.6.2026 Time 01.58.16.PM.ods";
  const std::string numbered = "/data/Budget (2) Date December.6.2026 Time 01.58.16.PM.ods";
  EXPECT_TRUE(files.exists(stamped));
  EXPECT_FALSE(files.exists(numbered));
  facts.localTimes = true;
  SaveAll(pass);
  EXPECT_TRUE(files.exists(numbered));
  EXPECT_THAT(reportedLines(), IsEmpty());
}

// --- Stores the office refuses --------------------------------------------------------------

// The pass as the program runs it on Linux: Keep Copies on, the office writing each copy into the
// staging folder first, the program then writing it into its own folder.
class StagedPass : public CalcTest {
 protected:
  StagedPass() {
    files.directories.insert({"/run", "/run/Tallyguard"});
    Check6.setValue(CheckBox::Checked);
  }
  void runStaged(int keep) {
    CopyKeeping keeping(CopyKeepingContext{.fileSystem = files,
                                           .facts = facts,
                                           .clock = clock,
                                           .regional = regional,
                                           .historyLogPath = historyLogPath,
                                           .pathStyle = PathStyle::Posix,
                                           .keep = keep,
                                           .state = &state});
    CalcContext pass = context();
    pass.facts = &facts;
    pass.extras = &keeping;
    pass.stagingFolder = "/run/Tallyguard/";
    SaveAll(pass);
  }
  std::vector<std::string> filesIn(const std::string& folder) const {
    std::vector<std::string> names = facts.namesIn(folder);
    std::erase(names, "Tallyguard.txt");
    return names;
  }
  MemoryFileFacts facts{files};
  MemoryPrivateState state;
};

// The office writes a protected workbook's copy encrypted only when given the workbook's key, and
// encrypts it afresh at every store: each copy stays encrypted on its way through the staging
// folder, and an unchanged protected workbook's copies, which cannot be told apart, are all kept.
TEST_F(StagedPass, AProtectedWorkbooksCopiesStayEncryptedAndAreAllKept) {
  MemoryDocument& salaries = suite.openSpreadsheet("file:///data/Salaries.ods", "secret salaries");
  salaries.encrypted = true;
  suite.openSpreadsheet("file:///data/Plan.ods", "plan");

  runStaged(3);
  clock.set({2026, 12, 6, 13, 59, 16});
  runStaged(3);

  const std::vector<std::string> copies = filesIn("/data");
  // Two of the protected workbook, which cannot be told the same; one of the unchanged plan.
  ASSERT_EQ(copies.size(), 3u);
  for (const std::string& name : copies) {
    const std::string& bytes = files.files.at("/data/" + name);
    if (name.starts_with("Salaries")) {
      EXPECT_TRUE(IsEncryptedCopy(bytes)) << name;
      EXPECT_EQ(bytes.find("secret"), std::string::npos) << name;
    } else {
      EXPECT_EQ(bytes, "plan") << name;
    }
  }
  EXPECT_THAT(filesIn("/run/Tallyguard"), IsEmpty());
  EXPECT_THAT(dialogs.messages, IsEmpty());
}

// The office writes into the staging folder well enough; the copy's own folder refuses it, or its
// disk is full. Each is reported as its document's failure, leaves nothing behind, not even in the
// staging folder, and the next document is still copied.
TEST_F(StagedPass, AFolderThatTakesNoFileOrAFullDiskIsReportedAndThePassGoesOn) {
  files.directories.insert({"/locked", "/full"});
  files.readOnly.insert("/locked");
  suite.openSpreadsheet("file:///locked/Budget.ods", "budget");
  suite.openSpreadsheet("file:///data/Plan.ods", "plan");

  runStaged(0);

  EXPECT_THAT(reportedLines(), ElementsAre(182));
  EXPECT_THAT(reportText(0), HasSubstr("/locked/"));
  EXPECT_THAT(filesIn("/locked"), IsEmpty());
  EXPECT_THAT(filesIn("/run/Tallyguard"), IsEmpty());
  ASSERT_EQ(historyLines().size(), 1u);
  EXPECT_THAT(historyLines()[0], ::testing::StartsWith("Plan.ods was backup saved as /data/Plan"));

  files.readOnly.clear();
  files.full = true;
  runStaged(0);
  EXPECT_THAT(reportedLines(), ElementsAre(182, 182, 182));
  EXPECT_EQ(filesIn("/locked").size(), 0u);
  EXPECT_EQ(filesIn("/data").size(), 1u) << "only the first pass's copy of Plan";
}

// The office makes the folders a copy needs, nested ones too, but not inside a folder that takes
// no file; a document closed during its turn fails as a disposed one does, and the pass goes on
// to the next document.
TEST_F(CalcTest, TheOfficesRefusalsAreReportedOneByOneAndThePassGoesOn) {
  files.directories.insert("/locked");
  files.readOnly.insert("/locked");
  suite.openSpreadsheet("file:///gone/deeper/Budget.ods", "budget");
  suite.openSpreadsheet("file:///locked/sub/Stock.ods", "stock");
  MemoryDocument& closed = suite.openSpreadsheet("file:///data/Closed.ods", "closed");
  closed.callsUntilClosed = 3;  // closed by the user after its arguments were read
  suite.openSpreadsheet("file:///data/Plan.ods", "plan");

  runPass();

  EXPECT_THAT(reportedLines(), ElementsAre(182, 182));
  EXPECT_THAT(reportText(0), HasSubstr("The folder cannot be written."));
  EXPECT_THAT(reportText(1), HasSubstr("the office may have been closed"));
  EXPECT_EQ(files.files["/gone/deeper/Budget Backup.ods"], "budget");
  EXPECT_EQ(files.directories.count("/locked/sub"), 0u);
  EXPECT_EQ(files.files["/data/Plan Backup.ods"], "plan");
  EXPECT_FALSE(files.exists("/data/Closed Backup.ods"));
  EXPECT_EQ(historyLines().size(), 2u);
}

// Every step of the backup pass that can fail, with the line its report names and what the pass
// does after the report.
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
