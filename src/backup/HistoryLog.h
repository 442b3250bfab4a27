#pragma once
// The history log: one line per stored backup copy, in a plain text file.

#include <string>
#include <string_view>

#include "backup/BackupNaming.h"
#include "common/ports/Clock.h"
#include "common/ports/Environment.h"
#include "common/ports/FileSystem.h"
#include "common/ports/RegionalSettings.h"

namespace tg {

// Drops the last word of `title` when it equals `word` (an empty word: drops it always).
std::string DropTrailingWord(std::string_view title, std::string_view word);

// Removes every character that may not stand in a file name.
std::string StripNameChars(std::string_view text);

// The log file's name without folder: "Tallyguard.txt" for the product title.
std::string HistoryLogFileName(std::string_view title);

// In the folder named by TEMP; when TEMP is unset or empty, in the platform's state folder.
std::string HistoryLogPath(std::string_view title, const Environment& environment, PathStyle style);

// Short date, a blank, the long time; midnight shows the date alone.
std::string GeneralDate(const LocalDateTime& when, const RegionalSettings& regional);

// A line end (or any control character) in a typed folder, a title or a file name must never
// split a line of the log: it shows as "?", as file listings show it.
std::string OnOneLine(std::string_view text);

// "<file name> was backup saved as <backup path> at <general date>"
std::string HistoryLine(std::string_view fileName, std::string_view backupPath,
                        const LocalDateTime& when, const RegionalSettings& regional);

// "<file name> was backup saved as <backup path><occasion> at <general date>": a copy made at a
// moment of its own, holding edits the user may not have saved: as the document closed, or just
// before an earlier copy's content was put back in its place.
std::string OccasionHistoryLine(std::string_view fileName, std::string_view backupPath,
                                std::string_view occasion, const LocalDateTime& when,
                                const RegionalSettings& regional);
inline constexpr std::string_view BeforeClosingMark = " before closing";
inline constexpr std::string_view BeforeRestoringMark = " before restoring";
std::string ClosingHistoryLine(std::string_view fileName, std::string_view backupPath,
                               const LocalDateTime& when, const RegionalSettings& regional);

// Opens for append, writes the line and CR LF, closes. Failures go to the caller.
void AppendHistoryLine(FileSystem& fileSystem, std::string_view historyLogPath,
                       std::string_view line);

}  // namespace tg
