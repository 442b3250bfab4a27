# The program under test on the session's desktop, for the desktop tests: start it, ask whether
# it runs, and find and ask about its main window. Sourced after scripts/desktop-session.sh, with
# PROGRAM set.

PROGRAM_PID=""
start_program() {
  "$PROGRAM" >>"$SESSION_ROOT/program.log" 2>&1 &
  PROGRAM_PID=$!
  SESSION_PIDS+=("$PROGRAM_PID")
}
program_running() { kill -0 "$PROGRAM_PID" 2>/dev/null; }
program_ended() { ! program_running; }

# The main window is the program's one window of 536 x 550 pixels, shown or not.
main_window() {
  local window
  for window in $(xdotool search --all --pid "$PROGRAM_PID" --name '^Tallyguard$' 2>/dev/null); do
    if xdotool getwindowgeometry "$window" | grep -q 'Geometry: 536x550'; then
      echo "$window"
      return 0
    fi
  done
  return 1
}

# Each asks about a window id it was given; xprop and xwininfo without one wait for a click.
window_mapped() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
window_unmapped() { [ -n "$1" ] && ! window_mapped "$1"; }
# Minimised in the task bar: the window manager keeps it iconic, not withdrawn.
window_iconic() { [ -n "$1" ] && xprop -id "$1" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; }
xdo() { timeout 10 xdotool "$@"; }
