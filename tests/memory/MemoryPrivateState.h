#pragma once
// The private folder in memory, with the failures a test wants: a file that is not trusted, a
// replace that fails (a full disk), a lock someone else holds.

#include <map>
#include <set>
#include <string>

#include "common/ports/PrivateState.h"

namespace tg {

class MemoryPrivateState : public PrivateState {
 public:
  std::unique_ptr<Lock> lock(std::string_view name, std::chrono::milliseconds) override {
    if (heldElsewhere.count(std::string(name))) return nullptr;
    ++locksTaken;
    return std::make_unique<Lock>();
  }

  std::optional<std::string> read(std::string_view name) override {
    if (untrusted.count(std::string(name))) {
      throw std::runtime_error("The file " + std::string(name) + " is not trusted.");
    }
    const auto file = files.find(std::string(name));
    if (file == files.end()) return std::nullopt;
    return file->second;
  }

  void replace(std::string_view name, std::string_view text) override {
    if (failReplace) throw std::runtime_error("The disk is full.");
    files[std::string(name)] = std::string(text);
  }

  std::map<std::string, std::string> files;
  std::set<std::string> untrusted;
  std::set<std::string> heldElsewhere;
  bool failReplace = false;
  int locksTaken = 0;
};

}  // namespace tg
