#pragma once
// The settings in the current user's registry: HKEY_CURRENT_USER\<root>\<application>\<section>,
// one REG_SZ value per key. Machine-wide defaults and locks are not read yet: every value found is
// the user's (the port's own lookup), and nothing is locked.

#include <string>

#include "common/ports/SettingsBackend.h"

namespace tg {

class RegistrySettingsBackend : public SettingsBackend {
 public:
  explicit RegistrySettingsBackend(std::string root = "Software") : root_(std::move(root)) {}

  // A value of another type than text reads as absent.
  std::optional<std::string> read(std::string_view application, std::string_view section,
                                  std::string_view key) const override;
  // Creates the keys when missing; the registry has no per-write failure the user could act on,
  // so a refused write is dropped as the store's writes are never checked.
  void write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view text) override;

  std::string keyPath(std::string_view application, std::string_view section) const;

 private:
  std::string root_;
};

}  // namespace tg
