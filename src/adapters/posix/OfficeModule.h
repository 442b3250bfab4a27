#pragma once
// The one entry point of the office-suite module, which the program loads at run time so that a
// machine without the suite still starts. Plain standard types only: both sides include this.

#include <string>

#include "common/ports/Automation.h"
#include "common/ports/OfficeWatch.h"

namespace tg {

// The pipe the office is asked to listen on when none is named.
inline constexpr const char* DefaultOfficePipe = "tallyguard_office";

// How the module reaches the user's office.
struct OfficeConnectionOptions {
  // The pipe the office is asked to listen on. Pipes are per OS user already; empty = the default
  // name of this program.
  std::string pipeName;
  // The office's own launcher, asked to open the pipe (and to start the office when none runs);
  // the loader names the one of the office it found. Empty = do not launch anything, only connect.
  std::string launcher = "";
  // How long to keep trying to connect after asking the launcher.
  double connectSeconds = 30.0;
  // The user's profile (a file URL, as -env:UserInstallation takes it); "" = the one the
  // launcher would use. Only the office of this profile is the user's: the launcher is asked
  // only while it answers on its single-instance socket, and an office of any other profile or
  // session serving the pipe is never used.
  std::string userInstallation = "";
  // The office's program folder, whose bootstrap file the module's UNO runtime starts from;
  // "" = the one the module was built against.
  std::string programFolder = "";
};

inline constexpr const char* OfficeModuleEntryPoint = "tallyguard_office_automation";
inline constexpr int OfficeModuleInterfaceVersion = 5;
inline constexpr const char* OfficeWatchEntryPoint = "tallyguard_office_watch";

// The entry point's type. Returns a new factory owned by the caller, or nullptr when the version
// differs; the module must stay loaded while any object it made is alive.
using OfficeModuleEntry = AutomationFactory* (*)(int interfaceVersion,
                                                 const OfficeConnectionOptions& options);
// The change watch's entry point: a new watch owned by the caller; it never starts an office.
using OfficeWatchEntry = OfficeWatch* (*)(int interfaceVersion,
                                          const OfficeConnectionOptions& options);

}  // namespace tg
