#!/usr/bin/env bash
# Tallyguard on a desktop of its own, with LibreOffice running and two spreadsheets open:
#  - launch to window: from starting the program (office presence check included) until its main
#    window is mapped, over several starts;
#  - idle footprint with the schedule on: resident memory and processor time over 60 seconds.
# Prints the figures; asserts nothing.
#   desktop_bench.sh [BUILD_DIR] [IDLE_SECONDS] [STARTS]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
IDLE_SECONDS=${2:-60}
STARTS=${3:-10}
PROGRAM="$BUILD/bin/tallyguard"
OFFICE_SCENE="$BUILD/tests/gui/tallyguard_office_scene"
for needed in "$PROGRAM" "$OFFICE_SCENE"; do
  [ -x "$needed" ] || { echo "build first: $needed is missing" >&2; exit 2; }
done

# shellcheck source=../scripts/desktop-session.sh
source "$ROOT/scripts/desktop-session.sh"
trap session_stop EXIT
trap 'exit 1' INT TERM

session_begin
mkdir -p "$SESSION_ROOT/home" "$SESSION_ROOT/temp" "$SESSION_ROOT/docs"
export HOME="$SESSION_ROOT/home" TEMP="$SESSION_ROOT/temp" XDG_RUNTIME_DIR="$SESSION_ROOT/run"
unset XDG_CONFIG_HOME XDG_STATE_HOME
export QT_QPA_PLATFORM=xcb
session_start_display
session_start_bus
session_start_tray
session_start_notifications
session_start_office
"$OFFICE_SCENE" "$SESSION_PIPE" open "$SESSION_ROOT/docs/Budget.ods" "$SESSION_ROOT/docs/Stock.ods" \
  >/dev/null
export TALLYGUARD_OFFICE_PIPE="$SESSION_PIPE" TALLYGUARD_OFFICE_LAUNCHER=""

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# One xdotool run per look, so that looking costs little next to what is measured.
window_shown() {
  xdotool search --all --onlyvisible --pid "$1" --name '^Tallyguard$' getwindowgeometry %@ \
    2>/dev/null | grep -q 'Geometry: 536x550'
}
stop_program() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# The first start fills the settings store; the measured starts find it filled, as users do.
"$PROGRAM" >/dev/null 2>&1 &
FIRST=$!
session_wait_for 60 window_shown "$FIRST" || { echo "the window never appeared" >&2; exit 1; }
stop_program "$FIRST"

TIMES=()
for ((start = 1; start <= STARTS; start++)); do
  began=$(now_ms)
  "$PROGRAM" >/dev/null 2>&1 &
  pid=$!
  until window_shown "$pid"; do
    kill -0 "$pid" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
    (($(now_ms) - began < 60000)) || { echo "no window after 60 s" >&2; exit 1; }
  done
  TIMES+=($(($(now_ms) - began)))
  stop_program "$pid"
done
sorted=$(printf '%s\n' "${TIMES[@]}" | sort -n)
median=$(echo "$sorted" | awk '{a[NR]=$1} END{print (NR%2 ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2))}')
echo "launch to window (ms, $STARTS starts, office running, presence check included):" \
  "median $median, min $(echo "$sorted" | head -n 1), max $(echo "$sorted" | tail -n 1)," \
  "all: ${TIMES[*]}"
echo "  (seen by polling with xdotool, one run every few milliseconds)"

"$PROGRAM" >/dev/null 2>&1 &
pid=$!
session_wait_for 60 window_shown "$pid"
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/{print $2}' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)
before=$(ticks "$pid")
sleep "$IDLE_SECONDS"
after=$(ticks "$pid")
rss=$(rss_kb "$pid")
peak=$(awk '/^VmHWM/{print $2}' "/proc/$pid/status")
# Where the resident memory is: shared library pages count whole in RSS, only in part in PSS.
rollup() { awk -v k="$1:" '$1 == k {print $2}' "/proc/$pid/smaps_rollup"; }
status_kb() { awk -v k="$1:" '$1 == k {print $2}' "/proc/$pid/status"; }
resident="PSS $(rollup Pss) kB, private dirty $(rollup Private_Dirty) kB,"
resident+=" anonymous $(status_kb RssAnon) kB, file-backed $(status_kb RssFile) kB,"
resident+=" shared memory $(status_kb RssShmem) kB"
cpu=$(awk -v t=$((after - before)) -v hz="$hz" -v s="$IDLE_SECONDS" 'BEGIN{printf "%.3f", 100 * t / hz / s}')
echo "idle with the schedule on, over ${IDLE_SECONDS} s: CPU ${cpu} %," \
  "RSS $((rss / 1024)) MB (${rss} kB), peak RSS $((peak / 1024)) MB"
echo "  (of that resident memory: $resident)"
stop_program "$pid"
