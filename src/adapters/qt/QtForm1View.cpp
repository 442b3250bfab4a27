#include "adapters/qt/QtForm1View.h"

#include <QFont>

#include "mainwindow/KeyboardOrder.h"

namespace tg {

namespace {

int Pixels(int twips) { return twips / TwipsPerPixel; }

QFont FontOf(const FontDesign& design) {
  QFont font(ToQString(design.face));
  font.setBold(design.bold);
  font.setPointSizeF(design.points);
  return font;
}

}  // namespace

QtForm1View::QtForm1View(TrayShell& trayShell, MessageLoop& messageLoop, const Clock& clock)
    : cSysTray1(trayShell, messageLoop, clock) {
  window.widget().setFont(FontOf(Form1Design::WindowFont));
  layOutFromDesign();
  // A Linux desktop starts programs when the user logs in; Windows' name for it would puzzle.
  Check5.widget().setText(QStringLiteral("Start Tallyguard when I log in"));
  Check9.widget().setToolTip(ToQString(Form1Design::ThinCopiesTip));
  orderForTheKeyboard();
  window.widget().setFixedSize(Pixels(Form1Design::ClientWidthTwips),
                               Pixels(Form1Design::ClientHeightTwips));
  // A fixed window: it minimises (into the tray) and closes, but does not maximise.
  window.widget().setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

// Tab follows the window's reading order rather than the order its widgets were made in; the
// arrow keys move within a container's option buttons by themselves.
void QtForm1View::orderForTheKeyboard() {
  const auto takesFocus = [this](std::string_view name) {
    const QWidget* widget = widgetNamed(name);
    return widget != nullptr && widget->focusPolicy() != Qt::NoFocus;
  };
  QWidget* previous = nullptr;
  for (const KeyboardStop& stop : KeyboardOrder(takesFocus)) {
    QWidget* widget = widgetNamed(stop.design->name);
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

QWidget* QtForm1View::widgetNamed(std::string_view name) {
  const std::pair<std::string_view, QWidget*> widgets[] = {
      {"Frame2", &Frame2.widget()},
      {"ProgressBar1", &ProgressBar1.widget()},
      {"Frame3", &Frame3.widget()},
      {"Check8", &Check8.widget()},
      {"Check5", &Check5.widget()},
      {"Check6", &Check6.widget()},
      {"Option4", &Option4.widget()},
      {"Option3", &Option3.widget()},
      {"Label1", &Label1.widget()},
      {"Spin1", &Spin1.widget()},
      {"Check9", &Check9.widget()},
      {"PushButton13", &PushButton13.widget()},
      {"Frame1", &Frame1.widget()},
      {"Option2", &Option2.widget()},
      {"Option1", &Option1.widget()},
      {"Text1", &Text1.widget()},
      {"PushButton1", &PushButton1.widget()},
      {"ListView1", &ListView1.widget()},
      {"PushButton4", &PushButton4.widget()},
      {"PushButton2", &PushButton2.widget()},
      {"PushButton3", &PushButton3.widget()},
      {"PushButton5", &PushButton5.widget()},
      {"PushButton11", &PushButton11.widget()},
      {"PushButton12", &PushButton12.widget()}};
  for (const auto& [widgetName, widget] : widgets) {
    if (widgetName == name) return widget;
  }
  return nullptr;
}

// Positions are relative to each control's container. Widgets carry their designed name, so the
// desktop tests and accessibility tools find them by it.
void QtForm1View::layOutFromDesign() {
  for (const ControlDesign& design : Form1Design::Controls) {
    QWidget* widget = widgetNamed(design.name);
    if (widget == nullptr) continue;  // never on screen
    widget->setObjectName(ToQString(design.name));
    widget->setGeometry(Pixels(design.place.left), Pixels(design.place.top),
                        Pixels(design.place.width), Pixels(design.place.height));
    widget->setFont(FontOf(design.font));
  }
}

Form1Controls QtForm1View::controls() {
  return Form1Controls{window,      Frame2,       ProgressBar1, Frame3,      Check8,
                       Check5,      Check6,       Option4,      Option3,     cSysTray1,
                       Frame1,      Option2,      Option1,      Text1,       PushButton1,
                       Timer1,      ListView1,    PushButton4,  PushButton2, PushButton3,
                       PushButton5, RichTextBox1, PushButton11, PushButton12};
}

}  // namespace tg
