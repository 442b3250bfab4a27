#pragma once
// The main window as a Qt widget, and the window port over it.

#include <QCursor>
#include <QWidget>
#include <functional>
#include <optional>

#include "adapters/qt/QtControls.h"
#include "common/HiddenStateWindow.h"
#include "common/ports/Controls.h"

namespace tg {

// The top-level widget: reports state changes, resizes and the close request to its port.
class QtWindowWidget : public QWidget {
 public:
  QtWindowWidget();
  std::function<void()> resized;
  std::function<void()> closing;  // the close is never refused

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
};

class QtWindow : public HiddenStateWindow {
 public:
  QtWindow();
  std::string caption() const override;
  void setCaption(std::string_view caption) override;
  void setApplicationIcon() override;
  void setFocus() override;
  MousePointer mousePointer() const override { return pointer_; }
  void setMousePointer(MousePointer pointer) override;
  // Reads a Windows .cur file with its hot spot; throws when it is not a picture Qt can read.
  void loadCustomPointer(std::string_view cursorFile) override;
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }

  void onClose(std::function<void()> handler) { widget_.closing = std::move(handler); }
  QtWindowWidget& widget() { return widget_; }
  bool hasCustomPointer() const { return customPointer_.has_value(); }

 private:
  bool shown() const override { return !widget_.isHidden(); }
  void hide() override;
  void showIn(WindowState state) override;
  void showAsItIs() override;
  WindowState shownState() const override;
  void changeShownState(WindowState state) override;
  bool takenOffScreenUnsaid() const;

  QtWindowWidget widget_;
  MouseMoveRelay relay_{widget_};
  // A minimised window asked back to normal: the desktop is mapping it already.
  bool restoredFromMinimized_ = false;
  MousePointer pointer_ = MousePointer::Default;
  std::optional<QCursor> customPointer_;
};

// The blue 'M' of Morvane, drawn at every size the desktop asks for.
QIcon ApplicationIcon();

}  // namespace tg
