#pragma once
// Every control of the main window as a Qt widget, built, named, captioned, placed and dressed in
// its font from the window's design table, ready to be handed to Form1.

#include <QWidget>

#include "adapters/qt/QtControls.h"
#include "adapters/qt/QtWindow.h"
#include "desktop/cSysTray.h"
#include "mainwindow/Form1.h"
#include "mainwindow/Form1Design.h"

namespace tg {

class QtForm1View {
 public:
  static constexpr int KeepCopiesMost = 999;
  QtForm1View(TrayShell& trayShell, MessageLoop& messageLoop, const Clock& clock);
  Form1Controls controls();
  // The widget of a control in the design table; nullptr for the hidden text buffer, which has
  // no widget.
  QWidget* widgetNamed(std::string_view name);
  // Tab's order through the controls, as both front ends take it from the design table.
  void orderForTheKeyboard();

  QtWindow window;
  QtFrame Frame2{&window.widget()};
  QtProgressBar ProgressBar1{&Frame2.widget()};
  QtFrame Frame3{&window.widget()};
  QtCheckBox Check8{&Frame3.widget(), Form1Design::Find("Check8").caption};
  QtCheckBox Check5{&Frame3.widget(), Form1Design::Find("Check5").caption};
  QtCheckBox Check6{&Frame3.widget(), Form1Design::Find("Check6").caption};
  QtOptionButton Option4{&Frame3.widget(), Form1Design::Find("Option4").caption};
  QtOptionButton Option3{&Frame3.widget(), Form1Design::Find("Option3").caption};
  QtLabel Label1{&Frame3.widget(), Form1Design::Find("Label1").caption};
  QtNumberBox Spin1{&Frame3.widget(), 0, KeepCopiesMost};
  QtCheckBox Check9{&Frame3.widget(), Form1Design::Find("Check9").caption};
  QtPushButton PushButton13{&Frame3.widget()};
  cSysTray cSysTray1;
  QtFrame Frame1{&window.widget()};
  QtOptionButton Option2{&Frame1.widget(), Form1Design::Find("Option2").caption};
  QtOptionButton Option1{&Frame1.widget(), Form1Design::Find("Option1").caption};
  QtTextBox Text1{&Frame1.widget(), Form1Design::Find("Text1").caption};
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
  void layOutFromDesign();
};

}  // namespace tg
