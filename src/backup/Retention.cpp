#include "backup/Retention.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
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
  if (keep <= 0) return removed;
  // The record is in the order the copies were made, so the newest come last.
  int newer = 0;
  int versionsKept = 0;
  bool versionKept = false;
  bool newerBeganAVersion = true;  // the copy visited before (a newer one) began its version
  for (auto entry = record.end(); entry != record.begin();) {
    --entry;
    if (entry->removing || entry->document != document ||
        FolderPartOf(entry->path, rules.style) != folder) {
      continue;
    }
    if (rules.facts.stampOf(entry->path) != entry->stamp) {
      entry = record.erase(entry);  // no longer the file this program wrote
      continue;
    }
    const bool newestOfItsVersion = newerBeganAVersion;
    newerBeganAVersion = !entry->unsure;
    if (newestOfItsVersion) versionKept = false;
    const bool kept = ++newer <= keep || (newestOfItsVersion && versionsKept < keep);
    if (kept && !versionKept) {
      versionKept = true;
      ++versionsKept;
    }
    if (kept || rules.inUse(entry->path)) continue;
    removed.push_back(*entry);
    entry = record.erase(entry);
  }
  return removed;
}

}  // namespace tg
