#pragma once
// What the system gives this process on Windows, made once and handed out as each use needs it:
// the helper's pass, the command line's listing, the window.

#include <string>

#include "adapters/win32/Win32FileFacts.h"
#include "adapters/win32/Win32FileSystem.h"
#include "adapters/win32/Win32PrivateState.h"
#include "adapters/win32/WindowsPlatform.h"
#include "app/SystemServices.h"

namespace tg {

class WindowsSystem {
 public:
  WindowsSystem() = default;
  WindowsSystem(const WindowsSystem&) = delete;
  WindowsSystem& operator=(const WindowsSystem&) = delete;

  // All of them, for the helper's pass, the listing and the command line's backup.
  SystemServices services();

  Win32FileSystem fileSystem;
  Win32FileFacts facts;
  Win32PrivateState state{Win32PrivateState::DefaultFolder()};
  WindowsClock clock;
  WindowsRegionalSettings regional;
  WindowsEnvironment environment;
};

}  // namespace tg
