#include "adapters/posix/ModuleAutomationFactory.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "adapters/posix/OfficeInstallation.h"
#include "adapters/posix/RunningExecutable.h"

namespace tg {
namespace {

constexpr const char* ModuleFileName = "libtallyguard_office.so";

// The office's UNO runtime, in the order each needs the one before. Loaded from the found office
// before the module, whose own references to them (by these names) are then already met.
constexpr const char* OfficeRuntime[] = {"libuno_sal.so.3", "libuno_salhelpergcc3.so.3",
                                         "libuno_cppu.so.3", "libuno_cppuhelpergcc3.so.3"};

std::string LoadOfficeRuntime(const std::string& programFolder) {
  std::string failures;
  for (const char* library : OfficeRuntime) {
    const std::string path = programFolder + "/" + library;
    if (!dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL)) failures += std::string("\r\n") + dlerror();
  }
  return failures;
}

const char* const NotInstalled =
    "The office suite (LibreOffice) is not installed, or Tallyguard's link to it is missing.";

#ifndef TALLYGUARD_INSTALL_LIBDIR
#define TALLYGUARD_INSTALL_LIBDIR "lib"
#endif

}  // namespace

std::string OfficeProfileFromEnvironment() {
  const char* profile = std::getenv("TALLYGUARD_OFFICE_PROFILE");
  return profile ? profile : "";
}

ModuleAutomationFactory::ModuleAutomationFactory() {
  if (const char* pipe = std::getenv("TALLYGUARD_OFFICE_PIPE")) options_.pipeName = pipe;
  if (const char* launcher = std::getenv("TALLYGUARD_OFFICE_LAUNCHER")) {
    options_.launcher = launcher;
  } else {
    launcherOfFoundOffice_ = true;
  }
  options_.userInstallation = OfficeProfileFromEnvironment();
}

ModuleAutomationFactory::ModuleAutomationFactory(OfficeConnectionOptions options,
                                                 std::string modulePath)
    : options_(std::move(options)), modulePath_(std::move(modulePath)) {}

// The module is never unloaded: objects it made may outlive this factory.
ModuleAutomationFactory::~ModuleAutomationFactory() { delete factory_; }

std::vector<std::string> ModuleAutomationFactory::moduleCandidates() const {
  if (!modulePath_.empty()) return {modulePath_};
  std::vector<std::string> candidates;
  if (const char* chosen = std::getenv("TALLYGUARD_OFFICE_MODULE"); chosen && *chosen) {
    candidates.push_back(chosen);
  }
  std::string programFolder = RunningExecutable().parent_path().string();
  if (!programFolder.empty()) {
    candidates.push_back(programFolder + "/../" + TALLYGUARD_INSTALL_LIBDIR + "/tallyguard/" +
                         ModuleFileName);
    candidates.push_back(programFolder + "/../lib/tallyguard/" + ModuleFileName);
  }
  return candidates;
}

const std::optional<std::string>& ModuleAutomationFactory::officeFolder() {
  if (!officeFolder_) {
    officeFolder_ = FindOfficeProgramFolder(OfficeSearchOfProcess(options_.userInstallation));
    if (*officeFolder_) {
      options_.programFolder = **officeFolder_;
      if (launcherOfFoundOffice_) options_.launcher = **officeFolder_ + "/soffice";
    }
  }
  return *officeFolder_;
}

AutomationFactory& ModuleAutomationFactory::loaded() {
  if (factory_) return *factory_;
  const std::optional<std::string>& office = officeFolder();
  if (!office) throw AutomationError(NotInstalled);
  std::string failures = LoadOfficeRuntime(*office);
  for (const std::string& candidate : moduleCandidates()) {
    if (access(candidate.c_str(), F_OK) != 0) continue;
    void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      // Present but unloadable: most often the suite's own libraries are missing.
      failures += std::string("\r\n") + dlerror();
      continue;
    }
    auto entry = reinterpret_cast<OfficeModuleEntry>(dlsym(module, OfficeModuleEntryPoint));
    AutomationFactory* factory = entry ? entry(OfficeModuleInterfaceVersion, options_) : nullptr;
    if (!factory) {
      failures += "\r\n" + candidate + ": not a matching office module.";
      continue;
    }
    factory_ = factory;
    module_ = module;
    return *factory_;
  }
  throw AutomationError(NotInstalled + failures);
}

bool ModuleAutomationFactory::isInstalled(std::string_view programmaticId) {
  if (programmaticId != OfficeServiceManagerId) return false;
  if (!officeFolder()) {
    const char* home = std::getenv("HOME");
    if (auto sandboxed = SandboxedOfficeSentence(home ? home : "")) {
      throw OfficeOutOfReach(*sandboxed);
    }
    return false;
  }
  if (!options_.launcher.empty() && access(options_.launcher.c_str(), X_OK) != 0) return false;
  for (const std::string& candidate : moduleCandidates()) {
    if (access(candidate.c_str(), R_OK) == 0) return true;
  }
  return false;
}

std::unique_ptr<OfficeWatch> ModuleAutomationFactory::watch() {
  loaded();
  auto entry = reinterpret_cast<OfficeWatchEntry>(dlsym(module_, OfficeWatchEntryPoint));
  OfficeWatch* made = entry ? entry(OfficeModuleInterfaceVersion, options_) : nullptr;
  if (!made)
    throw AutomationError(std::string(NotInstalled) + "\r\nThe office module has no change watch.");
  return std::unique_ptr<OfficeWatch>(made);
}

ObjectRef ModuleAutomationFactory::create(std::string_view programmaticId) {
  return loaded().create(programmaticId);
}

}  // namespace tg
