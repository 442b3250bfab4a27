#pragma once
// The automation port on Linux: loads the office-suite module at the first creation, so that a
// machine without LibreOffice gets a clean creation failure instead of a program that cannot start.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapters/posix/OfficeModule.h"
#include "common/ports/Automation.h"

namespace tg {

// The user's office profile as the program was told it: $TALLYGUARD_OFFICE_PROFILE, a file URL as
// -env:UserInstallation takes it; "" = the profile the office's launcher would use.
std::string OfficeProfileFromEnvironment();

class ModuleAutomationFactory : public AutomationFactory {
 public:
  // Options from the environment: TALLYGUARD_OFFICE_PIPE names the pipe, TALLYGUARD_OFFICE_LAUNCHER
  // the launcher ("" = never start an office; unset: the found office's own), and
  // TALLYGUARD_OFFICE_PROFILE the user's profile.
  ModuleAutomationFactory();
  // `modulePath` "" = search: $TALLYGUARD_OFFICE_MODULE, then beside the program
  // (../<libdir>/tallyguard/, ../lib/tallyguard/); never a build folder of its own accord.
  explicit ModuleAutomationFactory(OfficeConnectionOptions options, std::string modulePath = "");
  ~ModuleAutomationFactory() override;

  ObjectRef create(std::string_view programmaticId) override;
  // Looks for the module and the office on disk without loading either: the window never takes
  // the office's runtime in, so a fault in it cannot take the window down. Throws
  // OfficeOutOfReach when the only office is a sandboxed one.
  bool isInstalled(std::string_view programmaticId) override;

  const OfficeConnectionOptions& options() const { return options_; }

  // The module's change watch on the same office; throws as create() does when the module or the
  // office cannot be found.
  std::unique_ptr<OfficeWatch> watch();

  // Where the module is looked for, in order.
  std::vector<std::string> moduleCandidates() const;

 private:
  AutomationFactory& loaded();
  // The office's program folder (see OfficeInstallation), looked for once.
  const std::optional<std::string>& officeFolder();

  OfficeConnectionOptions options_;
  bool launcherOfFoundOffice_ = false;
  std::optional<std::optional<std::string>> officeFolder_;
  std::string modulePath_;
  AutomationFactory* factory_ = nullptr;  // made by the module, which stays loaded for good
  void* module_ = nullptr;
};

}  // namespace tg
