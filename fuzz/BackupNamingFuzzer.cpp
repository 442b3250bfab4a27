// Feeds arbitrary locations, folders and options through the naming rules. The rules must take
// any text without crashing, and whatever they make must never endanger the user's document.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "adapters/memory/UnitedStatesRegionalSettings.h"
#include "backup/BackupNaming.h"

namespace {

void Require(bool condition, const char* invariant, const tg::BackupTarget& target) {
  if (condition) return;
  std::fprintf(stderr, "invariant broken: %s\n  path: %s\n  url: %s\n", invariant,
               target.backupPath.c_str(), target.backupUrl.c_str());
  std::abort();
}

void CheckOne(const tg::BackupRequest& request, tg::PathStyle style) {
  static const tg::UnitedStatesRegionalSettings regional;
  tg::LocalDateTime when{2026, 12, 6, 13, 58, 16};
  tg::BackupTarget target = tg::ComputeBackupTarget(request, style, when, regional);

  std::string_view scheme = style == tg::PathStyle::Windows ? "file:///" : "file://";
  Require(target.backupUrl.compare(0, scheme.size(), scheme) == 0,
          "URL starts with the file scheme", target);
  Require(target.backupUrl.find('#') == std::string::npos, "no raw # in the URL", target);
  // An empty name (stamp on, neither form chosen) is no target at all: its store fails.
  if (target.backupPath.empty()) return;
  Require(target.backupPath != target.localPath, "the copy is never the original itself", target);
  Require(target.backupUrl != request.location, "the copy's URL is never the original's", target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::uint8_t flags = data[0];
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  size_t split = rest.find('\0');
  tg::BackupRequest request;
  request.location = std::string(rest.substr(0, split));
  request.chosenFolder = split == std::string_view::npos ? "" : std::string(rest.substr(split + 1));
  request.sameFolder = flags & 1;
  request.suffix = {(flags & 2) != 0, (flags & 4) != 0, (flags & 8) != 0};
  CheckOne(request, (flags & 16) ? tg::PathStyle::Windows : tg::PathStyle::Posix);
  return 0;
}
