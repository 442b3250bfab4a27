#include "adapters/qt/QtWindow.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QWindow>
#include <stdexcept>
#include <utility>

#include "common/Descriptions.h"

namespace tg {

QtWindowWidget::QtWindowWidget() { setAttribute(Qt::WA_DeleteOnClose, false); }

void QtWindowWidget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && resized) resized();
}

void QtWindowWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (resized) resized();
}

void QtWindowWidget::closeEvent(QCloseEvent* event) {
  event->accept();
  if (closing) closing();
}

QtWindow::QtWindow() {
  widget_.resized = [this] { resized(); };
}

std::string QtWindow::caption() const { return ToStdString(widget_.windowTitle()); }

void QtWindow::setCaption(std::string_view caption) { widget_.setWindowTitle(ToQString(caption)); }

void QtWindow::setApplicationIcon() { widget_.setWindowIcon(ApplicationIcon()); }

void QtWindow::hide() {
  restoredFromMinimized_ = false;
  widget_.hide();
}

// On X11, un-minimising a hidden window maps it again, and one created minimised is mapped iconic
// by the window manager: the state is given with the showing.
void QtWindow::showIn(WindowState state) {
  restoredFromMinimized_ = false;
  if (state == WindowState::Minimized) {
    widget_.showMinimized();
  } else {
    widget_.showNormal();
  }
}

// Unmapping a window the desktop is restoring races with its restore; one it took away unsaid is
// shown anew, and the desktop maps it.
void QtWindow::showAsItIs() {
  const bool restoring = std::exchange(restoredFromMinimized_, false);
  if (!restoring && takenOffScreenUnsaid()) widget_.hide();
  widget_.show();
}

// A Wayland compositor's minimise, or a window manager without an iconic state, takes the window
// off the screen without telling the program: Qt still counts it shown, and showing it again
// does nothing. Natively on Wayland such a window cannot even be told apart.
bool QtWindow::takenOffScreenUnsaid() const {
  const QWindow* handle = widget_.windowHandle();
  if (widget_.isHidden() || handle == nullptr) return false;
  return !handle->isExposed() || QGuiApplication::platformName() == "wayland";
}

WindowState QtWindow::shownState() const {
  return (widget_.windowState() & Qt::WindowMinimized) ? WindowState::Minimized
                                                       : WindowState::Normal;
}

void QtWindow::changeShownState(WindowState state) {
  Qt::WindowStates states = widget_.windowState() & ~Qt::WindowMinimized;
  if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
  restoredFromMinimized_ = states != widget_.windowState() && state == WindowState::Normal;
  widget_.setWindowState(states);
}

void QtWindow::setFocus() {
  widget_.raise();
  widget_.activateWindow();
}

// Without a loaded cursor file the custom pointer is the default one.
void QtWindow::setMousePointer(MousePointer pointer) {
  pointer_ = pointer;
  if (pointer == MousePointer::Hourglass) {
    widget_.setCursor(Qt::WaitCursor);
  } else if (pointer == MousePointer::Custom && customPointer_) {
    widget_.setCursor(*customPointer_);
  } else {
    widget_.unsetCursor();
  }
}

namespace {

// A .cur file is an icon file of type 2 whose directory entry holds the hot spot where an icon
// keeps its planes and bit count. Qt's icon reader wants type 1.
struct CursorFile {
  QByteArray asIcon;
  QPoint hotSpot;
};

std::uint16_t Word(const QByteArray& bytes, int at) {
  return static_cast<std::uint8_t>(bytes[at]) | (static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

std::optional<CursorFile> ReadCursorFile(const QByteArray& bytes) {
  if (bytes.size() < 22 || Word(bytes, 0) != 0 || Word(bytes, 4) == 0) return std::nullopt;
  const std::uint16_t type = Word(bytes, 2);
  if (type != 1 && type != 2) return std::nullopt;
  CursorFile file{bytes, {}};
  if (type == 2) {
    file.hotSpot = QPoint(Word(bytes, 10), Word(bytes, 12));
    file.asIcon[2] = 1;
    file.asIcon[10] = 1;  // planes
    file.asIcon[11] = 0;
    file.asIcon[12] = 0;  // bit count unknown: the picture's own header says it
    file.asIcon[13] = 0;
  }
  return file;
}

}  // namespace

void QtWindow::loadCustomPointer(std::string_view cursorFile) {
  QFile file(ToQString(cursorFile));
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error(Descriptions::FileCannotBeRead(cursorFile));
  }
  std::optional<CursorFile> cursor = ReadCursorFile(file.readAll());
  if (!cursor)
    throw std::runtime_error("The pointer file " + std::string(cursorFile) + " holds no pointer.");
  QBuffer buffer(&cursor->asIcon);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  const QImage image = reader.read();
  if (image.isNull())
    throw std::runtime_error("The pointer file " + std::string(cursorFile) + " holds no pointer.");
  customPointer_ = QCursor(QPixmap::fromImage(image), cursor->hotSpot.x(), cursor->hotSpot.y());
  if (pointer_ == MousePointer::Custom) setMousePointer(pointer_);
}

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x1F, 0x5F, 0xBF));
  const qreal margin = size / 16.0;
  painter.drawRoundedRect(QRectF(margin, margin, size - 2 * margin, size - 2 * margin), size / 6.0,
                          size / 6.0);
  QFont font("Liberation Sans");
  font.setBold(true);
  font.setPixelSize(size * 11 / 16);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(0, 0, size, size), Qt::AlignCenter, "M");
  return pixmap;
}

}  // namespace

QIcon ApplicationIcon() {
  static const QIcon icon = [] {
    QIcon drawn;
    for (int size : {16, 22, 24, 32, 48, 64, 128}) drawn.addPixmap(DrawIcon(size));
    return drawn;
  }();
  return icon;
}

}  // namespace tg
