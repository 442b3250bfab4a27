// Feeds arbitrary locations, folders, titles and options through the naming rules. The rules must
// take any text without crashing, whatever they make must never endanger the user's document, and
// the URL handed to the office must name exactly the file the window and the log speak of.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "backup/BackupNaming.h"
#include "memory/UnitedStatesRegionalSettings.h"

namespace {

void Require(bool condition, const char* invariant, const tg::BackupTarget& target) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n  path: %s\n  url: %s\n", invariant,
               target.backupPath.shown.c_str(), target.backupUrl.c_str());
  std::abort();
}

const tg::UnitedStatesRegionalSettings Regional;
constexpr tg::LocalDateTime When{2026, 12, 6, 13, 58, 16};

void CheckOne(const tg::BackupRequest& request, tg::PathStyle style) {
  tg::BackupTarget target = tg::ComputeBackupTarget(request, style, When, Regional);

  std::string_view scheme = style == tg::PathStyle::Windows ? "file:///" : "file://";
  Require(target.backupUrl.compare(0, scheme.size(), scheme) == 0,
          "URL starts with the file scheme", target);
  Require(target.backupUrl.find('#') == std::string::npos, "no raw # in the URL", target);
  // An empty name (stamp on, neither form chosen) is no target at all: its store fails.
  if (target.backupPath.empty()) return;
  Require(target.backupPath.shown != target.localPath, "the copy is never the original itself",
          target);
  Require(target.backupUrl != request.location, "the copy's URL is never the original's", target);
}

// The office's own spelling of a file's path in its location: "%", "#", "?", blanks, control
// characters and every byte beyond ASCII escaped.
std::string AsTheOfficeWritesIt(std::string_view path) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string url;
  for (char c : path) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '%' || c == '#' || c == '?') {
      url += '%';
      url += Hex[byte >> 4];
      url += Hex[byte & 0x0F];
    } else {
      url += c;
    }
  }
  return url;
}

// The decoded URL names the very file the rules name when applied to the plain texts: the
// document's real path, the typed or picked folder and the title, each character as it is.
void CheckUrlNamesTheIntendedFile(const tg::BackupRequest& plain) {
  tg::BackupRequest asOffice = plain;
  if (!plain.location.empty()) {
    asOffice.location = "file://" + AsTheOfficeWritesIt(plain.location.substr(7));
  }
  tg::BackupTarget target = tg::ComputeBackupTarget(asOffice, tg::PathStyle::Posix, When, Regional);
  if (target.backupPath.empty()) return;
  // The plain path itself, read by the same rules as if nothing in it needed escaping.
  std::string intended =
      tg::ComputeBackupTarget(plain, tg::PathStyle::Posix, When, Regional).backupPath.shown;
  std::string decoded = tg::DecodeUrlEscapes(std::string_view(target.backupUrl).substr(7));
  Require(decoded == intended, "the decoded URL names the intended file", target);
  Require(target.backupPath.onDisk == intended, "the file on disk is the intended one", target);
}

}  // namespace

// Input: one byte of flags, then the location (or, for a never-stored document, its title), the
// folder and the document's path, separated by NUL.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint8_t flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t split = rest.find('\0');
  std::string first(rest.substr(0, split));
  std::string folder = split == std::string_view::npos ? "" : std::string(rest.substr(split + 1));
  tg::BackupRequest request;
  request.location = first;
  request.chosenFolder = folder;
  request.sameFolder = flags & 1;
  request.suffix = {(flags & 2) != 0, (flags & 4) != 0, (flags & 8) != 0};
  CheckOne(request, (flags & 16) ? tg::PathStyle::Windows : tg::PathStyle::Posix);

  // The same texts as a real document's path (or a never-stored document's title) and a folder.
  tg::BackupRequest plain = request;
  if (flags & 32) {
    plain.location.clear();
    plain.title = first;
    if (plain.chosenFolder.empty()) return 0;  // a never-stored document always gets a folder
  } else {
    plain.location = "file:///" + first;
  }
  CheckUrlNamesTheIntendedFile(plain);
  return 0;
}
