#include "adapters/posix/OfficeInstallation.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "adapters/posix/OfficeInstance.h"

namespace fs = std::filesystem;

namespace tg {

namespace {

bool Exists(const fs::path& path) {
  std::error_code failure;
  return fs::exists(path, failure);
}

// A folder the office runs from: its launcher, its bootstrap file and its UNO runtime.
bool IsProgramFolder(const fs::path& folder) {
  return access((folder / "soffice").c_str(), X_OK) == 0 && Exists(folder / "fundamentalrc") &&
         Exists(folder / "libuno_sal.so.3");
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The soffice a user would start by typing its name, with its links followed to the office's own.
std::optional<std::string> OfficeOnPath(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find(':', start), path.size());
    const std::string_view entry = path.substr(start, end - start);
    start = end + 1;
    if (entry.empty() || entry.front() != '/') continue;  // a relative entry is no one's office
    const fs::path launcher = fs::path(entry) / "soffice";
    if (access(launcher.c_str(), X_OK) != 0) continue;
    std::error_code failure;
    const fs::path real = fs::canonical(launcher, failure);
    if (!failure) return real.parent_path().string();
  }
  return std::nullopt;
}

// "7.4.7" → {7, 4, 7}: what follows "libreoffice" in a package folder's name.
std::vector<int> VersionOf(std::string_view name) {
  std::vector<int> parts;
  int part = -1;
  for (char c : name) {
    if (c >= '0' && c <= '9') {
      part = (part < 0 ? 0 : part * 10) + (c - '0');
    } else if (part >= 0) {
      parts.push_back(part);
      part = -1;
    }
  }
  if (part >= 0) parts.push_back(part);
  return parts;
}

}  // namespace

std::optional<std::string> ProgramFolderOf(std::string_view folder) {
  if (folder.empty()) return std::nullopt;
  for (const fs::path& candidate : {fs::path(folder) / "program", fs::path(folder)}) {
    if (IsProgramFolder(candidate)) return candidate.lexically_normal().string();
  }
  return std::nullopt;
}

std::vector<std::string> OfficePackageFolders(std::string_view opt) {
  std::vector<std::pair<std::vector<int>, std::string>> found;
  std::error_code failure;
  for (const fs::directory_entry& entry : fs::directory_iterator(opt, failure)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("libreoffice", 0) != 0) continue;
    found.emplace_back(VersionOf(name.substr(11)), entry.path().string());
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a > b; });
  std::vector<std::string> folders;
  for (auto& [version, folder] : found) folders.push_back(std::move(folder));
  return folders;
}

OfficeSearch InstalledOfficeSearch() {
  OfficeSearch search{.chosen = Variable(OfficeFolderVariable),
                      .path = Variable("PATH"),
                      .runningOffice = "",
                      .roots = {"/usr/lib/libreoffice", "/usr/lib64/libreoffice"}};
  for (std::string& folder : OfficePackageFolders()) search.roots.push_back(std::move(folder));
  return search;
}

OfficeSearch OfficeSearchOfProcess(std::string_view profileUrl) {
  OfficeSearch search = InstalledOfficeSearch();
  if (const std::optional<pid_t> office = ProfileOffice(profileUrl)) {
    std::error_code failure;
    const fs::path program = fs::read_symlink("/proc/" + std::to_string(*office) + "/exe", failure);
    if (!failure) search.runningOffice = program.string();
  }
  return search;
}

// The user's choice stands alone: an office named by hand that is not there is not replaced by
// another one unasked.
std::optional<std::string> FindOfficeProgramFolder(const OfficeSearch& search) {
  if (!search.chosen.empty()) return ProgramFolderOf(search.chosen);
  if (auto onPath = OfficeOnPath(search.path)) {
    if (auto folder = ProgramFolderOf(*onPath)) return folder;
  }
  if (!search.runningOffice.empty()) {
    if (auto folder = ProgramFolderOf(fs::path(search.runningOffice).parent_path().string())) {
      return folder;
    }
  }
  for (const std::string& root : search.roots) {
    if (auto folder = ProgramFolderOf(root)) return folder;
  }
  return std::nullopt;
}

std::optional<std::string> SandboxedOfficeSentence(std::string_view home, std::string_view root) {
  const std::string base(root);
  const bool flatpak =
      Exists(base + "/var/lib/flatpak/app/org.libreoffice.LibreOffice") ||
      (!home.empty() &&
       Exists(std::string(home) + "/.local/share/flatpak/app/org.libreoffice.LibreOffice"));
  const bool snap = Exists(base + "/snap/libreoffice");
  if (!flatpak && !snap) return std::nullopt;
  return std::string("LibreOffice is installed here as a ") + (flatpak ? "Flatpak" : "Snap") +
         ", whose sandbox keeps its open documents out of Tallyguard's reach. Install LibreOffice "
         "from your distribution's packages (on Debian or Ubuntu: sudo apt install "
         "libreoffice-calc) or from libreoffice.org, and start Tallyguard again.";
}

}  // namespace tg
