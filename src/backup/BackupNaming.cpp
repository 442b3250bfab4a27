#include "backup/BackupNaming.h"

#include <cstdio>

namespace tg {

namespace {

constexpr std::string_view WindowsFileScheme = "file:///";
constexpr std::string_view PosixFileScheme = "file://";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Replaces every pair of separators by one, pairs taken from the left without overlap.
std::string CollapsePairs(std::string_view text, char separator) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    result += text[i];
    if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator) ++i;
  }
  return result;
}

// One application of the tidying rule. A leading run becomes exactly two separators only in the
// Windows style, where it marks a network path; a Posix path has no such form, and "//" there
// would make every absolute path a different URL.
std::string TidyOnce(std::string_view path, PathStyle style) {
  char separator = Separator(style);
  if (style == PathStyle::Posix || path.empty() || path.front() != separator) {
    return CollapsePairs(path, separator);
  }
  size_t runEnd = path.find_first_not_of(separator);
  if (runEnd == std::string_view::npos) runEnd = path.size();
  std::string result(2, separator);
  result += CollapsePairs(path.substr(runEnd), separator);
  return result;
}

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

}  // namespace

std::string LocalPathFromLocation(std::string_view location, PathStyle style) {
  std::string path;
  if (style == PathStyle::Windows) {
    path = StartsWith(location, WindowsFileScheme) ? location.substr(WindowsFileScheme.size())
                                                   : location;
    for (char& c : path) {
      if (c == '/') c = '\\';
    }
    return path;
  }
  // Only a local file URL ("file:///...") loses its scheme; the leading "/" of the path stays.
  if (StartsWith(location, WindowsFileScheme))
    return std::string(location.substr(PosixFileScheme.size()));
  return std::string(location);
}

std::string FileNameOf(std::string_view localPath, PathStyle style) {
  size_t last = localPath.rfind(Separator(style));
  return std::string(last == std::string_view::npos ? localPath : localPath.substr(last + 1));
}

std::string ExtensionOf(std::string_view fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return "";
  return std::string(fileName.substr(dot));
}

std::string FolderPartOf(std::string_view localPath, PathStyle style) {
  size_t last = localPath.rfind(Separator(style));
  if (last == std::string_view::npos) return "";
  return std::string(localPath.substr(0, last + 1));
}

std::string JoinBackupPath(std::string_view folder, std::string_view fileName, PathStyle style) {
  std::string path(folder);
  path += Separator(style);
  path += fileName;
  return path;
}

std::string TidySeparators(std::string_view path, PathStyle style) {
  return TidyOnce(TidyOnce(path, style), style);
}

std::string RemoveExtension(std::string_view path, std::string_view extension) {
  if (extension.empty() || path.size() < extension.size() ||
      path.substr(path.size() - extension.size()) != extension) {
    return std::string(path);
  }
  return std::string(path.substr(0, path.size() - extension.size()));
}

std::string FormatStampDate(const LocalDateTime& when, const RegionalSettings& regional) {
  return regional.monthName(when.month) + "." + std::to_string(when.day) + "." +
         std::to_string(when.year);
}

std::string FormatStampTime(const LocalDateTime& when, const RegionalSettings& regional) {
  int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
  std::string designator = when.hour < 12 ? regional.amDesignator() : regional.pmDesignator();
  return TwoDigits(hour12) + "." + TwoDigits(when.minute) + "." + TwoDigits(when.second) + "." +
         designator;
}

std::string AddBackupSuffix(std::string_view base, std::string_view extension,
                            const SuffixOptions& options, const LocalDateTime& when,
                            const RegionalSettings& regional) {
  std::string path(base);
  if (!options.stamp) {
    path += " Backup";
  } else if (options.newFile) {
    path += " Date " + FormatStampDate(when, regional) + " Time " + FormatStampTime(when, regional);
  } else if (options.overwrite) {
    path += " " + FormatStampDate(when, regional);
  } else {
    return "";
  }
  path += extension;
  return path;
}

std::string BackupUrlFromPath(std::string_view backupPath, PathStyle style) {
  std::string url(style == PathStyle::Windows ? WindowsFileScheme : PosixFileScheme);
  for (char c : backupPath) {
    if (c == '#') {
      url += "%23";
    } else if (style == PathStyle::Windows && c == '\\') {
      url += '/';
    } else {
      url += c;
    }
  }
  return url;
}

BackupTarget ComputeBackupTarget(const BackupRequest& request, PathStyle style,
                                 const LocalDateTime& when, const RegionalSettings& regional) {
  BackupTarget target;
  target.localPath = LocalPathFromLocation(request.location, style);
  target.extension = ExtensionOf(FileNameOf(target.localPath, style));
  target.fileName = FileNameOf(target.localPath, style);
  target.folder = request.sameFolder ? FolderPartOf(target.localPath, style) : request.chosenFolder;
  std::string joined = TidySeparators(JoinBackupPath(target.folder, target.fileName, style), style);
  std::string base = RemoveExtension(joined, target.extension);
  target.backupPath = AddBackupSuffix(base, target.extension, request.suffix, when, regional);
  target.backupUrl = BackupUrlFromPath(target.backupPath, style);
  return target;
}

}  // namespace tg
