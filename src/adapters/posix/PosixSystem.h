#pragma once
// What the system gives this process on Linux, made once and handed out as each use needs it:
// the helper's pass, the command line's listing, the window.

#include <optional>
#include <string>

#include "adapters/posix/LocaleRegionalSettings.h"
#include "adapters/posix/PosixFileFacts.h"
#include "adapters/posix/PosixFileSystem.h"
#include "adapters/posix/PosixPrivateState.h"
#include "adapters/posix/ProcessEnvironment.h"
#include "adapters/posix/SystemClock.h"
#include "app/SystemServices.h"

namespace tg {

class PosixSystem {
 public:
  PosixSystem();
  PosixSystem(const PosixSystem&) = delete;
  PosixSystem& operator=(const PosixSystem&) = delete;

  // The user's private folder; none when the user has no home folder to keep it in, and then no
  // turn is taken and no record of the copies kept.
  PrivateState* state() { return state_ ? &*state_ : nullptr; }
  // All of them, for the helper's pass, the listing and the command line's backup.
  SystemServices services();

  PosixFileSystem fileSystem;
  PosixFileFacts facts;
  SystemClock clock;
  LocaleRegionalSettings regional;
  ProcessEnvironment environment;

 private:
  std::optional<PosixPrivateState> state_;
};

}  // namespace tg
