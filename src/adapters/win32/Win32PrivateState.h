#pragma once

#include <string>

#include "common/ports/PrivateState.h"

namespace tg {

// The private folder: %LOCALAPPDATA%\Tallyguard, which only the user's own account may write.
// Locks are LockFileEx on a file of the folder, let go when the process ends however it ends.
class Win32PrivateState : public PrivateState {
 public:
  explicit Win32PrivateState(std::string folder) : folder_(std::move(folder)) {}
  static std::string DefaultFolder();

  std::unique_ptr<Lock> lock(std::string_view name, std::chrono::milliseconds wait) override;
  std::optional<std::string> read(std::string_view name) override;
  void replace(std::string_view name, std::string_view text) override;

 private:
  void ensureFolder() const;
  std::string pathOf(std::string_view name) const { return folder_ + "\\" + std::string(name); }
  std::string folder_;
};

}  // namespace tg
