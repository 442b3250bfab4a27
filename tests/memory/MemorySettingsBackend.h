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
    std::optional<StoredSetting> found = lookup(application, section, key);
    if (!found) return std::nullopt;
    return found->text;
  }
  // As the real stores: a lock over the user's value, the user's over a default.
  std::optional<StoredSetting> lookup(std::string_view application, std::string_view section,
                                      std::string_view key) const override {
    const Key address = Address(application, section, key);
    auto administered = administered_.find(address);
    if (administered != administered_.end() &&
        administered->second.source == SettingSource::Policy) {
      return administered->second;
    }
    auto found = values_.find(address);
    if (found != values_.end()) return StoredSetting{found->second, SettingSource::User};
    if (administered != administered_.end()) return administered->second;
    return std::nullopt;
  }
  std::optional<std::string> userValue(std::string_view application, std::string_view section,
                                       std::string_view key) const override {
    auto found = values_.find(Address(application, section, key));
    if (found == values_.end()) return std::nullopt;
    return found->second;
  }
  // Writes even a locked key, so a test sees whether the core asked for it.
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

  // The administrator's value in the program's own section: SystemDefault or Policy.
  void administer(std::string_view key, std::string_view text, SettingSource source) {
    administered_[Address("Morvane", "Tallyguard", key)] = StoredSetting{std::string(text), source};
  }

  std::vector<SettingWrite> writes;

 private:
  using Key = std::tuple<std::string, std::string, std::string>;
  static Key Address(std::string_view application, std::string_view section, std::string_view key) {
    return {std::string(application), std::string(section), std::string(key)};
  }
  std::map<Key, std::string> values_;
  std::map<Key, StoredSetting> administered_;
};

}  // namespace tg
