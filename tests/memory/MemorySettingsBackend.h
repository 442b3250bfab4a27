#pragma once
// A settings store in memory that keeps every write in order, so tests can see what was stored
// and when.

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "common/ports/SettingsBackend.h"

namespace tg {

struct SettingWrite {
  std::string key;
  std::string text;
};

class MemorySettingsBackend : public SettingsBackend {
 public:
  std::optional<std::string> read(std::string_view application, std::string_view section,
                                  std::string_view key) const override {
    auto found = values_.find(Address(application, section, key));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  void write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view text) override {
    values_[Address(application, section, key)] = std::string(text);
    writes.push_back({std::string(key), std::string(text)});
  }
  // The program's own section ("Morvane", "Tallyguard").
  std::optional<std::string> value(std::string_view key) const {
    return read("Morvane", "Tallyguard", key);
  }
  void store(std::string_view key, std::string_view text) {
    write("Morvane", "Tallyguard", key, text);
  }
  int writesOf(std::string_view key) const {
    int count = 0;
    for (const SettingWrite& each : writes) count += each.key == key ? 1 : 0;
    return count;
  }

  std::vector<SettingWrite> writes;

 private:
  using Key = std::tuple<std::string, std::string, std::string>;
  static Key Address(std::string_view application, std::string_view section, std::string_view key) {
    return {std::string(application), std::string(section), std::string(key)};
  }
  std::map<Key, std::string> values_;
};

}  // namespace tg
