#pragma once
// The program on the Qt desktop: the window's widgets, the tray, the dialogs and the message loop
// as Qt makes them, handed with the platform ports given from outside (real ones in main,
// stand-ins in tests) to the toolkit-free Program.

#include <QTimer>

#include "adapters/qt/QtDialogs.h"
#include "adapters/qt/QtForm1View.h"
#include "adapters/qt/QtMessageLoop.h"
#include "adapters/qt/QtRandomSource.h"
#include "adapters/qt/QtSkin.h"
#include "adapters/qt/QtTrayShell.h"
#include "adapters/qt/QtVersionsWindow.h"
#include "app/Program.h"

namespace tg {

class QtProgram {
 public:
  // The system's ports and the Versions window's, made in main or by a test.
  QtProgram(SystemPorts ports, VersionsServices versions);
  void start();

  QtMessageLoop messageLoop;
  QtTrayShell trayShell;
  QtForm1View view;
  QtDialogs dialogs;
  QtSkin skin;
  QtRandomSource random;
  Program program;

 private:
  QTimer watchTimer_;
};

}  // namespace tg
