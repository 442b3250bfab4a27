#include "backup/SheetDiff.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

#include "backup/Retention.h"

namespace tg {
namespace {

using Hash = std::uint64_t;
using Pairs = std::vector<std::pair<std::size_t, std::size_t>>;  // (earlier, later), ascending

// Beyond this many edits between two row orders the rows are lined up by position: a sheet
// rewritten that much reads no better lined up, and the search would cost memory.
constexpr std::size_t MostEditsLinedUp = 2000;
// Lining up by likeness compares every pair of a stretch; beyond this many pairs, by position.
constexpr std::size_t MostPairsWeighed = 250000;

Hash Mixed(Hash seed, Hash value) {
  return seed ^ (value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2));
}

Hash HashOf(const std::string& text) { return std::hash<std::string>{}(text); }

// The pairs of a longest common run of `a` and `b` under equal keys (Myers' search, forward,
// remembering each round's reach to walk back); nothing when they differ by more than `mostEdits`.
std::optional<Pairs> CommonRun(std::span<const Hash> a, std::span<const Hash> b,
                               std::size_t mostEdits) {
  const long n = static_cast<long>(a.size());
  const long m = static_cast<long>(b.size());
  const long most = n + m;
  const long offset = most + 1;
  std::vector<long> reach(static_cast<std::size_t>(2 * most + 3), 0);
  std::vector<std::vector<long>> rounds;  // round d: reach for k from -d to d
  long last = -1;
  for (long d = 0; d <= most && static_cast<std::size_t>(d) <= mostEdits; ++d) {
    for (long k = -d; k <= d; k += 2) {
      const bool down = k == -d || (k != d && reach[static_cast<std::size_t>(offset + k - 1)] <
                                                  reach[static_cast<std::size_t>(offset + k + 1)]);
      long x = down ? reach[static_cast<std::size_t>(offset + k + 1)]
                    : reach[static_cast<std::size_t>(offset + k - 1)] + 1;
      long y = x - k;
      while (x < n && y < m && a[static_cast<std::size_t>(x)] == b[static_cast<std::size_t>(y)]) {
        ++x;
        ++y;
      }
      reach[static_cast<std::size_t>(offset + k)] = x;
      if (x >= n && y >= m) last = d;
    }
    rounds.emplace_back(reach.begin() + offset - d, reach.begin() + offset + d + 1);
    if (last >= 0) break;
  }
  if (last < 0) return std::nullopt;
  Pairs pairs;
  long x = n, y = m;
  for (long d = last; d >= 0; --d) {
    const long k = x - y;
    long startX = 0;
    long previousX = 0, previousY = 0;
    if (d > 0) {
      const std::vector<long>& before = rounds[static_cast<std::size_t>(d - 1)];
      auto at = [&](long kk) { return before[static_cast<std::size_t>(kk + d - 1)]; };
      const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
      const long previousK = down ? k + 1 : k - 1;
      previousX = at(previousK);
      previousY = previousX - previousK;
      startX = down ? previousX : previousX + 1;
    }
    for (long sx = x, sy = y; sx > startX; --sx, --sy) {
      pairs.emplace_back(static_cast<std::size_t>(sx - 1), static_cast<std::size_t>(sy - 1));
    }
    x = previousX;
    y = previousY;
  }
  std::reverse(pairs.begin(), pairs.end());
  return pairs;
}

// The pairs of a longest common run under `alike`, by weighing every pair (for short stretches).
Pairs CommonRunByLikeness(std::size_t n, std::size_t m,
                          const std::function<bool(std::size_t, std::size_t)>& alike) {
  std::vector<std::uint32_t> length((n + 1) * (m + 1), 0);
  auto cell = [&](std::size_t i, std::size_t j) -> std::uint32_t& {
    return length[i * (m + 1) + j];
  };
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = m; j-- > 0;) {
      cell(i, j) = alike(i, j) ? cell(i + 1, j + 1) + 1 : std::max(cell(i + 1, j), cell(i, j + 1));
    }
  }
  Pairs pairs;
  for (std::size_t i = 0, j = 0; i < n && j < m;) {
    if (alike(i, j) && cell(i, j) == cell(i + 1, j + 1) + 1) {
      pairs.emplace_back(i++, j++);
    } else if (cell(i + 1, j) >= cell(i, j + 1)) {
      ++i;
    } else {
      ++j;
    }
  }
  return pairs;
}

// Between pairs already made, the unpaired on both sides of each gap are paired by position: a
// row or column whose every cell changed is still the same row, changed.
Pairs WithGapsPaired(const Pairs& pairs, std::size_t n, std::size_t m) {
  Pairs all;
  std::size_t i = 0, j = 0;
  auto fillGap = [&](std::size_t untilI, std::size_t untilJ) {
    while (i < untilI && j < untilJ) all.emplace_back(i++, j++);
    i = untilI;
    j = untilJ;
  };
  for (const auto& [pi, pj] : pairs) {
    fillGap(pi, pj);
    all.emplace_back(i++, j++);
  }
  fillGap(n, m);
  return all;
}

// Share of the texts two lists hold in common, as multisets, over the longer; two empty lists
// are alike.
double Likeness(const std::vector<Hash>& a, const std::vector<Hash>& b) {
  if (a.empty() && b.empty()) return 1.0;
  std::size_t common = 0;
  for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
    if (a[i] == b[j]) {
      ++common, ++i, ++j;
    } else if (a[i] < b[j]) {
      ++i;
    } else {
      ++j;
    }
  }
  return static_cast<double>(common) / static_cast<double>(std::max(a.size(), b.size()));
}

// Each column's filled cells as sorted hashes: alike whatever rows were inserted between them.
std::vector<std::vector<Hash>> ColumnContents(const SheetCells& sheet) {
  std::vector<std::vector<Hash>> columns(sheet.columns);
  for (std::size_t c = 0; c < sheet.columns; ++c) {
    for (std::size_t r = 0; r < sheet.rows; ++r) {
      if (!sheet.at(r, c).empty()) columns[c].push_back(HashOf(sheet.at(r, c)));
    }
    std::sort(columns[c].begin(), columns[c].end());
  }
  return columns;
}

constexpr double Alike = 0.5;

Pairs LineUpColumns(const SheetCells& a, const SheetCells& b) {
  const std::vector<std::vector<Hash>> left = ColumnContents(a);
  const std::vector<std::vector<Hash>> right = ColumnContents(b);
  // Mostly the columns stay where they were.
  if (a.columns == b.columns) {
    bool inPlace = true;
    for (std::size_t c = 0; c < a.columns && inPlace; ++c) {
      inPlace = Likeness(left[c], right[c]) >= Alike;
    }
    if (inPlace) return WithGapsPaired({}, a.columns, b.columns);
  }
  if (a.columns * b.columns > MostPairsWeighed / 4) {
    return WithGapsPaired({}, a.columns, b.columns);
  }
  return WithGapsPaired(CommonRunByLikeness(a.columns, b.columns,
                                            [&](std::size_t i, std::size_t j) {
                                              return Likeness(left[i], right[j]) >= Alike;
                                            }),
                        a.columns, b.columns);
}

std::string RowText(const SheetCells& sheet, std::size_t row) {
  std::size_t end = sheet.columns;
  while (end > 0 && sheet.at(row, end - 1).empty()) --end;
  std::string text;
  for (std::size_t c = 0; c < end; ++c) {
    if (c) text += " | ";
    text += sheet.at(row, c);
  }
  return text;
}

std::string ColumnText(const SheetCells& sheet, std::size_t column) {
  std::size_t end = sheet.rows;
  while (end > 0 && sheet.at(end - 1, column).empty()) --end;
  std::string text;
  for (std::size_t r = 0; r < end; ++r) {
    if (r) text += " | ";
    text += sheet.at(r, column);
  }
  return text;
}

class SheetComparison {
 public:
  SheetComparison(const SheetCells& a, const SheetCells& b, std::vector<CellChange>& out)
      : a_(a), b_(b), out_(out) {}

  void run() {
    columns_ = LineUpColumns(a_, b_);
    reportColumns();
    const std::vector<Hash> left = rowKeys(a_, true);
    const std::vector<Hash> right = rowKeys(b_, false);
    Pairs rows = lineUpRows(left, right);
    std::size_t i = 0, j = 0;
    for (const auto& [pi, pj] : rows) {
      for (; i < pi; ++i) change(ChangeKind::RowDeleted, i, 0, RowText(a_, i), "");
      for (; j < pj; ++j) change(ChangeKind::RowInserted, j, 0, "", RowText(b_, j));
      compareRow(pi, pj);
      i = pi + 1;
      j = pj + 1;
    }
    for (; i < a_.rows; ++i) change(ChangeKind::RowDeleted, i, 0, RowText(a_, i), "");
    for (; j < b_.rows; ++j) change(ChangeKind::RowInserted, j, 0, "", RowText(b_, j));
  }

 private:
  void change(ChangeKind kind, std::size_t row, std::size_t column, std::string before,
              std::string after) {
    out_.push_back({kind, b_.name, row, column, std::move(before), std::move(after)});
  }

  void reportColumns() {
    std::size_t i = 0, j = 0;
    for (const auto& [pi, pj] : columns_) {
      for (; i < pi; ++i) change(ChangeKind::ColumnDeleted, 0, i, ColumnText(a_, i), "");
      for (; j < pj; ++j) change(ChangeKind::ColumnInserted, 0, j, "", ColumnText(b_, j));
      i = pi + 1;
      j = pj + 1;
    }
    for (; i < a_.columns; ++i) change(ChangeKind::ColumnDeleted, 0, i, ColumnText(a_, i), "");
    for (; j < b_.columns; ++j) change(ChangeKind::ColumnInserted, 0, j, "", ColumnText(b_, j));
  }

  // A row's key over the columns both versions have, so an inserted column changes no row.
  std::vector<Hash> rowKeys(const SheetCells& sheet, bool earlier) const {
    std::vector<Hash> keys(sheet.rows, 0);
    for (std::size_t r = 0; r < sheet.rows; ++r) {
      Hash key = 0;
      for (const auto& [ci, cj] : columns_)
        key = Mixed(key, HashOf(sheet.at(r, earlier ? ci : cj)));
      keys[r] = key;
    }
    return keys;
  }

  std::size_t sameCells(std::size_t ra, std::size_t rb) const {
    std::size_t same = 0;
    for (const auto& [ci, cj] : columns_) same += a_.at(ra, ci) == b_.at(rb, cj);
    return same;
  }

  bool rowsAlike(std::size_t ra, std::size_t rb) const {
    std::size_t filled = 0, same = 0;
    for (const auto& [ci, cj] : columns_) {
      const std::string& x = a_.at(ra, ci);
      const std::string& y = b_.at(rb, cj);
      if (x.empty() && y.empty()) continue;
      ++filled;
      same += x == y;
    }
    return filled == 0 || static_cast<double>(same) >= Alike * static_cast<double>(filled);
  }

  // Equal rows by their keys; the stretches between them by likeness, then by position.
  Pairs lineUpRows(const std::vector<Hash>& left, const std::vector<Hash>& right) const {
    std::size_t head = 0;
    while (head < left.size() && head < right.size() && left[head] == right[head]) ++head;
    std::size_t tail = 0;
    while (tail < left.size() - head && tail < right.size() - head &&
           left[left.size() - 1 - tail] == right[right.size() - 1 - tail]) {
      ++tail;
    }
    const std::span<const Hash> midA(left.data() + head, left.size() - head - tail);
    const std::span<const Hash> midB(right.data() + head, right.size() - head - tail);
    Pairs equal = CommonRun(midA, midB, MostEditsLinedUp).value_or(Pairs{});
    Pairs rows;
    for (std::size_t r = 0; r < head; ++r) rows.emplace_back(r, r);
    std::size_t i = 0, j = 0;
    auto stretch = [&](std::size_t untilI, std::size_t untilJ) {
      for (const auto& [si, sj] : pairStretch(head + i, head + untilI, head + j, head + untilJ)) {
        rows.emplace_back(si, sj);
      }
    };
    for (const auto& [ei, ej] : equal) {
      stretch(ei, ej);
      rows.emplace_back(head + ei, head + ej);
      i = ei + 1;
      j = ej + 1;
    }
    stretch(midA.size(), midB.size());
    for (std::size_t t = tail; t > 0; --t) rows.emplace_back(left.size() - t, right.size() - t);
    return rows;
  }

  Pairs pairStretch(std::size_t fromA, std::size_t toA, std::size_t fromB, std::size_t toB) const {
    const std::size_t n = toA - fromA, m = toB - fromB;
    if (n == 0 || m == 0) return {};
    Pairs local = n * m <= MostPairsWeighed
                      ? WithGapsPaired(CommonRunByLikeness(n, m,
                                                           [&](std::size_t i, std::size_t j) {
                                                             return rowsAlike(fromA + i, fromB + j);
                                                           }),
                                       n, m)
                      : WithGapsPaired({}, n, m);
    for (auto& [i, j] : local) {
      i += fromA;
      j += fromB;
    }
    return local;
  }

  void compareRow(std::size_t ra, std::size_t rb) {
    for (const auto& [ci, cj] : columns_) {
      const std::string& x = a_.at(ra, ci);
      const std::string& y = b_.at(rb, cj);
      if (x != y) change(ChangeKind::Cell, rb, cj, x, y);
    }
  }

  const SheetCells& a_;
  const SheetCells& b_;
  std::vector<CellChange>& out_;
  Pairs columns_;
};

constexpr std::array<std::pair<ChangeKind, std::string_view>, 7> KindWords{{
    {ChangeKind::Cell, "changed"},
    {ChangeKind::RowInserted, "row inserted"},
    {ChangeKind::RowDeleted, "row deleted"},
    {ChangeKind::ColumnInserted, "column inserted"},
    {ChangeKind::ColumnDeleted, "column deleted"},
    {ChangeKind::SheetAdded, "sheet added"},
    {ChangeKind::SheetRemoved, "sheet removed"},
}};

std::optional<std::size_t> ReadCount(std::string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value;
}

std::optional<std::size_t> ReadColumn(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  std::size_t value = 0;
  for (char c : text) {
    if (c < 'A' || c > 'Z') return std::nullopt;
    value = value * 26 + static_cast<std::size_t>(c - 'A' + 1);
  }
  return value - 1;
}

// Reads PlaceOf's text back into the change.
bool ReadPlace(std::string_view place, CellChange& change) {
  switch (change.kind) {
    case ChangeKind::SheetAdded:
    case ChangeKind::SheetRemoved:
      return place.empty();
    case ChangeKind::RowInserted:
    case ChangeKind::RowDeleted: {
      if (!place.starts_with("row ")) return false;
      const std::optional<std::size_t> row = ReadCount(place.substr(4));
      if (!row || *row == 0) return false;
      change.row = *row - 1;
      return true;
    }
    case ChangeKind::ColumnInserted:
    case ChangeKind::ColumnDeleted: {
      if (!place.starts_with("column ")) return false;
      const std::optional<std::size_t> column = ReadColumn(place.substr(7));
      if (!column) return false;
      change.column = *column;
      return true;
    }
    case ChangeKind::Cell: {
      const std::size_t digits = place.find_first_of("0123456789");
      if (digits == std::string_view::npos) return false;
      const std::optional<std::size_t> column = ReadColumn(place.substr(0, digits));
      const std::optional<std::size_t> row = ReadCount(place.substr(digits));
      if (!column || !row || *row == 0) return false;
      change.column = *column;
      change.row = *row - 1;
      return true;
    }
  }
  return false;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::vector<CellChange> CompareWorkbooks(const WorkbookCells& before, const WorkbookCells& after) {
  std::vector<CellChange> changes;
  auto named = [](const WorkbookCells& book, const std::string& name) -> const SheetCells* {
    for (const SheetCells& sheet : book) {
      if (sheet.name == name) return &sheet;
    }
    return nullptr;
  };
  for (const SheetCells& sheet : before) {
    if (!named(after, sheet.name))
      changes.push_back({ChangeKind::SheetRemoved, sheet.name, 0, 0, "", ""});
  }
  for (const SheetCells& sheet : after) {
    if (const SheetCells* earlier = named(before, sheet.name)) {
      SheetComparison(*earlier, sheet, changes).run();
    } else {
      changes.push_back({ChangeKind::SheetAdded, sheet.name, 0, 0, "", ""});
    }
  }
  return changes;
}

std::string ColumnName(std::size_t column) {
  std::string name;
  for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26) {
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return name;
}

std::string CellName(std::size_t row, std::size_t column) {
  return ColumnName(column) + std::to_string(row + 1);
}

std::string PlaceOf(const CellChange& change) {
  switch (change.kind) {
    case ChangeKind::Cell:
      return CellName(change.row, change.column);
    case ChangeKind::RowInserted:
    case ChangeKind::RowDeleted:
      return "row " + std::to_string(change.row + 1);
    case ChangeKind::ColumnInserted:
    case ChangeKind::ColumnDeleted:
      return "column " + ColumnName(change.column);
    case ChangeKind::SheetAdded:
    case ChangeKind::SheetRemoved:
      return "";
  }
  return "";
}

std::string_view KindWord(ChangeKind kind) {
  for (const auto& [known, word] : KindWords) {
    if (known == kind) return word;
  }
  return "";
}

std::string DiffText(const std::vector<CellChange>& changes) {
  std::string text;
  for (const CellChange& change : changes) {
    text += std::string(KindWord(change.kind)) + '\t' + EscapedField(change.sheet) + '\t' +
            PlaceOf(change) + '\t' + EscapedField(change.before) + '\t' +
            EscapedField(change.after) + '\n';
  }
  return text;
}

std::vector<CellChange> ParseDiffText(std::string_view text) {
  std::vector<CellChange> changes;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::vector<std::string_view> fields = Fields(text.substr(start, end - start));
    start = end + 1;
    if (fields.size() != 5) continue;
    CellChange change;
    const auto kind = std::find_if(KindWords.begin(), KindWords.end(),
                                   [&](const auto& pair) { return pair.second == fields[0]; });
    if (kind == KindWords.end()) continue;
    change.kind = kind->first;
    std::optional<std::string> sheet = UnescapedField(fields[1]);
    std::optional<std::string> before = UnescapedField(fields[3]);
    std::optional<std::string> after = UnescapedField(fields[4]);
    if (!sheet || !before || !after || !ReadPlace(fields[2], change)) continue;
    change.sheet = std::move(*sheet);
    change.before = std::move(*before);
    change.after = std::move(*after);
    changes.push_back(std::move(change));
  }
  return changes;
}

}  // namespace tg
