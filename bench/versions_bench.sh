#!/usr/bin/env bash
# The Versions window over a history log of 100,000 lines and 2,000 documents (or LINES and
# DOCUMENTS), on a desktop of its
# own (Xvfb):
#  - open to first paint and filter keystroke to repaint, on the real window with the real file
#    adapters (bench/versions_bench.cpp), ROUNDS times;
#  - the program's idle resident memory before the window is opened and after it is closed again,
#    opened with `tallyguard --versions` and closed with Escape, ROUNDS times.
# Prints the figures beside their goals; asserts nothing.
#   versions_bench.sh [BUILD_DIR] [ROUNDS] [LINES] [DOCUMENTS]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
ROUNDS=${2:-5}
LINES=${3:-100000}
DOCUMENTS=${4:-2000}
PROGRAM="$BUILD/bin/tallyguard"
BENCH="$BUILD/tests/adapters/qt/tallyguard_versions_bench"
cmake --build "$BUILD" -j2 --target tallyguard tallyguard_versions_bench >/dev/null

# shellcheck source=../scripts/desktop-session.sh
source "$ROOT/scripts/desktop-session.sh"
trap session_stop EXIT
trap 'exit 1' INT TERM
session_begin
session_make_user
session_start_display
session_start_bus

echo "# Speed"
"$BENCH" "$TEMP" "$LINES" "$DOCUMENTS" "$ROUNDS"

echo "# Memory with the window closed again"
"$PROGRAM" >>"$SESSION_ROOT/program.log" 2>&1 &
PROGRAM_PID=$!
SESSION_PIDS+=("$PROGRAM_PID")
resident_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$PROGRAM_PID/status"; }
# The program's own memory, without the pages of libraries read in from disk.
anonymous_kb() { awk '/^RssAnon:/ { print $2 }' "/proc/$PROGRAM_PID/status"; }
versions_window() { session_windows "$PROGRAM_PID" '^Tallyguard - Versions$' | head -n 1; }
versions_closed() { [ -z "$(versions_window)" ]; }
session_wait_for 30 session_main_window "$PROGRAM_PID" >/dev/null
sleep 5
BEFORE=$(resident_kb)
ANON_BEFORE=$(anonymous_kb)
echo "idle before: $BEFORE kB resident, $ANON_BEFORE kB of it the program's own"
for round in $(seq "$ROUNDS"); do
  "$PROGRAM" --versions >>"$SESSION_ROOT/program.log" 2>&1
  session_wait_for 30 versions_window >/dev/null
  sleep 1
  OPEN=$(resident_kb)
  timeout 10 xdotool windowactivate --sync "$(versions_window)" key Escape
  session_wait_for 10 versions_closed
  sleep 3
  AFTER=$(resident_kb)
  ANON_AFTER=$(anonymous_kb)
  echo "round $round: open $OPEN kB, closed again $AFTER kB: $((AFTER - BEFORE)) kB above before" \
    "(goal within 1024 kB); the program's own $((ANON_AFTER - ANON_BEFORE)) kB above"
done
