#pragma once
// Keeping the newest N stamped copies of each document. Only copies this program wrote are ever
// removed: each one is recorded, right after it was stored, in a small per-user record beside the
// history log, with its size and time of last change. A copy that no longer matches its record
// (replaced, edited, touched) is dropped from the record and left alone on disk; a name that
// merely looks like a copy is never looked at.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/PathStyle.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"

namespace tg {

inline constexpr std::string_view KeepAllCopies = "0";

struct RecordedCopy {
  std::string document;  // the document's location; "untitled:" and its name when never stored
  FileStamp stamp;
  std::string path;  // the copy's file on disk
  bool operator==(const RecordedCopy&) const = default;
};

// The record's name in the user's private folder.
inline constexpr std::string_view CopyRecordName = "Tallyguard copies.txt";

// One copy per line: document, size, time of last change, path, separated by tabs. Lines that do
// not read are skipped: a damaged record can only mean fewer copies removed. A file recorded more
// than once counts once, as its last entry.
std::vector<RecordedCopy> ParseCopyRecord(std::string_view text);
std::string FormatCopyRecord(const std::vector<RecordedCopy>& copies);

// The stored "Keep Copies" text as a count: 0 (keep all) for anything but a plain decimal number.
int KeepCountOf(std::string_view text);

// A copy whose name carries a date or time stamp; the other form, " Backup", is one file that is
// overwritten and never piles up.
bool IsStampedCopy(std::string_view backupPath, std::string_view extension);

// Adds `copy` as the newest of its document; an older entry of the same file is replaced.
void RecordCopy(std::vector<RecordedCopy>& record, RecordedCopy copy);

struct PruneRules {
  const FileFacts& facts;
  PathStyle style;
  // True for a file the office has open, or that must stay for any other reason of the moment.
  std::function<bool(const std::string& path)> inUse;
};

// Takes the recorded copies of `document` in `folder` beyond the newest `keep` out of the record
// and returns them, to be deleted once the record without them is safely written. Entries whose
// file no longer matches are dropped from the record; copies in use stay recorded for a later
// pass.
std::vector<RecordedCopy> PruneCopies(std::vector<RecordedCopy>& record, std::string_view document,
                                      std::string_view folder, int keep, const PruneRules& rules);

}  // namespace tg
