#include "backup/CopyCatalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "backup/BackupNaming.h"
#include "backup/CopyKeeping.h"
#include "backup/HistoryLog.h"

namespace tg {
namespace {

using Part = GeneralDateReader::Part;

constexpr std::string_view SavedAs = " was backup saved as ";
constexpr std::string_view At = " at ";

struct LoggedCopy {
  std::string_view name;
  std::string_view path;
  std::string_view madeAt;
};

// "<file name> was backup saved as <backup path> at <date>"; other lines (the removals) are not
// copies. A name may hold " at ", the date never does.
std::optional<LoggedCopy> ReadCopyLine(std::string_view line) {
  const size_t savedAs = line.find(SavedAs);
  if (savedAs == std::string_view::npos) return std::nullopt;
  const size_t at = line.rfind(At);
  if (at == std::string_view::npos || at < savedAs + SavedAs.size()) return std::nullopt;
  std::string_view path = line.substr(savedAs + SavedAs.size(), at - savedAs - SavedAs.size());
  for (std::string_view occasion : {BeforeClosingMark, BeforeRestoringMark}) {
    if (path.ends_with(occasion)) path.remove_suffix(occasion.size());
  }
  if (path.empty()) return std::nullopt;
  return LoggedCopy{line.substr(0, savedAs), path, line.substr(at + At.size())};
}

// The log shows the office's part of a path as the office spells it ("%20" for a blank). Into a
// buffer that is used again: the log has a line per copy ever made.
void DecodeInto(std::string& decoded, std::string_view text) {
  if (text.find('%') == std::string_view::npos) {
    decoded.assign(text);
  } else {
    decoded = DecodeUrlEscapes(text);
  }
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

// The runs of digits of a text, as numbers with their width: no more than a date and a time
// hold, which is all that is ever read (one more tells a text that is no such moment).
struct Number {
  int value = 0;
  size_t digits = 0;
};
struct Numbers {
  std::array<Number, 7> found{};
  size_t count = 0;
  auto begin() const { return found.begin(); }
  auto end() const { return found.begin() + static_cast<std::ptrdiff_t>(count); }
  size_t size() const { return count; }
  const Number& operator[](size_t i) const { return found[i]; }
};
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

Numbers NumbersIn(std::string_view text) {
  Numbers numbers;
  for (size_t i = 0; i < text.size() && numbers.count < numbers.found.size();) {
    if (!IsDigit(text[i])) {
      ++i;
      continue;
    }
    Number& number = numbers.found[numbers.count++];
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      if (number.digits < 9) number.value = number.value * 10 + (text[i] - '0');
      ++number.digits;
    }
  }
  return numbers;
}

std::optional<std::vector<Part>> PartsInOrder(const Numbers& probe, bool date) {
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

GeneralDateReader::GeneralDateReader(const RegionalSettings& regional)
    : pm_(regional.pmDesignator()) {
  const LocalDateTime probe{2001, 2, 3, 16, 5, 6};
  std::optional<std::vector<Part>> dateParts =
      PartsInOrder(NumbersIn(regional.shortDate(probe)), true);
  const std::string probeTime = regional.longTime(probe);
  std::optional<std::vector<Part>> timeParts = PartsInOrder(NumbersIn(probeTime), false);
  if (!dateParts || !timeParts || dateParts->size() != 3) return;
  parts_ = std::move(*dateParts);
  parts_.insert(parts_.end(), timeParts->begin(), timeParts->end());
  twelveHours_ = probeTime.find("16") == std::string::npos;
}

std::optional<LocalDateTime> GeneralDateReader::read(std::string_view text) const {
  if (parts_.empty()) return std::nullopt;
  const Numbers numbers = NumbersIn(text);
  // Midnight is written as the date alone.
  if (numbers.size() != 3 && numbers.size() != parts_.size()) return std::nullopt;
  LocalDateTime when{};
  for (size_t i = 0; i < numbers.size(); ++i) Assign(when, parts_[i], numbers[i]);
  if (twelveHours_ && numbers.size() > 3) {
    const bool afternoon = !pm_.empty() && text.find(pm_) != std::string_view::npos;
    if (when.hour == 12) when.hour = 0;
    if (afternoon) when.hour += 12;
  }
  if (!Plausible(when)) return std::nullopt;
  return when;
}

std::optional<LocalDateTime> ReadGeneralDate(std::string_view text,
                                             const RegionalSettings& regional) {
  return GeneralDateReader(regional).read(text);
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

namespace {

// Where each recorded copy's document lies, by the copy's path.
std::unordered_map<std::string_view, std::string> DocumentsOfRecordedCopies(
    const std::vector<RecordedCopy>& record, PathStyle style) {
  std::unordered_map<std::string_view, std::string> documentOfCopy;
  for (const RecordedCopy& copy : record) {
    if (copy.document.starts_with("untitled:")) continue;
    documentOfCopy[copy.path] = FileOfUrl(copy.document, style);
  }
  return documentOfCopy;
}

}  // namespace

// The whole log is read into few large blocks: a view per copy into one text, and the copies of
// all documents in one array. A program that idles in the tray for days gets all of it back from
// the C library when the window closes, which thousands of small blocks would not give.
CopyCatalogue::CopyCatalogue(std::string_view historyLog, const std::vector<RecordedCopy>& record,
                             PathStyle style, const RegionalSettings& regional,
                             const std::function<bool(const std::string& path)>& exists) {
  const std::unordered_map<std::string_view, std::string> documentOfCopy =
      DocumentsOfRecordedCopies(record, style);
  std::unordered_map<std::string, std::uint32_t> documentAt;  // by the document's path
  const std::vector<Sighting> seen = readSightings(historyLog, documentOfCopy, style, documentAt);
  keepCopies(seen, regional, exists);
  dropCopiesOfCopies(documentAt);
}

// Every copy line, newest first, so the first sight of a copy is its last line; each document
// gets its place in documents_ at its first sight.
std::vector<CopyCatalogue::Sighting> CopyCatalogue::readSightings(
    std::string_view historyLog,
    const std::unordered_map<std::string_view, std::string>& documentOfCopy, PathStyle style,
    std::unordered_map<std::string, std::uint32_t>& documentAt) {
  const std::vector<std::string_view> lines = Lines(historyLog);
  std::vector<Sighting> seen;
  seen.reserve(lines.size());
  std::string path, name, documentPath;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    const std::optional<LoggedCopy> logged = ReadCopyLine(*line);
    if (!logged) continue;
    DecodeInto(path, logged->path);
    const auto recorded = documentOfCopy.find(path);
    // Without the record, a copy is taken to lie beside its document, as it does by default.
    if (recorded != documentOfCopy.end()) {
      documentPath = recorded->second;
    } else {
      DecodeInto(name, logged->name);
      const size_t separator = path.rfind(Separator(style));
      documentPath.assign(path, 0, separator == std::string::npos ? 0 : separator + 1);
      documentPath += name;
    }
    auto at = documentAt.find(documentPath);
    if (at == documentAt.end()) {
      at = documentAt.emplace(documentPath, static_cast<std::uint32_t>(documents_.size())).first;
      documents_.push_back(
          {FileNameOf(documentPath, style), FolderPartOf(documentPath, style), {}});
    }
    seen.push_back({at->second, logged->path, logged->madeAt});
  }
  return seen;
}

// Each document's copies together, newest first, their texts decoded into text_.
void CopyCatalogue::keepCopies(const std::vector<Sighting>& seen, const RegionalSettings& regional,
                               const std::function<bool(const std::string& path)>& exists) {
  // Each document's sightings one after another, in the order seen: order[starts[d]] up to
  // order[starts[d + 1]] are document d's.
  std::vector<std::uint32_t> starts(documents_.size() + 1, 0);
  for (const Sighting& copy : seen) ++starts[copy.document + 1];
  std::partial_sum(starts.begin(), starts.end(), starts.begin());
  std::vector<const Sighting*> order(seen.size());
  std::vector<std::uint32_t> next(starts.begin(), starts.end() - 1);
  for (const Sighting& copy : seen) order[next[copy.document]++] = &copy;

  // Decoding never lengthens a text, so the text never moves once reserved.
  size_t textSize = 16;  // beyond a string's own small buffer: the views survive moves
  for (const Sighting& copy : seen) textSize += copy.path.size() + copy.madeAt.size();
  text_.reserve(textSize);
  copies_.reserve(seen.size());
  const GeneralDateReader dates(regional);
  std::unordered_set<std::string_view> inDocument;
  for (size_t document = 0; document < documents_.size(); ++document) {
    const size_t first = copies_.size();
    inDocument.clear();
    for (std::uint32_t i = starts[document]; i < starts[document + 1]; ++i) {
      const Sighting& logged = *order[i];
      // A file logged again (a " Backup" copy, replaced by every pass) is one copy.
      if (!inDocument.insert(logged.path).second) continue;
      CatalogueCopy& copy = copies_.emplace_back();
      copy.path = keepPath(logged.path, exists);
      copy.time = dates.read(logged.madeAt);
      if (!copy.time) copy.unreadTime = keepText(logged.madeAt);
    }
    documents_[document].copies =
        std::span<const CatalogueCopy>(copies_.data() + first, copies_.size() - first);
  }
}

std::string_view CopyCatalogue::keepText(std::string_view text) {
  const size_t at = text_.size();
  if (text.find('%') == std::string_view::npos) {
    text_ += text;
  } else {
    text_ += DecodeUrlEscapes(text);
  }
  return std::string_view(text_).substr(at);
}

std::string_view CopyCatalogue::keepPath(
    std::string_view logged, const std::function<bool(const std::string& path)>& exists) {
  if (exists && logged.find('%') != std::string_view::npos) {
    const std::string asLogged(logged);
    if (!exists(DecodeUrlEscapes(logged)) && exists(asLogged)) {
      const size_t at = text_.size();
      text_ += logged;
      return std::string_view(text_).substr(at);
    }
  }
  return keepText(logged);
}

// A copy opened and itself copied is no document of its own.
void CopyCatalogue::dropCopiesOfCopies(
    const std::unordered_map<std::string, std::uint32_t>& documentAt) {
  std::unordered_map<std::string_view, size_t> documentNamed;
  for (const auto& [key, index] : documentAt) documentNamed.emplace(key, index);
  std::vector<bool> copyOfACopy(documents_.size(), false);
  for (const CatalogueCopy& copy : copies_) {
    const auto found = documentNamed.find(copy.path);
    if (found != documentNamed.end()) copyOfACopy[found->second] = true;
  }
  size_t kept = 0;
  for (size_t i = 0; i < documents_.size(); ++i) {
    if (copyOfACopy[i]) continue;
    if (kept != i) documents_[kept] = std::move(documents_[i]);
    ++kept;
  }
  documents_.resize(kept);
}

bool IsLoggedCopy(std::string_view historyLog, std::string_view path) {
  std::string logged;
  for (std::string_view line : Lines(historyLog)) {
    const std::optional<LoggedCopy> copy = ReadCopyLine(line);
    if (!copy) continue;
    DecodeInto(logged, copy->path);
    if (logged == path) return true;
  }
  return false;
}

std::string MadeAt(const CatalogueCopy& copy, const RegionalSettings& regional) {
  return copy.time ? GeneralDate(*copy.time, regional) : std::string(copy.unreadTime);
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
                           const FileFacts& facts, PathStyle style) {
  const auto field = [style](std::string_view text) {
    return style == PathStyle::Posix ? EscapedField(text) : std::string(text);
  };
  std::string text;
  for (const CatalogueDocument& document : documents) {
    if (!MatchesFilter(document, filter)) continue;
    for (const CatalogueCopy& copy : document.copies) {
      const CopyOnDisk disk = LookAtCopy(facts, copy.path);
      text += field(document.folder + document.name) + '\t';
      text += field(copy.time ? IsoDateTime(*copy.time) : copy.unreadTime);
      text += '\t' + (disk.present ? std::to_string(disk.size) : std::string()) + '\t';
      text += field(copy.path) + '\t' + (disk.present ? "present" : "gone") + '\n';
    }
  }
  return text;
}

}  // namespace tg
