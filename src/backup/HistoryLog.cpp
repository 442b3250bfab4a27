#include "backup/HistoryLog.h"

#include <string>

namespace tg {
namespace {

std::string_view Trim(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string DropTrailingWord(std::string_view title, std::string_view word) {
  size_t lastBlank = title.rfind(' ');
  if (lastBlank == std::string_view::npos) return std::string(title);
  if (word.empty() || Trim(title.substr(lastBlank)) == word) {
    return std::string(Trim(title.substr(0, lastBlank)));
  }
  return std::string(title);
}

std::string StripNameChars(std::string_view text) {
  constexpr std::string_view removed = "$/\\*:?<>|#' .,\"()-+=%;}{\t";
  std::string result;
  for (char c : text) {
    if (removed.find(c) == std::string_view::npos) result += c;
  }
  return result;
}

std::string HistoryLogFileName(std::string_view title) {
  return StripNameChars(DropTrailingWord(title, "Software")) + ".txt";
}

std::string HistoryLogPath(std::string_view title, const Environment& environment,
                           PathStyle style) {
  // An empty TEMP counts as unset: the log must never land in the root folder.
  std::optional<std::string> temp = environment.variable("TEMP");
  const std::string folder = temp && !temp->empty() ? *temp : environment.stateFolder();
  return folder + Separator(style) + HistoryLogFileName(title);
}

std::string GeneralDate(const LocalDateTime& when, const RegionalSettings& regional) {
  std::string text = regional.shortDate(when);
  if (when.hour == 0 && when.minute == 0 && when.second == 0) return text;
  return text + " " + regional.longTime(when);
}

std::string OnOneLine(std::string_view text) {
  std::string shown(text);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}

std::string HistoryLine(std::string_view fileName, std::string_view backupPath,
                        const LocalDateTime& when, const RegionalSettings& regional) {
  std::string line = OnOneLine(fileName);
  line += " was backup saved as ";
  line += OnOneLine(backupPath);
  line += " at ";
  line += GeneralDate(when, regional);
  return line;
}

std::string OccasionHistoryLine(std::string_view fileName, std::string_view backupPath,
                                std::string_view occasion, const LocalDateTime& when,
                                const RegionalSettings& regional) {
  std::string path(backupPath);
  path += occasion;
  return HistoryLine(fileName, path, when, regional);
}

std::string ClosingHistoryLine(std::string_view fileName, std::string_view backupPath,
                               const LocalDateTime& when, const RegionalSettings& regional) {
  return OccasionHistoryLine(fileName, backupPath, BeforeClosingMark, when, regional);
}

void AppendHistoryLine(FileSystem& fileSystem, std::string_view historyLogPath,
                       std::string_view line) {
  std::string text(line);
  text += "\r\n";
  fileSystem.appendText(historyLogPath, text);
}

}  // namespace tg
