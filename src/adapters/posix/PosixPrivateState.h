#pragma once

#include <string>

#include "common/ports/PrivateState.h"

namespace tg {

// The private folder: $XDG_STATE_HOME/Tallyguard, else ~/.local/state/Tallyguard, made with mode
// 0700. Locks are flock()s, which the system lets go when the process ends, however it ends.
class PosixPrivateState : public PrivateState {
 public:
  explicit PosixPrivateState(std::string folder) : folder_(std::move(folder)) {}
  // The user's own folder for this program, from the environment of this process.
  static std::string DefaultFolder();

  std::unique_ptr<Lock> lock(std::string_view name, std::chrono::milliseconds wait) override;
  std::optional<std::string> read(std::string_view name) override;
  void replace(std::string_view name, std::string_view text) override;

  const std::string& folder() const { return folder_; }

 private:
  // Makes the folder when missing; throws unless it is a folder of this user closed to others.
  void ensureFolder() const;
  void clearLeftTemporaries(std::string_view name) const;
  std::string pathOf(std::string_view name) const;
  std::string folder_;
};

}  // namespace tg
