#!/usr/bin/env bash
# A soak of Tallyguard's window against a real office: PASSES backups back to back, each through
# the real helper, started by a click on "Backup Now (Test)" in the real window on a desktop of
# its own (Xvfb). Ten documents are open in a headless LibreOffice of the run's own profile and
# pipe: ods, xlsx and csv files, one ods with a password and one workbook never stored. The
# settings are the chosen folder, a date/time stamp, a new file per pass and "Keep Copies" 5.
# Meanwhile the user edits and stores the originals (bench/soak_office.py, through the office's
# Python bridge, while a pass runs), and the office is killed with -9 KILLS times at random
# moments and started again with the same profile, the same documents reopened.
#
# Prints each figure beside its target and exits 1 when one is missed (0 when all are met, 77
# when a tool is missing):
#  - originals changed other than by the user's own saves (hashed after each own save);
#  - passes the office was not killed in that did not copy every open document;
#  - kept copies that do not open in the office (each opened at the end, two cells compared);
#  - history lines naming a missing or wrong file, and copies no line names;
#  - leftover partial copies and leftover processes (helpers, offices) after the end;
#  - per document its 5 newest stamped copies, and at most 5 more of earlier versions;
#  - the window's resident memory and the helper's peak resident memory after the run against
#    after the first BASE passes (100, or a third of a shorter run): at most 1 MB more;
#  - passes per minute.
#   soak.sh [PASSES (1000)] [KILLS (20)] [PROGRAM (build/bin/tallyguard)]
# SOAK_SEED picks the random moments again; SESSION_KEEP=1 keeps the run's folder.
set -uo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
PASSES=${1:-1000}
KILLS=${2:-20}
PROGRAM=${3:-$ROOT/build/bin/tallyguard}
PYTHON=/usr/bin/python3
USER_SIDE="$ROOT/bench/soak_office.py"
KEEP=5
SEED=${SOAK_SEED:-$$}
RANDOM=$SEED
((PASSES >= 1 && KILLS >= 0 && KILLS < PASSES)) || {
  echo "usage: soak.sh [PASSES] [KILLS < PASSES] [PROGRAM]" >&2
  exit 2
}
BASE=$((PASSES >= 300 ? 100 : (PASSES + 2) / 3))

# shellcheck source=../scripts/desktop-session.sh
source "$ROOT/scripts/desktop-session.sh"
missing=$(session_missing_tools Xvfb openbox dbus-daemon xdotool xwininfo xdpyinfo soffice setsid \
  sha256sum)
if [ -n "$missing" ] || [ ! -x "$PROGRAM" ] || ! "$PYTHON" -c 'import uno' 2>/dev/null; then
  echo "skipped: missing: $missing ${PROGRAM##*/} (built: $([ -x "$PROGRAM" ] && echo yes || echo no))" \
    "python3-uno ($("$PYTHON" -c 'import uno' 2>/dev/null && echo yes || echo no))" >&2
  exit 77
fi

OFFICE_GROUP=""
WINDOW_PID=""
# The shell's own notice of a killed job is no figure: it goes with the rest of standard error.
stop_office() {
  [ -n "$OFFICE_GROUP" ] || return 0
  {
    kill -"${1:-TERM}" -- "-$OFFICE_GROUP"
    session_wait_for 10 session_gone "-$OFFICE_GROUP"
    kill -KILL -- "-$OFFICE_GROUP"
    wait "$OFFICE_GROUP"
  } 2>/dev/null
  OFFICE_GROUP=""
}
stop_window() {
  [ -n "$WINDOW_PID" ] || return 0
  kill -TERM "$WINDOW_PID" 2>/dev/null
  session_wait_for 10 session_gone "$WINDOW_PID"
  kill -KILL "$WINDOW_PID" 2>/dev/null
  wait "$WINDOW_PID" 2>/dev/null
  WINDOW_PID=""
}
finish() {
  local status=$?
  stop_window
  stop_office KILL
  # A helper outlives its window only when something went wrong: it is the run's own, by its log.
  if [ -n "${HISTORY:-}" ]; then
    for pid in $(run_processes); do kill -KILL "$pid" 2>/dev/null; done
  fi
  [ -z "${PIPE:-}" ] || session_remove_office_sockets "$PIPE" "$PROFILE_URL"
  session_stop
  exit "$status"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

session_begin
session_make_user
export XDG_CONFIG_HOME="$HOME/.config" XDG_STATE_HOME="$HOME/.local/state"
DOCS="$SESSION_ROOT/docs"
COPIES="$SESSION_ROOT/copies"
PROFILE_DIR="$SESSION_ROOT/office-profile"
PROFILE_URL="file://$PROFILE_DIR"
PIPE="tallyguard_soak_$$"
HISTORY="$TEMP/Tallyguard.txt"
PROBE_LOG="$SESSION_ROOT/probe.log"
mkdir -p "$DOCS" "$COPIES" "$XDG_CONFIG_HOME/Morvane" "$SESSION_ROOT/office-temp"
export TALLYGUARD_OFFICE_PIPE="$PIPE" TALLYGUARD_OFFICE_PROFILE="$PROFILE_URL" \
  TALLYGUARD_OFFICE_LAUNCHER=""
unset TALLYGUARD_PASS_PROBE TALLYGUARD_HANG_SECONDS
user_side() { "$PYTHON" "$USER_SIDE" "$PIPE" "$@"; }

# The run's own processes still there: helpers writing to its history log, offices of its profile.
run_processes() {
  ps -eo pid=,args= | awk -v helper="--backup-pass $HISTORY" -v profile="UserInstallation=$PROFILE_URL" \
    '$2 != "awk" && (index($0, helper) || index($0, profile)) {print $1}'
}

echo "soak: $PASSES passes, $KILLS office kills, seed $SEED, memory compared after pass $BASE;" \
  "folder $SESSION_ROOT"
session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
session_start_bus || { echo "dbus-daemon did not start" >&2; exit 1; }

# The office; a start after a kill finds the profile's lock and the documents' lock files left
# behind, which the user would wave through.
start_office() {
  rm -f "$PROFILE_DIR/.lock" "$DOCS"/.~lock.*
  # Its temporary files too are the run's, and go with the run's folder.
  TMPDIR="$SESSION_ROOT/office-temp" setsid soffice "-env:UserInstallation=$PROFILE_URL" --headless --invisible --norestore \
    --nologo --nodefault --nolockcheck "--accept=pipe,name=$PIPE;urp;StarOffice.ComponentContext" \
    >>"$SESSION_ROOT/office.log" 2>&1 &
  OFFICE_GROUP=$!
}
start_office
user_side make "$DOCS" || { echo "the office did not make the documents" >&2; exit 1; }
user_side open "$DOCS" || { echo "the office did not open the documents" >&2; exit 1; }
mapfile -t NAMES < <("$PYTHON" "$USER_SIDE" - names)
declare -A HASH EDITS DUE
# DUE: 1 when the document changed since its newest copy (or has none), so the next pass must copy
# it; 2 when an edit met a pass and may or may not be in that pass's copy. A pass must copy what
# changed; an unchanged workbook's copy would repeat its newest one and is not kept, or not even
# stored (the password-protected one, encrypted afresh on every store, may still be copied
# when unchanged: its copies cannot be compared).
for name in "${NAMES[@]}"; do
  HASH[$name]=$(sha256sum <"$DOCS/$name")
  EDITS[$name]=0
  DUE[$name]=1
done

cat >"$XDG_CONFIG_HOME/Morvane/Tallyguard.conf" <<CONF
[Tallyguard]
Backup%20Option=1
Include%20Date=On
Keep%20Copies=$KEEP
Minimized=Off
OftenIndex=3
Path=$COPIES/
StartStopState=Off
Windows%20Startup=Off
WhereOption=1
CONF

# The window, with the pass probe's clock: one line per pass on standard error.
TALLYGUARD_PASS_PROBE="time" "$PROGRAM" >>"$SESSION_ROOT/program.log" 2>>"$PROBE_LOG" &
WINDOW_PID=$!
main_window() {
  local window
  for window in $(session_windows "$WINDOW_PID" '^Tallyguard$'); do
    xdotool getwindowgeometry "$window" | grep -q 'Geometry: 536x550' && { echo "$window"; return 0; }
  done
  return 1
}
session_wait_for 30 main_window || { echo "the window did not appear" >&2; exit 1; }
WINDOW=$(main_window)
sleep 1

copy_lines() {
  local count
  count=$(grep -c ' was backup saved as ' "$HISTORY" 2>/dev/null)
  echo "${count:-0}"
}
pass_lines() { grep -c '^tallyguard probe: pass ' "$PROBE_LOG" 2>/dev/null; }
# The window's children are its helpers (one at a time).
helpers() { cat /proc/"$WINDOW_PID"/task/*/children 2>/dev/null; }
kb() { awk -v k="$2:" '$1 == k {print $2}' "/proc/$1/status" 2>/dev/null; }
# Message boxes are the window's shown windows other than the main one; each is answered with
# Return, as a user would (what they said is in the probe's log).
BOXES=0
answer_boxes() {
  local window
  for window in $(session_windows "$WINDOW_PID" '.*'); do
    [ "$window" = "$WINDOW" ] && continue
    xdotool getwindowgeometry "$window" 2>/dev/null | grep -q 'Geometry: 536x550' && continue
    echo "pass $pass: \"$(xdotool getwindowname "$window" 2>/dev/null)\"" \
      "$(xdotool getwindowgeometry "$window" 2>/dev/null | grep Geometry)" >>"$SESSION_ROOT/boxes.log"
    timeout 10 xdotool windowactivate --sync "$window" key --clearmodifiers Return 2>/dev/null &&
      BOXES=$((BOXES + 1))
  done
}
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# The passes at which the office is killed, drawn at random (never the first).
# bash's RANDOM has 15 bits; two of them give the range of a long run.
pick() { echo $(((RANDOM * 32768 + RANDOM) % $1)); }
declare -A KILL_AT=()
# One of them before the memory's first reading, in the middle of a pass, so that both readings
# come after the window's first message box (its first one costs it memory that stays).
FIRST_KILL=0
if ((KILLS > 0 && BASE > 2)); then
  FIRST_KILL=$((2 + $(pick $((BASE - 2)))))
  KILL_AT[$FIRST_KILL]=1
fi
while ((${#KILL_AT[@]} < KILLS)); do KILL_AT[$((2 + $(pick $((PASSES - 1)))))]=1; done

largest_of_last_ten() {
  local count=${#HELPER_PEAKS[@]}
  printf '%s\n' "${HELPER_PEAKS[@]:$((count > 10 ? count - 10 : 0))}" | sort -n | tail -n 1
}
SHORT_PASSES=0   # passes without a kill that did not copy every document that had changed
CHANGED=0        # originals found changed when the user was about to store them
EDIT_FAILURES=0
KILLED=0
KILLED_DURING=0
RECLICKS=0
HELPER_PEAKS=()  # per pass, kB
PASS_MS=()
began=$(now_ms)
for ((pass = 1; pass <= PASSES; pass++)); do
  before=$(pass_lines)
  copies_before=$(copy_lines)
  killed_here=""
  clicked=$(now_ms)
  xdotool mousemove --window "$WINDOW" 400 460 click 1
  helper_seen=0
  peak=0
  edited_here=""
  # The user's own edit and save, while the pass runs: one pass in three.
  if ((RANDOM % 3 == 0)); then
    name=${NAMES[RANDOM % ${#NAMES[@]}]}
    if [ "$(sha256sum <"$DOCS/$name")" != "${HASH[$name]}" ]; then
      CHANGED=$((CHANGED + 1))
      echo "  pass $pass: $name changed since the user's last save" >&2
    fi
    EDITS[$name]=$((EDITS[$name] + 1))
    edited_here=$name
    user_side edit "$DOCS" "$name" "${EDITS[$name]}" 2>>"$SESSION_ROOT/user-side.log" ||
      EDIT_FAILURES=$((EDIT_FAILURES + 1))
    HASH[$name]=$(sha256sum <"$DOCS/$name")
  fi
  if [ -n "${KILL_AT[$pass]:-}" ]; then
    killed_here=1
    if ((pass == FIRST_KILL)); then
      # Once the pass has made its first copy, while it makes the others.
      for ((tries = 0; tries < 1200 && $(copy_lines) == copies_before; tries++)); do sleep 0.05; done
    else
      # Anywhere from the click to about the end of a typical pass.
      typical=$((${#PASS_MS[@]} ? PASS_MS[-1] : 1500))
      delay=$(pick $((typical + 1)))
      waited=$(($(now_ms) - clicked))
      ((delay > waited)) && sleep "$(awk -v ms=$((delay - waited)) 'BEGIN{printf "%.3f", ms / 1000}')"
    fi
    if (($(pass_lines) > before)); then
      moment="after the pass had ended"
    else
      moment="during the pass, $(($(copy_lines) - copies_before)) of its copies logged"
      KILLED_DURING=$((KILLED_DURING + 1))
    fi
    killed_at=$(($(now_ms) - clicked))
    stop_office KILL
    KILLED=$((KILLED + 1))
    echo "pass $pass: office killed $killed_at ms after the click, $moment" >>"$SESSION_ROOT/kills.log"
  fi
  # Until the probe's line for this pass; a click that came while the window was still ending
  # the last pass started nothing and is given again.
  until (($(pass_lines) > before)); do
    for helper in $(helpers); do
      helper_seen=1
      hwm=$(kb "$helper" VmHWM)
      ((${hwm:-0} > peak)) && peak=$hwm
    done
    answer_boxes
    elapsed=$(($(now_ms) - clicked))
    if ((!helper_seen && elapsed > 3000)); then
      xdotool mousemove --window "$WINDOW" 400 460 click 1
      RECLICKS=$((RECLICKS + 1))
      clicked=$(now_ms)
    fi
    ((elapsed < 300000)) || { echo "pass $pass did not end within 300 s" >&2; exit 1; }
    kill -0 "$WINDOW_PID" 2>/dev/null || { echo "the window ended during pass $pass" >&2; exit 1; }
    sleep 0.05
  done
  PASS_MS+=($(($(now_ms) - clicked)))
  made=$(($(copy_lines) - copies_before))
  copied_now=$(grep ' was backup saved as ' "$HISTORY" | tail -n +$((copies_before + 1)) |
    sed 's/ was backup saved as .*//')
  missing_copies=""
  for name in "${NAMES[@]}"; do
    if printf '%s\n' "$copied_now" | grep -qxF "$name"; then
      DUE[$name]=0
    elif [ "${DUE[$name]}" = 1 ]; then
      missing_copies+=" $name"
    else
      DUE[$name]=0  # an edit that met the last pass was in its copy
    fi
  done
  # The workbook never stored is never compared: it has no file to tell it by.
  ((made > $(printf '%s\n' "$copied_now" | grep -cxF -f <(printf '%s\n' "${NAMES[@]}")))) ||
    missing_copies+=" (the workbook never stored)"
  if [ -z "$killed_here" ] && [ -n "$missing_copies" ]; then
    SHORT_PASSES=$((SHORT_PASSES + 1))
    echo "  pass $pass: no copy of$missing_copies, and the office was not killed" >&2
  fi
  [ -n "$edited_here" ] && DUE[$edited_here]=2
  HELPER_PEAKS+=("$peak")
  [ -n "$OFFICE_GROUP" ] || { start_office && user_side open "$DOCS" 2>>"$SESSION_ROOT/user-side.log"; } ||
    { echo "the office did not come back after the kill at pass $pass" >&2; exit 1; }
  # The first reading comes once the window has shown its first message box too: a box that
  # comes late (the office answered slowly) would otherwise count its first cost as growth.
  if [ -z "${WINDOW_RSS_BASE:-}" ] && ((pass >= BASE)) && ((KILLS == 0 || BOXES > 0)); then
    WINDOW_RSS_BASE=$(kb "$WINDOW_PID" VmRSS)
    HELPER_BASE=$(largest_of_last_ten)
    BASE=$pass
  fi
  ((pass % 50 == 0)) && echo "  ... $pass passes, $KILLED kills, $BOXES message boxes answered" >&2
done
ended=$(now_ms)
WINDOW_RSS_END=$(kb "$WINDOW_PID" VmRSS)
if [ -z "${WINDOW_RSS_BASE:-}" ]; then  # no box came at all: the reading at the end stands for both
  WINDOW_RSS_BASE=$WINDOW_RSS_END
  HELPER_BASE=$(largest_of_last_ten)
  BASE=$PASSES
fi
HELPER_END=$(largest_of_last_ten)
sleep 1
answer_boxes

MISSED=0
figure() {  # figure TEXT VALUE TARGET_TEXT MET
  echo "$1: $2 (target $3: $([ "$4" = 1 ] && echo met || echo MISSED))"
  [ "$4" = 1 ] || MISSED=$((MISSED + 1))
}
zero() { figure "$1" "$2" 0 "$(($2 == 0))"; }

echo "== soak figures =="
minutes=$(awk -v ms=$((ended - began)) 'BEGIN{printf "%.2f", ms / 60000}')
echo "passes: $PASSES in $minutes min, $(awk -v p="$PASSES" -v ms=$((ended - began)) \
  'BEGIN{printf "%.1f", p * 60000 / ms}') passes per minute (the user's edits and the office's" \
  "restarts included); pass times (click to the probe's line) median" \
  "$(printf '%s\n' "${PASS_MS[@]}" | sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}') ms," \
  "longest $(printf '%s\n' "${PASS_MS[@]}" | sort -n | tail -n 1) ms"
echo "the office killed $KILLED times ($KILLED_DURING during a pass); own edits stored: $(($(IFS=+; echo "${EDITS[*]}"))) (failed:" \
  "$EDIT_FAILURES); message boxes answered: $BOXES; clicks given again: $RECLICKS"
echo "passes by how the probe saw them end: $(sed -nE 's/^tallyguard probe: pass ([a-z]+) .*/\1/p' \
  "$PROBE_LOG" | sort | uniq -c | awk '{printf "%s%s %s", (NR > 1 ? ", " : ""), $2, $1}')"
if grep -q '^tallyguard probe message: ' "$PROBE_LOG"; then
  echo "what the message boxes said (count, text; the office's own wording shortened):"
  sed -nE 's/^tallyguard probe message: //p' "$PROBE_LOG" | cut -c1-160 | sort | uniq -c |
    sort -rn | head -n 12 | sed 's/^/  /'
fi

for name in "${NAMES[@]}"; do
  if [ "$(sha256sum <"$DOCS/$name")" != "${HASH[$name]}" ]; then
    CHANGED=$((CHANGED + 1))
    echo "  at the end: $name changed since the user's last save" >&2
  fi
done
zero "originals changed other than by the user's own saves" "$CHANGED"
zero "passes without a kill that missed a copy of a changed document" "$SHORT_PASSES"

maxima=()
for name in "${NAMES[@]}"; do maxima+=("$name=${EDITS[$name]}"); done
user_side verify "$DOCS" "$COPIES" "$HISTORY" "$KEEP" "${maxima[@]}"
verified=$?
((verified == 0)) || MISSED=$((MISSED + verified))

partials=$(find "$SESSION_ROOT" -name '*.tallyguard-partial' | wc -l)
zero "leftover partial files (*.tallyguard-partial)" "$partials"

rss_met=$((WINDOW_RSS_END <= WINDOW_RSS_BASE + 1024))
figure "window resident memory after $PASSES passes" \
  "$WINDOW_RSS_END kB, after $BASE passes $WINDOW_RSS_BASE kB ($((WINDOW_RSS_END - WINDOW_RSS_BASE)) kB more)" \
  "at most 1024 kB more" "$rss_met"
helper_met=$((HELPER_END <= HELPER_BASE + 1024))
figure "helper peak resident memory (largest of 10 passes) at the end" \
  "$HELPER_END kB, at pass $BASE $HELPER_BASE kB ($((HELPER_END - HELPER_BASE)) kB more)" \
  "at most 1024 kB more" "$helper_met"

stop_window
stop_office TERM
sleep 2
leftover=$(run_processes | wc -l)
zero "leftover processes (helpers, offices of the run) after the end" "$leftover"
run_processes | while read -r pid; do ps -o pid=,args= -p "$pid" | cut -c1-160 | sed 's/^/  /'; done

if ((MISSED)); then
  echo "soak: $MISSED figure(s) missed their targets (seed $SEED)"
  exit 1
fi
echo "soak: every figure met its target"
