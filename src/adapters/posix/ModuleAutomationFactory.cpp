#include "adapters/posix/ModuleAutomationFactory.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

#include "adapters/posix/RunningExecutable.h"

namespace tg {
namespace {

constexpr const char* ModuleFileName = "libtallyguard_office.so";

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
  if (const char* launcher = std::getenv("TALLYGUARD_OFFICE_LAUNCHER"))
    options_.launcher = launcher;
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

AutomationFactory& ModuleAutomationFactory::loaded() {
  if (factory_) return *factory_;
  std::string failures;
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
    return *factory_;
  }
  throw AutomationError(
      "The office suite (LibreOffice) is not installed, or Tallyguard's link to it is missing." +
      failures);
}

bool ModuleAutomationFactory::isInstalled(std::string_view programmaticId) {
  if (programmaticId != "com.sun.star.ServiceManager") return false;
  if (!options_.launcher.empty() && access(options_.launcher.c_str(), X_OK) != 0) return false;
  for (const std::string& candidate : moduleCandidates()) {
    if (access(candidate.c_str(), R_OK) == 0) return true;
  }
  return false;
}

ObjectRef ModuleAutomationFactory::create(std::string_view programmaticId) {
  return loaded().create(programmaticId);
}

}  // namespace tg
