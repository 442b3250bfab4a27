# The program under test on the session's desktop, for the desktop tests: start it, ask whether
# it runs, and find and ask about its main window; with the session's own helpers
# (scripts/desktop-session.sh). Sourced with PROGRAM set.

# shellcheck source=../../../scripts/desktop-session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/desktop-session.sh"

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

# The start every desktop test shares: exits 77 (skipped) when a tool it names is missing ("py:"
# names a Python module), makes the artefacts folder afresh and a session and user of its own;
# on exit the session's logs and the files in KEEP_ARTEFACTS are kept, and everything is stopped.
#   desktop_test_begin ARTEFACTS TOOL...
KEEP_ARTEFACTS=()
desktop_test_begin() {
  ARTEFACTS=$1
  shift
  local missing=() tool
  for tool in "$@"; do
    case $tool in
      py:*) /usr/bin/python3 -c "import ${tool#py:}" 2>/dev/null || missing+=("python3-${tool#py:}") ;;
      *) command -v "$tool" >/dev/null 2>&1 || missing+=("$tool") ;;
    esac
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "skipped: missing tools: ${missing[*]}" >&2
    exit 77
  fi
  trap desktop_test_finish EXIT
  trap 'exit 1' INT TERM
  rm -rf "$ARTEFACTS"
  mkdir -p "$ARTEFACTS"
  session_begin
  session_make_user
}

desktop_test_finish() {
  local status=$?
  if [ -n "${SESSION_ROOT:-}" ] && [ -d "$SESSION_ROOT" ]; then
    cp "$SESSION_ROOT"/*.log "${KEEP_ARTEFACTS[@]}" "$ARTEFACTS/" 2>/dev/null
  fi
  session_stop
  exit "$status"
}

# On the session's display: a private bus with a notification server, and a headless office (or,
# given "with-windows", one that shows its documents) the program is told is the user's own,
# answering before the program's start-up check needs it.
desktop_test_start_bus_and_office() {
  session_start_bus || { echo "dbus-daemon did not start" >&2; exit 1; }
  session_start_notifications || { echo "dunst did not start" >&2; exit 1; }
  session_start_office "${1:-}"
  export TALLYGUARD_OFFICE_PIPE="$SESSION_PIPE" TALLYGUARD_OFFICE_PROFILE="$SESSION_PROFILE"
  export TALLYGUARD_OFFICE_LAUNCHER=""
  session_wait_for 60 sh -c "ls /tmp/OSL_PIPE_*_$SESSION_PIPE" ||
    { echo "the office did not start" >&2; exit 1; }
}
