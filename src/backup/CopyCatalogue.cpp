#include "backup/CopyCatalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "backup/BackupNaming.h"
#include "backup/CopyKeeping.h"

namespace tg {
namespace {

constexpr std::string_view SavedAs = " was backup saved as ";
constexpr std::string_view At = " at ";

struct LoggedCopy {
  std::string name;
  std::string path;
  std::string madeAt;
};

// "<file name> was backup saved as <backup path> at <date>"; other lines (the removals) are not
// copies. A name may hold " at ", the date never does.
std::optional<LoggedCopy> ReadCopyLine(std::string_view line) {
  const size_t savedAs = line.find(SavedAs);
  if (savedAs == std::string_view::npos) return std::nullopt;
  const size_t at = line.rfind(At);
  if (at == std::string_view::npos || at < savedAs + SavedAs.size()) return std::nullopt;
  std::string_view path = line.substr(savedAs + SavedAs.size(), at - savedAs - SavedAs.size());
  if (path.empty()) return std::nullopt;
  // The log shows the office's part of a path as the office spells it ("%20" for a blank).
  return LoggedCopy{DecodeUrlEscapes(line.substr(0, savedAs)), DecodeUrlEscapes(path),
                    std::string(line.substr(at + At.size()))};
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lowered;
}

// The runs of digits of a text, as numbers with their width.
struct Number {
  int value = 0;
  size_t digits = 0;
};
std::vector<Number> NumbersIn(std::string_view text) {
  std::vector<Number> numbers;
  for (size_t i = 0; i < text.size();) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    Number number;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
      if (number.digits < 9) number.value = number.value * 10 + (text[i] - '0');
      ++number.digits;
    }
    numbers.push_back(number);
  }
  return numbers;
}

enum class Part { Year, Month, Day, Hour, Minute, Second };

// Which part each number of a written moment is, from how the settings write 2001-02-03
// 16:05:06 (or 4 PM): every part has a value of its own there.
std::optional<std::vector<Part>> PartsInOrder(const std::vector<Number>& probe, bool date) {
  std::vector<Part> parts;
  for (const Number& number : probe) {
    if (date) {
      if (number.value == 2001 || number.value == 1)
        parts.push_back(Part::Year);
      else if (number.value == 2)
        parts.push_back(Part::Month);
      else if (number.value == 3)
        parts.push_back(Part::Day);
      else
        return std::nullopt;
    } else {
      if (number.value == 16 || number.value == 4)
        parts.push_back(Part::Hour);
      else if (number.value == 5)
        parts.push_back(Part::Minute);
      else if (number.value == 6)
        parts.push_back(Part::Second);
      else
        return std::nullopt;
    }
  }
  return parts;
}

void Assign(LocalDateTime& when, Part part, const Number& number) {
  switch (part) {
    case Part::Year:
      when.year = number.digits <= 2 ? 2000 + number.value : number.value;
      break;
    case Part::Month:
      when.month = number.value;
      break;
    case Part::Day:
      when.day = number.value;
      break;
    case Part::Hour:
      when.hour = number.value;
      break;
    case Part::Minute:
      when.minute = number.value;
      break;
    case Part::Second:
      when.second = number.value;
      break;
  }
}

bool Plausible(const LocalDateTime& when) {
  return when.month >= 1 && when.month <= 12 && when.day >= 1 && when.day <= 31 &&
         when.hour <= 23 && when.minute <= 59 && when.second <= 60;
}

}  // namespace

std::optional<LocalDateTime> ReadGeneralDate(std::string_view text,
                                             const RegionalSettings& regional) {
  const LocalDateTime probe{2001, 2, 3, 16, 5, 6};
  const std::optional<std::vector<Part>> dateParts =
      PartsInOrder(NumbersIn(regional.shortDate(probe)), true);
  const std::string probeTime = regional.longTime(probe);
  const std::optional<std::vector<Part>> timeParts = PartsInOrder(NumbersIn(probeTime), false);
  if (!dateParts || !timeParts || dateParts->size() != 3) return std::nullopt;
  const bool twelveHours = probeTime.find("16") == std::string::npos;

  const std::vector<Number> numbers = NumbersIn(text);
  // Midnight is written as the date alone.
  if (numbers.size() != dateParts->size() && numbers.size() != 3 + timeParts->size())
    return std::nullopt;
  LocalDateTime when{};
  for (size_t i = 0; i < numbers.size(); ++i) {
    Assign(when, i < 3 ? (*dateParts)[i] : (*timeParts)[i - 3], numbers[i]);
  }
  if (twelveHours && numbers.size() > 3) {
    const std::string pm = regional.pmDesignator();
    const bool afternoon = !pm.empty() && text.find(pm) != std::string_view::npos;
    if (when.hour == 12) when.hour = 0;
    if (afternoon) when.hour += 12;
  }
  if (!Plausible(when)) return std::nullopt;
  return when;
}

std::string IsoDateTime(const LocalDateTime& when) {
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d", when.year, when.month,
                when.day, when.hour, when.minute, when.second);
  return text.data();
}

std::string SizeText(std::uint64_t bytes) {
  const auto oneDecimal = [](double value, const char* unit) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), value < 10 ? "%.1f %s" : "%.0f %s", value, unit);
    return std::string(text.data());
  };
  if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
  if (bytes < 1024 * 1024) return oneDecimal(static_cast<double>(bytes) / 1024, "KB");
  return oneDecimal(static_cast<double>(bytes) / (1024.0 * 1024.0), "MB");
}

std::vector<CatalogueDocument> ReadCopyCatalogue(std::string_view historyLog,
                                                 const std::vector<RecordedCopy>& record,
                                                 PathStyle style,
                                                 const RegionalSettings& regional) {
  // Where each recorded copy's document lies.
  std::unordered_map<std::string_view, std::string> documentOfCopy;
  for (const RecordedCopy& copy : record) {
    if (copy.document.starts_with("untitled:")) continue;
    documentOfCopy[copy.path] = FileOfUrl(copy.document, style);
  }

  // Newest line first, so the first sight of a copy is its last line.
  const std::vector<std::string_view> lines = Lines(historyLog);
  std::vector<CatalogueDocument> documents;
  std::unordered_map<std::string, size_t> documentAt;  // by the document's path
  std::unordered_set<std::string> copyPaths;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    std::optional<LoggedCopy> logged = ReadCopyLine(*line);
    if (!logged || !copyPaths.insert(logged->path).second) continue;
    const auto recorded = documentOfCopy.find(logged->path);
    // Without the record, a copy is taken to lie beside its document, as it does by default.
    const std::string document = recorded != documentOfCopy.end()
                                     ? recorded->second
                                     : FolderPartOf(logged->path, style) + logged->name;
    auto [at, isNew] = documentAt.try_emplace(document, documents.size());
    if (isNew) {
      documents.push_back({logged->name, FolderPartOf(document, style), {}});
    }
    documents[at->second].copies.push_back(
        {logged->path, logged->madeAt, ReadGeneralDate(logged->madeAt, regional)});
  }
  std::erase_if(documents, [&](const CatalogueDocument& document) {
    return copyPaths.count(document.folder + document.name) > 0;
  });
  return documents;
}

bool MatchesFilter(const CatalogueDocument& document, std::string_view filter) {
  if (filter.empty()) return true;
  return Lowered(document.folder + document.name).find(Lowered(filter)) != std::string::npos;
}

CopyOnDisk LookAtCopy(const FileFacts& facts, std::string_view path) {
  const std::optional<FileStamp> stamp = facts.stampOf(path);
  if (!stamp) return {};
  return {true, stamp->size};
}

std::string ListCopiesText(const std::vector<CatalogueDocument>& documents, std::string_view filter,
                           const FileFacts& facts) {
  std::string text;
  for (const CatalogueDocument& document : documents) {
    if (!MatchesFilter(document, filter)) continue;
    for (const CatalogueCopy& copy : document.copies) {
      const CopyOnDisk disk = LookAtCopy(facts, copy.path);
      text += document.folder + document.name + '\t';
      text += copy.time ? IsoDateTime(*copy.time) : copy.madeAt;
      text += '\t' + (disk.present ? std::to_string(disk.size) : std::string()) + '\t';
      text += copy.path + '\t' + (disk.present ? "present" : "gone") + '\n';
    }
  }
  return text;
}

}  // namespace tg
