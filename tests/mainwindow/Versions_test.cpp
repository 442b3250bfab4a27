// The Versions window's logic over in-memory files: what it lists, and the three ways back to a
// copy with their refusals.

#include "mainwindow/Versions.h"

#include <gtest/gtest.h>

#include "backup/CopyKeeping.h"
#include "backup/HistoryLog.h"
#include "memory/MemoryFileFacts.h"
#include "memory/MemoryFileSystem.h"
#include "memory/MemoryPrivateState.h"
#include "memory/MemorySettingsBackend.h"
#include "memory/MemoryShell.h"
#include "memory/MemoryVersionsView.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace tg {
namespace {

class VersionsTest : public ::testing::Test {
 protected:
  VersionsTest() {
    log("Budget.ods", "/data/Budget Date 1.ods", 1);
    log("Stock.ods", "/data/Stock Date 1.ods", 2);
    log("Budget.ods", "/data/Budget Date 2.ods", 3);
    files.files["/data/Budget Date 1.ods"] = "first version";
    files.files["/data/Stock Date 1.ods"] = "stock";
    files.directories.insert("/data");
  }

  void log(std::string_view name, std::string_view copy, int minute) {
    files.files["/tmp/Tallyguard.txt"] +=
        HistoryLine(name, copy, {2026, 12, 7, 9, minute, 0}, regional) + "\r\n";
  }

  Versions& open() {
    versions = std::make_unique<Versions>(
        view, VersionsPorts{files, facts, nullptr, regional, shell, office, settings,
                            PathStyle::Posix, "/tmp/Tallyguard.txt"});
    return *versions;
  }

  MemoryFileSystem files;
  MemoryFileFacts facts{files};
  UnitedStatesRegionalSettings regional;
  MemoryShell shell;
  MemoryOfficeDocuments office;
  MemorySettingsBackend settings;
  MemoryVersionsView view;
  std::unique_ptr<Versions> versions;
};

// Opened, the document copied last is chosen with its newest copy; typing narrows the list and
// keeps the chosen document while it matches.
TEST_F(VersionsTest, TheListNarrowsAsTheUserTypesAndAGoneCopyCannotBeActedOn) {
  open();
  ASSERT_EQ(view.documents.size(), 2u);
  EXPECT_EQ(view.documents[0].name, "Budget.ods");
  EXPECT_EQ(view.documents[0].newestCopy, "12/7/2026 9:03:00 AM");
  EXPECT_EQ(view.chosenDocument, 0);
  ASSERT_EQ(view.copies.size(), 2u);
  // The newest copy was removed since: greyed, without a size, and nothing acts on it.
  EXPECT_FALSE(view.copies[0].present);
  EXPECT_EQ(view.copies[0].size, "");
  EXPECT_FALSE(view.openEnabled || view.showInFolderEnabled || view.saveAsEnabled);
  EXPECT_NE(view.status.find("no longer on disk"), std::string::npos);
  view.pickCopy(1);
  EXPECT_TRUE(view.copies[1].present);
  EXPECT_EQ(view.copies[1].size, "13 bytes");
  EXPECT_TRUE(view.openEnabled && view.showInFolderEnabled && view.saveAsEnabled);

  view.typeFilter("stock");
  ASSERT_EQ(view.documents.size(), 1u);
  EXPECT_EQ(view.documents[0].name, "Stock.ods");
  EXPECT_EQ(view.chosenDocument, 0);
  EXPECT_EQ(view.copies.size(), 1u);
  view.typeFilter("st");  // Stock.ods still matches: it stays chosen
  EXPECT_EQ(view.chosenDocument, 0);
  view.typeFilter("nothing like it");
  EXPECT_TRUE(view.documents.empty());
  EXPECT_TRUE(view.copies.empty());
  EXPECT_FALSE(view.openEnabled);
}

TEST_F(VersionsTest, OpenGoesToTheRunningOfficeElseToTheDesktopsApplication) {
  open();
  view.pickCopy(1);
  view.openClicked();
  EXPECT_EQ(office.opened, std::vector<std::string>{"/data/Budget Date 1.ods"});
  EXPECT_NE(view.status.find("read-only"), std::string::npos);
  office.running = false;
  view.openClicked();
  EXPECT_EQ(shell.openedDocuments, std::vector<std::string>{"/data/Budget Date 1.ods"});
  view.showInFolderClicked();
  EXPECT_EQ(shell.shownInFileManager, std::vector<std::string>{"/data/Budget Date 1.ods"});
  shell.failDocuments = true;
  view.openClicked();
  ASSERT_EQ(view.told.size(), 1u);
  EXPECT_EQ(view.told[0].rfind("The copy could not be opened: ", 0), 0u);
}

// Save As is the way back without the office: never over a file the office has open (its lock
// file lies beside it), never over the copy itself.
TEST_F(VersionsTest, SaveAsWritesTheCopyWhereAskedButNeverOverAnOpenDocumentOrItself) {
  files.files["/data/Budget.ods"] = "today's work";
  files.files["/data/.~lock.Budget.ods#"] = "office";
  open();
  view.pickCopy(1);
  view.saveAnswers = {"/data/Budget.ods", "/data/Budget Date 1.ods", std::nullopt,
                      "/data/Budget restored.ods"};
  view.saveAsClicked();
  EXPECT_EQ(view.suggested, "/data/Budget Date 1.ods");
  EXPECT_EQ(files.files["/data/Budget.ods"], "today's work");
  view.saveAsClicked();
  view.saveAsClicked();  // cancelled
  ASSERT_EQ(view.told.size(), 2u);
  EXPECT_NE(view.told[0].find("is open in the office"), std::string::npos);
  EXPECT_NE(view.told[1].find("the copy itself"), std::string::npos);
  EXPECT_FALSE(files.exists("/data/Budget restored.ods"));
  view.saveAsClicked();
  EXPECT_EQ(files.files["/data/Budget restored.ods"], "first version");
  EXPECT_EQ(view.status, "Saved Budget Date 1.ods as /data/Budget restored.ods.");
}

// An office with lock files off leaves none: it is asked, and one that cannot answer is taken
// to have the file open. A new file needs no question.
TEST_F(VersionsTest, SaveAsAsksTheOfficeAndWritesNothingItCannotBeSureOf) {
  files.files["/data/Budget.ods"] = "today's work";
  office.opened = {"/data/Budget.ods"};
  open();
  view.pickCopy(1);
  view.saveAnswers = {"/data/Budget.ods", "/data/Budget.ods", "/data/New.ods"};
  view.saveAsClicked();
  office.answers = false;
  view.saveAsClicked();
  view.saveAsClicked();
  EXPECT_EQ(files.files["/data/Budget.ods"], "today's work");
  ASSERT_EQ(view.told.size(), 2u);
  EXPECT_NE(view.told[0].find("is open in the office"), std::string::npos);
  EXPECT_EQ(view.told[1],
            "Whether the office has /data/Budget.ods open could not be learned, so it was not "
            "written over: the office did not answer within a minute.");
  EXPECT_EQ(files.files["/data/New.ods"], "first version");
}

TEST_F(VersionsTest, TheWindowReopensAtTheSizeItWasClosedAtAndTellsWhenThereIsNothing) {
  bool finished = false;
  open().finished = [&] { finished = true; };
  view.windowSize = {1010, 640};
  view.close();
  EXPECT_TRUE(finished);
  view.windowSize = {};
  files.files.erase("/tmp/Tallyguard.txt");
  open();
  EXPECT_EQ(view.windowSize.width, 1010);
  EXPECT_EQ(view.windowSize.height, 640);
  EXPECT_TRUE(view.documents.empty());
  EXPECT_EQ(view.status, "No copies yet: every backup adds its copies here.");
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// Restore asks its one sentence first, and only a Yes restores; afterwards the list holds the
// copy of the state from before, for the restore to be undone from the same list.
TEST_F(VersionsTest, RestoreAsksFirstAndListsTheStateKeptBeforeIt) {
  files.files["/data/Budget Date 2.ods"] = "second version";
  open();
  view.pickCopy(1);
  ASSERT_TRUE(view.restoreEnabled);
  view.confirmAnswer = false;
  view.restoreClicked();
  ASSERT_EQ(view.asked.size(), 1u);
  EXPECT_EQ(view.asked[0],
            "Budget.ods will get the content of its copy of 12/7/2026 9:01:00 AM; its current "
            "state is kept as a copy first.");
  EXPECT_TRUE(office.restored.empty());

  view.confirmAnswer = true;
  // What the child did: it kept the state as a copy and logged it.
  log("Budget.ods", "/data/Budget Date 4.ods before restoring", 4);
  files.files["/data/Budget Date 4.ods"] = "the state before";
  office.childAnswer = {0, "", "Budget.ods has the copy's content; its state before is kept...\n"};
  view.restoreClicked();
  EXPECT_EQ(office.restored, std::vector<std::string>{"/data/Budget Date 1.ods"});
  EXPECT_EQ(view.status, "Budget.ods has the copy's content; its state before is kept...");
  ASSERT_EQ(view.copies.size(), 3u) << "the list was read again";
  EXPECT_EQ(view.copies[0].madeAt, "12/7/2026 9:04:00 AM");
  EXPECT_EQ(view.documents[view.chosenDocument].name, "Budget.ods");

  office.childAnswer = {1, "Budget.ods is open in another office.", ""};
  view.restoreClicked();
  ASSERT_EQ(view.told.size(), 1u);
  EXPECT_EQ(view.told[0], "The copy was not restored: Budget.ods is open in another office.");
}

// Compare runs against the workbook, or against the copy before; the changes' places read as a
// person says them.
TEST_F(VersionsTest, CompareListsTheChangesBetweenTheVersionsChosen) {
  files.files["/data/Budget Date 2.ods"] = "second version";
  open();
  ASSERT_TRUE(view.compareEnabled);
  EXPECT_TRUE(view.comparePreviousEnabled);
  office.childAnswer = {1, "",
                        DiffText({{ChangeKind::RowInserted, "Sheet1", 2, 0, "", "a | b"},
                                  {ChangeKind::Cell, "Sheet1", 9, 2, "1", "2"}})};
  view.formulas = true;
  view.compareClicked();
  EXPECT_EQ(office.compared.back(), "/data/Budget Date 2.ods||=");
  EXPECT_EQ(view.changes, (std::vector<ChangeRow>{{"Sheet1", "row 3 inserted", "", "a | b"},
                                                  {"Sheet1", "C10", "1", "2"}}));
  EXPECT_EQ(view.changesTitle, "from the copy of 12/7/2026 9:03:00 AM to Budget.ods as it is now");
  view.formulas = false;
  view.comparePreviousClicked();
  EXPECT_EQ(office.compared.back(), "/data/Budget Date 1.ods|/data/Budget Date 2.ods");

  view.pickCopy(1);  // the oldest has none before it
  EXPECT_FALSE(view.comparePreviousEnabled);
  office.childAnswer = {0, "", ""};
  view.compareClicked();
  EXPECT_EQ(view.status,
            "No cell differs: from the copy of 12/7/2026 9:01:00 AM to Budget.ods as it is now.");
}

// Keep marks the chosen copy in the record, where Keep Copies and thinning read it; a copy the
// record does not hold (a user's file, a " Backup" copy) is never removed, so it has no Keep.
TEST_F(VersionsTest, KeepMarksTheChosenRecordedCopyAndOnlyThat) {
  MemoryPrivateState state;
  RecordedCopy first;
  first.document = "/data/Budget.ods";
  first.stamp = {13, 1};
  first.path = "/data/Budget Date 1.ods";
  state.files[std::string(CopyRecordName)] = FormatCopyRecord({first});
  versions = std::make_unique<Versions>(
      view, VersionsPorts{files, facts, &state, regional, shell, office, settings, PathStyle::Posix,
                          "/tmp/Tallyguard.txt"});
  view.pickCopy(1);
  ASSERT_TRUE(view.keepEnabled);
  EXPECT_FALSE(view.keptShown);
  view.keepClicked();
  EXPECT_TRUE(view.keptShown);
  EXPECT_TRUE(ParseCopyRecord(state.files[std::string(CopyRecordName)]).at(0).pinned);
  EXPECT_EQ(
      view.status,
      "The copy of 12/7/2026 9:01:00 AM is kept: neither Keep Copies nor thinning removes it.");
  view.keepClicked();
  EXPECT_FALSE(IsCopyPinned(state, "/data/Budget Date 1.ods"));
  view.typeFilter("Stock");
  EXPECT_FALSE(view.keepEnabled) << "a copy outside the record";
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// A change chosen in the list is shown in the workbook, where the later version has it.
TEST_F(VersionsTest, AChosenChangeIsShownInTheWorkbook) {
  files.files["/data/Budget Date 2.ods"] = "second version";
  open();
  office.childAnswer = {1, "",
                        DiffText({{ChangeKind::RowDeleted, "Sheet1", 4, 0, "gone | row", ""},
                                  {ChangeKind::Cell, "Q1", 9, 2, "1", "2"},
                                  {ChangeKind::SheetRemoved, "Old", 0, 0, "", ""}})};
  view.compareClicked();
  view.changeChosen(1);
  view.changeChosen(0);
  view.changeChosen(2);  // a sheet no longer there has no place to show
  EXPECT_EQ(office.shownCells,
            (std::vector<std::string>{"/data/Budget.ods|Q1|C10", "/data/Budget.ods|Sheet1|"}));
  office.childAnswer = {1, "Budget.ods has no sheet \"Q1\" now.", ""};
  view.changeChosen(1);
  EXPECT_EQ(view.told.back(),
            "The change could not be shown in the office: Budget.ods has no sheet \"Q1\" now.");
}

}  // namespace
}  // namespace tg
