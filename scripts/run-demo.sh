#!/usr/bin/env bash
# Installs what Tallyguard needs (Debian/Ubuntu, as root), builds it, and runs it.
#  - With a desktop (DISPLAY set): starts Tallyguard on it, against your own LibreOffice.
#  - Without one (or with --headless): shows the main job on a desktop of its own: Xvfb, a tray
#    host, a headless LibreOffice holding two sample spreadsheets, Tallyguard started and
#    "Backup Now (Test)" clicked; then prints the history log, lists the copies, saves a
#    screenshot of the window, and stops everything it started.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${TALLYGUARD_BUILD_DIR:-$ROOT/build}"
# A desktop is there when Wayland says so, or an X display answers (or cannot be asked).
has_desktop() {
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  [ -n "${DISPLAY:-}" ] || return 1
  ! command -v xdpyinfo >/dev/null 2>&1 || xdpyinfo >/dev/null 2>&1
}
HEADLESS=0
if [ "${1:-}" = "--headless" ] || ! has_desktop; then HEADLESS=1; fi

say() { printf '\n== %s\n' "$*"; }

build() {
  say "Building in $BUILD"
  local type=()
  [ -f "$BUILD/CMakeCache.txt" ] || type=(-DCMAKE_BUILD_TYPE=Release)
  cmake -S "$ROOT" -B "$BUILD" -G "Unix Makefiles" "${type[@]}" >/dev/null
  cmake --build "$BUILD" -j"$(nproc)" --target tallyguard tallyguard_office \
    ${1:+tallyguard_office_scene}
}

PROGRAM="$BUILD/bin/tallyguard"

# The packages come from the list the tests install from too, only fewer of them.
if command -v apt-get >/dev/null 2>&1; then
  if [ "$HEADLESS" = 1 ]; then bash "$ROOT/scripts/install-deps.sh" --demo
  else bash "$ROOT/scripts/install-deps.sh" --run; fi
fi

if [ "$HEADLESS" = 0 ]; then
  build
  say "Starting Tallyguard on your desktop"
  exec "$PROGRAM"
fi

build scene
OFFICE_SCENE="$BUILD/tests/adapters/qt/tallyguard_office_scene"
SHOT="${TALLYGUARD_DEMO_SCREENSHOT:-$PWD/tallyguard-demo.png}"
# shellcheck source=desktop-session.sh
source "$ROOT/scripts/desktop-session.sh"
trap session_stop EXIT
trap 'exit 1' INT TERM

session_begin
DOCS="$SESSION_ROOT/Spreadsheets"
mkdir -p "$DOCS" "$SESSION_ROOT/home" "$SESSION_ROOT/temp"
# The demo keeps its settings and history away from the user's own.
export HOME="$SESSION_ROOT/home" TEMP="$SESSION_ROOT/temp" XDG_RUNTIME_DIR="$SESSION_ROOT/run"
unset XDG_CONFIG_HOME XDG_STATE_HOME
export QT_QPA_PLATFORM=xcb

say "Starting a desktop of its own (Xvfb, openbox, trayer, dunst) and a headless LibreOffice"
session_start_display
session_start_bus
session_start_tray
session_start_notifications
session_start_office
"$OFFICE_SCENE" "$SESSION_PIPE" open "$DOCS/Budget 2026.ods" "$DOCS/Stock.ods" | sed 's/^/open: /'

say "Starting Tallyguard"
TALLYGUARD_OFFICE_PIPE="$SESSION_PIPE" TALLYGUARD_OFFICE_PROFILE="$SESSION_PROFILE" \
  TALLYGUARD_OFFICE_LAUNCHER="" \
  "$PROGRAM" >"$SESSION_ROOT/tallyguard.log" 2>&1 &
PROGRAM_PID=$!
SESSION_PIDS+=("$PROGRAM_PID")
session_wait_for 60 session_main_window "$PROGRAM_PID" ||
  { echo "Tallyguard's window did not appear" >&2; exit 1; }
WINDOW=$(session_main_window "$PROGRAM_PID")
sleep 1

say "Clicking \"Backup Now (Test)\""
xdotool mousemove --window "$WINDOW" 400 460 click 1
LOG="$TEMP/Tallyguard.txt"
two_lines() { [ -f "$LOG" ] && [ "$(wc -l <"$LOG")" -ge 2 ]; }
FAILED=0
session_wait_for 60 two_lines || { echo "The backup made fewer history lines than expected." >&2; FAILED=1; }

say "History log ($LOG)"
cat "$LOG" 2>/dev/null || true
say "Copies in $DOCS"
ls -1 "$DOCS" | grep -v '^\.~lock' || true
for sample in "Budget 2026" "Stock"; do
  # The copy is the sample's name with " Backup" or a date and time stamp added.
  compgen -G "$DOCS/$sample ?*.ods" >/dev/null || { echo "No copy of $sample was made." >&2; FAILED=1; }
done
rm -f "$SHOT"
session_screenshot "$SHOT"
if [ -s "$SHOT" ]; then say "Screenshot saved: $SHOT"
else echo "The screenshot could not be taken." >&2; FAILED=1; fi
exit "$FAILED"
