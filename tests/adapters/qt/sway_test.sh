#!/usr/bin/env bash
# Tallyguard under sway, a tiling Wayland compositor with no minimise: a window the user sends to
# the scratchpad, or leaves on another workspace, must come back in front by the tray icon, the
# tray menu and a second start. The tray is a StatusNotifierItem one, as waybar is.
#   sway_test.sh PROGRAM ARTEFACTS [x11|wayland]
# With "x11" or "wayland" the program is made to run on that platform, to measure what each does;
# without, it chooses itself.
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
ARTEFACTS=$2
PLATFORM=${3:-}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
  { echo "skipped: missing tools: qt6-wayland" >&2; exit 77; }
desktop_test_begin "$ARTEFACTS" sway swaymsg Xwayland xhost dunst dbus-daemon dbus-send soffice setsid \
  py:dbus py:gi
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY SWAYSOCK
SNI="$SESSION_ROOT/sni"
mkdir -p "$SNI"

# sway on a headless output of its own, with XWayland; its socket and display are this session's.
cat >"$SESSION_ROOT/sway.conf" <<CONF
xwayland enable
output HEADLESS-1 resolution 1280x800
CONF
# sway refuses to run as root: as root, the compositor runs as nobody in a runtime folder of its
# own, and the program (root may reach any socket) joins it.
SWAY_AS=()
SWAY_RUNTIME=$XDG_RUNTIME_DIR
if [ "$(id -u)" -eq 0 ]; then
  SWAY_RUNTIME="$SESSION_ROOT/sway-run"
  chmod 711 "$SESSION_ROOT"  # nobody passes through to its own folder, and sees nothing else
  mkdir -p -m 700 "$SWAY_RUNTIME"
  chown nobody "$SWAY_RUNTIME" "$SESSION_ROOT/sway.conf"
  SWAY_AS=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$SWAY_RUNTIME"
    XDG_RUNTIME_DIR="$SWAY_RUNTIME")
fi
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  session_spawn "$SESSION_ROOT/sway.log" "${SWAY_AS[@]}" sway -c "$SESSION_ROOT/sway.conf"
session_wait_for 20 sh -c "ls '$SWAY_RUNTIME'/sway-ipc.*.sock" ||
  { echo "sway did not start" >&2; exit 1; }
export SWAYSOCK=$(ls "$SWAY_RUNTIME"/sway-ipc.*.sock | head -n 1)
session_wait_for 20 sh -c "ls '$SWAY_RUNTIME'/wayland-* | grep -qv lock" ||
  { echo "sway has no Wayland socket" >&2; exit 1; }
# A path of its own: the program's runtime folder stays the session's.
export WAYLAND_DISPLAY=$(ls "$SWAY_RUNTIME"/wayland-* | grep -v lock | head -n 1)
session_wait_for 20 sh -c "swaymsg -t get_tree >/dev/null" || { echo "sway does not answer" >&2; exit 1; }
# sway tells the programs it starts which display its XWayland has, and lets this user in.
cat >"$SESSION_ROOT/display.sh" <<SCRIPT
xhost +si:localuser:$(id -un) >/dev/null
echo "\$DISPLAY" >"$SWAY_RUNTIME/display"
SCRIPT
chmod 755 "$SESSION_ROOT/display.sh"
swaymsg "exec sh '$SESSION_ROOT/display.sh'" >/dev/null
session_wait_for 10 test -s "$SWAY_RUNTIME/display" || { echo "sway has no XWayland" >&2; exit 1; }
export DISPLAY=$(cat "$SWAY_RUNTIME/display")
case $PLATFORM in x11) export QT_QPA_PLATFORM=xcb ;; wayland) export QT_QPA_PLATFORM=wayland ;; esac

desktop_test_start_bus_and_office
setsid /usr/bin/python3 "$HERE/sni_tray.py" serve "$SNI" >>"$SESSION_ROOT/sni-tray.log" 2>&1 &
SESSION_PIDS+=("-$!")
session_wait_for 10 session_bus_name_owned org.kde.StatusNotifierWatcher ||
  { echo "the tray stand-in did not start" >&2; exit 1; }
tray() { timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" "$@" "$SNI"; }
tray_menu() { timeout 10 /usr/bin/python3 "$HERE/sni_tray.py" menu "$SNI" "$1"; }

# The program's window as sway sees it: visible on the focused workspace and focused.
window_query() {  # window_query JQ-TEST
  swaymsg -t get_tree | /usr/bin/python3 -c '
import json, sys
def walk(node):
    yield node
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        yield from walk(child)
tree = json.load(sys.stdin)
pid = int(sys.argv[1])
for node in walk(tree):
    if node.get("pid") == pid and node.get("name") == "Tallyguard":
        print(json.dumps({"visible": node.get("visible"), "focused": node.get("focused")}))
        sys.exit(0)
sys.exit(1)' "$PROGRAM_PID"
}
window_in_front() { window_query | grep -q '"visible": true, "focused": true'; }
window_hidden() { window_query | grep -q '"visible": false'; }
in_scratchpad() { swaymsg "[pid=$PROGRAM_PID] move scratchpad" >/dev/null; }
to_workspace_2() { swaymsg "workspace 2" >/dev/null; }

start_program
check "the main window appears in front" session_wait_for 30 window_in_front
in_scratchpad
check "sent to the scratchpad" session_wait_for 10 window_hidden
tray activate
check "a click on the icon brings it back in front" session_wait_for 10 window_in_front
in_scratchpad
session_wait_for 10 window_hidden
tray_menu "Show Tallyguard"
check "the menu's Show Tallyguard brings it back in front" session_wait_for 10 window_in_front
in_scratchpad
session_wait_for 10 window_hidden
timeout 30 "$PROGRAM" >>"$SESSION_ROOT/second-copy.log" 2>&1
check "a second start brings it back in front" session_wait_for 10 window_in_front
to_workspace_2
session_wait_for 10 window_hidden
timeout 30 "$PROGRAM" >>"$SESSION_ROOT/second-copy.log" 2>&1
check "a second start brings it from another workspace" session_wait_for 10 window_in_front
tray_menu "Quit"
check "the menu's Quit ends the program" session_wait_for 15 program_ended

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
