#include "adapters/posix/XdgStateHome.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace tg {

namespace {

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) return home;
  const struct passwd* entry = ::getpwuid(::geteuid());
  if (entry != nullptr && IsAbsolute(entry->pw_dir)) return entry->pw_dir;
  throw std::runtime_error(
      "Tallyguard found no home folder to keep its records in (HOME is not set).");
}

}  // namespace

std::string XdgStateHome() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (IsAbsolute(state)) return state;
  return HomeFolder() + "/.local/state";
}

}  // namespace tg
