#pragma once
// Every copy the program has made, by document, for the user who looks for an earlier version:
// read from the history log (one line per copy stored) and from the record of the copies kept,
// which alone knows where a document lies when its copies went into a folder of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "backup/Retention.h"
#include "common/PathStyle.h"
#include "common/ports/Clock.h"
#include "common/ports/FileFacts.h"
#include "common/ports/RegionalSettings.h"

namespace tg {

struct CatalogueCopy {
  std::string path;
  std::string madeAt;                 // the time as the history log shows it
  std::optional<LocalDateTime> time;  // that time read back, when it reads
};

struct CatalogueDocument {
  std::string name;    // the file name, as the history log shows it
  std::string folder;  // the document's own folder when known, else the folder of its copies
  std::vector<CatalogueCopy> copies;  // newest first; never empty
  const CatalogueCopy& newest() const { return copies.front(); }
};

// The documents with copies, the one copied last first. A file named in the log more than once
// (a " Backup" copy, replaced by every pass) is one copy, as its last line tells. A copy opened
// and itself copied is no document of its own: its copies are left out.
std::vector<CatalogueDocument> ReadCopyCatalogue(std::string_view historyLog,
                                                 const std::vector<RecordedCopy>& record,
                                                 PathStyle style, const RegionalSettings& regional);

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
// write a known moment. Nothing when the text does not read that way.
std::optional<LocalDateTime> ReadGeneralDate(std::string_view text,
                                             const RegionalSettings& regional);

// "2026-12-07T14:05:09".
std::string IsoDateTime(const LocalDateTime& when);

// "1.4 MB", "820 KB", "12 bytes".
std::string SizeText(std::uint64_t bytes);

// The copies of every document whose path holds `filter` (all when empty), one a line,
// newest first: document path, time (ISO 8601), size in bytes (empty when gone), copy path,
// "present" or "gone", separated by tabs.
std::string ListCopiesText(const std::vector<CatalogueDocument>& documents, std::string_view filter,
                           const FileFacts& facts);

}  // namespace tg
