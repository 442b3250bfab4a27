#include "backup/Retention.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <optional>
#include <set>
#include <utility>

#include "backup/BackupNaming.h"

namespace tg {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line, size_t count) {
  std::vector<std::string_view> fields;
  while (fields.size() + 1 < count) {
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return {};
    fields.push_back(line.substr(0, tab));
    line.remove_prefix(tab + 1);
  }
  fields.push_back(line);  // the path comes last and may hold anything but a line break
  return fields;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& number) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

constexpr std::string_view PinnedMark = "pinned\t";
constexpr std::string_view RemovingMark = "removing\t";
constexpr std::string_view UnsureMark = "unsure\t";
constexpr std::string_view SavedFileMark = "saved:";
constexpr std::string_view EscapedMark = "escaped\t";

// A character of a field and the letter that stands for it behind a backslash.
constexpr std::array<std::pair<char, char>, 4> Escapes = {
    {{'\t', 't'}, {'\n', 'n'}, {'\r', 'r'}, {'\\', '\\'}}};

bool TakeMark(std::string_view& line, std::string_view mark) {
  if (!line.starts_with(mark)) return false;
  line.remove_prefix(mark.size());
  return true;
}

// "saved:<size>:<time>" and a tab; nothing when the line has no such mark.
std::optional<FileStamp> TakeSavedFile(std::string_view& line) {
  if (!line.starts_with(SavedFileMark)) return std::nullopt;
  const size_t colon = line.find(':', SavedFileMark.size());
  const size_t tab = line.find('\t');
  if (colon == std::string_view::npos || tab == std::string_view::npos || colon > tab) {
    return std::nullopt;
  }
  FileStamp stamp;
  const std::string_view size = line.substr(SavedFileMark.size(), colon - SavedFileMark.size());
  const std::string_view time = line.substr(colon + 1, tab - colon - 1);
  if (!ReadNumber(size, stamp.size) || !ReadNumber(time, stamp.modifiedNanoseconds)) {
    return std::nullopt;
  }
  line.remove_prefix(tab + 1);
  return stamp;
}

bool NeedsEscapes(const RecordedCopy& copy) {
  return copy.document.find_first_of("\t\r\n") != std::string::npos ||
         copy.path.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

std::optional<std::string> UnescapedField(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      plain += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    const auto escape = std::find_if(Escapes.begin(), Escapes.end(),
                                     [&](const auto& pair) { return pair.second == text[i]; });
    if (escape == Escapes.end()) return std::nullopt;
    plain += escape->first;
  }
  return plain;
}

namespace {

std::optional<RecordedCopy> ReadRecordLine(std::string_view line) {
  RecordedCopy copy;
  copy.pinned = TakeMark(line, PinnedMark);
  copy.removing = TakeMark(line, RemovingMark);
  copy.unsure = TakeMark(line, UnsureMark);
  copy.savedFile = TakeSavedFile(line);
  const bool escaped = TakeMark(line, EscapedMark);
  const std::vector<std::string_view> fields = SplitFields(line, 4);
  if (fields.size() != 4 || !ReadNumber(fields[1], copy.stamp.size) ||
      !ReadNumber(fields[2], copy.stamp.modifiedNanoseconds) || fields[3].empty()) {
    return std::nullopt;
  }
  if (!escaped) {
    copy.document = fields[0];
    copy.path = fields[3];
    return copy;
  }
  std::optional<std::string> document = UnescapedField(fields[0]);
  std::optional<std::string> path = UnescapedField(fields[3]);
  if (!document || !path) return std::nullopt;
  copy.document = std::move(*document);
  copy.path = std::move(*path);
  return copy;
}

constexpr std::int64_t SecondsPerDay = 24 * 60 * 60;
constexpr std::int64_t DaysKeptWhole = 30;  // the newest copy of each day stays this long

// Seconds since 1970-01-01 00:00 on the local calendar: as the clock's face reads, so a day is
// a calendar day, and the summer-time shift is no hour of anyone's work lost or gained.
std::int64_t CalendarSeconds(const LocalDateTime& when) {
  using namespace std::chrono;
  const sys_days date{year{when.year} / month{static_cast<unsigned>(when.month)} /
                      day{static_cast<unsigned>(when.day)}};
  return std::int64_t{date.time_since_epoch().count()} * SecondsPerDay + when.hour * 3600 +
         when.minute * 60 + when.second;
}

std::int64_t DayOf(std::int64_t calendarSeconds) {
  return calendarSeconds / SecondsPerDay - (calendarSeconds % SecondsPerDay < 0 ? 1 : 0);
}

// The day of the Monday that begins the week of `day` (weeks as ISO 8601 counts them).
std::int64_t WeekOf(std::int64_t day) {
  using namespace std::chrono;
  const sys_days date{days{day}};
  return day - (weekday(date).iso_encoding() - 1);
}

// The age rule, asked of a document's copies newest first.
class AgeThinning {
 public:
  explicit AgeThinning(const Clock& clock) : clock_(clock), now_(CalendarSeconds(clock.now())) {}

  bool keeps(const RecordedCopy& copy) {
    const std::int64_t at = CalendarSeconds(clock_.localTimeOf(copy.stamp.modifiedNanoseconds));
    const std::int64_t day = DayOf(at);
    // Every copy is seen, whatever else keeps it: the newest of a day or week is the last made
    // in it, not the last this rule happens to keep.
    const bool newestOfDay = days_.insert(day).second;
    const bool newestOfWeek = weeks_.insert(WeekOf(day)).second;
    const bool newest = std::exchange(first_, false);
    const std::int64_t age = now_ - at;
    if (newest || age < SecondsPerDay) return true;
    return age < DaysKeptWhole * SecondsPerDay ? newestOfDay : newestOfWeek;
  }

 private:
  const Clock& clock_;
  std::int64_t now_;
  bool first_ = true;
  std::set<std::int64_t> days_;
  std::set<std::int64_t> weeks_;
};

}  // namespace

std::string EscapedField(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    const auto escape = std::find_if(Escapes.begin(), Escapes.end(),
                                     [c](const auto& pair) { return pair.first == c; });
    if (escape == Escapes.end()) {
      escaped += c;
    } else {
      escaped += '\\';
      escaped += escape->second;
    }
  }
  return escaped;
}

std::vector<RecordedCopy> ParseCopyRecord(std::string_view text) {
  std::vector<RecordedCopy> copies;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (std::optional<RecordedCopy> copy = ReadRecordLine(line)) {
      RecordCopy(copies, std::move(*copy));
    }
  }
  return copies;
}

std::string FormatCopyRecord(const std::vector<RecordedCopy>& copies) {
  std::string text;
  for (const RecordedCopy& copy : copies) {
    if (copy.pinned) text += PinnedMark;
    if (copy.removing) text += RemovingMark;
    if (copy.unsure) text += UnsureMark;
    if (copy.savedFile) {
      text += std::string(SavedFileMark) + std::to_string(copy.savedFile->size) + ':' +
              std::to_string(copy.savedFile->modifiedNanoseconds) + '\t';
    }
    const bool escaped = NeedsEscapes(copy);
    if (escaped) text += EscapedMark;
    text += (escaped ? EscapedField(copy.document) : copy.document) + '\t' +
            std::to_string(copy.stamp.size) + '\t' +
            std::to_string(copy.stamp.modifiedNanoseconds) + '\t' +
            (escaped ? EscapedField(copy.path) : copy.path) + '\n';
  }
  return text;
}

int KeepCountOf(std::string_view text) {
  int count = 0;
  if (!ReadNumber(text, count) || count < 0) return 0;
  return count;
}

bool ThinsCopies(std::string_view text) { return text == ThinCopiesOn; }

bool IsStampedCopy(std::string_view backupPath, std::string_view extension) {
  constexpr std::string_view FixedName = " Backup";
  const std::string base = RemoveExtension(backupPath, extension);
  return base.size() < FixedName.size() ||
         std::string_view(base).substr(base.size() - FixedName.size()) != FixedName;
}

void RecordCopy(std::vector<RecordedCopy>& record, RecordedCopy copy) {
  if (copy.path.empty()) return;
  std::erase_if(record, [&](const RecordedCopy& old) { return old.path == copy.path; });
  record.push_back(std::move(copy));
}

std::vector<RecordedCopy> PruneCopies(std::vector<RecordedCopy>& record, std::string_view document,
                                      std::string_view folder, int keep, const PruneRules& rules) {
  std::vector<RecordedCopy> removed;
  if (keep <= 0 && !rules.thinBy) return removed;
  std::optional<AgeThinning> thinning;
  if (rules.thinBy) thinning.emplace(*rules.thinBy);
  // Entries are taken out in one sweep at the end: a year of copies is thousands of entries.
  enum class Fate : char { Stays, Dropped, Removed };
  std::vector<Fate> fates(record.size(), Fate::Stays);
  // The record is in the order the copies were made, so the newest come last.
  int newer = 0;
  int versionsKept = 0;
  bool versionKept = false;
  bool newerBeganAVersion = true;  // the copy visited before (a newer one) began its version
  for (size_t i = record.size(); i-- > 0;) {
    const RecordedCopy& entry = record[i];
    if (entry.removing || entry.document != document ||
        FolderPartOf(entry.path, rules.style) != folder) {
      continue;
    }
    if (rules.facts.stampOf(entry.path) != entry.stamp) {
      fates[i] = Fate::Dropped;  // no longer the file this program wrote
      continue;
    }
    // Keep Copies counts only what it keeps itself: a pinned copy is no version of its.
    const bool newestOfItsVersion = newerBeganAVersion;
    newerBeganAVersion = !entry.unsure;
    if (newestOfItsVersion) versionKept = false;
    const bool keptByCount = ++newer <= keep || (newestOfItsVersion && versionsKept < keep);
    if (keptByCount && !versionKept) {
      versionKept = true;
      ++versionsKept;
    }
    const bool keptByAge = thinning && thinning->keeps(entry);
    if (keptByCount || keptByAge || entry.pinned || rules.inUse(entry.path)) continue;
    fates[i] = Fate::Removed;
    removed.push_back(entry);
  }
  size_t kept = 0;
  for (size_t i = 0; i < record.size(); ++i) {
    if (fates[i] != Fate::Stays) continue;
    if (kept != i) record[kept] = std::move(record[i]);
    ++kept;
  }
  record.erase(record.begin() + static_cast<std::ptrdiff_t>(kept), record.end());
  return removed;
}

}  // namespace tg
