#pragma once
// The window's controls as Qt widgets. Each one raises the handler the main window registered
// under the rules of the control ports: a change made by code raises the same handler as the
// user's change wherever the window relies on that, and nowhere else.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>

#include "common/ports/Controls.h"

namespace tg {

QString ToQString(std::string_view text);
std::string ToStdString(const QString& text);
// Greys the widget and gives it `note` as its tooltip, which Qt shows on a greyed widget too.
void LockWidget(QWidget& widget, std::string_view note);

// Raises a control's mouse-move handler for pointer movement over the widget itself, not over
// its children: a button's ignored move must not reach the frame or window behind it.
class MouseMoveRelay : public QObject {
 public:
  explicit MouseMoveRelay(QWidget& widget);
  void setHandler(Handler handler) { handler_ = std::move(handler); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& widget_;
  Handler handler_;
};

class QtPushButton : public PushButton {
 public:
  explicit QtPushButton(QWidget* parent);
  std::string caption() const override;
  void setCaption(std::string_view caption) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { LockWidget(button_, note); }
  QPushButton& widget() { return button_; }

 private:
  QPushButton button_;
  MouseMoveRelay relay_{button_};
  Handler click_;
  std::string caption_;
};

// A change of value, by the user or by code, raises the click handler; the same value raises
// nothing (Qt's stateChanged, never its clicked).
class QtCheckBox : public CheckBox {
 public:
  QtCheckBox(QWidget* parent, std::string_view caption);
  int value() const override;
  void setValue(int value) override;
  bool visible() const override { return !box_.isHidden(); }
  void setVisible(bool visible) override { box_.setVisible(visible); }
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { LockWidget(box_, note); }
  QCheckBox& widget() { return box_; }

 private:
  QCheckBox box_;
  MouseMoveRelay relay_{box_};
  Handler click_;
};

// Selecting, by the user or by code, raises the click handler, even when already selected; the
// frame's other buttons are cleared by Qt's auto-exclusive siblings.
class QtOptionButton : public OptionButton {
 public:
  QtOptionButton(QWidget* parent, std::string_view caption);
  bool selected() const override { return button_.isChecked(); }
  void setSelected(bool selected) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { LockWidget(button_, note); }
  QRadioButton& widget() { return button_; }

 private:
  QRadioButton button_;
  MouseMoveRelay relay_{button_};
  Handler click_;
};

// A caption of its own beside another control.
class QtLabel {
 public:
  QtLabel(QWidget* parent, std::string_view caption);
  QLabel& widget() { return label_; }

 private:
  QLabel label_;
};

// Every change of value, stepped, typed or set by code, raises the change handler.
class QtNumberBox : public NumberBox {
 public:
  QtNumberBox(QWidget* parent, int minimum, int maximum);
  int value() const override { return box_.value(); }
  void setValue(int value) override { box_.setValue(value); }
  void onChange(Handler handler) override { change_ = std::move(handler); }
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { LockWidget(box_, note); }
  QSpinBox& widget() { return box_; }

 private:
  QSpinBox box_;
  MouseMoveRelay relay_{box_};
  Handler change_;
};

// Every change of text, typed or set by code, raises the change handler (textChanged).
class QtTextBox : public QObject, public TextBox {
 public:
  QtTextBox(QWidget* parent, std::string_view text);
  std::string text() const override;
  void setText(std::string_view text) override;
  void setSelection(int start, int length) override;
  void onChange(Handler handler) override { change_ = std::move(handler); }
  void onGotFocus(Handler handler) override { gotFocus_ = std::move(handler); }
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { LockWidget(edit_, note); }
  QLineEdit& widget() { return edit_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit edit_;
  MouseMoveRelay relay_{edit_};
  Handler change_;
  Handler gotFocus_;
};

// The interval list: a one-column report view. Only a user's click raises click; selecting by
// position from code raises nothing.
class QtListView : public QObject, public ListView {
 public:
  explicit QtListView(QWidget* parent);
  ~QtListView() override;
  void addColumn(std::string_view header, int widthTwips) override;
  void addItem(std::string_view text) override;
  int itemCount() const override { return list_.topLevelItemCount(); }
  std::string selectedText() const override;
  int selectedPosition() const override;
  void selectPosition(int position) override;
  void onClick(Handler handler) override { click_ = std::move(handler); }
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  void lockWithNote(std::string_view note) override { LockWidget(list_, note); }
  QTreeWidget& widget() { return list_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidget list_;
  MouseMoveRelay relay_{*list_.viewport()};
  Handler click_;
  QTreeWidgetItem* lastSelected_ = nullptr;  // items live as long as the list
  bool handlingKey_ = false;
};

class QtProgressBar : public ProgressBar {
 public:
  explicit QtProgressBar(QWidget* parent);
  int max() const override { return bar_.maximum(); }
  void setMax(int max) override { bar_.setMaximum(max); }
  int value() const override { return bar_.value(); }
  void setValue(int value) override { bar_.setValue(value); }
  std::string text() const override { return text_; }
  void setText(std::string_view text) override;
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  QProgressBar& widget() { return bar_; }

 private:
  QProgressBar bar_;
  MouseMoveRelay relay_{bar_};
  std::string text_;
};

class QtFrame : public Frame {
 public:
  explicit QtFrame(QWidget* parent);
  std::string caption() const override;
  void setCaption(std::string_view caption) override;
  void setBackColor(unsigned colour) override;
  void onMouseMove(Handler handler) override { relay_.setHandler(std::move(handler)); }
  QGroupBox& widget() { return box_; }

 private:
  QGroupBox box_;
  MouseMoveRelay relay_{box_};
};

// Ticks while the period is above 0 and the timer is enabled; any change restarts the period.
class QtTimer : public Timer {
 public:
  QtTimer();
  int interval() const override { return interval_; }
  void setInterval(int milliseconds) override;
  bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override;
  void onTick(Handler handler) override { tick_ = std::move(handler); }
  bool running() const { return timer_.isActive(); }

 private:
  void apply();
  QTimer timer_;
  int interval_ = 0;
  bool enabled_ = true;
  Handler tick_;
};

// The hidden buffer that copies the history log to the clipboard; it is never shown.
class QtTextBuffer : public TextBuffer {
 public:
  void setPlainText(std::string_view bytes) override;
  std::string text() const override { return ToStdString(text_); }
  void setSelection(int start, int length) override;
  void copySelection() override;

 private:
  QString text_;
  int selectionStart_ = 0;
  int selectionLength_ = 0;
};

}  // namespace tg
