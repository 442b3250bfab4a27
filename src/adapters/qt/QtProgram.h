#pragma once
// The whole program on the Qt desktop: the window's widgets, the tray, the dialogs and the main
// window's logic, over the ports given from outside (real ones in main, stand-ins in tests).

#include "adapters/qt/QtDialogs.h"
#include "adapters/qt/QtForm1View.h"
#include "adapters/qt/QtMessageLoop.h"
#include "adapters/qt/QtRandomSource.h"
#include "adapters/qt/QtSkin.h"
#include "adapters/qt/QtTrayShell.h"
#include "common/Globals.h"
#include "common/ports/Automation.h"
#include "common/ports/Clock.h"
#include "common/ports/RegionalSettings.h"
#include "mainwindow/Form1.h"

namespace tg {

struct QtProgramPorts {
  SettingsBackend& settings;
  AutomationFactory& automation;
  Shell& shell;
  SingleInstance& singleInstance;
  Autostart& autostart;
  const Environment& environment;
  FileSystem& fileSystem;
  const Clock& clock;
  const RegionalSettings& regional;
};

class QtProgram {
 public:
  explicit QtProgram(QtProgramPorts ports);
  // The start-up sequence, then the window shown or hidden straight into the tray.
  void start();
  // One backup pass, as "Backup Now (Test)" and the schedule run it.
  void saveAll();

  QtProgramPorts ports;
  QtMessageLoop messageLoop;
  QtTrayShell trayShell;
  QtForm1View view;
  QtDialogs dialogs;
  QtSkin skin;
  QtRandomSource random;
  Globals globals;
  Form1 form;

 private:
  Form1Ports formPorts();
};

}  // namespace tg
