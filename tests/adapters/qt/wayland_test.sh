#!/usr/bin/env bash
# Tallyguard in a Wayland session (weston, headless, with XWayland), Qt's Wayland plugin
# installed and no platform chosen by the user. With XWayland there, the window runs on X11 through
# it, and the tray brings it back even after the desktop took it off the screen unsaid; in a
# session without X it starts natively on Wayland instead of ending. The tray is a
# StatusNotifierItem one, as Wayland panels have.
#   wayland_test.sh PROGRAM ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
ARTEFACTS=$2
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
  { echo "skipped: missing tools: qt6-wayland" >&2; exit 77; }
desktop_test_begin "$ARTEFACTS" weston Xwayland dunst dbus-daemon dbus-send xdotool xwininfo xprop \
  soffice setsid py:dbus py:gi
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
SNI="$SESSION_ROOT/sni"
mkdir -p "$SNI"

# The compositor on a socket of this session; its XWayland picks a free display and says which.
WAYLAND_SOCKET_NAME="tallyguard-wayland-$$"
session_spawn "$SESSION_ROOT/weston.log" weston --backend=headless-backend.so --xwayland \
  "--socket=$WAYLAND_SOCKET_NAME" --idle-time=0 --width=1024 --height=768
x_display() { sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$SESSION_ROOT/weston.log" | head -n 1; }
session_wait_for 20 sh -c "grep -q 'xserver listening on display' '$SESSION_ROOT/weston.log'" ||
  { echo "weston did not start" >&2; exit 1; }
export WAYLAND_DISPLAY="$WAYLAND_SOCKET_NAME" DISPLAY=$(x_display)

desktop_test_start_bus_and_office
setsid /usr/bin/python3 "$HERE/sni_tray.py" serve "$SNI" >>"$SESSION_ROOT/sni-tray.log" 2>&1 &
SESSION_PIDS+=("-$!")
session_wait_for 10 session_bus_name_owned org.kde.StatusNotifierWatcher ||
  { echo "the tray stand-in did not start" >&2; exit 1; }

registrations() { [ -f "$SNI/items" ] && wc -l <"$SNI/items" || echo 0; }
registrations_above() { [ "$(registrations)" -gt "$1" ]; }
tray() { timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" "$@" "$SNI"; }
tray_menu() { timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" menu "$SNI" "$1"; }

echo "# XWayland there: the window runs on X11"
start_program
check "the main window appears on XWayland" session_wait_for 30 main_window
WINDOW=$(main_window)
check "the window is shown" session_wait_for 10 window_mapped "$WINDOW"
check "the icon is in the tray" session_wait_for 15 registrations_above 0
# Weston's X window manager has no iconic state: its minimise takes the window off the screen
# without a word to the program, as this unmap from outside does. The tray must still bring it
# back (Qt still counts such a window shown).
xdo windowunmap "$WINDOW"
check "taken off the screen by the desktop" session_wait_for 10 window_unmapped "$WINDOW"
tray activate
check "a click on the icon shows it again" session_wait_for 10 window_mapped "$WINDOW"
tray_menu "Show Tallyguard"
check "the menu's Show Tallyguard keeps it shown" session_wait_for 10 window_mapped "$WINDOW"
timeout 30 "$PROGRAM" >>"$SESSION_ROOT/second-copy.log" 2>&1
check "a second start shows it again" session_wait_for 10 window_mapped "$WINDOW"
tray_menu "Quit"
check "the menu's Quit ends the program" session_wait_for 15 program_ended

echo "# No X in the session: natively on Wayland"
BEFORE=$(registrations)
DISPLAY= start_program
# Three seconds pass: a program that cannot show a window and gives up would have ended by then.
check "the program starts and stays" bash -c "sleep 3; kill -0 $PROGRAM_PID"
check "with its icon in the tray" session_wait_for 15 registrations_above "$BEFORE"
check "and no window on X" bash -c "! xdotool search --all --pid $PROGRAM_PID --name '^Tallyguard$'"
tray_menu "Quit"
check "the menu's Quit ends it" session_wait_for 15 program_ended
grep -q "cannot show its window" "$SESSION_ROOT/program.log"
check "it never said it could not show its window" test $? -ne 0

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
