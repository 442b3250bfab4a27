// A desktop's clipboard manager, as small as a test needs: it owns CLIPBOARD_MANAGER, and when a
// program that is about to end asks it to SAVE_TARGETS, it takes the clipboard's text, writes it
// to the file named on the command line and ends. With --owned it only says, by its exit status,
// whether a program holds the clipboard (0) or none does (1), so a test can wait for a copy.
// Usage: tallyguard_clipboard_manager <file for the saved text> | --owned

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}

std::string ReadProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property) {
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 1, window, property, XCB_ATOM_ANY, 0, 1 << 20),
      nullptr);
  std::string text;
  if (reply) {
    text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                xcb_get_property_value_length(reply));
  }
  std::free(reply);
  return text;
}

bool ClipboardOwned(xcb_connection_t* connection) {
  xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, Atom(connection, "CLIPBOARD")), nullptr);
  const bool owned = reply && reply->owner != XCB_NONE;
  std::free(reply);
  return owned;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) return 2;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) return 1;
  if (std::strcmp(argv[1], "--owned") == 0) return ClipboardOwned(connection) ? 0 : 1;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
  const xcb_atom_t manager = Atom(connection, "CLIPBOARD_MANAGER");
  const xcb_atom_t saveTargets = Atom(connection, "SAVE_TARGETS");
  const xcb_atom_t clipboard = Atom(connection, "CLIPBOARD");
  const xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
  const xcb_atom_t saved = Atom(connection, "TALLYGUARD_TEST_SAVED");
  xcb_set_selection_owner(connection, window, manager, XCB_CURRENT_TIME);
  xcb_flush(connection);
  std::printf("ready\n");
  std::fflush(stdout);

  xcb_selection_request_event_t request{};
  while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
    const int type = event->response_type & 0x7f;
    if (type == XCB_SELECTION_REQUEST) {
      request = *reinterpret_cast<xcb_selection_request_event_t*>(event);
      if (request.target == saveTargets) {
        xcb_convert_selection(connection, window, clipboard, utf8, saved, request.time);
        xcb_flush(connection);
      }
    } else if (type == XCB_SELECTION_NOTIFY) {
      std::ofstream(argv[1], std::ios::binary) << ReadProperty(connection, window, saved);
      xcb_selection_notify_event_t answer{};
      answer.response_type = XCB_SELECTION_NOTIFY;
      answer.requestor = request.requestor;
      answer.selection = request.selection;
      answer.target = request.target;
      answer.property = request.property;
      answer.time = request.time;
      xcb_send_event(connection, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&answer));
      xcb_flush(connection);
      std::free(event);
      break;
    }
    std::free(event);
  }
  xcb_disconnect(connection);
  return 0;
}
