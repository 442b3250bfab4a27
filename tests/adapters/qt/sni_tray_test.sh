#!/usr/bin/env bash
# Tallyguard on a desktop whose tray is a StatusNotifierItem host (KDE Plasma, the AppIndicator
# extension, waybar, XFCE's plugin), as at logon: the program starts first and the tray 3 s later.
# The icon must come when the tray does, first showing the program's own tip; minimising hides
# into it, a click and the menu bring the window back, and a tray that restarts gets the icon
# again. A real window on Xvfb with a window manager, a private bus, a real headless office.
#   sni_tray_test.sh PROGRAM ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
ARTEFACTS=$2
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

desktop_test_begin "$ARTEFACTS" Xvfb openbox dunst dbus-daemon dbus-send xdotool xwininfo xprop \
  xdpyinfo soffice setsid py:dbus py:gi
SNI="$SESSION_ROOT/sni"
mkdir -p "$SNI"
KEEP_ARTEFACTS=("$SNI/items")
session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
desktop_test_start_bus_and_office

TRAY_PID=""
start_tray() {
  setsid /usr/bin/python3 "$HERE/sni_tray.py" serve "$SNI" >>"$SESSION_ROOT/sni-tray.log" 2>&1 &
  TRAY_PID=$!
  SESSION_PIDS+=("-$TRAY_PID")
  session_wait_for 10 session_bus_name_owned org.kde.StatusNotifierWatcher
}
registrations() { [ -f "$SNI/items" ] && wc -l <"$SNI/items" || echo 0; }
registrations_above() { [ "$(registrations)" -gt "$1" ]; }
tray() { timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" "$@" "$SNI"; }
tray_menu() { timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" menu "$SNI" "$1"; }
hidden_in_tray() { window_unmapped "$WINDOW" && ! window_iconic "$WINDOW"; }

echo "# The program starts before the tray"
start_program
check "the main window appears" session_wait_for 30 main_window
WINDOW=$(main_window)
check "the window is shown" session_wait_for 10 window_mapped "$WINDOW"
xdo windowminimize "$WINDOW"
check "without a tray minimising leaves an ordinary minimised window" session_wait_for 10 window_iconic "$WINDOW"
xdo windowactivate "$WINDOW" 2>/dev/null || xdo windowmap "$WINDOW"
check "which the user brings back" session_wait_for 10 window_mapped "$WINDOW"

echo "# The tray comes 3 s later"
sleep 3  # the program running without a tray for a while is the case itself
start_tray || { echo "the tray stand-in did not start" >&2; exit 1; }
check "the icon registers with it" session_wait_for 15 registrations_above 0
check "showing the program's own tip first" test "$(head -n 1 "$SNI/items" | cut -d' ' -f3-)" = "Tallyguard"
BALLOONS=$(session_notification_count)
xdo windowminimize "$WINDOW"
check "minimising now hides into the tray" session_wait_for 10 hidden_in_tray
check "with the balloon" session_wait_for 10 session_balloons_above "$BALLOONS"
tray activate
check "a click on the icon brings the window back" session_wait_for 10 window_mapped "$WINDOW"
xdo windowminimize "$WINDOW"
check "minimised again, it hides" session_wait_for 10 hidden_in_tray
tray_menu "Show Tallyguard"
check "the menu's Show Tallyguard brings it back" session_wait_for 10 window_mapped "$WINDOW"

echo "# The tray restarts"
BEFORE=$(registrations)
kill -TERM -- "-$TRAY_PID" 2>/dev/null
session_wait_for 10 sh -c '! dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher | grep -q true'
start_tray || { echo "the tray stand-in did not start again" >&2; exit 1; }
check "the icon registers with the new tray" session_wait_for 15 registrations_above "$BEFORE"
xdo windowminimize "$WINDOW"
check "minimising hides into it" session_wait_for 10 hidden_in_tray
tray activate
check "and a click brings the window back" session_wait_for 10 window_mapped "$WINDOW"
/usr/bin/import -window root "$ARTEFACTS/sni-tray.png" 2>/dev/null
tray_menu "Quit"
check "the menu's Quit ends the program" session_wait_for 15 program_ended

echo "# The tray is up before the program"
BEFORE=$(registrations)
start_program
check "the icon registers at once" session_wait_for 15 registrations_above "$BEFORE"
check "with the program's own tip, never a placeholder" \
  test "$(sed -n "$((BEFORE + 1))p" "$SNI/items" | cut -d' ' -f3-)" = "Tallyguard"
tray_menu "Quit"
check "and quits" session_wait_for 15 program_ended

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
