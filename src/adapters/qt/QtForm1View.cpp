#include "adapters/qt/QtForm1View.h"

#include <QFont>

namespace tg {

namespace {

void Place(QWidget& widget, int left, int top, int width, int height) {
  widget.setGeometry(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
                     height / TwipsPerPixel);
}

QFont ArialBold(qreal points) {
  QFont font("Arial");
  font.setBold(true);
  font.setPointSizeF(points);
  return font;
}

}  // namespace

QtForm1View::QtForm1View(TrayShell& trayShell, MessageLoop& messageLoop, const Clock& clock)
    : cSysTray1(trayShell, messageLoop, clock) {
  applyFonts();
  placeControls();
  window.widget().setFixedSize(ClientWidthTwips / TwipsPerPixel, ClientHeightTwips / TwipsPerPixel);
  // A fixed window: it minimises (into the tray) and closes, but does not maximise.
  window.widget().setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void QtForm1View::applyFonts() {
  window.widget().setFont(ArialBold(9));
  for (QtPushButton* button : {&PushButton1, &PushButton4, &PushButton2, &PushButton3, &PushButton5,
                               &PushButton11, &PushButton12}) {
    button->widget().setFont(ArialBold(11.25));
  }
}

// Positions are the designed ones, relative to each control's container.
void QtForm1View::placeControls() {
  Place(Frame2.widget(), 120, 90, 7800, 840);
  Place(ProgressBar1.widget(), 240, 285, 7320, 405);
  Place(Frame1.widget(), 120, 1000, 7800, 1480);
  Place(Option2.widget(), 240, 300, 6255, 255);
  Place(Option1.widget(), 240, 650, 3855, 255);
  Place(Text1.widget(), 480, 960, 6015, 360);
  Place(PushButton1.widget(), 6600, 960, 735, 360);
  Place(Frame3.widget(), 120, 2550, 7800, 2130);
  Place(Option3.widget(), 240, 300, 3840, 255);
  Place(Option4.widget(), 225, 650, 3840, 255);
  Place(Check6.widget(), 240, 1000, 3840, 255);
  Place(Check5.widget(), 240, 1350, 3840, 255);
  Place(Check8.widget(), 240, 1700, 3840, 255);
  Place(ListView1.widget(), 120, 4800, 7800, 1815);
  Place(PushButton4.widget(), 120, 6705, 3840, 405);
  Place(PushButton2.widget(), 4080, 6705, 3840, 405);
  Place(PushButton3.widget(), 120, 7230, 3840, 405);
  Place(PushButton5.widget(), 4080, 7230, 3840, 405);
  Place(PushButton11.widget(), 120, 7740, 3840, 405);
  Place(PushButton12.widget(), 4080, 7740, 3840, 405);
}

Form1Controls QtForm1View::controls() {
  return Form1Controls{window,      Frame2,       ProgressBar1, Frame3,      Check8,
                       Check5,      Check6,       Option4,      Option3,     cSysTray1,
                       Frame1,      Option2,      Option1,      Text1,       PushButton1,
                       Timer1,      ListView1,    PushButton4,  PushButton2, PushButton3,
                       PushButton5, RichTextBox1, PushButton11, PushButton12};
}

}  // namespace tg
