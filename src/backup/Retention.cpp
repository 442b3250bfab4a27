#include "backup/Retention.h"

#include <algorithm>
#include <charconv>

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

bool Writable(const RecordedCopy& copy) {
  const auto unsafe = [](std::string_view text) {
    return text.find_first_of("\t\r\n") != std::string_view::npos;
  };
  return !unsafe(copy.document) && copy.path.find_first_of("\r\n") == std::string::npos &&
         !copy.path.empty();
}

}  // namespace

std::vector<RecordedCopy> ParseCopyRecord(std::string_view text) {
  std::vector<RecordedCopy> copies;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::vector<std::string_view> fields = SplitFields(line, 4);
    RecordedCopy copy;
    if (fields.size() != 4 || !ReadNumber(fields[1], copy.stamp.size) ||
        !ReadNumber(fields[2], copy.stamp.modifiedNanoseconds) || fields[3].empty()) {
      continue;
    }
    copy.document = fields[0];
    copy.path = fields[3];
    RecordCopy(copies, std::move(copy));
  }
  return copies;
}

std::string FormatCopyRecord(const std::vector<RecordedCopy>& copies) {
  std::string text;
  for (const RecordedCopy& copy : copies) {
    text += copy.document + '\t' + std::to_string(copy.stamp.size) + '\t' +
            std::to_string(copy.stamp.modifiedNanoseconds) + '\t' + copy.path + '\n';
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
  if (!Writable(copy)) return;  // never recorded, so never removed
  std::erase_if(record, [&](const RecordedCopy& old) { return old.path == copy.path; });
  record.push_back(std::move(copy));
}

std::vector<RecordedCopy> PruneCopies(std::vector<RecordedCopy>& record, std::string_view document,
                                      std::string_view folder, int keep, const PruneRules& rules) {
  std::vector<RecordedCopy> removed;
  if (keep <= 0) return removed;
  // The record is in the order the copies were made, so the newest come last.
  int newer = 0;
  for (auto entry = record.end(); entry != record.begin();) {
    --entry;
    if (entry->document != document || FolderPartOf(entry->path, rules.style) != folder) continue;
    if (rules.facts.stampOf(entry->path) != entry->stamp) {
      entry = record.erase(entry);  // no longer the file this program wrote
      continue;
    }
    if (++newer <= keep || rules.inUse(entry->path)) continue;
    removed.push_back(*entry);
    entry = record.erase(entry);
  }
  return removed;
}

}  // namespace tg
