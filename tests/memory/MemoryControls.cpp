#include "memory/MemoryControls.h"

#include <stdexcept>

#include "common/Descriptions.h"

namespace tg {

void MemoryCheckBox::setValue(int value) {
  if (value == value_) return;
  value_ = value;
  raise(click_);
}

void OptionGroup::clearAllBut(const MemoryOptionButton& keep) {
  for (MemoryOptionButton* button : buttons_) {
    if (button != &keep) button->selected_ = false;
  }
}

void MemoryOptionButton::setSelected(bool selected) {
  selected_ = selected;
  if (!selected) return;
  group_.clearAllBut(*this);
  raise(click_);
}

void MemoryTextBox::setText(std::string_view text) {
  if (text == text_) return;
  text_ = text;
  raise(change_);
}

void MemoryTextBox::setSelection(int start, int length) {
  selectionStart_ = start;
  selectionLength_ = length;
}

// One keystroke is one character: the bytes that continue a UTF-8 character arrive with it.
void MemoryTextBox::type(std::string_view characters) {
  std::size_t start = 0;
  while (start < characters.size()) {
    std::size_t end = start + 1;
    while (end < characters.size() &&
           (static_cast<unsigned char>(characters[end]) & 0xC0) == 0x80) {
      ++end;
    }
    setText(text_ + std::string(characters.substr(start, end - start)));
    start = end;
  }
}

void MemoryListView::addColumn(std::string_view header, int widthTwips) {
  columns_.push_back({std::string(header), widthTwips});
}

std::string MemoryListView::selectedText() const { return items_.at(selectedPosition() - 1); }

int MemoryListView::selectedPosition() const {
  if (!selected_) throw std::runtime_error(std::string(Descriptions::NoIntervalSelected));
  return *selected_;
}

void MemoryListView::selectPosition(int position) {
  if (position < 1 || position > itemCount()) {
    throw std::out_of_range(Descriptions::NoIntervalEntry(position));
  }
  selected_ = position;
}

void MemoryListView::click(int position) {
  selectPosition(position);
  raise(click_);
}

void MemoryListView::clickNothing() {
  selected_.reset();
  raise(click_);
}

bool MemoryTimer::tick() {
  if (!running()) return false;
  if (tick_) tick_();
  return true;
}

void MemoryTextBuffer::setPlainText(std::string_view bytes) {
  text_ = std::string(bytes);
  selectionStart_ = selectionLength_ = 0;
}

void MemoryTextBuffer::setSelection(int start, int length) {
  selectionStart_ = start;
  selectionLength_ = length;
}

namespace {

// Byte offset of the character at `characters` (selections count characters, not bytes).
std::size_t ByteOffset(const std::string& text, int characters) {
  std::size_t at = 0;
  for (int counted = 0; at < text.size(); ++at) {
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (counted++ == characters) return at;
  }
  return text.size();
}

}  // namespace

void MemoryTextBuffer::copySelection() {
  const std::size_t start = ByteOffset(text_, selectionStart_);
  const std::size_t end = ByteOffset(text_, selectionStart_ + selectionLength_);
  clipboard = text_.substr(start, end - start);
}

void MemoryWindow::showIn(WindowState state) {
  visible_ = true;
  everShown = true;
  changeShownState(state);
}

void MemoryWindow::changeShownState(WindowState state) {
  if (state == state_) return;
  state_ = state;
  resized();
}

void MemoryWindow::loadCustomPointer(std::string_view cursorFile) {
  if (rejectCursor) throw std::runtime_error("Invalid picture");
  customPointerFile = cursorFile;
}

void MemoryWindow::minimize() {
  state_ = WindowState::Minimized;
  resized();
}

}  // namespace tg
