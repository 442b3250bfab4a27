#pragma once
// The program on Windows: the window's controls, the tray, the dialogs, the skin and the message
// loop as Win32 makes them, handed with the system's ports given from outside (real ones in
// main, stand-ins in tests) to the toolkit-free Program.

#include "adapters/win32/Win32Dialogs.h"
#include "adapters/win32/Win32Form1View.h"
#include "adapters/win32/Win32MessageLoop.h"
#include "adapters/win32/Win32RandomSource.h"
#include "adapters/win32/Win32Skin.h"
#include "adapters/win32/Win32Timer.h"
#include "adapters/win32/Win32TrayShell.h"
#include "adapters/win32/Win32VersionsWindow.h"
#include "app/Program.h"

namespace tg {

class Win32Program {
 public:
  // The system's ports and the Versions window's, made in main or by a test.
  Win32Program(SystemPorts ports, VersionsServices versions);
  void start();

  Win32MessageLoop messageLoop;
  UniqueIcon trayIcon{ProgramIcon(TrayIconSize())};
  Win32TrayShell trayShell;
  Win32Form1View view;
  Win32Dialogs dialogs;
  Win32Skin skin;
  Win32RandomSource random;
  Program program;

 private:
  Win32Timer watchTimer_;  // keeps the change watch answering
};

}  // namespace tg
