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

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool NeedsEscape(unsigned char c) {
  return c == '%' || c == '#' || c == '?' || c < 0x20 || c == 0x7F;
}

}  // namespace

std::string EscapeForUrl(std::string_view text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (NeedsEscape(byte)) {
      escaped += '%';
      escaped += Hex[byte >> 4];
      escaped += Hex[byte & 0x0F];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string DecodeUrlEscapes(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

// A "#" in the office's own text would only ever be a fragment, which names no other file.
PathText OfficeText(std::string_view urlText) {
  std::string inUrl;
  for (char c : urlText) inUrl += c == '#' ? std::string("%23") : std::string(1, c);
  return {std::string(urlText), inUrl, DecodeUrlEscapes(urlText)};
}

PathText PlainText(std::string_view text) {
  return {std::string(text), EscapeForUrl(text), std::string(text)};
}

PathText operator+(const PathText& left, const PathText& right) {
  return {left.shown + right.shown, left.inUrl + right.inUrl, left.onDisk + right.onDisk};
}

PathText JoinBackupPath(const PathText& folder, const PathText& fileName, PathStyle style) {
  return folder + PlainText(std::string(1, Separator(style))) + fileName;
}

PathText TidySeparators(const PathText& path, PathStyle style) {
  return {TidySeparators(path.shown, style), TidySeparators(path.inUrl, style),
          TidySeparators(path.onDisk, style)};
}

PathText RemoveExtension(const PathText& path, const PathText& extension) {
  return {RemoveExtension(path.shown, extension.shown),
          RemoveExtension(path.inUrl, extension.inUrl),
          RemoveExtension(path.onDisk, extension.onDisk)};
}

PathText AddBackupSuffix(const PathText& base, const PathText& extension,
                         const SuffixOptions& options, const LocalDateTime& when,
                         const RegionalSettings& regional) {
  // The suffix is plain text: the month names and the designators come from the locale.
  std::string suffixed = AddBackupSuffix("", "", options, when, regional);
  if (suffixed.empty()) return {};
  return base + PlainText(suffixed) + extension;
}

std::string BackupUrlFromPath(const PathText& backupPath, PathStyle style) {
  std::string url(style == PathStyle::Windows ? WindowsFileScheme : PosixFileScheme);
  for (char c : backupPath.inUrl) url += style == PathStyle::Windows && c == '\\' ? '/' : c;
  return url;
}

PathText FileNameForTitle(std::string_view title) {
  std::string name(title);
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  return PlainText(name + NeverStoredExtension);
}

PathText DistinctNameMark(int number) { return PlainText(" (" + std::to_string(number) + ")"); }

BackupTarget ComputeBackupTarget(const BackupRequest& request, PathStyle style,
                                 const LocalDateTime& when, const RegionalSettings& regional) {
  BackupTarget target;
  target.localPath = LocalPathFromLocation(request.location, style);
  if (request.location.empty()) {
    target.fileName = FileNameForTitle(request.title);
    target.extension = PlainText(NeverStoredExtension);
  } else {
    target.fileName = OfficeText(FileNameOf(target.localPath, style));
    target.extension = OfficeText(ExtensionOf(target.fileName.shown));
  }
  target.folder = request.sameFolder && !request.location.empty()
                      ? OfficeText(FolderPartOf(target.localPath, style))
                      : PlainText(request.chosenFolder);
  PathText joined = TidySeparators(JoinBackupPath(target.folder, target.fileName, style), style);
  PathText base = RemoveExtension(joined, target.extension);
  target.backupPath = AddBackupSuffix(base, target.extension, request.suffix, when, regional);
  target.backupUrl = BackupUrlFromPath(target.backupPath, style);
  return target;
}

}  // namespace tg
