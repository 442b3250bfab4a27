#pragma once
// Every control of the main window as a Qt widget, placed as the window was designed (twips
// turned into pixels at 15 twips a pixel), ready to be handed to Form1.

#include <memory>

#include "adapters/qt/QtControls.h"
#include "adapters/qt/QtWindow.h"
#include "desktop/cSysTray.h"
#include "mainwindow/Form1.h"

namespace tg {

inline constexpr int ClientWidthTwips = 8040;
inline constexpr int ClientHeightTwips = 8250;

class QtForm1View {
 public:
  QtForm1View(TrayShell& trayShell, MessageLoop& messageLoop, const Clock& clock);
  Form1Controls controls();

  QtWindow window;
  QtFrame Frame2{&window.widget()};
  QtProgressBar ProgressBar1{&Frame2.widget()};
  QtFrame Frame3{&window.widget()};
  QtCheckBox Check8{&Frame3.widget(), "Start in system tray"};
  QtCheckBox Check5{&Frame3.widget(), "Load this software on Windows startup"};
  QtCheckBox Check6{&Frame3.widget(), "Date/Time stamp in file"};
  QtOptionButton Option4{&Frame3.widget(), "Overwrite old backup file on backup"};
  QtOptionButton Option3{&Frame3.widget(), "Create new file on backup"};
  cSysTray cSysTray1;
  QtFrame Frame1{&window.widget()};
  QtOptionButton Option2{&Frame1.widget(), "Save all backups to the same folder as the open files"};
  QtOptionButton Option1{&Frame1.widget(), "Save all backups to this location:"};
  QtTextBox Text1{&Frame1.widget(), "Text1"};
  QtPushButton PushButton1{&Frame1.widget()};
  QtTimer Timer1;
  QtListView ListView1{&window.widget()};
  QtPushButton PushButton4{&window.widget()};
  QtPushButton PushButton2{&window.widget()};
  QtPushButton PushButton3{&window.widget()};
  QtPushButton PushButton5{&window.widget()};
  QtTextBuffer RichTextBox1;
  QtPushButton PushButton11{&window.widget()};
  QtPushButton PushButton12{&window.widget()};

 private:
  void applyFonts();
  void placeControls();
};

}  // namespace tg
