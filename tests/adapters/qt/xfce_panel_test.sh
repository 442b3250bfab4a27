#!/usr/bin/env bash
# Tallyguard under XFCE's own panel (xfce4-panel with its notification-area plugin, which hosts
# StatusNotifierItem and XEmbed icons), started after the program as at a slow logon: the window
# the user minimised while there was no tray comes back with one click on the icon.
#   xfce_panel_test.sh PROGRAM ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
ARTEFACTS=$2
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"
XFCONFD=$(ls /usr/lib/*/xfce4/xfconf/xfconfd 2>/dev/null | head -n 1)
[ -n "$XFCONFD" ] || { echo "skipped: missing tools: xfconf" >&2; exit 77; }

desktop_test_begin "$ARTEFACTS" Xvfb openbox xfce4-panel dunst dbus-daemon xdotool xwininfo xprop \
  xdpyinfo soffice setsid
session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
desktop_test_start_bus_and_office

# One panel at the top holding the notification area only, as small as its icons.
CHANNEL="$HOME_DIR/.config/xfce4/xfconf/xfce-perchannel-xml"
mkdir -p "$CHANNEL"
cat >"$CHANNEL/xfce4-panel.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="length" type="uint" value="1"/>
      <property name="length-adjust" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
XML

echo "# Minimised before the panel comes"
start_program
check "the main window appears" session_wait_for 30 main_window
WINDOW=$(main_window)
check "the window is shown" session_wait_for 10 window_mapped "$WINDOW"
xdo windowminimize "$WINDOW"
check "minimised into the task bar, there being no tray" session_wait_for 10 window_iconic "$WINDOW"

echo "# XFCE's panel comes"
session_spawn "$SESSION_ROOT/xfconfd.log" "$XFCONFD"
session_wait_for 10 session_bus_name_owned org.xfce.Xfconf || { echo "xfconfd did not start" >&2; exit 1; }
session_spawn "$SESSION_ROOT/xfce4-panel.log" xfce4-panel --disable-wm-check
panel() {
  local found
  found=$(xdotool search --all --onlyvisible --class '^Xfce4-panel$' 2>/dev/null | head -n 1)
  [ -n "$found" ] && echo "$found"
}
session_wait_for 20 panel || { echo "the panel did not start" >&2; exit 1; }
PANEL=$(panel)
# The panel shrinks to its icons; the only icon in it is Tallyguard's.
panel_width() { xwininfo -id "$PANEL" | awk '/Width/{print $NF}'; }
icon_in_panel() { [ "$(panel_width)" -ge 16 ] && [ "$(panel_width)" -le 64 ]; }
check "the icon appears in the panel" session_wait_for 20 icon_in_panel
session_screenshot "$ARTEFACTS/01-panel-with-icon.png"
read -r X Y W H < <(xwininfo -id "$PANEL" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width/{w=$NF} /Height/{h=$NF} END{print x, y, w, h}')
xdotool mousemove $((X + W / 2)) $((Y + H / 2)) click 1
restored() { window_mapped "$WINDOW" && ! window_iconic "$WINDOW"; }
check "one click on the icon brings the minimised window back" session_wait_for 10 restored
session_screenshot "$ARTEFACTS/02-restored.png"
kill -TERM "$PROGRAM_PID" 2>/dev/null
session_wait_for 15 program_ended

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
