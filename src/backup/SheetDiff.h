#pragma once
// What changed between two versions of a workbook, cell by cell, the way a person reads it: rows
// and columns inserted or deleted are lined up first, so a row inserted near the top is one
// change, not every cell below it; then the cells that differ in the rows and columns both
// versions have, sheet by sheet.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// One sheet's used area from its first cell (A1), row by row.
struct SheetCells {
  std::string name;
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::vector<std::string> cells;  // rows * columns texts; an empty cell is ""
  const std::string& at(std::size_t row, std::size_t column) const {
    return cells[row * columns + column];
  }
};
using WorkbookCells = std::vector<SheetCells>;

enum class ChangeKind {
  Cell,
  RowInserted,
  RowDeleted,
  ColumnInserted,
  ColumnDeleted,
  SheetAdded,
  SheetRemoved
};

struct CellChange {
  ChangeKind kind = ChangeKind::Cell;
  std::string sheet;
  // From 0. A cell and an inserted row or column are numbered as in the later version, a deleted
  // one as in the earlier; a sheet's change has neither.
  std::size_t row = 0;
  std::size_t column = 0;
  std::string before;  // a deleted row or column shows its cells here, an inserted one in after
  std::string after;
  bool operator==(const CellChange&) const = default;
};

std::vector<CellChange> CompareWorkbooks(const WorkbookCells& before, const WorkbookCells& after);

// "A", "Z", "AA", ... for a column from 0; "B7" for a cell.
std::string ColumnName(std::size_t column);
std::string CellName(std::size_t row, std::size_t column);

// Where the change is, as the user finds it: "B7", "row 3", "column C", or "" for a sheet.
std::string PlaceOf(const CellChange& change);
// "changed", "row inserted", "row deleted", "column inserted", "column deleted", "sheet added",
// "sheet removed".
std::string_view KindWord(ChangeKind kind);

// One change a line: what, sheet, place, before, after, separated by tabs; a tab, a line break
// or a backslash in a sheet's name or a cell is escaped (\t, \n, \r, \\) so every line has its
// five fields.
std::string DiffText(const std::vector<CellChange>& changes);
// The lines DiffText wrote, back; a line that does not read that way is left out.
std::vector<CellChange> ParseDiffText(std::string_view text);

}  // namespace tg
