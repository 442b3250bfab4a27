#pragma once

#include <string>

namespace tg {

// The user's XDG state folder: $XDG_STATE_HOME when it is an absolute path, else
// ~/.local/state, the home folder being $HOME when absolute, else the account's. Throws
// std::runtime_error when the user has no home folder at all: a relative or empty one would put
// the program's records wherever it was started.
std::string XdgStateHome();

}  // namespace tg
