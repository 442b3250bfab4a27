#include "adapters/qt/QtControls.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <stdexcept>

#include "common/Descriptions.h"

namespace tg {

namespace {

void Raise(const Handler& handler) {
  if (handler) handler();
}

}  // namespace

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text) { return text.toUtf8().toStdString(); }

void LockWidget(QWidget& widget, std::string_view note) {
  widget.setEnabled(false);
  widget.setToolTip(ToQString(note));
}

MouseMoveRelay::MouseMoveRelay(QWidget& widget) : widget_(widget) {
  widget_.setMouseTracking(true);
  widget_.installEventFilter(this);
}

bool MouseMoveRelay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &widget_ && event->type() == QEvent::MouseMove && handler_) {
    const auto* move = static_cast<QMouseEvent*>(event);
    // A move that a child ignored is passed on to its parent: that one is not over the parent.
    if (widget_.childAt(move->position().toPoint()) == nullptr) handler_();
  }
  return false;
}

QtPushButton::QtPushButton(QWidget* parent) : button_(parent) {
  QObject::connect(&button_, &QPushButton::clicked, [this] { Raise(click_); });
}

// The caption as the program set it: desktop themes put "&" accelerators into button texts, and
// the start/stop button's caption is the schedule's state.
std::string QtPushButton::caption() const { return caption_; }

void QtPushButton::setCaption(std::string_view caption) {
  caption_ = caption;
  // "&" would become a keyboard accelerator; the captions are plain text.
  button_.setText(ToQString(caption).replace("&", "&&"));
}

QtCheckBox::QtCheckBox(QWidget* parent, std::string_view caption)
    : box_(ToQString(caption), parent) {
  QObject::connect(&box_, &QCheckBox::stateChanged, [this](int) { Raise(click_); });
}

int QtCheckBox::value() const {
  switch (box_.checkState()) {
    case Qt::Checked:
      return Checked;
    case Qt::PartiallyChecked:
      return 2;
    default:
      return Unchecked;
  }
}

void QtCheckBox::setValue(int value) {
  if (value == 2) box_.setTristate(true);
  box_.setCheckState(value == Checked ? Qt::Checked
                     : value == 2     ? Qt::PartiallyChecked
                                      : Qt::Unchecked);
}

QtLabel::QtLabel(QWidget* parent, std::string_view caption) : label_(ToQString(caption), parent) {}

QtNumberBox::QtNumberBox(QWidget* parent, int minimum, int maximum) : box_(parent) {
  box_.setRange(minimum, maximum);
  QObject::connect(&box_, &QSpinBox::valueChanged, [this](int) { Raise(change_); });
}

QtOptionButton::QtOptionButton(QWidget* parent, std::string_view caption)
    : button_(ToQString(caption), parent) {
  QObject::connect(&button_, &QRadioButton::toggled, [this](bool on) {
    if (on) Raise(click_);
  });
}

void QtOptionButton::setSelected(bool selected) {
  if (!selected) {
    // Qt refuses to clear the checked button of an exclusive group; the window may clear it.
    button_.setAutoExclusive(false);
    button_.setChecked(false);
    button_.setAutoExclusive(true);
    return;
  }
  if (button_.isChecked()) {
    Raise(click_);  // toggled stays silent, but selecting raises click every time
    return;
  }
  button_.setChecked(true);
}

QtTextBox::QtTextBox(QWidget* parent, std::string_view text) : edit_(ToQString(text), parent) {
  QObject::connect(&edit_, &QLineEdit::textChanged, [this](const QString&) { Raise(change_); });
  edit_.installEventFilter(this);
}

std::string QtTextBox::text() const { return ToStdString(edit_.text()); }

void QtTextBox::setText(std::string_view text) { edit_.setText(ToQString(text)); }

void QtTextBox::setSelection(int start, int length) { edit_.setSelection(start, length); }

bool QtTextBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &edit_ && event->type() == QEvent::FocusIn) {
    // After the click that gave the focus has placed the cursor, or a select-all would be undone.
    QTimer::singleShot(0, this, [this] { Raise(gotFocus_); });
  }
  return false;
}

QtListView::QtListView(QWidget* parent) : list_(parent) {
  list_.setColumnCount(0);
  list_.setRootIsDecorated(false);
  list_.setSelectionMode(QAbstractItemView::SingleSelection);
  list_.setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_.header()->setSectionsMovable(false);
  list_.viewport()->installEventFilter(this);
  list_.installEventFilter(this);
  // Ctrl+Space or Ctrl+click on the selected entry would leave none: the entry stays selected.
  QObject::connect(&list_, &QTreeWidget::itemSelectionChanged, this, [this] {
    const QList<QTreeWidgetItem*> selected = list_.selectedItems();
    if (!selected.isEmpty()) {
      const bool chosenByKey = handlingKey_ && selected.front() != lastSelected_;
      lastSelected_ = selected.front();
      if (chosenByKey) QTimer::singleShot(0, this, [this] { Raise(click_); });
    } else if (lastSelected_) {
      lastSelected_->setSelected(true);
    }
  });
}

void QtListView::addColumn(std::string_view header, int widthTwips) {
  const int column = list_.columnCount();
  list_.setColumnCount(column + 1);
  list_.headerItem()->setText(column, ToQString(header));
  list_.setColumnWidth(column, widthTwips / TwipsPerPixel);
}

void QtListView::addItem(std::string_view text) {
  if (list_.columnCount() == 0) list_.setColumnCount(1);
  auto* item = new QTreeWidgetItem(&list_);
  item->setText(0, ToQString(text));
}

int QtListView::selectedPosition() const {
  const QList<QTreeWidgetItem*> selected = list_.selectedItems();
  if (selected.isEmpty()) {
    throw std::runtime_error(std::string(Descriptions::NoIntervalSelected));
  }
  return list_.indexOfTopLevelItem(selected.front()) + 1;
}

std::string QtListView::selectedText() const {
  return ToStdString(list_.topLevelItem(selectedPosition() - 1)->text(0));
}

void QtListView::selectPosition(int position) {
  if (position < 1 || position > itemCount()) {
    throw std::out_of_range(Descriptions::NoIntervalEntry(position));
  }
  list_.setCurrentItem(list_.topLevelItem(position - 1));
}

// Destroying the list sends events to its viewport's filters when the list is no longer a list
// (only its QWidget part is left): this filter must be gone by then.
// The list tells its filters of its own end (its focus going) while it is half gone.
QtListView::~QtListView() {
  list_.removeEventFilter(this);
  list_.viewport()->removeEventFilter(this);
}

// The list raises click for the user's click anywhere on its entries area, as a report view
// does; the selection the click leaves behind is what the handler reads.
bool QtListView::eventFilter(QObject* watched, QEvent* event) {
  // The list handles the key itself, after this; the selection it makes meanwhile is the user's.
  if (watched == &list_ && event->type() == QEvent::KeyPress) {
    handlingKey_ = true;
    QTimer::singleShot(0, this, [this] { handlingKey_ = false; });
  }
  if (watched == list_.viewport() && event->type() == QEvent::MouseButtonRelease) {
    const auto* release = static_cast<QMouseEvent*>(event);
    if (release->button() == Qt::LeftButton) {
      QTimer::singleShot(0, this, [this] { Raise(click_); });
    }
  }
  return false;
}

QtProgressBar::QtProgressBar(QWidget* parent) : bar_(parent) {
  bar_.setTextVisible(false);
  bar_.setValue(0);
}

void QtProgressBar::setText(std::string_view text) {
  text_ = text;
  bar_.setFormat(ToQString(text));
  bar_.setAccessibleName(ToQString(text));
}

QtFrame::QtFrame(QWidget* parent) : box_(parent) {}

std::string QtFrame::caption() const { return ToStdString(box_.title()); }

void QtFrame::setCaption(std::string_view caption) { box_.setTitle(ToQString(caption)); }

// Colours with the high bit set name a system colour; 0x0F is the button face.
void QtFrame::setBackColor(unsigned colour) {
  QPalette palette = box_.palette();
  QColor fill;
  if (colour & 0x80000000u) {
    fill = QApplication::palette().color(QPalette::Button);
  } else {
    fill = QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  }
  palette.setColor(QPalette::Window, fill);
  box_.setPalette(palette);
  box_.setAutoFillBackground(true);
}

QtTimer::QtTimer() {
  timer_.setTimerType(Qt::CoarseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Raise(tick_); });
}

void QtTimer::setInterval(int milliseconds) {
  interval_ = milliseconds;
  apply();
}

void QtTimer::setEnabled(bool enabled) {
  enabled_ = enabled;
  apply();
}

void QtTimer::apply() {
  if (enabled_ && interval_ > 0) {
    timer_.start(interval_);
  } else {
    timer_.stop();
  }
}

void QtTextBuffer::setPlainText(std::string_view bytes) {
  text_ = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  selectionStart_ = selectionLength_ = 0;
}

void QtTextBuffer::setSelection(int start, int length) {
  selectionStart_ = start;
  selectionLength_ = length;
}

// Selections count characters; QString counts UTF-16 units.
void QtTextBuffer::copySelection() {
  const QList<uint> characters = text_.toUcs4();
  const QList<uint> chosen = characters.mid(selectionStart_, selectionLength_);
  QApplication::clipboard()->setText(
      QString::fromUcs4(reinterpret_cast<const char32_t*>(chosen.constData()), chosen.size()));
}

}  // namespace tg
