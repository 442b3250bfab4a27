#!/usr/bin/env bash
# Tallyguard on a desktop of its own (Xvfb, a tray host, a headless LibreOffice), each figure
# beside a yardstick measured in the same run:
#  - launch to window, as at logon: from starting the program until its main window is mapped,
#    with no office running and with one running, against a bare Qt window with a tray icon
#    (bench/bare_tray.cpp) started the same way, turn about;
#  - idle footprint with the schedule on: resident memory (and how it divides) and processor
#    time over IDLE_SECONDS, the program and the bare tray window side by side;
#  - a backup pass over 10 open spreadsheets of 100k cells each, started with "Backup Now": its
#    time (helper start included) against a bare loop of typed store calls on the same documents,
#    and the longest stall of the window's event loop during the pass. Both come from the
#    program's opt-in probe (TALLYGUARD_PASS_PROBE): the pass times from runs with the probe's
#    clock only, the stalls from runs with its stall meter on as well.
# Prints the figures and the ratios against their goals; asserts nothing. Builds what it needs in
# BUILD_DIR (configured beforehand, e.g. by scripts/build.sh).
#   desktop_bench.sh [BUILD_DIR] [IDLE_SECONDS] [STARTS] [PASSES]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
IDLE_SECONDS=${2:-60}
STARTS=${3:-10}
PASSES=${4:-5}
PROGRAM="$BUILD/bin/tallyguard"
OFFICE_SCENE="$BUILD/tests/adapters/qt/tallyguard_office_scene"
BARE="$BUILD/tests/adapters/qt/tallyguard_bare_tray"
cmake --build "$BUILD" -j2 --target tallyguard tallyguard_office_scene tallyguard_bare_tray \
  >/dev/null
for needed in "$PROGRAM" "$OFFICE_SCENE" "$BARE"; do
  [ -x "$needed" ] || { echo "build first: $needed is missing" >&2; exit 2; }
done

# shellcheck source=../scripts/desktop-session.sh
source "$ROOT/scripts/desktop-session.sh"
trap session_stop EXIT
trap 'exit 1' INT TERM

session_begin
mkdir -p "$SESSION_ROOT/home" "$SESSION_ROOT/temp" "$SESSION_ROOT/docs" "$SESSION_ROOT/pass"
export HOME="$SESSION_ROOT/home" TEMP="$SESSION_ROOT/temp" XDG_RUNTIME_DIR="$SESSION_ROOT/run"
unset XDG_CONFIG_HOME XDG_STATE_HOME TALLYGUARD_PASS_PROBE
export QT_QPA_PLATFORM=xcb
session_start_display
session_start_bus
session_start_tray
session_start_notifications
# The office is started later: the first launches find none running.
SESSION_PIPE="tallyguard_session_$$"
SESSION_PROFILE="file://$SESSION_ROOT/office-profile"
export TALLYGUARD_OFFICE_PIPE="$SESSION_PIPE" TALLYGUARD_OFFICE_PROFILE="$SESSION_PROFILE" TALLYGUARD_OFFICE_LAUNCHER=""

TALLYGUARD_TITLE='^Tallyguard$'
BARE_TITLE='^Bare tray window$'
now_us() { NOW_US=${EPOCHREALTIME/./}; }
median() { sort -n | awk '{a[NR]=$1} END{print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{printf "%.3f", a / b}'; }
verdict() {  # verdict RATIO GOAL
  awk -v r="$1" -v g="$2" 'BEGIN{print (r <= g ? "goal <= " g ": met" : "goal <= " g ": MISSED")}'
}
# One xdotool run per look, so that looking costs little next to what is measured. Both main
# windows are 536 x 550 pixels; Tallyguard's tray icon has the window's title.
window_shown() {  # window_shown PID TITLE_PATTERN
  xdotool search --all --onlyvisible --pid "$1" --name "$2" getwindowgeometry %@ \
    2>/dev/null | grep -q 'Geometry: 536x550'
}
stop_program() {
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

# Starts a program and waits for its window: LAUNCH_MS and LAUNCH_PID are set.
launch() {  # launch TITLE_PATTERN LOG COMMAND...
  local pattern=$1 log=$2 began name
  shift 2
  name=$(basename "$1")
  now_us
  began=$NOW_US
  "$@" >/dev/null 2>>"$log" &
  LAUNCH_PID=$!
  until window_shown "$LAUNCH_PID" "$pattern"; do
    kill -0 "$LAUNCH_PID" 2>/dev/null || { echo "$name ended early" >&2; exit 1; }
    now_us
    ((NOW_US - began < 60000000)) || { echo "$name: no window after 60 s" >&2; exit 1; }
  done
  now_us
  LAUNCH_MS=$(((NOW_US - began) / 1000))
}

# STARTS launches of each program, turn about, each stopped before the next starts.
launches() {  # launches CASE
  local program_times=() bare_times=() start
  for ((start = 1; start <= STARTS; start++)); do
    if ((start % 2)); then
      launch "$TALLYGUARD_TITLE" /dev/null "$PROGRAM"
      stop_program "$LAUNCH_PID"
      program_times+=("$LAUNCH_MS")
      launch "$BARE_TITLE" /dev/null "$BARE"
      stop_program "$LAUNCH_PID"
      bare_times+=("$LAUNCH_MS")
    else
      launch "$BARE_TITLE" /dev/null "$BARE"
      stop_program "$LAUNCH_PID"
      bare_times+=("$LAUNCH_MS")
      launch "$TALLYGUARD_TITLE" /dev/null "$PROGRAM"
      stop_program "$LAUNCH_PID"
      program_times+=("$LAUNCH_MS")
    fi
  done
  local program_median bare_median r
  program_median=$(printf '%s\n' "${program_times[@]}" | median)
  bare_median=$(printf '%s\n' "${bare_times[@]}" | median)
  r=$(ratio "$program_median" "$bare_median")
  echo "launch to window, $1 ($STARTS starts each, medians): Tallyguard $program_median ms," \
    "bare tray window $bare_median ms, ratio $r ($(verdict "$r" 1.5))"
  echo "  Tallyguard all: ${program_times[*]}; bare all: ${bare_times[*]}"
}

# The first start fills the settings store (schedule on, every 5 minutes); the measured starts
# find it filled, as users do at logon.
launch "$TALLYGUARD_TITLE" /dev/null "$PROGRAM"
stop_program "$LAUNCH_PID"

echo "(launch seen by polling with xdotool, one run every few milliseconds)"
launches "no office running"
session_start_office
"$OFFICE_SCENE" "$SESSION_PIPE" open "$SESSION_ROOT/docs/Budget.ods" "$SESSION_ROOT/docs/Stock.ods" \
  >/dev/null
launches "office running with two spreadsheets open"

# Idle, side by side.
launch "$TALLYGUARD_TITLE" /dev/null "$PROGRAM"
program_pid=$LAUNCH_PID
launch "$BARE_TITLE" /dev/null "$BARE"
bare_pid=$LAUNCH_PID
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
status_kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status"; }
rollup() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/smaps_rollup"; }
hz=$(getconf CLK_TCK)
program_before=$(ticks "$program_pid")
bare_before=$(ticks "$bare_pid")
sleep "$IDLE_SECONDS"
idle_report() {  # idle_report NAME PID TICKS_BEFORE
  local cpu rss
  cpu=$(awk -v t=$(($(ticks "$2") - $3)) -v hz="$hz" -v s="$IDLE_SECONDS" \
    'BEGIN{printf "%.3f", 100 * t / hz / s}')
  rss=$(status_kb "$2" VmRSS)
  echo "  $1: CPU $cpu %, RSS $((rss / 1024)) MB ($rss kB), peak RSS $(status_kb "$2" VmHWM) kB," \
    "PSS $(rollup "$2" Pss) kB, private dirty $(rollup "$2" Private_Dirty) kB," \
    "anonymous $(status_kb "$2" RssAnon) kB, file-backed $(status_kb "$2" RssFile) kB," \
    "shared memory $(status_kb "$2" RssShmem) kB"
}
echo "idle over ${IDLE_SECONDS} s, side by side (Tallyguard with the schedule on):"
idle_report Tallyguard "$program_pid" "$program_before"
idle_report "bare tray window" "$bare_pid" "$bare_before"
r=$(ratio "$(status_kb "$program_pid" VmRSS)" "$(status_kb "$bare_pid" VmRSS)")
echo "  resident memory ratio $r ($(verdict "$r" 1.10)); PSS ratio" \
  "$(ratio "$(rollup "$program_pid" Pss)" "$(rollup "$bare_pid" Pss)")"
stop_program "$bare_pid"
stop_program "$program_pid"

# The pass: only the ten large spreadsheets are open.
"$OFFICE_SCENE" "$SESSION_PIPE" close-all
documents=()
for i in 0 1 2 3 4 5 6 7 8 9; do documents+=("$SESSION_ROOT/pass/Sheet$i.ods"); done
"$OFFICE_SCENE" "$SESSION_PIPE" open-filled 1000 100 "${documents[@]}" >/dev/null

probe_lines() { grep -c '^tallyguard probe:' "$1" 2>/dev/null || true; }
# An edit of every workbook: the change watch lets a pass store only what changed, and each pass
# here is to store them all.
edit_all() {
  local document
  for document in "${documents[@]}"; do
    "$OFFICE_SCENE" "$SESSION_PIPE" set "$document" A1 "$1" || exit 1
  done
}
# Clicks "Backup Now (Test)" and waits for the probe's line: PROBE_LINE is set.
backup_now() {  # backup_now WINDOW LOG
  local before
  before=$(probe_lines "$2")
  xdotool mousemove --window "$1" 400 460 click 1
  local tries=3000
  until [ "$(probe_lines "$2")" -gt "$before" ]; do
    ((--tries > 0)) || { echo "no pass ended within 300 s" >&2; exit 1; }
    sleep 0.1
  done
  PROBE_LINE=$(grep '^tallyguard probe:' "$2" | tail -n 1)
  case $PROBE_LINE in *" pass done "*) ;; *) echo "  a pass did not end well: $PROBE_LINE" >&2 ;; esac
}
# PASSES passes with the probe set to $1, each after a bare loop; one of each first to warm up.
passes() {  # passes PROBE
  local log="$SESSION_ROOT/probe-$1.log" window pass
  PASS_SECONDS=() STALL_MS=() BARE_SECONDS=()
  export TALLYGUARD_PASS_PROBE=$1
  launch "$TALLYGUARD_TITLE" "$log" "$PROGRAM"
  unset TALLYGUARD_PASS_PROBE
  window=$(session_main_window "$LAUNCH_PID")
  sleep 2
  "$OFFICE_SCENE" "$SESSION_PIPE" bare-copies " Bare" >/dev/null
  backup_now "$window" "$log"
  for ((pass = 1; pass <= PASSES; pass++)); do
    sleep 1
    BARE_SECONDS+=("$("$OFFICE_SCENE" "$SESSION_PIPE" bare-copies " Bare")")
    edit_all "pass $pass"
    sleep 1
    backup_now "$window" "$log"
    PASS_SECONDS+=("$(echo "$PROBE_LINE" | sed -E 's/.* in ([0-9.]+) s.*/\1/')")
    STALL_MS+=("$(echo "$PROBE_LINE" | sed -nE 's/.*stall ([0-9.]+) ms.*/\1/p')")
  done
  stop_program "$LAUNCH_PID"
}

passes time
pass_median=$(printf '%s\n' "${PASS_SECONDS[@]}" | median)
bare_median=$(printf '%s\n' "${BARE_SECONDS[@]}" | median)
r=$(ratio "$pass_median" "$bare_median")
echo "backup pass over 10 open spreadsheets of 100k cells ($PASSES passes, medians):" \
  "pass $pass_median s (helper start included), bare loop of typed stores $bare_median s," \
  "pass/bare $r ($(verdict "$r" 1.05))"
echo "  pass all: ${PASS_SECONDS[*]}; bare all: ${BARE_SECONDS[*]}"
passes stall
stall_median=$(printf '%s\n' "${STALL_MS[@]}" | median)
stall_worst=$(printf '%s\n' "${STALL_MS[@]}" | sort -n | tail -n 1)
echo "longest event-loop stall during those passes (stall meter on, $PASSES passes):" \
  "worst $stall_worst ms, median $stall_median ms" \
  "($(verdict "$stall_worst" 50) for the worst); pass times with the meter on:" \
  "${PASS_SECONDS[*]} s"
echo "  stalls all: ${STALL_MS[*]} ms (upper bounds: the meter turns every 5 ms)"
