#include "adapters/posix/StagingFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace tg {
namespace {

// A folder (not a link) of this user that no one else may enter.
bool PrivateFolderOfUser(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == ::geteuid() && (status.st_mode & 077) == 0;
}

}  // namespace

std::string PrivateStagingFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || runtime[0] != '/' || !PrivateFolderOfUser(runtime)) return {};
  const std::string folder = std::string(runtime) + "/Tallyguard";
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  return PrivateFolderOfUser(folder) ? folder + "/" : std::string();
}

}  // namespace tg
