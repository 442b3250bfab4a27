#pragma once
// Start at logon through the user's own XDG autostart folder: the entry is named after the running
// executable's file name and starts its full path. Every failure stays silent.

#include <filesystem>
#include <string>
#include <string_view>

#include "common/ports/Autostart.h"
#include "common/ports/Environment.h"

namespace tg {

class XdgAutostart : public Autostart {
 public:
  XdgAutostart(const Environment& environment, std::filesystem::path executable);

  void enable() override;
  void disable() override;
  // The package's entry in an autostart folder under $XDG_CONFIG_DIRS (or /etc/xdg).
  bool startsForEveryone() const override;

  // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart; empty when neither can be found.
  std::filesystem::path folder() const;
  std::filesystem::path entryPath() const;

 private:
  const Environment& environment_;
  std::filesystem::path executable_;
};

// The machine-wide entry's file name, which runs the program with --administered-start.
inline constexpr std::string_view AdministeredEntryName = "tallyguard-administered.desktop";

// The Exec= value that starts `program` with no arguments: one quoted argument, escaped first by
// the argument-quoting rules, then by the key-file string rules.
std::string DesktopEntryExecValue(std::string_view program);

}  // namespace tg
