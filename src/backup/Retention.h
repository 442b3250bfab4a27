#pragma once
// Keeping the newest N stamped copies of each document, and thinning out old ones by age. Only
// copies this program wrote are ever removed: each one is recorded, right after it was stored, in
// a small per-user record beside the history log, with its size and time of last change. A copy
// that no longer matches its record (replaced, edited, touched) is dropped from the record and
// left alone on disk; a name that merely looks like a copy is never looked at; a copy the user
// pinned is never removed.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/PathStyle.h"
#include "common/ports/Clock.h"
#include "common/ports/FileFacts.h"
#include "common/ports/FileSystem.h"

namespace tg {

inline constexpr std::string_view KeepAllCopies = "0";
// The stored "Thin Copies" texts.
inline constexpr std::string_view ThinCopiesOn = "1";
inline constexpr std::string_view ThinCopiesOff = "0";

struct RecordedCopy {
  std::string document;  // the document's location; "untitled:" and its name when never stored
  FileStamp stamp;
  std::string path;  // the copy's file on disk
  // Taken out by Keep Copies and about to be deleted: a pass cut short (the program killed) left
  // it, and the next pass finishes the deletion.
  bool removing = false;
  // Not known to differ from the document's copy made before it (one protected by a password,
  // say): it may be the same version again, so it never counts as a version of its own.
  bool unsure = false;
  // Made while the document had no unsaved edits: its file then, which the copy repeats.
  std::optional<FileStamp> savedFile;
  // The user keeps it ("Keep" in the Versions window): no rule ever removes it.
  bool pinned = false;
  bool operator==(const RecordedCopy&) const = default;
};

// The record's name in the user's private folder.
inline constexpr std::string_view CopyRecordName = "Tallyguard copies.txt";

// One copy per line: document, size, time of last change, path, separated by tabs, in the order
// the copies were made. A pinned copy has the line begin with "pinned" and a tab, before any other
// mark. A copy being removed has "removing", a tab, and the rest; one
// not known to differ from the copy before it, "unsure" and a tab before the rest; one made from
// a document without unsaved edits, "saved:", its file's size, ":", its time, and a tab. A
// document or path that holds a tab, a line break or a backslash-escape sequence is written
// behind the mark "escaped" and a tab, with "\t", "\n", "\r" and "\\" standing for those (paths
// with backslashes as separators stay as they are on all other lines). Lines that do not read are
// skipped: a damaged record can only mean fewer copies removed. A file recorded more than once
// counts once, as its last entry.
std::vector<RecordedCopy> ParseCopyRecord(std::string_view text);
std::string FormatCopyRecord(const std::vector<RecordedCopy>& copies);

// A field of a tab-separated line: a tab, a line feed, a carriage return and a backslash become
// "\t", "\n", "\r" and "\\".
std::string EscapedField(std::string_view text);
// The text EscapedField wrote, back; nothing for a text with an escape it never writes.
std::optional<std::string> UnescapedField(std::string_view text);

// The stored "Keep Copies" text as a count: 0 (keep all) for anything but a plain decimal number.
int KeepCountOf(std::string_view text);
// The stored "Thin Copies" text: on for ThinCopiesOn alone, so a text misread removes nothing.
bool ThinsCopies(std::string_view text);

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
  // Set: old copies are thinned out by age as well ("Thin out old copies"), by this clock's time
  // now and its reading of the copies' file times.
  const Clock* thinBy = nullptr;
};

// Takes the recorded copies of `document` in `folder` out of the record that the rules let go,
// and returns them, newest first, to be deleted once the record without them is safely written.
// A copy stays when any of these keeps it:
// - Keep Copies (`keep` above 0): the newest `keep` copies, and beyond them the newest copy of
//   each earlier version until `keep` versions are kept: a version begins with every copy known
//   to differ from the one before it, and copies not known to differ belong to the version before
//   them. So copies that may all be the same never push out the last copy of an earlier version,
//   and at most twice `keep` stay.
// - Thinning (`rules.thinBy` set), by the local clock, a copy's time being its file's time of
//   last change as recorded: the newest copy; every copy less than 24 hours old (or dated after
//   now); a copy from 24 hours to 30 days old that is the newest copy of its calendar day; an
//   older copy that is the newest copy of its week (Monday to Sunday). The newest copy of a day or
//   week is the last one made whose time falls in it, whatever the age of the others.
// - The user pinned it.
// With `keep` at 0 and no thinning every copy stays. "Newest" is always the order the copies were
// made in, the record's. Entries whose file no longer matches are dropped from the record; copies
// in use stay recorded for a later pass.
std::vector<RecordedCopy> PruneCopies(std::vector<RecordedCopy>& record, std::string_view document,
                                      std::string_view folder, int keep, const PruneRules& rules);

}  // namespace tg
