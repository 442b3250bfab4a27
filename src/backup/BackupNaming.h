#pragma once
// Where the copy of a spreadsheet document goes and what it is called. Pure text rules: a
// location as the office suite reports it, a folder as the user typed or picked it, and the
// options of the window. Comparisons are exact; nothing is trimmed.

#include <optional>
#include <string>
#include <string_view>

#include "common/PathStyle.h"
#include "common/ports/Clock.h"
#include "common/ports/RegionalSettings.h"

namespace tg {

// Location to local path: drops the file scheme and turns "/" into the style's separator.
// Escapes stay escaped; other location forms go on unchanged but for their separators.
std::string LocalPathFromLocation(std::string_view location, PathStyle style);

// The text after the last separator; the whole path when it holds none.
std::string FileNameOf(std::string_view localPath, PathStyle style);

// "." and the text after the last "." of the file name; empty when it holds no ".".
std::string ExtensionOf(std::string_view fileName);

// The path up to and including its last separator; empty when it holds none.
std::string FolderPartOf(std::string_view localPath, PathStyle style);

// Backup folder, separator, file name.
std::string JoinBackupPath(std::string_view folder, std::string_view fileName, PathStyle style);

// The separator tidying rule, applied twice: runs of two to four separators inside the path
// become one; a leading run becomes exactly two.
std::string TidySeparators(std::string_view path, PathStyle style);

// Cuts `extension` from the end of `path` (when it ends with it).
std::string RemoveExtension(std::string_view path, std::string_view extension);

struct SuffixOptions {
  bool stamp = false;      // Check6: "Date/Time stamp in file"
  bool newFile = false;    // Option3: "Create new file on backup"
  bool overwrite = false;  // Option4: "Overwrite old backup file on backup"
};

// "mmmm.d.yyyy", e.g. December.6.2026.
std::string FormatStampDate(const LocalDateTime& when, const RegionalSettings& regional);
// "hh.mm.ss.AMPM", e.g. 01.58.16.PM; ends in "." when the locale has no designator.
std::string FormatStampTime(const LocalDateTime& when, const RegionalSettings& regional);

// Base + " Backup" / " Date <date> Time <time>" / " <date>" + extension; empty text when the stamp
// is on but neither form is selected.
std::string AddBackupSuffix(std::string_view base, std::string_view extension,
                            const SuffixOptions& options, const LocalDateTime& when,
                            const RegionalSettings& regional);

// The backup path as a file URL, unescaped but for "#", which would start a fragment and send the
// copy to another file.
std::string BackupUrlFromPath(std::string_view backupPath, PathStyle style);

// The office reads "%XX" in a URL as one character, "#" as the start of a fragment and "?" as the
// start of a query; a control character has no place in a URL at all. Those are escaped; blanks
// and every other character go in as they are, which the office accepts.
std::string EscapeForUrl(std::string_view text);
// "%XX" read as the one character it stands for, as the office does; a stray "%" stays.
std::string DecodeUrlEscapes(std::string_view text);

// A piece of a backup path in the three spellings the pass needs: as the window and the history
// log show it, as it goes into the URL, and as the office names the file on disk. The office's own
// location is already URL text (a blank there is "%20"); a typed or picked folder, a title and the
// stamp are plain text, escaped for the URL.
struct PathText {
  std::string shown;
  std::string inUrl;
  std::string onDisk;
  bool empty() const { return shown.empty(); }
};
PathText OfficeText(std::string_view urlText);
PathText PlainText(std::string_view text);
PathText operator+(const PathText& left, const PathText& right);

// The rules above, applied to every spelling alike: escaping never makes or removes a separator
// or a ".", so the spellings keep naming the same place.
PathText JoinBackupPath(const PathText& folder, const PathText& fileName, PathStyle style);
PathText TidySeparators(const PathText& path, PathStyle style);
PathText RemoveExtension(const PathText& path, const PathText& extension);
PathText AddBackupSuffix(const PathText& base, const PathText& extension,
                         const SuffixOptions& options, const LocalDateTime& when,
                         const RegionalSettings& regional);
std::string BackupUrlFromPath(const PathText& backupPath, PathStyle style);

// The copy of a document that was never stored is named after its title, in the suite's own
// format; a separator in the title would move the copy out of the folder.
PathText FileNameForTitle(std::string_view title);
inline constexpr const char* NeverStoredExtension = ".ods";

// " (2)", " (3)", ...: set between the name and the suffix of a copy whose backup path another
// document of the same pass has taken already.
PathText DistinctNameMark(int number);

// Every rule in the order the backup pass applies them, for one document.
struct BackupTarget {
  std::string localPath;
  PathText extension;
  PathText fileName;
  PathText folder;
  PathText backupPath;
  std::string backupUrl;
  // Whether the office holds edits of the document not yet saved to its file, as it says; nothing
  // when it could not say.
  std::optional<bool> unsavedEdits;
  // The change watch saw an edit since the document's last copy.
  bool changeKnown = false;
};

struct BackupRequest {
  std::string location;      // empty for a document that was never stored
  bool sameFolder = true;    // Option2; otherwise the chosen folder
  std::string chosenFolder;  // Text1, or the folder picked for a never-stored document
  SuffixOptions suffix;
  std::string title = "";  // of a document that was never stored; most requests have none
};

BackupTarget ComputeBackupTarget(const BackupRequest& request, PathStyle style,
                                 const LocalDateTime& when, const RegionalSettings& regional);

}  // namespace tg
