#!/usr/bin/env bash
# Edits are never lost at "Don't Save": a workbook open in a window of a real office, edited and
# never saved, then closed as a user closes it (ctrl+W) with "Don't Save" clicked in the office's
# question. The running program's change watch makes its copy first, and the copy holds the edit.
# Then the watch is stopped (SIGSTOP) while the user types: the office's edit returns within 3
# seconds, because the window ends a watch that does not answer, and the next pass stores the
# workbook.
#   close_copy_test.sh PROGRAM OFFICE_SCENE ARTEFACTS
# Exits 77 (skipped) when a tool it needs is not installed.
set -u

PROGRAM=$1
OFFICE_SCENE=$2
ARTEFACTS=$3
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=desktop_program.sh
source "$HERE/desktop_program.sh"

desktop_test_begin "$ARTEFACTS" Xvfb openbox dunst dbus-daemon xdotool xwininfo xdpyinfo soffice \
  setsid import pgrep unzip
DOCS="$SESSION_ROOT/docs"
mkdir -p "$DOCS" "$HOME_DIR/.config/Morvane"
printf '[Tallyguard]\nKeep%%20Copies=3\n' >"$HOME_DIR/.config/Morvane/Tallyguard.conf"
KEEP_ARTEFACTS=("$TEMP/Tallyguard.txt")
session_start_display || { echo "Xvfb did not start" >&2; exit 1; }
desktop_test_start_bus_and_office with-windows
scene() { timeout 60 "$OFFICE_SCENE" "$SESSION_PIPE" "$@"; }

CHECKS=0
FAILURES=0
check() {
  local what=$1
  shift
  CHECKS=$((CHECKS + 1))
  if "$@"; then echo "ok - $what"; else echo "FAILED - $what"; FAILURES=$((FAILURES + 1)); fi
}
watch_pid() { pgrep -P "$PROGRAM_PID" -f 'tallyguard-watch' | head -n 1; }
another_watch() { [ -n "$(watch_pid)" ] && [ "$(watch_pid)" != "$1" ]; }
copies_of() { find "$DOCS" -name "$1 Date *" | wc -l; }
office_window() { xdotool search --name "$1" 2>/dev/null | head -n 1; }
no_office_window() { [ -z "$(office_window "$1")" ]; }
save_question() { xdotool search --name '^Save Document\?$' 2>/dev/null | head -n 1 | grep .; }
back_up() { sleep 1.1; timeout 120 "$PROGRAM" --backup-now >>"$SESSION_ROOT/backups.log" 2>&1; }

scene open "$DOCS/Budget.ods" "$DOCS/Stock.ods" "$DOCS/Plan.ods" >/dev/null && scene close-all ||
  { echo "the office did not make the spreadsheets" >&2; exit 1; }
start_program
check "the main window appears" session_wait_for 30 main_window
check "the window starts the change watch" session_wait_for 20 watch_pid
scene show "$DOCS/Budget.ods"
check "the office shows Budget.ods" session_wait_for 30 office_window '^Budget.ods'

echo "# Don't Save"
scene set "$DOCS/Budget.ods" B3 "typed, never saved"
sleep 1  # the watch hears of the document's edit
xdo windowactivate --sync "$(office_window '^Budget.ods')" && xdo key ctrl+w
check "the office asks whether to save" session_wait_for 20 save_question
/usr/bin/import -window root "$ARTEFACTS/save-question.png" 2>/dev/null
check "a copy was made before the question" test "$(copies_of Budget)" -eq 1
xdo windowactivate --sync "$(save_question)" && xdo key alt+n  # "Do_n't Save"
check "Don't Save closes the workbook" session_wait_for 20 no_office_window '^Budget.ods'
COPY=$(find "$DOCS" -name 'Budget Date *' | head -n 1)
check "the copy holds the edit" test "$(scene cell "$COPY" B3)" = "typed, never saved"
check "the workbook's file does not" test "$(scene cell "$DOCS/Budget.ods" B3)" != "typed, never saved"
check "its history line says it was made before closing" \
  grep -q "Budget.ods was backup saved as .* before closing at " "$TEMP/Tallyguard.txt"

echo "# A stopped watch"
scene show "$DOCS/Stock.ods"
session_wait_for 30 office_window '^Stock.ods'
back_up  # the first pass stores it, and the watch listens for its next edit
BEFORE=$(copies_of Stock)
back_up
check "an unchanged workbook gets no copy" test "$(copies_of Stock)" -eq "$BEFORE"
STOPPED=$(watch_pid)
kill -STOP "$STOPPED"
START=$(date +%s%N)
scene set "$DOCS/Stock.ods" B3 "typed while the watch was stopped"
ELAPSED_MS=$((($(date +%s%N) - START) / 1000000))
echo "the edit took $ELAPSED_MS ms"
check "the office's edit returns within 3 seconds" test "$ELAPSED_MS" -lt 3000
check "the window started another watch" session_wait_for 10 another_watch "$STOPPED"
sleep 2
back_up
check "the next pass stores the workbook" test "$(copies_of Stock)" -eq $((BEFORE + 1))
kill -CONT "$STOPPED" 2>/dev/null

echo "# Quitting the office with two unsaved workbooks"
scene show "$DOCS/Plan.ods"
session_wait_for 30 office_window '^Plan.ods'
scene set "$DOCS/Plan.ods" B3 "plan typed before quitting"
scene set "$DOCS/Stock.ods" B4 "stock typed before quitting"
sleep 1
xdo windowactivate --sync "$(office_window '^Plan.ods')" && xdo key ctrl+q
for _ in 1 2; do
  session_wait_for 20 save_question && xdo windowactivate --sync "$(save_question)" && xdo key alt+n
  sleep 1
done
/usr/bin/import -window root "$ARTEFACTS/after-quit.png" 2>/dev/null
check "the office quit" session_wait_for 20 no_office_window 'LibreOffice Calc$'
PLAN_COPY=$(find "$DOCS" -name 'Plan Date *' | head -n 1)
check "each got its copy before closing" \
  test "$(grep -c ' before closing at ' "$TEMP/Tallyguard.txt")" -eq 3
check "Plan's holding what was typed" sh -c "unzip -p '$PLAN_COPY' content.xml | grep -q 'plan typed before quitting'"
kill -TERM "$PROGRAM_PID" 2>/dev/null
session_wait_for 15 program_ended

echo "$((CHECKS - FAILURES)) passed, $FAILURES failed"
[ "$FAILURES" -eq 0 ]
