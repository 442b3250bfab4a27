#include "mainwindow/Form1.h"

namespace tg {

Form1::Form1(const Form1Controls& controls, Form1Ports ports)
    : c_(controls), ports_(std::move(ports)), settings_(ports_.settings) {
  WriteDesignedCaptions();
  RegisterHandlers();
  RegisterPointerHandlers();
  // The window keeps its tray icon from the moment it exists, before start-up names it.
  c_.cSysTray1.setInTray(true);
}

void Form1::WriteDesignedCaptions() {
  c_.Frame2.setCaption(Captions::DesignedCountdown);
  c_.Frame3.setCaption(Captions::OptionsFrame);
  c_.Frame1.setCaption(Captions::WhereFrame);
  c_.PushButton1.setCaption(Captions::Browse);
  c_.PushButton4.setCaption(Captions::DesignedStartStop);
  c_.PushButton2.setCaption(Captions::BackupNow);
  c_.PushButton3.setCaption(Captions::ViewHistory);
  c_.PushButton5.setCaption(Captions::CopyHistory);
  c_.PushButton11.setCaption(Captions::Help);
  c_.PushButton12.setCaption(Captions::ClearHistory);
}

void Form1::RegisterHandlers() {
  c_.window.onResize([this] { Form_Resize(); });
  c_.cSysTray1.MouseUp = [this](int Button, int Id) { cSysTray1_MouseUp(Button, Id); };
  c_.Timer1.onTick([this] { Timer1_Timer(); });
  c_.PushButton4.onClick([this] { PushButton4_Click(); });
  c_.PushButton2.onClick([this] { PushButton2_Click(); });
  c_.ListView1.onClick([this] { ListView1_Click(); });
  c_.Check5.onClick([this] { Check5_Click(); });
  c_.Check6.onClick([this] { Check6_Click(); });
  c_.Check8.onClick([this] { Check8_Click(); });
  c_.Option1.onClick([this] { Option1_Click(); });
  c_.Option2.onClick([this] { Option2_Click(); });
  c_.Option3.onClick([this] { Option3_Click(); });
  c_.Option4.onClick([this] { Option4_Click(); });
  c_.Text1.onChange([this] { Text1_Change(); });
  c_.Text1.onGotFocus([this] { Text1_GotFocus(); });
  c_.PushButton1.onClick([this] { PushButton1_Click(); });
  c_.PushButton3.onClick([this] { PushButton3_Click(); });
  c_.PushButton5.onClick([this] { PushButton5_Click(); });
  c_.PushButton12.onClick([this] { PushButton12_Click(); });
  c_.PushButton11.onClick([this] { PushButton11_Click(); });
}

void Form1::RegisterPointerHandlers() {
  c_.window.onMouseMove([this] { Form_MouseMove(); });
  c_.Frame1.onMouseMove([this] { Frame1_MouseMove(); });
  c_.Frame2.onMouseMove([this] { Frame2_MouseMove(); });
  c_.Frame3.onMouseMove([this] { Frame3_MouseMove(); });
  c_.ListView1.onMouseMove([this] { ListView1_MouseMove(); });
  c_.Text1.onMouseMove([this] { Text1_MouseMove(); });
  c_.PushButton1.onMouseMove([this] { PushButton1_MouseMove(); });
  c_.PushButton2.onMouseMove([this] { PushButton2_MouseMove(); });
  c_.PushButton3.onMouseMove([this] { PushButton3_MouseMove(); });
  c_.PushButton4.onMouseMove([this] { PushButton4_MouseMove(); });
  c_.PushButton5.onMouseMove([this] { PushButton5_MouseMove(); });
  c_.PushButton11.onMouseMove([this] { PushButton11_MouseMove(); });
  c_.PushButton12.onMouseMove([this] { PushButton12_MouseMove(); });
}

// While the hourglass shows, the program is busy and the pointer must keep saying so.
void Form1::SetPointerUnlessBusy(MousePointer pointer) {
  if (c_.window.mousePointer() == MousePointer::Hourglass) return;
  c_.window.setMousePointer(pointer);
}

void Form1::Form_MouseMove() { SetPointerUnlessBusy(MousePointer::Default); }
void Form1::Frame1_MouseMove() { SetPointerUnlessBusy(MousePointer::Default); }
void Form1::Frame2_MouseMove() { SetPointerUnlessBusy(MousePointer::Default); }
void Form1::Frame3_MouseMove() { SetPointerUnlessBusy(MousePointer::Default); }
void Form1::ListView1_MouseMove() { SetPointerUnlessBusy(MousePointer::Default); }
void Form1::Text1_MouseMove() { SetPointerUnlessBusy(MousePointer::Default); }
void Form1::PushButton1_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton2_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton3_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton4_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton5_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton11_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton12_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }
void Form1::PushButton13_MouseMove() { SetPointerUnlessBusy(MousePointer::Custom); }

void Form1::WriteSetting(std::string_view key, std::string_view text) {
  settings_.WriteSetting(key, text);
}

std::string Form1::ReadSetting(std::string_view key, std::string_view defaultText) const {
  return settings_.ReadSetting(key, defaultText);
}

}  // namespace tg
