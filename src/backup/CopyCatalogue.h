#pragma once
// Every copy the program has made, by document, for the user who looks for an earlier version:
// read from the history log (one line per copy stored) and from the record of the copies kept,
// which alone knows where a document lies when its copies went into a folder of their own.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "backup/Retention.h"
#include "common/PathStyle.h"
#include "common/ports/Clock.h"
#include "common/ports/FileFacts.h"
#include "common/ports/RegionalSettings.h"

namespace tg {

struct CatalogueCopy {
  std::string_view path;
  std::optional<LocalDateTime> time;  // when it was made, as the history log tells
  std::string_view unreadTime;        // the log's text of that time, when it did not read
};

// When the copy was made, as the history log writes times.
std::string MadeAt(const CatalogueCopy& copy, const RegionalSettings& regional);

struct CatalogueDocument {
  std::string name;    // the file name
  std::string folder;  // the document's own folder when known, else the folder of its copies
  std::span<const CatalogueCopy> copies;  // newest first; never empty
  const CatalogueCopy& newest() const { return copies.front(); }
};

// The documents with copies, the one copied last first. A file named in the log more than once
// (a " Backup" copy, replaced by every pass) is one copy, as its last line tells. A copy opened
// and itself copied is no document of its own: its copies are left out. The copies' texts live
// in the catalogue: it moves, but is never copied.
class CopyCatalogue {
 public:
  CopyCatalogue() = default;
  // `exists`, when given, settles a logged path that holds "%": the log spells the office's part
  // of a path escaped ("%20" for a blank) and a typed folder as it is ("a%20b" for that very
  // name), so the spelling that names a file on disk is taken.
  CopyCatalogue(std::string_view historyLog, const std::vector<RecordedCopy>& record,
                PathStyle style, const RegionalSettings& regional,
                const std::function<bool(const std::string& path)>& exists = nullptr);
  CopyCatalogue(CopyCatalogue&&) = default;
  CopyCatalogue& operator=(CopyCatalogue&&) = default;
  CopyCatalogue(const CopyCatalogue&) = delete;
  CopyCatalogue& operator=(const CopyCatalogue&) = delete;

  const std::vector<CatalogueDocument>& documents() const { return documents_; }

 private:
  using ExistsCheck = std::function<bool(const std::string& path)>;
  // A copy's line in the log: whose copy, where, when.
  struct Sighting {
    std::uint32_t document;
    std::string_view path;  // as the log spells it
    std::string_view madeAt;
  };
  std::vector<Sighting> readSightings(
      std::string_view historyLog,
      const std::unordered_map<std::string_view, std::string>& documentOfCopy, PathStyle style,
      std::unordered_map<std::string, std::uint32_t>& documentAt);
  void keepCopies(const std::vector<Sighting>& seen, const RegionalSettings& regional,
                  const ExistsCheck& exists);
  void dropCopiesOfCopies(const std::unordered_map<std::string, std::uint32_t>& documentAt);
  std::string_view keepText(std::string_view text);
  std::string_view keepPath(std::string_view logged, const ExistsCheck& exists);

  std::string text_;  // every copy's path (and unread time), one after the other
  std::vector<CatalogueCopy> copies_;
  std::vector<CatalogueDocument> documents_;
};

// True when the history log names the file `path` as a copy it made.
bool IsLoggedCopy(std::string_view historyLog, std::string_view path);

// True when `filter` is empty or found in the document's path, regardless of case.
bool MatchesFilter(const CatalogueDocument& document, std::string_view filter);

// What is known of a copy's file now.
struct CopyOnDisk {
  bool present = false;
  std::uint64_t size = 0;
};
CopyOnDisk LookAtCopy(const FileFacts& facts, std::string_view path);

// Reads a history line's time, written by GeneralDate under the same regional settings: the
// order of the day, month and year and of the clock's parts is learnt from how the settings
// write a known moment, once. Nothing when the text does not read that way.
class GeneralDateReader {
 public:
  explicit GeneralDateReader(const RegionalSettings& regional);
  std::optional<LocalDateTime> read(std::string_view text) const;

  enum class Part { Year, Month, Day, Hour, Minute, Second };

 private:
  std::vector<Part> parts_;  // of the date, then of the time; none when they cannot be learnt
  bool twelveHours_ = false;
  std::string pm_;
};
std::optional<LocalDateTime> ReadGeneralDate(std::string_view text,
                                             const RegionalSettings& regional);

// "2026-12-07T14:05:09".
std::string IsoDateTime(const LocalDateTime& when);

// "1.4 MB", "820 KB", "12 bytes".
std::string SizeText(std::uint64_t bytes);

// The copies of every document whose path holds `filter` (all when empty), one a line,
// newest first: document path, time (ISO 8601), size in bytes (empty when gone), copy path,
// "present" or "gone", separated by tabs. Where names may hold tabs and line breaks (POSIX),
// those and backslashes are escaped within a field (EscapedField), so every line has its five
// fields; Windows names hold neither, and its paths are written as Windows shows them.
std::string ListCopiesText(const std::vector<CatalogueDocument>& documents, std::string_view filter,
                           const FileFacts& facts, PathStyle style);

}  // namespace tg
