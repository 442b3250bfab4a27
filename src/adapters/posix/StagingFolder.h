#pragma once

#include <string>

namespace tg {

// "$XDG_RUNTIME_DIR/Tallyguard/", where the office first writes each copy: the user's runtime
// folder is a tmpfs of the user's own, so a copy is measured there before its own disk gives up
// any room. Made private to this user when missing; empty when there is no runtime folder, or it
// or the folder in it is not this user's alone (then copies are written as without one).
std::string PrivateStagingFolder();

}  // namespace tg
