#include "adapters/qt/QtClipboardHandover.h"

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tg {
namespace {

constexpr int LongestWaitMs = 3000;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

bool ManagerRuns(xcb_connection_t* connection, xcb_atom_t manager) {
  std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, manager),
                                    nullptr),
      &std::free);
  return owner && owner->owner != XCB_NONE;
}

// Sees the manager's answer to our request: it arrives on a window Qt does not know.
class AnswerWatch : public QAbstractNativeEventFilter {
 public:
  explicit AnswerWatch(xcb_window_t requestor) : requestor_(requestor) {}
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY) return false;
    if (reinterpret_cast<xcb_selection_notify_event_t*>(event)->requestor != requestor_) {
      return false;
    }
    answered = true;
    return true;
  }
  bool answered = false;

 private:
  xcb_window_t requestor_;
};

xcb_window_t MakeRequestor(xcb_connection_t* connection) {
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
  return window;
}

}  // namespace

void HandClipboardToManager() {
  auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !QGuiApplication::clipboard()->ownsClipboard()) return;
  xcb_connection_t* connection = x11->connection();
  const xcb_atom_t manager = Atom(connection, "CLIPBOARD_MANAGER");
  const xcb_atom_t saveTargets = Atom(connection, "SAVE_TARGETS");
  if (manager == XCB_ATOM_NONE || !ManagerRuns(connection, manager)) return;

  const xcb_window_t requestor = MakeRequestor(connection);
  AnswerWatch watch(requestor);
  qApp->installNativeEventFilter(&watch);
  // The manager now asks this program's clipboard for its text; Qt answers while events run.
  xcb_convert_selection(connection, requestor, manager, saveTargets, saveTargets, XCB_CURRENT_TIME);
  xcb_flush(connection);
  QElapsedTimer waited;
  waited.start();
  while (!watch.answered && waited.elapsed() < LongestWaitMs) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
  }
  qApp->removeNativeEventFilter(&watch);
  xcb_destroy_window(connection, requestor);
  xcb_flush(connection);
}

}  // namespace tg
