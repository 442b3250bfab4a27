#!/usr/bin/env bash
# Tallyguard on a desktop without a tray (stock GNOME, for one): a real window on Xvfb with a
# window manager and a notification server but no tray host, a real headless office. Minimising
# must leave a window the user can reach, a start "in the tray" must start minimised in the task
# bar, a second start must bring the window up, and a tray host that starts later gets the icon.
#   no_tray_test.sh PROGRAM ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
ARTEFACTS=$2
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

desktop_test_begin "$ARTEFACTS" Xvfb openbox trayer dunst dunstctl dbus-daemon xdotool xwininfo \
  xprop xdpyinfo soffice setsid
CONF="$HOME_DIR/.config/Morvane/Tallyguard.conf"
session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
desktop_test_start_bus_and_office

second_start() { timeout 30 "$PROGRAM" >>"$SESSION_ROOT/second-copy.log" 2>&1; }
tray_has_icon() { [ -n "$SESSION_TRAY" ] && session_tray_has_icon tallyguard; }


echo "# Minimise without a tray"
start_program
check "the main window appears" session_wait_for 30 main_window
WINDOW=$(main_window)
check "the window is shown" session_wait_for 10 window_mapped "$WINDOW"
BALLOONS=$(session_notification_count)
xdo windowminimize "$WINDOW"
check "minimising makes an ordinary minimised window" session_wait_for 10 window_iconic "$WINDOW"
sleep 1  # time for a hiding into a tray that must not come: the test is that nothing happens
check "it stays minimised, not hidden" window_iconic "$WINDOW"
check "no balloon speaks of a tray that is not there" test "$(session_notification_count)" -eq "$BALLOONS"
second_start
check "a second start ends with success" test $? -eq 0
check "and brings the window up" session_wait_for 10 window_mapped "$WINDOW"
# Ended between the two starts; the window's own closing is the desktop test's business.
kill -TERM "$PROGRAM_PID" 2>/dev/null
check "the first run ends" session_wait_for 15 program_ended
program_ended && wait "$PROGRAM_PID" 2>/dev/null

echo "# Start in the tray without a tray"
mkdir -p "$(dirname "$CONF")"
printf '[Tallyguard]\nMinimized=On\n' >"$CONF"
start_program
check "the window exists" session_wait_for 30 main_window
WINDOW=$(main_window)
check "it starts minimised in the task bar" session_wait_for 10 window_iconic "$WINDOW"
check "no balloon" test "$(session_notification_count)" -eq "$BALLOONS"
/usr/bin/import -window root "$ARTEFACTS/01-started-minimised.png" 2>/dev/null

echo "# A tray host comes later"
session_start_tray || { echo "trayer did not start" >&2; exit 1; }
check "the icon appears in it" session_wait_for 15 tray_has_icon
check "the window is still minimised in the task bar" window_iconic "$WINDOW"
session_click_tray_icon
restored() { window_mapped "$WINDOW" && ! window_iconic "$WINDOW"; }
check "a click on the icon brings the minimised window back" session_wait_for 10 restored
xdo windowminimize "$WINDOW"
check "minimised again, now into the tray" session_wait_for 10 window_unmapped "$WINDOW"
second_start
check "a second start shows the window" session_wait_for 10 window_mapped "$WINDOW"
xdo windowminimize "$WINDOW"
check "now minimising hides into the tray" session_wait_for 10 window_unmapped "$WINDOW"
unmapped_not_iconic() { window_unmapped "$WINDOW" && ! window_iconic "$WINDOW" && [ -n "$WINDOW" ]; }
check "and the window is not left iconic" session_wait_for 5 unmapped_not_iconic
check "with the balloon" session_wait_for 10 session_balloons_above "$BALLOONS"
/usr/bin/import -window root "$ARTEFACTS/02-tray-came-later.png" 2>/dev/null
kill -TERM "$PROGRAM_PID" 2>/dev/null
session_wait_for 15 program_ended

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
