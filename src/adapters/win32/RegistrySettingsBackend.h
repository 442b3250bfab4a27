#pragma once
// The settings in the registry, one value per key under <root>\<application>\<section>:
// - HKEY_LOCAL_MACHINE\<root>\Policies\<application>\<section>: the administrator's locks (Group
//   Policy writes there); used whatever the user chose, and never written by the program;
// - HKEY_CURRENT_USER\<root>\<application>\<section>: the user's own values, REG_SZ;
// - HKEY_LOCAL_MACHINE\<root>\<application>\<section>: the administrator's defaults, which the
//   user's own values replace.
// The machine's keys are read in the 64-bit view whatever the program's build, where a 64-bit
// Group Policy or installer writes them. There, a REG_DWORD counts as its decimal text (Group
// Policy writes numbers so); a value of any other type than REG_SZ or REG_DWORD is passed over, as
// if absent. The user's values are text only.

#include <string>

#include "common/ports/SettingsBackend.h"

namespace tg {

class RegistrySettingsBackend : public SettingsBackend {
 public:
  explicit RegistrySettingsBackend(std::string root = "Software") : root_(std::move(root)) {}

  std::optional<std::string> read(std::string_view application, std::string_view section,
                                  std::string_view key) const override;
  // Creates the keys when missing; the registry has no per-write failure the user could act on,
  // so a refused write is dropped as the store's writes are never checked. A locked key is not
  // written.
  void write(std::string_view application, std::string_view section, std::string_view key,
             std::string_view text) override;
  std::optional<StoredSetting> lookup(std::string_view application, std::string_view section,
                                      std::string_view key) const override;
  std::optional<std::string> userValue(std::string_view application, std::string_view section,
                                       std::string_view key) const override;

  // The user's key, relative to HKEY_CURRENT_USER; the defaults' key, relative to
  // HKEY_LOCAL_MACHINE, is the same.
  std::string keyPath(std::string_view application, std::string_view section) const;
  // The locks' key, relative to HKEY_LOCAL_MACHINE.
  std::string policyPath(std::string_view application, std::string_view section) const;

 private:
  std::string root_;
};

}  // namespace tg
