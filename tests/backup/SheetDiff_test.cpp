// What changed between two versions of a workbook, as people read it: rows and columns inserted
// or deleted are lined up, so only the cells that really changed are listed.

#include "backup/SheetDiff.h"

#include <gtest/gtest.h>

namespace tg {
namespace {

// A sheet from rows of texts; short rows are filled with empty cells.
SheetCells Sheet(std::string name, const std::vector<std::vector<std::string>>& rows) {
  SheetCells sheet;
  sheet.name = std::move(name);
  sheet.rows = rows.size();
  for (const auto& row : rows) sheet.columns = std::max(sheet.columns, row.size());
  for (const auto& row : rows) {
    for (size_t c = 0; c < sheet.columns; ++c) sheet.cells.push_back(c < row.size() ? row[c] : "");
  }
  return sheet;
}

// A ledger of `rows` rows: a name, an amount and a running total.
std::vector<std::vector<std::string>> Ledger(int rows) {
  std::vector<std::vector<std::string>> lines;
  for (int r = 0; r < rows; ++r) {
    lines.push_back(
        {"item " + std::to_string(r), std::to_string(r * 7 % 13), std::to_string(r * (r + 1) / 2)});
  }
  return lines;
}

TEST(SheetDiff, InsertedColumnsAndDeletedRowsAreLinedUpAroundTheOneChangedCell) {
  std::vector<std::vector<std::string>> before = Ledger(200);
  std::vector<std::vector<std::string>> after = before;
  after.erase(after.begin() + 5);                               // row 6 deleted
  for (auto& row : after) row.insert(row.begin() + 1, "note");  // a column B inserted
  after[150][2] = "changed";                                    // C151 now, B152 then

  const std::vector<CellChange> changes =
      CompareWorkbooks({Sheet("Sheet1", before)}, {Sheet("Sheet1", after)});
  ASSERT_EQ(changes.size(), 3u) << DiffText(changes);
  EXPECT_EQ(changes[0].kind, ChangeKind::ColumnInserted);
  EXPECT_EQ(PlaceOf(changes[0]), "column B");
  EXPECT_EQ(changes[1].kind, ChangeKind::RowDeleted);
  EXPECT_EQ(PlaceOf(changes[1]), "row 6");
  EXPECT_EQ(changes[1].before, "item 5 | 9 | 15");
  EXPECT_EQ(changes[2],
            (CellChange{ChangeKind::Cell, "Sheet1", 150, 2, before[151][1], "changed"}));
}

// A column of results recomputed throughout is still the same column, its every cell changed;
// and a row rewritten whole is still that row.
TEST(SheetDiff, AColumnOrRowWhoseEveryCellChangedIsChangedNotReplaced) {
  std::vector<std::vector<std::string>> before = Ledger(20);
  std::vector<std::vector<std::string>> after = before;
  for (auto& row : after) row[2] = row[2] + "0";
  after[3] = {"x", "y", "z"};
  const std::vector<CellChange> changes =
      CompareWorkbooks({Sheet("S", before)}, {Sheet("S", after)});
  ASSERT_EQ(changes.size(), 22u) << DiffText(changes);
  for (const CellChange& change : changes) EXPECT_EQ(change.kind, ChangeKind::Cell);
}

TEST(SheetDiff, SheetsAreMatchedByName) {
  const SheetCells same = Sheet("Same", {{"1"}});
  const std::vector<CellChange> changes =
      CompareWorkbooks({same, Sheet("Old", {{"a"}})}, {Sheet("New", {{"a"}}), same});
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].kind, ChangeKind::SheetRemoved);
  EXPECT_EQ(changes[0].sheet, "Old");
  EXPECT_EQ(changes[1].kind, ChangeKind::SheetAdded);
  EXPECT_EQ(changes[1].sheet, "New");
  EXPECT_TRUE(CompareWorkbooks({same}, {same}).empty());
}

// The lines cross from the command line to the window: cells with tabs, line breaks and
// backslashes arrive as they were, and a line that does not read is left out.
TEST(SheetDiff, LinesReadBackAsTheChangesTheyTell) {
  const std::vector<CellChange> changes{
      {ChangeKind::Cell, "Q1\t2026", 9, 27, "a\tb\nc", "C:\\new"},
      {ChangeKind::RowInserted, "Q1\t2026", 2, 0, "", "x | y"},
      {ChangeKind::ColumnDeleted, "Q1\t2026", 0, 701, "1 | 2", ""},
      {ChangeKind::SheetAdded, "Notes", 0, 0, "", ""}};
  const std::string text = DiffText(changes);
  EXPECT_EQ(text.substr(0, text.find('\n')), "changed\tQ1\\t2026\tAB10\ta\\tb\\nc\tC:\\\\new");
  EXPECT_EQ(ParseDiffText(text + "changed\tS\tnot a cell\t1\t2\nnonsense\n"), changes);
  EXPECT_EQ(PlaceOf(changes[2]), "column ZZ");
}

}  // namespace
}  // namespace tg
